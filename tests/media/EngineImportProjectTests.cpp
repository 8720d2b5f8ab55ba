// The editing engine with real media: import placement, recordings, and the
// project folder (save, reopen, redirect to "Audios").
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "FFmpegMediaEngine.h"
#include "archive/ProjectArchive.h"
#include "config/UserConfig.h"
#include "data/AudioChannelsGenerator.h"
#include "record/RecordViewController.h"
#include "support/EngineFixture.h"
#include "support/EndlessSource.h"
#include "support/FakeRecorder.h"
#include "util/Log.h"

using namespace wavomer;
using namespace wavomer::test;

namespace {

// Opening a project is a user event, as in the window and the command-line tool.
Outcome<> openAsUserEvent(WaveEditViewController& engine, const std::string& folder) {
    UserEvent event(engine);
    return engine.readDataFromProject(folder);
}

class ProjectTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        setLogEnabled(false);
        engine->mediaEngine = &media;
        engine->importFolder = dir.path() + "/import";
        std::filesystem::create_directories(engine->importFolder);
        stereo = dir.file("stereo.wav");
        std::vector<float> frames;
        for (int i = 0; i < 44100 * 2; ++i) {
            frames.push_back(0.25f);
            frames.push_back(-0.5f);
        }
        writeWavFloat(stereo, 2, 44100, frames);
        mono = dir.file("mono.wav");
        writeWavFloat(mono, 1, 44100, std::vector<float>(44100, 0.125f));
    }
    void TearDown() override {
        setLogEnabled(true);
        EngineTest::TearDown();
    }

    Outcome<> importNow(const std::string& path) {
        Outcome<> outcome = Failure::because("never finished");
        UserEvent event(*engine);
        engine->addDragInFileToWave(path, [&](Outcome<> r) { outcome = r; });
        for (int i = 0; i < 2000 && engine->importInProgress(); ++i) {
            scheduler.runAll();
            if (engine->importInProgress()) ::usleep(5000);
        }
        scheduler.runAll();
        return outcome;
    }

    FFmpegMediaEngine media;
    std::string stereo;
    std::string mono;
};

size_t filesIn(const std::string& folder) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++n;
    return n;
}

}  // namespace

TEST_F(ProjectTest, AStereoImportIntoOneTrackAddsASecondTrackAndIsOneUndoStep) {
    resizeTracks(1);
    engine->setTimelineTrackArray(engine->audioTrackArray());
    ASSERT_TRUE(importNow(stereo).ok());
    ASSERT_EQ(engine->audioTrackArray().size(), 2u);
    auto left = engine->audioTrackArray()[0]->sectionArray();
    auto right = engine->audioTrackArray()[1]->sectionArray();
    ASSERT_EQ(left.size(), 1u);
    ASSERT_EQ(right.size(), 1u);
    EXPECT_EQ(left[0]->channel, 0);
    EXPECT_EQ(right[0]->channel, 1);
    EXPECT_DOUBLE_EQ(left[0]->trackStartTime, 0.0);
    EXPECT_DOUBLE_EQ(left[0]->trackEndTime, 2.0);
    EXPECT_EQ(engine->audioTrackArray()[0]->readSamplePointAtOffset(100), 0.25f);
    EXPECT_EQ(engine->audioTrackArray()[1]->readSamplePointAtOffset(100), -0.5f);
    EXPECT_EQ(undo.undoStepCount(), 1u);
    event([&] { undo.undo(); });
    EXPECT_EQ(engine->audioTrackArray().size(), 1u);
    EXPECT_EQ(engine->farestTrackEndTime(), 0.0);
}

TEST_F(ProjectTest, AMonoImportLandsOnTheFirstTrackAtTheProjectEndWithSilenceBelow) {
    resizeTracks(engine->audioTrackArray().size() + 1);
    ASSERT_TRUE(importNow(stereo).ok());
    ASSERT_TRUE(importNow(mono).ok());
    ASSERT_EQ(engine->audioTrackArray().size(), 3u);
    auto first = engine->audioTrackArray()[0]->sectionArray();
    ASSERT_EQ(first.size(), 2u);
    EXPECT_DOUBLE_EQ(first[1]->trackStartTime, 2.0);
    EXPECT_DOUBLE_EQ(first[1]->trackEndTime, 3.0);
    // The third track was padded to 2 s and then got a blank second like the second.
    for (size_t t = 1; t < 3; ++t) EXPECT_TRUE(engine->audioTrackArray()[t]->sectionArray().back()->isBlankSection);
    expectTidy(*engine);
}

TEST_F(ProjectTest, ImportingTheSameFileTwiceMakesTwoConvertedFiles) {
    ASSERT_TRUE(importNow(mono).ok());
    ASSERT_TRUE(importNow(mono).ok());
    auto sections = engine->audioTrackArray()[0]->sectionArray();
    ASSERT_EQ(sections.size(), 2u);
    EXPECT_NE(*sections[0]->audioPath, *sections[1]->audioPath);
    EXPECT_EQ(filesIn(engine->importFolder), 2u);
}

TEST_F(ProjectTest, AFileThatCannotBeConvertedIsReportedAndPlacesNothing) {
    std::string text = dir.file("notes.txt");
    std::ofstream(text) << "not audio";
    Outcome<> r = importNow(text);
    EXPECT_FALSE(r.ok());
    EXPECT_NE(r.error().find("notes.txt"), std::string::npos);
    EXPECT_EQ(engine->farestTrackEndTime(), 0.0);
    EXPECT_FALSE(undo.canUndo());
    EXPECT_FALSE(engine->isImporting);
}

// Destroying the engine must stop and join the conversion (AddressSanitizer catches a
// thread left running on a destroyed engine) and leave no file behind.
TEST_F(ProjectTest, DestroyingTheEngineInTheMiddleOfAnImportCancelsAndJoinsTheConversion) {
    EndlessSource source(dir.file("endless.wav"));
    ASSERT_TRUE(source.ok()) << std::strerror(errno);
    bool called = false;
    {
        UserEvent event(*engine);
        engine->addDragInFileToWave(dir.file("endless.wav"), [&](Outcome<>) { called = true; });
    }
    ASSERT_TRUE(engine->importInProgress());
    const bool decoding = source.waitUntilDecoding();
    engine.reset();
    source.finish();
    ASSERT_TRUE(decoding) << "the conversion never read the source";
    scheduler.runAll();
    EXPECT_FALSE(called);
    EXPECT_EQ(filesIn(dir.path() + "/import"), 0u);
}

// The user's Cancel: the import ends as cancelled, with nothing placed or kept; a
// source that states no length shows no share.
TEST_F(ProjectTest, ACancelledImportEndsAsCancelledAndLeavesNothing) {
    EndlessSource source(dir.file("endless.wav"));
    ASSERT_TRUE(source.ok()) << std::strerror(errno);
    std::optional<Outcome<>> ended;
    {
        UserEvent event(*engine);
        engine->addDragInFileToWave(dir.file("endless.wav"), [&](Outcome<> r) { ended = r; });
    }
    ASSERT_TRUE(source.waitUntilDecoding()) << "the conversion never read the source";
    EXPECT_EQ(engine->importProgress(), -1.0);
    engine->cancelImports();
    for (int i = 0; i < 2000 && !ended; ++i) {
        scheduler.runAll();
        if (!ended) ::usleep(5000);
    }
    source.finish();
    ASSERT_TRUE(ended);
    EXPECT_TRUE(ended->cancelled());
    EXPECT_FALSE(engine->importInProgress());
    EXPECT_EQ(filesIn(dir.path() + "/import"), 0u);
    for (const auto& track : engine->audioTrackArray()) EXPECT_TRUE(track->sectionArray().empty());
}

TEST_F(ProjectTest, AConversionReportsTheShareOfTheStatedLengthItHasDecoded) {
    const std::string longer = dir.file("three.wav");
    writeWavFloat(longer, 1, 44100, std::vector<float>(3 * 44100, 0.125f));
    std::vector<double> shares;
    Outcome<GeneratedAudio> made = getNewPathFromOriginalMusicPath(media, longer, dir.path() + "/import", nullptr,
                                                                   [&](double share) { shares.push_back(share); });
    ASSERT_TRUE(made.ok()) << made.error();
    ASSERT_GE(shares.size(), 2u);
    EXPECT_TRUE(std::is_sorted(shares.begin(), shares.end()));
    EXPECT_GT(shares.front(), 0.0);
    EXPECT_LE(shares.back(), 1.0);
}

TEST_F(ProjectTest, ARecordingIsInsertedAtItsStartOnEverySelectedTrackFromOneConvertedFile) {
    resizeTracks(engine->audioTrackArray().size() + 1);
    ASSERT_TRUE(importNow(stereo).ok());
    resizeTracks(3);
    engine->audioTrackArray()[2]->setSectionArray({AudioSection::blankSectionWithTrackStartTime(0, 2)});
    {
        UserEvent event(*engine);
        engine->selectTracks(0, 2);
        engine->updateCurrentTimelineTime(1.0);
        engine->initRecordSectionArray();
        engine->doRecordWithRecordDurationChange(1.0);
    }
    Outcome<> r = Failure::because("not run");
    {
        UserEvent event(*engine);
        r = engine->insertRecordSectionsToTrackWhenRecordFinish(mono);
    }
    ASSERT_TRUE(r.ok()) << r.error();
    ASSERT_EQ(engine->recordSectionsArray.size(), 3u);
    std::set<std::string> paths;
    for (const auto& s : engine->recordSectionsArray) {
        EXPECT_DOUBLE_EQ(s->trackStartTime, 1.0);
        EXPECT_DOUBLE_EQ(s->trackEndTime, 2.0);
        EXPECT_EQ(s->channel, 0);
        paths.insert(*s->audioPath);
    }
    EXPECT_EQ(paths.size(), 1u);
    EXPECT_DOUBLE_EQ(engine->farestTrackEndTime(), 3.0);
    EXPECT_DOUBLE_EQ(engine->currentTimelineTime(), 2.0);
    EXPECT_EQ(engine->audioTrackArray()[0]->readSamplePointAtOffset(44100 + 10), 0.125f);
    EXPECT_EQ(engine->audioTrackArray()[0]->readSamplePointAtOffset(2 * 44100 + 10), 0.25f);  // moved right
    event([&] { undo.undo(); });
    EXPECT_DOUBLE_EQ(engine->farestTrackEndTime(), 2.0);
}

TEST_F(ProjectTest, ARecordingWithNoTrackSelectedGoesOnANewTrackPerChannelAsOneUndoStep) {
    resizeTracks(0);  // every track deleted
    {
        UserEvent event(*engine);
        engine->setTimelineTrackArray({});
        engine->updateCurrentTimelineTime(0.0);
        engine->initRecordSectionArray();
        engine->doRecordWithRecordDurationChange(1.0);
    }
    const size_t stepsBefore = undo.undoStepCount();
    Outcome<> r = Failure::because("not run");
    {
        UserEvent event(*engine);
        r = engine->insertRecordSectionsToTrackWhenRecordFinish(stereo);
    }
    ASSERT_TRUE(r.ok()) << r.error();
    ASSERT_EQ(engine->audioTrackArray().size(), 2u);
    EXPECT_EQ(engine->timelineTrackArray(), engine->audioTrackArray());
    for (int channel = 0; channel < 2; ++channel) {
        const auto& sections = engine->audioTrackArray()[static_cast<size_t>(channel)]->sectionArray();
        ASSERT_EQ(sections.size(), 1u);
        EXPECT_EQ(sections[0]->channel, channel);
        EXPECT_DOUBLE_EQ(sections[0]->trackEndTime, 1.0);
    }
    EXPECT_EQ(engine->audioTrackArray()[0]->readSamplePointAtOffset(10), 0.25f);
    EXPECT_EQ(engine->audioTrackArray()[1]->readSamplePointAtOffset(10), -0.5f);
    EXPECT_EQ(undo.undoStepCount(), stepsBefore + 1);
    event([&] { undo.undo(); });
    EXPECT_TRUE(engine->audioTrackArray().empty());
}

TEST_F(ProjectTest, StoppingTheRecordPanelInsertsTheWholeFileAsOneUndoStep) {
    ASSERT_TRUE(importNow(stereo).ok());
    UserConfig config(dir.file("user.config"));
    config.recordOutputPath = dir.path();
    FakeRecorder recorder;
    FakeRecordHost panelHost(host);
    RecordViewController panel(recorder, *engine, config, panelHost);
    event([&] {
        engine->selectTracks(0, 1);
        engine->updateCurrentTimelineTime(0.5);
    });
    const size_t stepsBefore = undo.undoStepCount();
    panel.showPopover();
    panel.startOrStop();
    for (int tick = 1; tick <= 120; ++tick) {
        recorder.length = tick * 0.01;
        panel.flushAudioRecordState();
    }
    // The file ends 23 ms after the last fifth tick; that belongs to the recording too.
    recorder.length = 1.223;
    std::optional<Outcome<bool>> stopped;
    panel.stopRecord([&](Outcome<bool> outcome) { stopped = outcome; });
    // Converted on the import thread; the tracks stay as they were until it is placed.
    EXPECT_EQ(engine->audioTrackArray()[0]->sectionArray().size(), 1u);
    ASSERT_TRUE(scheduler.waitForPosted());
    scheduler.runAll();
    ASSERT_TRUE(stopped && stopped->ok()) << (stopped ? stopped->error() : "not ended");
    EXPECT_TRUE(**stopped);
    EXPECT_EQ(undo.undoStepCount(), stepsBefore + 1);
    for (const auto& track : engine->audioTrackArray()) {
        const auto& sections = track->sectionArray();
        ASSERT_EQ(sections.size(), 3u);
        EXPECT_DOUBLE_EQ(sections[1]->trackStartTime, 0.5);
        EXPECT_NEAR(sections[1]->trackEndTime, 1.723, 1e-9);
        EXPECT_NEAR(sections[2]->trackEndTime, 3.223, 1e-9);
    }
    EXPECT_EQ(engine->audioTrackArray()[1]->readSamplePointAtOffset(static_cast<int64_t>(1.72 * 44100)), 0.5f);
    EXPECT_EQ(engine->audioTrackArray()[1]->readSamplePointAtOffset(static_cast<int64_t>(1.73 * 44100)), -0.5f);
    EXPECT_NEAR(engine->currentTimelineTime(), 1.723, 1e-9);
    event([&] { undo.undo(); });
    EXPECT_DOUBLE_EQ(engine->farestTrackEndTime(), 2.0);
    EXPECT_EQ(engine->audioTrackArray()[0]->sectionArray().size(), 1u);
}

TEST_F(ProjectTest, SavingLinksEachSourceOnceAndReopeningRedirectsToAudios) {
    ASSERT_TRUE(importNow(stereo).ok());
    engine->setMarkArray({MarkerItem::createMarkerWithTime(1.5)});
    std::string project = dir.file("song.wvmp");
    ASSERT_TRUE(engine->saveProjectItemToPath(project).ok());
    EXPECT_EQ(filesIn(project + "/Audios"), 1u);  // both channels use one file
    ASSERT_TRUE(engine->saveProjectItemToPath(project).ok());  // again: kept, archive rewritten
    EXPECT_EQ(filesIn(project + "/Audios"), 1u);
    std::string original = *engine->audioTrackArray()[0]->sectionArray()[0]->audioPath;

    // Opening while the import folder still exists keeps the stored paths.
    {
        UndoManager otherUndo;
        WaveEditViewController reopened(host, clipboard, scheduler, otherUndo);
        ASSERT_TRUE(openAsUserEvent(reopened, project).ok());
        EXPECT_EQ(*reopened.audioTrackArray()[0]->sectionArray()[0]->audioPath, original);
        EXPECT_FALSE(otherUndo.canUndo());
    }
    std::filesystem::remove_all(engine->importFolder);
    AudioWaveDataCache::share().removeAll();
    UndoManager otherUndo;
    WaveEditViewController reopened(host, clipboard, scheduler, otherUndo);
    ASSERT_TRUE(openAsUserEvent(reopened, project).ok());
    ASSERT_EQ(reopened.audioTrackArray().size(), 2u);
    auto section = reopened.audioTrackArray()[1]->sectionArray()[0];
    EXPECT_EQ(*section->audioPath, project + "/Audios/" + std::filesystem::path(original).filename().string());
    EXPECT_EQ(reopened.audioTrackArray()[1]->readSamplePointAtOffset(500), -0.5f);
    EXPECT_TRUE(section->audioWaveData());
    ASSERT_EQ(reopened.markArray().size(), 1u);
    EXPECT_DOUBLE_EQ(reopened.markArray()[0]->markerTime, 1.5);
    EXPECT_FALSE(otherUndo.canUndo());
}

TEST_F(ProjectTest, AMissingOrUnreadableProjectIsAnErrorAndNothingIsOpened) {
    ASSERT_TRUE(importNow(mono).ok());
    auto before = engine->audioTrackArray();
    Outcome<> r = openAsUserEvent(*engine, dir.file("nothing.wvmp"));
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(engine->audioTrackArray(), before);
    std::string broken = dir.file("broken.wvmp");
    std::filesystem::create_directories(broken);
    std::ofstream(broken + "/project.plist") << "bplist00 but not really";
    r = openAsUserEvent(*engine, broken);
    EXPECT_FALSE(r.ok());
    EXPECT_FALSE(r.error().empty());
    EXPECT_EQ(engine->audioTrackArray(), before);
}

TEST_F(ProjectTest, ASaveThatCannotWriteReportsFailureAndKeepsTheOldArchive) {
    ASSERT_TRUE(importNow(mono).ok());
    std::string project = dir.file("keep.wvmp");
    ASSERT_TRUE(engine->saveProjectItemToPath(project).ok());
    std::ifstream in(project + "/project.plist", std::ios::binary);
    std::string oldBytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (::geteuid() != 0) {
        ::chmod(project.c_str(), 0500);
        EXPECT_FALSE(engine->saveProjectItemToPath(project).ok());
        ::chmod(project.c_str(), 0700);
    }
    // A source that is gone everywhere plays silence: it is saved as it is, named in a warning.
    auto lost = AudioSection::section();
    lost->audioPath = dir.file("vanished.data");
    lost->endTime = 1.0;
    lost->trackStartTime = 1.0;
    lost->trackEndTime = 2.0;
    auto sections = engine->audioTrackArray()[0]->sectionArray();
    sections.push_back(lost);
    engine->audioTrackArray()[0]->setSectionArray(sections);
    Outcome<Warnings> r = engine->saveProjectItemToPath(dir.file("other.wvmp"));
    EXPECT_TRUE(r.ok()) << r.error();
    ASSERT_EQ((*r).size(), 1u);
    EXPECT_NE((*r)[0].find("vanished.data"), std::string::npos);
    std::ifstream again(project + "/project.plist", std::ios::binary);
    std::string nowBytes((std::istreambuf_iterator<char>(again)), std::istreambuf_iterator<char>());
    EXPECT_EQ(oldBytes, nowBytes);
}
