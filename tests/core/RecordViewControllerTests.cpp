// The recording panel's logic over a recorder of the test's own: the device list and
// the reconciliation of the saved device, monitoring while the panel is shown, the
// level meter and the timeline's live preview on each tick, and where recordings go.
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>

#include "config/UserConfig.h"
#include "record/AudioWaveMeter.h"
#include "record/RecordViewController.h"
#include "support/EngineFixture.h"
#include "support/FakeRecorder.h"
#include "util/Log.h"

namespace wavomer {
namespace {

using test::computerAudioDevice;
using test::FakeRecordHost;
using test::microphone;

class RecordPanelTest : public test::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        config = std::make_unique<UserConfig>(dir.file("user.config"));
        config->recordOutputPath = dir.path();
        panelHost = std::make_unique<FakeRecordHost>(host);
        panel = std::make_unique<RecordViewController>(recorder, *engine, *config, *panelHost);
    }
    void TearDown() override {
        panel.reset();
        EngineTest::TearDown();
    }
    std::string saved() const { return config->audioDeviceName.value_or("<unset>"); }

    test::FakeRecorder recorder;
    std::unique_ptr<UserConfig> config;
    std::unique_ptr<FakeRecordHost> panelHost;
    std::unique_ptr<RecordViewController> panel;
};

TEST_F(RecordPanelTest, TheListOffersNoneWithoutDevicesAndComputerAudioAlwaysLast) {
    EXPECT_EQ(panel->deviceTitles(), (std::vector<std::string>{"None", "Computer Audio"}));
    recorder.devices = {microphone("Mic A"), microphone("Mic B")};
    EXPECT_EQ(panel->deviceTitles(), (std::vector<std::string>{"Mic A", "Mic B", "Computer Audio"}));
}

TEST_F(RecordPanelTest, ASavedDeviceThatIsNoLongerListedGivesWayToTheFirstAndThatIsSaved) {
    recorder.devices = {microphone("Mic A"), microphone("Mic B")};
    config->audioDeviceName = "USB Headset";
    panel->showPopover();
    EXPECT_EQ(panel->selectedDeviceName(), "Mic A");
    EXPECT_EQ(saved(), "Mic A");
    ASSERT_TRUE(recorder.configured);
    EXPECT_EQ(*recorder.configured, microphone("Mic A"));

    // A listed one is kept as it is.
    panel->closePopoverWithoutRecord();
    config->audioDeviceName = "Mic B";
    panel->showPopover();
    EXPECT_EQ(panel->selectedDeviceName(), "Mic B");
    EXPECT_EQ(*recorder.configured, microphone("Mic B"));
}

TEST_F(RecordPanelTest, SavedComputerAudioWithoutAMonitorFallsBackToTheFirstEntry) {
    config->audioDeviceName = "Computer Audio";
    panel->showPopover();
    EXPECT_EQ(panel->selectedDeviceName(), "None");
    EXPECT_EQ(saved(), "None");
    // "None" configures the pseudo-entry that holds only its name.
    ASSERT_TRUE(recorder.configured);
    EXPECT_EQ(recorder.configured->DeviceName, "None");
    EXPECT_TRUE(recorder.configured->sourceName.empty());

    panel->closePopoverWithoutRecord();
    config->audioDeviceName = "Computer Audio";
    recorder.devices = {microphone("Mic A")};
    panel->showPopover();
    EXPECT_EQ(panel->selectedDeviceName(), "Mic A");
    EXPECT_EQ(saved(), "Mic A");

    // With the monitor there, computer audio is chosen and the recorder gets the monitor.
    panel->closePopoverWithoutRecord();
    config->audioDeviceName = "Computer Audio";
    recorder.computerAudio = computerAudioDevice();
    panel->showPopover();
    EXPECT_EQ(panel->selectedDeviceName(), "Computer Audio");
    EXPECT_EQ(*recorder.configured, computerAudioDevice());
}

TEST_F(RecordPanelTest, SavedNoneGivesWayToTheFirstRealDevice) {
    config->audioDeviceName = "None";
    recorder.devices = {microphone("Mic A")};
    panel->showPopover();
    EXPECT_EQ(panel->selectedDeviceName(), "Mic A");
    EXPECT_EQ(saved(), "Mic A");
}

TEST_F(RecordPanelTest, TheChosenDeviceComesBackWhenTheServerListsItLate) {
    // The list is empty while the server has not answered yet.
    config->audioDeviceName = "Mic B";
    panel->showPopover();
    EXPECT_EQ(panel->selectedDeviceName(), "None");
    recorder.devices = {microphone("Mic A"), microphone("Mic B")};
    panel->devicesChanged();
    EXPECT_EQ(panel->selectedDeviceName(), "Mic B");
    EXPECT_EQ(saved(), "Mic B");
    EXPECT_EQ(*recorder.configured, microphone("Mic B"));

    // A device unplugged while the panel is shown is replaced at once.
    recorder.devices = {microphone("Mic A")};
    panel->devicesChanged();
    EXPECT_EQ(panel->selectedDeviceName(), "Mic A");
}

TEST_F(RecordPanelTest, ChoosingComputerAudioWithoutAMonitorKeepsThePreviousDeviceAndSaysSo) {
    recorder.devices = {microphone("Mic A"), microphone("Mic B")};
    config->audioDeviceName = "Mic B";
    panel->showPopover();
    panel->selectAudioDevice("Computer Audio");
    EXPECT_EQ(panelHost->missingMessages, 1);
    EXPECT_EQ(panel->selectedDeviceName(), "Mic B");
    EXPECT_EQ(saved(), "Mic B");
    EXPECT_EQ(*recorder.configured, microphone("Mic B"));

    panel->selectAudioDevice("Mic A");
    EXPECT_EQ(saved(), "Mic A");
    EXPECT_EQ(*recorder.configured, microphone("Mic A"));
    EXPECT_EQ(panelHost->missingMessages, 1);
}

TEST_F(RecordPanelTest, ThePanelMonitorsWhileShownAndClosingWithoutRecordingEndsIt) {
    panel->showPopover();
    EXPECT_TRUE(recorder.started);
    EXPECT_TRUE(panelHost->timerRunning);
    EXPECT_TRUE(recorder.recordedPaths.empty());  // monitoring writes no file
    panel->closePopoverWithoutRecord();
    EXPECT_FALSE(recorder.started);
    EXPECT_FALSE(panelHost->timerRunning);

    // While recording, closing the panel changes nothing.
    panel->showPopover();
    panel->startOrStop();
    panel->closePopoverWithoutRecord();
    EXPECT_TRUE(recorder.started);
    EXPECT_TRUE(panelHost->timerRunning);
}

TEST_F(RecordPanelTest, TheMeterShowsABatchOnlyOnceSixteenReadingsCame) {
    panel->showPopover();
    recorder.level = 0.25;  // shown as its square root
    for (int i = 0; i < 15; ++i) panel->flushAudioRecordState();
    EXPECT_TRUE(panel->audioWaveView.buildInAudioWave.empty());
    EXPECT_EQ(panelHost->meterRedraws, 0);
    panel->flushAudioRecordState();
    ASSERT_EQ(panel->audioWaveView.buildInAudioWave.size(), 16u);
    EXPECT_FLOAT_EQ(panel->audioWaveView.buildInAudioWave[15], 0.5f);
    EXPECT_EQ(panelHost->meterRedraws, 1);
    recorder.level = 1.0;
    for (int i = 0; i < 15; ++i) panel->flushAudioRecordState();
    EXPECT_FLOAT_EQ(panel->audioWaveView.buildInAudioWave[0], 0.5f);  // still the previous batch
    panel->flushAudioRecordState();
    EXPECT_FLOAT_EQ(panel->audioWaveView.buildInAudioWave[0], 1.0f);
}

TEST_F(RecordPanelTest, TheTimelineGrowsOnEveryFifthTickOfARecordingNotOnTheFirst) {
    lay(0, {audio(source("a.data", 4.0), 0.0, 4.0, 0.0)});
    event([&] { engine->updateCurrentTimelineTime(1.0); });
    panel->showPopover();
    for (int i = 0; i < 3; ++i) panel->flushAudioRecordState();  // monitoring: nothing grows
    EXPECT_DOUBLE_EQ(engine->recordEndTime, 0.0);
    panel->startOrStop();
    EXPECT_EQ(panelHost->masked, 1);
    EXPECT_TRUE(host.recording);
    EXPECT_DOUBLE_EQ(engine->recordStartTime, 1.0);
    std::vector<int> grewOn;
    double lastEnd = engine->recordEndTime;
    for (int tick = 1; tick <= 16; ++tick) {
        recorder.length = tick * 0.01;
        recorder.level = 0.3;
        panel->flushAudioRecordState();
        if (engine->recordEndTime != lastEnd) grewOn.push_back(tick);
        lastEnd = engine->recordEndTime;
    }
    EXPECT_EQ(grewOn, (std::vector<int>{5, 10, 15}));
    EXPECT_NEAR(engine->recordEndTime, 1.15, 1e-12);
    EXPECT_NEAR(engine->currentTimelineTime(), 1.15, 1e-12);  // the cursor follows
    // Levels at 200 a second, the raw level (not the meter's square root).
    EXPECT_FLOAT_EQ(engine->readRecordAudioLevelWithTime(0.05), 0.3f);
    EXPECT_EQ(panel->timerDrawWave, 16);

    // Starting again while recording does nothing.
    const size_t paths = recorder.recordedPaths.size();
    panel->startOrStop();
    EXPECT_EQ(panelHost->masked, 1);
    EXPECT_EQ(recorder.recordedPaths.size(), paths);
}

TEST_F(RecordPanelTest, RecordingsGoToRecordFilesAndASecondOneGetsANumber) {
    setLogEnabled(false);
    for (int i = 0; i < 2; ++i) {
        panel->showPopover();
        panel->startOrStop();
        recorder.length = 0.5;
        // No media engine here: the recording cannot be read back, so the timeline
        // stays as it was and the file stays where it is.
        std::optional<Outcome<bool>> stopped;
        panel->stopRecord([&](Outcome<bool> outcome) { stopped = outcome; });
        EXPECT_TRUE(panel->isPlacingRecording());
        ASSERT_TRUE(scheduler.waitForPosted());
        scheduler.runAll();
        ASSERT_TRUE(stopped);
        EXPECT_FALSE(stopped->ok());
        EXPECT_FALSE(panel->isPlacingRecording());
        EXPECT_FALSE(host.recording);
        EXPECT_FALSE(panelHost->timerRunning);
        EXPECT_EQ(panel->timerDrawWave, 0);
        EXPECT_EQ(engine->audioTrackArray()[0]->sectionArray().size(), 0u);
        EXPECT_FALSE(undo.canUndo());
        EXPECT_FALSE(engine->isDocumentEdited());
    }
    setLogEnabled(true);
    const std::string folder = dir.path() + "/Record Files";
    ASSERT_EQ(recorder.recordedPaths.size(), 2u);
    EXPECT_EQ(recorder.recordedPaths[0], folder + "/Built-in.wav");
    EXPECT_EQ(recorder.recordedPaths[1], folder + "/Built-in1.wav");
    EXPECT_TRUE(std::filesystem::exists(folder + "/Built-in1.wav"));
}

TEST_F(RecordPanelTest, AStopRightAfterTheStartPutsNoEmptySectionOnTheTimeline) {
    lay(0, {audio(source("a.data", 2.0), 0.0, 2.0, 0.0)});
    panel->showPopover();
    panel->startOrStop();
    recorder.length = 0.0;
    std::optional<Outcome<bool>> stopped;
    panel->stopRecord([&](Outcome<bool> outcome) { stopped = outcome; });
    ASSERT_TRUE(stopped && stopped->ok());
    EXPECT_FALSE(**stopped);
    EXPECT_EQ(engine->audioTrackArray()[0]->sectionArray().size(), 1u);
    EXPECT_FALSE(undo.canUndo());
}

TEST_F(RecordPanelTest, ARecordingThatFailsStopsUnmasksAndSaysWhy) {
    setLogEnabled(false);
    panel->showPopover();
    panel->startOrStop();
    recorder.length = 0.3;
    panel->recordingFailed("The disk is full.");
    EXPECT_FALSE(host.recording);
    EXPECT_FALSE(recorder.started);
    EXPECT_EQ(panelHost->unmasked, 1);
    // No second recording starts while the first is converted for placing.
    panel->startOrStop();
    EXPECT_EQ(panelHost->masked, 1);
    ASSERT_TRUE(scheduler.waitForPosted());
    scheduler.runAll();
    setLogEnabled(true);
    EXPECT_EQ(panelHost->stoppedBecause.rfind("The disk is full.", 0), 0u);
    // These tests decode nothing, so the recording cannot be placed: it is kept and named.
    EXPECT_EQ(panelHost->stopResult, RecordingStop::Result::KeptInFile);
    EXPECT_EQ(panelHost->keptFile, recorder.lastPath);
    EXPECT_TRUE(std::filesystem::exists(recorder.lastPath));
    // Once stopped, later news of the same failure is ignored.
    panel->recordingFailed("The disk is full.");
    EXPECT_EQ(panelHost->unmasked, 1);
}

TEST_F(RecordPanelTest, ARecordingWhoseFolderCannotBeMadeRecordsNothingAndNamesTheFolder) {
    setLogEnabled(false);
    const std::string blocker = dir.file("not-a-folder");
    std::ofstream(blocker) << "x";
    config->recordOutputPath = blocker;
    panel->showPopover();
    panel->startOrStop();
    setLogEnabled(true);
    EXPECT_FALSE(host.recording);
    EXPECT_FALSE(recorder.started);
    EXPECT_EQ(panelHost->unmasked, 1);
    EXPECT_EQ(panelHost->stopResult, RecordingStop::Result::NothingRecorded);
    EXPECT_NE(panelHost->stoppedBecause.find(blocker + "/Record Files"), std::string::npos) << panelHost->stoppedBecause;
    EXPECT_NE(panelHost->stoppedBecause.find(std::strerror(ENOTDIR)), std::string::npos) << panelHost->stoppedBecause;
}

TEST(AudioWaveMeterTest, AHeldPeakShowsAsTheMeanForFiveDrawingsAndDropsOnTheSixth) {
    AudioWaveMeter meter;
    auto batch = [&](float first) {
        for (int i = 0; i < 16; ++i) meter.appendBuildInAudioWave(i == 0 ? first : 0.0f);
    };
    batch(0.75f);  // 12 cells
    EXPECT_FLOAT_EQ(meter.drawColumns()[0], 12.0f);
    batch(0.25f);  // 4 cells, below the held 12
    for (int drawing = 1; drawing <= 5; ++drawing) EXPECT_FLOAT_EQ(meter.drawColumns()[0], 8.0f) << drawing;
    EXPECT_FLOAT_EQ(meter.drawColumns()[0], 4.0f);  // the sixth drops the peak
    EXPECT_FLOAT_EQ(meter.drawColumns()[0], 4.0f);
    // A missing batch reads as silence; a reading above full scale fills the column.
    AudioWaveMeter empty;
    EXPECT_FLOAT_EQ(empty.drawColumns()[3], 0.0f);
    batch(2.0f);
    meter.heldHeight.fill(0.0f);
    EXPECT_FLOAT_EQ(meter.drawColumns()[0], 16.0f);
}

TEST(AudioWaveMeterTest, ColumnsAreLaidOutTwiceAcrossTheView) {
    EXPECT_DOUBLE_EQ(AudioWaveMeter::columnWidth(330.0), 8.0);
    EXPECT_DOUBLE_EQ(AudioWaveMeter::columnX(0, 330.0), 2.0);
    EXPECT_DOUBLE_EQ(AudioWaveMeter::columnX(15, 330.0), 152.0);
    EXPECT_DOUBLE_EQ(AudioWaveMeter::mirroredColumnX(0, 330.0), 167.0);
    EXPECT_LE(AudioWaveMeter::mirroredColumnX(15, 330.0) + AudioWaveMeter::columnWidth(330.0), 330.0);
}

}  // namespace
}  // namespace wavomer
