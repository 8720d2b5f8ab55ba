// The editing engine: splits, ripple delete, cut, copy, paste, and their undo.
#include "support/EngineFixture.h"

#include <cmath>
#include <filesystem>

#include "archive/ProjectArchive.h"
#include "engine/EditActions.h"
#include "data/SampleDataFile.h"
#include "util/StandardPaths.h"

using namespace wavomer;
using namespace wavomer::test;

namespace {

class EditTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        ten = source("ten.data", 10.0);
        five = source("five.data", 5.0);
    }
    std::string ten;
    std::string five;
};

}  // namespace

TEST(FadeLevels, AreClampedToZeroAndOneInSinglePrecisionAndNotANumberIsZero) {
    EXPECT_DOUBLE_EQ(EditActions::clampFadeLevel(1.5), 1.0);
    EXPECT_DOUBLE_EQ(EditActions::clampFadeLevel(-0.2), 0.0);
    EXPECT_DOUBLE_EQ(EditActions::clampFadeLevel(0.3), static_cast<double>(0.3f));
    EXPECT_DOUBLE_EQ(EditActions::clampFadeLevel(std::nan("")), 0.0);
}

TEST_F(EditTest, ANewProjectHasTwoEmptyTracksAndNoLength) {
    EXPECT_EQ(engine->audioTrackArray().size(), 2u);
    EXPECT_EQ(engine->timelineTrackArray().size(), 2u);
    EXPECT_EQ(engine->farestTrackEndTime(), 0.0);
    EXPECT_TRUE(engine->audioTrackArray()[0]->sectionArray().empty());
    UndoManager other;
    WaveEditViewController many(host, clipboard, scheduler, other, 4);
    EXPECT_TRUE(many.audioTrackArray().empty());
}

TEST_F(EditTest, DeletingTheMiddleOfASectionLeavesTwoPiecesOfTheSameSource) {
    auto s = audio(ten, 0.0, 10.0, 0.0);
    s->volumeValue = 0.5;
    s->fadeMode = 2;
    s->fadeDuration = 10.0;
    s->effectDic = EffectDic{{"name", CoderValue("Low Pass")}};
    lay(0, {s});
    lay(1, {audio(ten, 0.0, 10.0, 0.0)});
    event([&] {
        engine->setSelection(6.0, 2.0);  // made from right to left
        engine->deleteSectionsAction();
    });
    const auto& sections = engine->audioTrackArray()[0]->sectionArray();
    ASSERT_EQ(sections.size(), 2u);
    EXPECT_EQ(sections[0], s);
    EXPECT_DOUBLE_EQ(sections[0]->endTime, 2.0);
    EXPECT_DOUBLE_EQ(sections[0]->trackEndTime, 2.0);
    const auto& right = sections[1];
    EXPECT_DOUBLE_EQ(right->startTime, 6.0);
    EXPECT_DOUBLE_EQ(right->endTime, 10.0);
    EXPECT_DOUBLE_EQ(right->trackStartTime, 2.0);
    EXPECT_DOUBLE_EQ(right->trackEndTime, 6.0);
    EXPECT_DOUBLE_EQ(right->fadeStartTimeOffset, 6.0);  // the fade runs on across the cut
    EXPECT_EQ(right->volumeValue, 0.5);
    EXPECT_EQ(right->fadeMode, 2);
    EXPECT_TRUE(right->effectDic);
    EXPECT_EQ(*right->audioPath, ten);
    EXPECT_DOUBLE_EQ(engine->currentTimelineTime(), 2.0);
    EXPECT_FALSE(engine->hasSelectedSection());
    EXPECT_DOUBLE_EQ(engine->farestTrackEndTime(), 6.0);
    expectTidy(*engine);
}

TEST_F(EditTest, BoundsWithinAMillisecondOfAJoinCreateNoSlivers) {
    lay(0, {audio(ten, 0.0, 4.0, 0.0), audio(ten, 4.0, 10.0, 4.0)});
    lay(1, {audio(ten, 0.0, 10.0, 0.0)});
    event([&] {
        engine->setSelection(3.9995, 6.0);
        engine->deleteSectionsAction();
    });
    const auto& sections = engine->audioTrackArray()[0]->sectionArray();
    ASSERT_EQ(sections.size(), 2u);
    EXPECT_DOUBLE_EQ(sections[0]->trackEndTime, 4.0);
    EXPECT_NEAR(sections[1]->startTime, 6.0, 1e-9);
    expectTidy(*engine);
}

TEST_F(EditTest, ASelectionOfAMillisecondOrLessIsNoSelection) {
    lay(0, {audio(ten, 0.0, 10.0, 0.0)});
    event([&] {
        engine->setSelection(2.0, 2.001);
        engine->deleteSectionsAction();
        engine->copySectionsAction();
    });
    EXPECT_EQ(engine->audioTrackArray()[0]->sectionArray().size(), 1u);
    EXPECT_FALSE(engine->canPaste());
    EXPECT_FALSE(undo.canUndo());
}

TEST_F(EditTest, DeletingFromOneTrackPadsItWhileTheOtherKeepsItsAudio) {
    lay(0, {audio(ten, 0.0, 10.0, 0.0)});
    lay(1, {audio(ten, 0.0, 10.0, 0.0)});
    event([&] {
        engine->selectTracks(1, 1);
        engine->setSelection(2.0, 5.0);
        engine->deleteSectionsAction();
    });
    EXPECT_EQ(engine->audioTrackArray()[0]->sectionArray().size(), 1u);
    const auto& edited = engine->audioTrackArray()[1]->sectionArray();
    ASSERT_EQ(edited.size(), 3u);
    EXPECT_TRUE(edited[2]->isBlankSection);
    EXPECT_DOUBLE_EQ(edited[2]->trackStartTime, 7.0);
    EXPECT_DOUBLE_EQ(edited[2]->trackEndTime, 10.0);
    expectTidy(*engine);
}

TEST_F(EditTest, UndoOfADeleteRestoresTheSameObjectsSelectionAndCursorAndRedoRepeatsIt) {
    auto a = audio(ten, 0.0, 10.0, 0.0);
    auto b = audio(five, 0.0, 5.0, 10.0);
    lay(0, {a, b});
    lay(1, {audio(ten, 0.0, 10.0, 0.0), audio(five, 0.0, 5.0, 10.0)});
    event([&] {
        engine->selectTracks(0, 1);
        engine->setSelection(3.0, 12.0);
        engine->updateCurrentTimelineTime(12.0);
        engine->deleteSectionsAction();
    });
    ASSERT_EQ(engine->audioTrackArray()[0]->sectionArray().size(), 2u);
    event([&] { undo.undo(); });
    const auto& restored = engine->audioTrackArray()[0]->sectionArray();
    ASSERT_EQ(restored.size(), 2u);
    EXPECT_EQ(restored[0], a);
    EXPECT_EQ(restored[1], b);
    EXPECT_DOUBLE_EQ(a->endTime, 10.0);
    EXPECT_DOUBLE_EQ(a->trackEndTime, 10.0);
    EXPECT_DOUBLE_EQ(b->trackStartTime, 10.0);
    EXPECT_DOUBLE_EQ(b->trackEndTime, 15.0);
    EXPECT_DOUBLE_EQ(engine->selectedTimelineStartTime(), 3.0);
    EXPECT_DOUBLE_EQ(engine->selectedTimelineEndTime(), 12.0);
    EXPECT_DOUBLE_EQ(engine->currentTimelineTime(), 3.0);  // the cursor goes to the selection start
    EXPECT_EQ(engine->timelineTrackArray().size(), 2u);
    EXPECT_TRUE(undo.canRedo());
    event([&] { undo.redo(); });
    const auto& again = engine->audioTrackArray()[0]->sectionArray();
    ASSERT_EQ(again.size(), 2u);
    EXPECT_EQ(again[0], a);
    EXPECT_DOUBLE_EQ(again[1]->trackStartTime, 3.0);
    EXPECT_DOUBLE_EQ(engine->farestTrackEndTime(), 6.0);
    event([&] { undo.undo(); });
    EXPECT_DOUBLE_EQ(engine->farestTrackEndTime(), 15.0);
}

TEST_F(EditTest, RestoredSelectionBoundsAreRoundedToSinglePrecision) {
    lay(0, {audio(ten, 0.0, 10.0, 0.0)});
    event([&] {
        engine->setSelection(2.1, 5.3);
        engine->deleteSectionsAction();
    });
    event([&] { undo.undo(); });
    EXPECT_EQ(engine->selectedTimelineStartTime(), static_cast<double>(2.1f));
    EXPECT_EQ(engine->selectedTimelineEndTime(), static_cast<double>(5.3f));
}

TEST_F(EditTest, UndoOfACopyUndoesItsInvisibleSplit) {
    lay(0, {audio(ten, 0.0, 10.0, 0.0)});
    lay(1, {audio(ten, 0.0, 10.0, 0.0)});
    event([&] {
        engine->setSelection(2.0, 5.0);
        engine->copySectionsAction();
    });
    EXPECT_EQ(engine->audioTrackArray()[0]->sectionArray().size(), 3u);
    EXPECT_TRUE(engine->canPaste());
    event([&] { undo.undo(); });
    EXPECT_EQ(engine->audioTrackArray()[0]->sectionArray().size(), 1u);
    EXPECT_DOUBLE_EQ(engine->audioTrackArray()[0]->sectionArray()[0]->endTime, 10.0);
}

TEST_F(EditTest, ASelectionBeyondEveryTrackCopiesNothing) {
    lay(0, {audio(ten, 0.0, 10.0, 0.0)});
    lay(1, {audio(ten, 0.0, 10.0, 0.0)});
    event([&] {
        engine->setSelection(20.0, 25.0);
        engine->copySectionsAction();
    });
    EXPECT_FALSE(engine->canPaste());
}

TEST_F(EditTest, CutThenPasteIntoTheLowerTrackCreatesAThirdTrack) {
    lay(0, {audio(ten, 0.0, 10.0, 0.0)});
    lay(1, {audio(ten, 0.0, 10.0, 0.0)});
    event([&] {
        engine->setSelection(2.0, 4.0);
        engine->cutSectionsAction();
    });
    EXPECT_DOUBLE_EQ(engine->farestTrackEndTime(), 8.0);
    EXPECT_DOUBLE_EQ(engine->currentTimelineTime(), 2.0);
    auto tracksBefore = engine->audioTrackArray();
    event([&] {
        engine->selectTracks(1, 1);
        engine->updateCurrentTimelineTime(6.0);
        engine->pasteSectionsAction();
    });
    ASSERT_EQ(engine->audioTrackArray().size(), 3u);
    auto third = engine->audioTrackArray()[2];
    const auto& sections = third->sectionArray();
    ASSERT_GE(sections.size(), 2u);
    EXPECT_TRUE(sections[0]->isBlankSection);  // silence up to the paste position
    EXPECT_DOUBLE_EQ(sections[0]->trackEndTime, 6.0);
    EXPECT_FALSE(sections[1]->isBlankSection);
    EXPECT_DOUBLE_EQ(sections[1]->startTime, 2.0);
    EXPECT_DOUBLE_EQ(sections[1]->trackStartTime, 6.0);
    EXPECT_DOUBLE_EQ(engine->farestTrackEndTime(), 10.0);
    EXPECT_DOUBLE_EQ(engine->selectedTimelineStartTime(), 6.0);
    EXPECT_DOUBLE_EQ(engine->selectedTimelineEndTime(), 8.0);
    EXPECT_DOUBLE_EQ(engine->currentTimelineTime(), 6.0);
    expectTidy(*engine);

    event([&] { undo.undo(); });
    EXPECT_EQ(engine->audioTrackArray(), tracksBefore);
    event([&] { undo.redo(); });
    ASSERT_EQ(engine->audioTrackArray().size(), 3u);
    EXPECT_EQ(engine->audioTrackArray()[2], third);  // the same track object comes back
}

TEST_F(EditTest, OneTrackMaterialPastedIntoThreeTracksKeepsThemAligned) {
    lay(0, {audio(ten, 0.0, 10.0, 0.0)});
    lay(1, {audio(ten, 0.0, 10.0, 0.0)});
    lay(2, {audio(ten, 0.0, 10.0, 0.0)});
    event([&] {
        engine->selectTracks(0, 0);
        engine->setSelection(1.0, 3.0);
        engine->copySectionsAction();
    });
    event([&] {
        engine->selectTracks(0, 2);
        engine->setSelection(5.0, 5.0);
        engine->updateCurrentTimelineTime(5.0);
        engine->pasteSectionsAction();
    });
    EXPECT_DOUBLE_EQ(engine->farestTrackEndTime(), 12.0);
    for (size_t t = 0; t < 3; ++t) {
        const auto& sections = engine->audioTrackArray()[t]->sectionArray();
        auto inserted = std::find_if(sections.begin(), sections.end(),
                                     [](const SectionPtr& s) { return std::fabs(s->trackStartTime - 5.0) < 1e-9; });
        ASSERT_NE(inserted, sections.end());
        EXPECT_EQ((*inserted)->isBlankSection, t != 0);
        EXPECT_DOUBLE_EQ((*inserted)->trackEndTime, 7.0);
    }
    expectTidy(*engine);
}

TEST_F(EditTest, PasteAtTheEndAppendsAndAtZeroInsertsFirst) {
    lay(0, {audio(ten, 0.0, 10.0, 0.0)});
    lay(1, {audio(ten, 0.0, 10.0, 0.0)});
    event([&] {
        engine->setSelection(0.0, 1.0);
        engine->copySectionsAction();
    });
    event([&] {
        engine->setSelection(10.0, 10.0);
        engine->updateCurrentTimelineTime(10.0);
        engine->pasteSectionsAction();
    });
    const auto& atEnd = engine->audioTrackArray()[0]->sectionArray();
    EXPECT_DOUBLE_EQ(atEnd.back()->trackStartTime, 10.0);
    EXPECT_DOUBLE_EQ(atEnd.back()->startTime, 0.0);
    event([&] {
        engine->setSelection(0.0, 0.0);
        engine->updateCurrentTimelineTime(0.0);
        engine->pasteSectionsAction();
    });
    const auto& atStart = engine->audioTrackArray()[0]->sectionArray();
    EXPECT_DOUBLE_EQ(atStart.front()->trackEndTime, 1.0);
    EXPECT_DOUBLE_EQ(engine->farestTrackEndTime(), 12.0);
    expectTidy(*engine);
}

TEST_F(EditTest, PasteInsideASectionSplitsItAroundTheMaterial) {
    lay(0, {audio(ten, 0.0, 10.0, 0.0)});
    lay(1, {audio(ten, 0.0, 10.0, 0.0)});
    event([&] {
        engine->selectTracks(0, 0);
        engine->setSelection(8.0, 9.0);
        engine->copySectionsAction();
    });
    event([&] {
        engine->setSelection(4.0, 4.0);
        engine->updateCurrentTimelineTime(4.0);
        engine->pasteSectionsAction();
    });
    const auto& sections = engine->audioTrackArray()[0]->sectionArray();
    // [0,4) 0-4 | [4,5) 8-9 | [5,...) the rest of the source from 4 s on
    bool found = false;
    for (size_t i = 0; i + 1 < sections.size(); ++i) {
        if (std::fabs(sections[i]->trackStartTime - 4.0) < 1e-9) {
            found = true;
            EXPECT_DOUBLE_EQ(sections[i]->startTime, 8.0);
            EXPECT_DOUBLE_EQ(sections[i + 1]->trackStartTime, 5.0);
            EXPECT_DOUBLE_EQ(sections[i + 1]->startTime, 4.0);
        }
    }
    EXPECT_TRUE(found);
    expectTidy(*engine);
}

TEST_F(EditTest, PasteReplacesTheRangeOnlyWhenTheCursorIsAtOneOfItsEnds) {
    lay(0, {audio(ten, 0.0, 10.0, 0.0)});
    event([&] {
        engine->selectTracks(0, 0);
        engine->setSelection(0.0, 1.0);
        engine->copySectionsAction();
    });
    event([&] {
        engine->setSelection(2.0, 6.0);
        engine->updateCurrentTimelineTime(6.0);
        engine->pasteSectionsAction();
    });
    EXPECT_DOUBLE_EQ(engine->farestTrackEndTime(), 7.0);  // 10 - 4 + 1
    EXPECT_DOUBLE_EQ(engine->selectedTimelineStartTime(), 2.0);
    EXPECT_DOUBLE_EQ(engine->selectedTimelineEndTime(), 3.0);
    event([&] {
        engine->setSelection(1.0, 5.0);
        engine->updateCurrentTimelineTime(3.0);
        engine->pasteSectionsAction();
    });
    EXPECT_DOUBLE_EQ(engine->farestTrackEndTime(), 8.0);  // inserted, nothing deleted
    EXPECT_DOUBLE_EQ(engine->selectedTimelineStartTime(), 3.0);
    EXPECT_DOUBLE_EQ(engine->selectedTimelineEndTime(), 4.0);
}

TEST_F(EditTest, PastedBlankMaterialKeepsItsLength) {
    lay(0, {audio(ten, 0.0, 2.0, 0.0), AudioSection::blankSectionWithTrackStartTime(2.0, 5.0),
            audio(ten, 2.0, 4.0, 5.0)});
    event([&] {
        engine->selectTracks(0, 0);
        engine->setSelection(1.0, 6.0);
        engine->copySectionsAction();
    });
    event([&] {
        engine->setSelection(7.0, 7.0);
        engine->updateCurrentTimelineTime(7.0);
        engine->pasteSectionsAction();
    });
    EXPECT_DOUBLE_EQ(engine->farestTrackEndTime(), 12.0);
    EXPECT_DOUBLE_EQ(engine->selectedTimelineEndTime(), 12.0);
    expectTidy(*engine);
}

TEST_F(EditTest, PasteWithNoSelectedTrackGoesIntoTheFirstTracks) {
    lay(0, {audio(ten, 0.0, 10.0, 0.0)});
    lay(1, {audio(ten, 0.0, 10.0, 0.0)});
    event([&] {
        engine->setSelection(1.0, 2.0);
        engine->copySectionsAction();
    });
    event([&] {
        engine->setTimelineTrackArray({});
        engine->setSelection(3.0, 3.0);
        engine->updateCurrentTimelineTime(3.0);
        engine->pasteSectionsAction();
    });
    EXPECT_EQ(engine->audioTrackArray().size(), 2u);
    EXPECT_DOUBLE_EQ(engine->farestTrackEndTime(), 11.0);
    expectTidy(*engine);
}

TEST_F(EditTest, CutKeepsMarkersAndDeleteWithAllTracksRemovesThoseInTheRange) {
    lay(0, {audio(ten, 0.0, 10.0, 0.0)});
    lay(1, {audio(ten, 0.0, 10.0, 0.0)});
    engine->setMarkArray({MarkerItem::createMarkerWithTime(1.9995), MarkerItem::createMarkerWithTime(3.0),
                         MarkerItem::createMarkerWithTime(4.0005), MarkerItem::createMarkerWithTime(8.0)});
    event([&] {
        engine->setSelection(2.0, 4.0);
        engine->cutSectionsAction();
    });
    EXPECT_EQ(engine->markArray().size(), 4u);
    event([&] { undo.undo(); });
    event([&] {
        engine->selectTracks(0, 0);
        engine->setSelection(2.0, 4.0);
        engine->deleteSectionsAction();
    });
    EXPECT_EQ(engine->markArray().size(), 4u);  // only one of two tracks: markers stay
    event([&] { undo.undo(); });
    event([&] {
        engine->selectTracks(0, 1);
        engine->setSelection(4.0, 2.0);
        engine->deleteSectionsAction();
    });
    ASSERT_EQ(engine->markArray().size(), 1u);
    EXPECT_DOUBLE_EQ(engine->markArray()[0]->markerTime, 8.0);  // markers keep their times
    event([&] { undo.undo(); });
    EXPECT_EQ(engine->markArray().size(), 4u);
}

TEST_F(EditTest, TheClipboardPayloadIsTheKeyedArchiveOfTheSections) {
    lay(0, {audio(ten, 0.0, 10.0, 0.0)});
    lay(1, {audio(five, 0.0, 5.0, 0.0), AudioSection::blankSectionWithTrackStartTime(5.0, 10.0)});
    event([&] {
        engine->setSelection(4.0, 6.0);
        engine->copySectionsAction();
    });
    auto bytes = clipboard.dataForType("WVMAudioEditDataType");
    ASSERT_TRUE(bytes);
    auto decoded = archive::decodeClipboardPayload(bytes->data(), bytes->size());
    ASSERT_TRUE(decoded.ok()) << decoded.error();
    ASSERT_EQ((*decoded).size(), 2u);
    ASSERT_EQ((*decoded)[0].size(), 1u);
    EXPECT_EQ(*(*decoded)[0][0]->audioPath, ten);
    ASSERT_EQ((*decoded)[1].size(), 2u);
    EXPECT_TRUE((*decoded)[1][1]->isBlankSection);
}

// Material copied in another program can sit in that program's import subfolder, which
// goes when it quits: the paste keeps a link of its own to each such file.
TEST_F(EditTest, PastedMaterialFromAnotherProgramsImportFolderOutlivesThatFolder) {
    namespace fs = std::filesystem;
    HomeEnvironment environment(dir.file("home"), dir.file("tmp"));
    const fs::path foreign = fs::path(FileManagerExtention::defaultImportConvertedPath()) / "999999-dead";
    fs::create_directories(foreign);
    const std::string theirs = (foreign / "ImportAudio_1.data").string();
    writeSampleFile(theirs, 1, 44100 * 2, staircase);
    lay(0, {audio(theirs, 0.0, 2.0, 0.0)});
    event([&] {
        engine->selectTracks(0, 0);
        engine->setSelection(0.0, 2.0);
        engine->copySectionsAction();
    });
    event([&] {
        engine->setSelection(2.0, 2.0);
        engine->updateCurrentTimelineTime(2.0);
        engine->pasteSectionsAction();
    });
    const auto& sections = engine->audioTrackArray()[0]->sectionArray();
    ASSERT_EQ(sections.size(), 2u);
    ASSERT_TRUE(sections[1]->audioPath);
    EXPECT_EQ(fs::path(*sections[1]->audioPath).parent_path(), fs::path(engine->importFolder));
    fs::remove_all(foreign);
    EXPECT_TRUE(isSampleDataFile(*sections[1]->audioPath));
    sections[1]->loadAudioSampleData();
    EXPECT_FLOAT_EQ(sections[1]->getSampleValueWithTime(1.0, false), staircase(0, 44100));
}
