// The editing engine: geometry, tracks, padding and trimming, inserted silence and
// noise, markers, the window's commands, recording and the deferred refresh.
#include "support/EngineFixture.h"

#include <cmath>

#include "engine/EditActions.h"

using namespace wavomer;
using namespace wavomer::test;

namespace {

class TrackTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        ten = source("ten.data", 10.0);
    }
    std::string ten;
};

}  // namespace

TEST_F(TrackTest, PositionsMapToTimesInsideTheProject) {
    EXPECT_EQ(engine->timeFromPointX(500.0), 0.0);  // empty project
    lay(0, {audio(ten, 0.0, 10.0, 0.0)});
    engine->currentPixelPerSecond = 10.0;
    EXPECT_DOUBLE_EQ(engine->timeFromPointX(55.0), 5.5);
    EXPECT_DOUBLE_EQ(engine->timeFromPointX(5000.0), 10.0);
    EXPECT_DOUBLE_EQ(engine->timeFromPointX(-3.0), 0.0);
    EXPECT_DOUBLE_EQ(engine->timeFromPointX(std::nan("")), 10.0);
    EXPECT_DOUBLE_EQ(engine->timeToPointX(2.5), 25.0);
    engine->currentPixelPerSecond = 0.0;
    EXPECT_NEAR(engine->timeFor50Pixel(), 50000.0, 0.01);
}

TEST_F(TrackTest, RowsShareTheVisibleHeight) {
    EXPECT_FLOAT_EQ(engine->waveTrackCurrentHeight(), 200.0f);
    EXPECT_EQ(engine->trackOfPointY(199.9), engine->audioTrackArray()[0]);
    EXPECT_EQ(engine->trackOfPointY(200.0), engine->audioTrackArray()[1]);
    EXPECT_EQ(engine->trackOfPointY(400.0), nullptr);
    engine->setAudioTrackArray({});
    EXPECT_FLOAT_EQ(engine->waveTrackCurrentHeight(), 400.0f);
}

TEST_F(TrackTest, ZoomValuesMapToPixelsPerSecond) {
    EXPECT_NEAR(WaveEditViewController::pixelPerSecondForZoom(1), 0.1114, 1e-4);
    EXPECT_NEAR(WaveEditViewController::pixelPerSecondForZoom(70), 90.24, 0.01);
}

TEST_F(TrackTest, PlaybackScrollsTheCursorToFiftyPixelsFromTheRightEdge) {
    lay(0, {audio(ten, 0.0, 10.0, 0.0)});
    engine->currentPixelPerSecond = 1000.0;  // 10000 pixels of content
    host.region = {0.0, 1000.0, 400.0};
    engine->updateCurrentTimelineTime(0.970);  // 30 pixels left of the edge
    engine->autoChangeScrollviewContentWhenPlayToRightEdge();
    EXPECT_NEAR(host.region.originX, 20.0, 1e-3);
    host.region.originX = 0.0;
    engine->updateCurrentTimelineTime(1.021);  // 21 pixels beyond: a jump, not followed
    engine->autoChangeScrollviewContentWhenPlayToRightEdge();
    EXPECT_EQ(host.region.originX, 0.0);
    engine->updateCurrentTimelineTime(0.5);
    engine->autoChangeScrollviewContentWhenPlayToRightEdge();
    EXPECT_EQ(host.region.originX, 0.0);
}

TEST_F(TrackTest, ZoomKeepsTheCentreTimeInTheCentreExceptAtTheEnds) {
    lay(0, {audio(ten, 0.0, 10.0, 0.0)});
    engine->currentPixelPerSecond = 200.0;
    host.region = {400.0, 1000.0, 400.0};  // centre at 4.5 s
    engine->updateCurrentMiddleCenterTime();
    EXPECT_DOUBLE_EQ(engine->currentMiddleCenterTime, 4.5);
    engine->currentPixelPerSecond = 400.0;
    engine->keepCurrentMiddleTimeWhenWaveScrollWheel();
    EXPECT_NEAR(host.region.originX, 4.5 * 400 - 500, 1e-3);
    engine->currentMiddleCenterTime = 9.9;
    engine->keepCurrentMiddleTimeWhenWaveScrollWheel();
    EXPECT_NEAR(host.region.originX, 4000 - 1000, 1e-3);
    engine->currentMiddleCenterTime = 0.1;
    engine->keepCurrentMiddleTimeWhenWaveScrollWheel();
    EXPECT_EQ(host.region.originX, 0.0);
}

TEST_F(TrackTest, ReloadingClampsTheCursorToTheProjectLength) {
    lay(0, {audio(ten, 0.0, 10.0, 0.0)});
    engine->updateCurrentTimelineTime(25.0);
    engine->reloadWave();
    EXPECT_DOUBLE_EQ(engine->currentTimelineTime(), 10.0);
    EXPECT_GT(host.reloads, 0);
}

TEST_F(TrackTest, AddingATrackFillsItWithSilenceToTheProjectEndAndGrowsTheWindow) {
    event([&] { EditActions::addTrackFunction(*engine); });
    ASSERT_EQ(engine->audioTrackArray().size(), 3u);
    EXPECT_TRUE(engine->audioTrackArray()[2]->sectionArray().empty());
    EXPECT_DOUBLE_EQ(host.window, 600.0 + 200.0);
    lay(0, {audio(ten, 0.0, 10.0, 0.0), AudioSection::blankSectionWithTrackStartTime(10.0, 12.5)});
    engine->audioTrackArray()[0]->sectionArray()[1]->isMute = true;
    engine->audioTrackArray()[0]->sectionArray()[1]->isBlankSection = false;
    host.window = 1030.0;
    event([&] { EditActions::addTrackFunction(*engine); });
    const auto& added = engine->audioTrackArray().back()->sectionArray();
    ASSERT_EQ(added.size(), 1u);
    EXPECT_TRUE(added[0]->isBlankSection);
    EXPECT_DOUBLE_EQ(added[0]->trackEndTime, 12.5);
    EXPECT_DOUBLE_EQ(host.window, 1030.0);  // no room left on the screen
    event([&] { undo.undo(); });
    EXPECT_EQ(engine->audioTrackArray().size(), 3u);
}

TEST_F(TrackTest, AddingATrackWithNothingSelectedSelectsAllTracks) {
    engine->setTimelineTrackArray({});
    event([&] { EditActions::addTrackFunction(*engine); });
    EXPECT_EQ(engine->timelineTrackArray().size(), 3u);
}

TEST_F(TrackTest, TrimmingRemovesSharedTrailingSilenceAndDeletingEverythingEmptiesTracks) {
    lay(0, {audio(ten, 0.0, 4.0, 0.0), AudioSection::blankSectionWithTrackStartTime(4.0, 10.0)});
    lay(1, {audio(ten, 0.0, 6.0, 0.0), AudioSection::blankSectionWithTrackStartTime(6.0, 10.0)});
    event([&] { engine->fixAllTracks(); });
    EXPECT_DOUBLE_EQ(engine->farestTrackEndTime(), 6.0);
    expectTidy(*engine);
    event([&] {
        engine->selectAllAction();
        engine->deleteSectionsAction();
    });
    EXPECT_EQ(engine->farestTrackEndTime(), 0.0);
    for (const auto& track : engine->audioTrackArray()) EXPECT_TRUE(track->sectionArray().empty());
}

TEST_F(TrackTest, NothingIsTrimmedWhileRecording) {
    lay(0, {audio(ten, 0.0, 4.0, 0.0), AudioSection::blankSectionWithTrackStartTime(4.0, 10.0)});
    host.recording = true;
    engine->fixAllTracks();
    EXPECT_DOUBLE_EQ(engine->farestTrackEndTime(), 10.0);
}

TEST_F(TrackTest, InsertedSilenceLengthensTheSelectedTrackAndPadsTheOther) {
    lay(0, {audio(ten, 0.0, 10.0, 0.0)});
    lay(1, {audio(ten, 0.0, 10.0, 0.0)});
    event([&] {
        engine->selectTracks(0, 0);
        engine->updateCurrentTimelineTime(5.0);
        engine->resetSelectedTimelineStartEndTime();
        ASSERT_TRUE(engine->insertMute(true, 3.0).ok());
    });
    const auto& edited = engine->audioTrackArray()[0]->sectionArray();
    ASSERT_EQ(edited.size(), 3u);
    EXPECT_TRUE(edited[1]->isMute);
    EXPECT_FALSE(edited[1]->isBlankSection);
    EXPECT_DOUBLE_EQ(edited[2]->trackStartTime, 8.0);
    const auto& other = engine->audioTrackArray()[1]->sectionArray();
    ASSERT_EQ(other.size(), 2u);
    EXPECT_TRUE(other[1]->isBlankSection);
    EXPECT_DOUBLE_EQ(engine->farestTrackEndTime(), 13.0);
    EXPECT_DOUBLE_EQ(engine->currentTimelineTime(), 5.0);
    expectTidy(*engine);
}

TEST_F(TrackTest, SilenceInsertedAtTheEndIsMaterialAndStays) {
    lay(0, {audio(ten, 0.0, 10.0, 0.0)});
    lay(1, {audio(ten, 0.0, 10.0, 0.0)});
    event([&] {
        engine->updateCurrentTimelineTime(10.0);
        engine->resetSelectedTimelineStartEndTime();
        engine->insertMute(true, 2.0);
    });
    EXPECT_DOUBLE_EQ(engine->farestTrackEndTime(), 12.0);
    EXPECT_TRUE(engine->audioTrackArray()[0]->sectionArray().back()->isMute);
}

TEST_F(TrackTest, InsertedNoiseSplitsTheSectionAndLoopsItsSource) {
    lay(0, {audio(ten, 0.0, 10.0, 0.0)});
    event([&] {
        engine->selectTracks(0, 0);
        engine->updateCurrentTimelineTime(4.0);
        engine->resetSelectedTimelineStartEndTime();
        ASSERT_TRUE(engine->insertMute(false, 60.0).ok());
    });
    const auto& sections = engine->audioTrackArray()[0]->sectionArray();
    ASSERT_EQ(sections.size(), 3u);
    const auto& noise = sections[1];
    EXPECT_TRUE(noise->isNoiseSection);
    EXPECT_DOUBLE_EQ(noise->startTime, 0.0);
    EXPECT_DOUBLE_EQ(noise->endTime, 60.0);
    EXPECT_DOUBLE_EQ(sections[2]->trackStartTime, 64.0);
    EXPECT_DOUBLE_EQ(sections[2]->startTime, 4.0);
    // The generated noise source is longer than the loop, audible, and not silence.
    auto data = AudioSampleData::dataForReadingAtPath(*noise->audioPath);
    ASSERT_TRUE(data);
    EXPECT_GE(data->duration(), 51.0);
    noise->loadAudioSampleData();
    float a = noise->getAudioSamleWithTimeInTrack(4.0 + 1.0, false);
    float b = noise->getAudioSamleWithTimeInTrack(4.0 + 52.0, false);
    EXPECT_NE(a, 0.0f);
    EXPECT_EQ(a, b);
}

TEST_F(TrackTest, MarkersBeyondTheEndAreRemovedAndOneExactlyAtTheEndStays) {
    lay(0, {audio(ten, 0.0, 10.0, 0.0)});
    lay(1, {audio(ten, 0.0, 10.0, 0.0)});
    auto at27 = MarkerItem::createMarkerWithTime(9.0);
    auto at25 = MarkerItem::createMarkerWithTime(5.0);
    engine->setMarkArray({at25, at27});
    engine->setSelectedMarkItem(at27);
    event([&] {
        engine->setSelection(5.0, 10.0);
        engine->selectTracks(0, 1);
        engine->cutSectionsAction();
    });
    ASSERT_EQ(engine->markArray().size(), 1u);
    EXPECT_EQ(engine->markArray()[0], at25);
    EXPECT_FALSE(engine->selectedMarkItem());
}

TEST_F(TrackTest, CutPointsAddTheProjectStartAndEndUnlessMarkersStandThere) {
    lay(0, {audio(ten, 0.0, 10.0, 0.0)});
    auto points = engine->getMarkArrayWihtTrackStartEndTime();
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0]->markerTime, 0.0);
    EXPECT_EQ(points[1]->markerTime, 10.0);
    engine->setMarkArray({MarkerItem::createMarkerWithTime(0.0005), MarkerItem::createMarkerWithTime(9.9995)});
    points = engine->getMarkArrayWihtTrackStartEndTime();
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0], engine->markArray()[0]);
    EXPECT_EQ(engine->markArray().size(), 2u);
}

TEST_F(TrackTest, SelectingAMarkerMovesTheCursorAndAnUnknownOneClearsTheSelection) {
    lay(0, {audio(ten, 0.0, 10.0, 0.0)});
    auto marker = MarkerItem::createMarkerWithTime(3.0);
    engine->setMarkArray({marker});
    engine->updateSelectedMarker(marker);
    EXPECT_EQ(engine->selectedMarkItem(), marker);
    EXPECT_DOUBLE_EQ(engine->currentTimelineTime(), 3.0);
    EXPECT_DOUBLE_EQ(host.lastSeek, 3.0);
    engine->updateSelectedMarker(MarkerItem::createMarkerWithTime(5.0));
    EXPECT_FALSE(engine->selectedMarkItem());
    EXPECT_DOUBLE_EQ(engine->currentTimelineTime(), 3.0);
}

TEST_F(TrackTest, MarkersAreAddedSortedSelectedAndUndoneAsAWhole) {
    lay(0, {audio(ten, 0.0, 10.0, 0.0)});
    event([&] {
        engine->updateCurrentTimelineTime(6.0);
        EditActions::addMarkAction(*engine);
    });
    event([&] {
        engine->updateCurrentTimelineTime(2.0);
        EditActions::addMarkAction(*engine);
    });
    ASSERT_EQ(engine->markArray().size(), 2u);
    EXPECT_EQ(engine->markArray()[0]->markerTime, 2.0);
    EXPECT_EQ(engine->selectedMarkItem(), engine->markArray()[0]);
    event([&] { EditActions::deleteKeyAction(*engine); });
    ASSERT_EQ(engine->markArray().size(), 1u);
    EXPECT_FALSE(engine->selectedMarkItem());
    event([&] { undo.undo(); });
    EXPECT_EQ(engine->markArray().size(), 2u);
    event([&] { undo.undo(); });
    event([&] { undo.undo(); });
    EXPECT_TRUE(engine->markArray().empty());
}

TEST_F(TrackTest, NextAndPreviousMarkerWalkTheCutPoints) {
    lay(0, {audio(ten, 0.0, 10.0, 0.0)});
    auto m = MarkerItem::createMarkerWithTime(4.0);
    engine->setMarkArray({m});
    engine->updateCurrentTimelineTime(1.0);
    EditActions::nextMarkAction(*engine);
    EXPECT_EQ(engine->selectedMarkItem(), m);
    EditActions::nextMarkAction(*engine);
    EXPECT_DOUBLE_EQ(engine->currentTimelineTime(), 10.0);
    EXPECT_FALSE(engine->selectedMarkItem());
    EditActions::nextMarkAction(*engine);  // on the last entry: stays
    EXPECT_DOUBLE_EQ(engine->currentTimelineTime(), 10.0);
    engine->updateCurrentTimelineTime(12.0);  // beyond the end: back to the start
    EditActions::nextMarkAction(*engine);
    EXPECT_DOUBLE_EQ(engine->currentTimelineTime(), 0.0);
    EditActions::lastMarkAction(*engine);  // at the first entry: stays
    EXPECT_DOUBLE_EQ(engine->currentTimelineTime(), 0.0);
    engine->updateCurrentTimelineTime(7.0);
    EditActions::lastMarkAction(*engine);
    EXPECT_EQ(engine->selectedMarkItem(), m);
    host.recording = true;
    engine->updateCurrentTimelineTime(7.0);
    EditActions::lastMarkAction(*engine);
    EXPECT_DOUBLE_EQ(engine->currentTimelineTime(), 7.0);
}

TEST_F(TrackTest, FadesSpanTheSelectionAndUndoRestoresTheWholeFade) {
    lay(0, {audio(ten, 0.0, 2.0, 0.0), audio(ten, 2.0, 4.0, 2.0), audio(ten, 4.0, 10.0, 4.0)});
    auto first = engine->audioTrackArray()[0]->sectionArray()[1];
    first->fadeMode = 2;
    first->fadeStartTimeOffset = 0.25;
    first->fadeDuration = 7.0;
    event([&] {
        engine->selectTracks(0, 0);
        engine->setSelection(5.0, 2.0);
        EditActions::fadeInButtonAction(*engine);
    });
    const auto& sections = engine->audioTrackArray()[0]->sectionArray();
    ASSERT_EQ(sections.size(), 4u);
    EXPECT_EQ(sections[1]->fadeMode, 1);
    EXPECT_DOUBLE_EQ(sections[1]->fadeStartTimeOffset, 0.0);
    EXPECT_DOUBLE_EQ(sections[1]->fadeDuration, 3.0);
    EXPECT_EQ(sections[2]->fadeMode, 1);
    EXPECT_DOUBLE_EQ(sections[2]->fadeStartTimeOffset, 2.0);
    EXPECT_DOUBLE_EQ(sections[2]->fadeDuration, 3.0);
    EXPECT_EQ(sections[3]->fadeMode, 0);
    event([&] { undo.undo(); });
    EXPECT_EQ(first->fadeMode, 2);
    EXPECT_DOUBLE_EQ(first->fadeStartTimeOffset, 0.25);
    EXPECT_DOUBLE_EQ(first->fadeDuration, 7.0);
    event([&] { undo.redo(); });
    EXPECT_EQ(first->fadeMode, 1);
    EXPECT_DOUBLE_EQ(first->fadeDuration, 3.0);
}

TEST_F(TrackTest, CustomFadeVolumeMuteAndEffectChangeOnlyTheSelectedSections) {
    lay(0, {audio(ten, 0.0, 10.0, 0.0)});
    event([&] {
        engine->selectTracks(0, 0);
        engine->setSelection(2.0, 4.0);
        EditActions::saveCustomFadeToSections(*engine, 1.5, -0.2);
    });
    const auto& sections = engine->audioTrackArray()[0]->sectionArray();
    ASSERT_EQ(sections.size(), 3u);
    EXPECT_EQ(sections[1]->fadeMode, 3);
    EXPECT_EQ(sections[1]->customFadeStart, 1.0);
    EXPECT_EQ(sections[1]->customFadeStop, 0.0);
    event([&] { EditActions::applyVolumeFactor(*engine, 0.5); });
    event([&] { EditActions::applyVolumeFactor(*engine, 0.5); });
    EXPECT_DOUBLE_EQ(sections[1]->volumeValue, 0.25);
    EXPECT_DOUBLE_EQ(sections[0]->volumeValue, 1.0);
    event([&] { EditActions::muteButtonAction(*engine); });
    event([&] { EditActions::muteButtonAction(*engine); });
    EXPECT_TRUE(sections[1]->isMute);
    EffectDic dic{{"name", CoderValue("Low Pass")}, {"Cutoff Frequency", CoderValue(500.0)}};
    event([&] { EditActions::applyEffect(*engine, dic); });
    ASSERT_TRUE(sections[1]->effectDic);
    EXPECT_FALSE(sections[2]->effectDic);
    event([&] { EditActions::applyEffect(*engine, std::nullopt); });
    EXPECT_FALSE(sections[1]->effectDic);
    event([&] { undo.undo(); });
    EXPECT_TRUE(sections[1]->effectDic);
    event([&] { undo.undo(); });
    event([&] { undo.undo(); });
    EXPECT_TRUE(sections[1]->isMute);
    event([&] { undo.undo(); });
    EXPECT_FALSE(sections[1]->isMute);
}

TEST_F(TrackTest, DeletingTracksAsksFirstAndSelectsTheFirstRemainingTrack) {
    event([&] { EditActions::addTrackFunction(*engine); });
    event([&] { EditActions::addTrackFunction(*engine); });
    ASSERT_EQ(engine->audioTrackArray().size(), 4u);
    auto keptFirst = engine->audioTrackArray()[0];
    host.answerOk = false;
    engine->selectTracks(1, 3);
    EXPECT_FALSE(EditActions::deleteTrackFunction(*engine));
    EXPECT_EQ(host.confirmedFirst, 2);
    EXPECT_EQ(host.confirmedLast, 4);
    EXPECT_EQ(engine->audioTrackArray().size(), 4u);
    host.answerOk = true;
    event([&] { EXPECT_TRUE(EditActions::deleteTrackFunction(*engine)); });
    ASSERT_EQ(engine->audioTrackArray().size(), 1u);
    EXPECT_EQ(engine->audioTrackArray()[0], keptFirst);
    event([&] { undo.undo(); });
    EXPECT_EQ(engine->audioTrackArray().size(), 4u);
    engine->setTimelineTrackArray({});
    EXPECT_FALSE(EditActions::deleteTrackFunction(*engine));
}

TEST_F(TrackTest, ManyUndosInOneWindowCauseOneDeferredRebuild) {
    lay(0, {audio(ten, 0.0, 10.0, 0.0)});
    for (double at : {1.0, 2.0, 3.0}) {
        event([&] {
            engine->setSelection(at, at + 0.5);
            engine->deleteSectionsAction();
        });
    }
    scheduler.runAll();
    event([&] { undo.undo(); });
    event([&] { undo.undo(); });
    event([&] { undo.undo(); });
    EXPECT_EQ(scheduler.delayed.size(), 1u);
    int before = host.reloads;
    scheduler.runAll();
    EXPECT_EQ(host.reloads, before + 1);
    EXPECT_FALSE(gWaveViewRefreshScheduled.load());
}

TEST_F(TrackTest, ZoomingIsNeverUndone) {
    event([&] { engine->audioEditControllerUndoCurrentPixelPerSecond(30.0); });
    EXPECT_FALSE(undo.canUndo());
    EXPECT_DOUBLE_EQ(engine->zoomViewFloatValue, 30.0);
    EXPECT_DOUBLE_EQ(engine->currentPixelPerSecond, WaveEditViewController::pixelPerSecondForZoom(30.0));
}

TEST_F(TrackTest, RecordingLevelsCatchUpTenValuesAtATime) {
    engine->initRecordSectionArray();
    EXPECT_EQ(engine->readRecordAudioLevelWithTime(0.0), 0.0f);
    engine->saveRecordAudioLevelToCurrentTime(0.3f, 0.01);
    ASSERT_TRUE(engine->recordWaveData);
    EXPECT_EQ(engine->recordWaveData->size(), 2u);
    engine->saveRecordAudioLevelToCurrentTime(0.6f, 0.11);  // after a 100 ms stall
    EXPECT_EQ(engine->recordWaveData->size(), 12u);
    engine->saveRecordAudioLevelToCurrentTime(0.6f, 0.12);
    EXPECT_EQ(engine->recordWaveData->size(), 22u);
    engine->saveRecordAudioLevelToCurrentTime(0.6f, 0.12);
    EXPECT_EQ(engine->recordWaveData->size(), 24u);
    EXPECT_EQ(engine->readRecordAudioLevelWithTime(0.0), 0.0f);  // index 0 always reads 0
    EXPECT_EQ(engine->readRecordAudioLevelWithTime(0.005), 0.3f);
    EXPECT_EQ(engine->readRecordAudioLevelWithTime(0.1), 0.6f);
    EXPECT_EQ(engine->readRecordAudioLevelWithTime(5.0), 0.0f);
    engine->doRecordWithRecordDurationChange(2.5);
    EXPECT_DOUBLE_EQ(engine->recordEndTime, 2.5);
    EXPECT_DOUBLE_EQ(engine->currentTimelineTime(), 2.5);
}

TEST(EffectPanel, ValuesAreHeldAsTheSliderRowsShowThem) {
    EXPECT_EQ(EditActions::effectRowValue(10, 20000, "Hz", 1234.567), 1235.0);
    EXPECT_EQ(EditActions::effectRowValue(-20, 40, "dB", 12.345), 12.3);
    EXPECT_EQ(EditActions::effectRowValue(-20, 40, "dB", 1.2345), 1.23);
    EXPECT_EQ(EditActions::effectRowValue(0, 1, "Genr", 0.28456), 0.285);
    EXPECT_EQ(EditActions::effectRowValue(0.001, 0.03, "Secs", 0.012345), 0.0123);
    EXPECT_EQ(EditActions::effectRowValue(0, 2, "index", 1.4), 1.0);
    EXPECT_EQ(EditActions::effectRowValue(10, 20000, "Hz", 30000), 20000.0);
    Outcome<EffectDic> made = EditActions::effectDicFromPanel("Low Pass", {{"Cutoff Frequency", 2000.4}});
    ASSERT_TRUE(made) << made.error();
    EffectDic dic = made ? *made : EffectDic();
    double cutoff = 0, resonance = -1;
    dic.at("Cutoff Frequency").asDouble(cutoff);
    dic.at("Resonance").asDouble(resonance);
    EXPECT_EQ(cutoff, 2000.0);
    EXPECT_EQ(resonance, 0.0);
    EXPECT_FALSE(EditActions::effectDicFromPanel("Low Pass", {{"Wobble", 1}}));
    EXPECT_FALSE(EditActions::effectDicFromPanel("Nope", {}));
}
