// Recording in the window over a recorder of the test's own: the panel below the record
// button and its monitoring, the mask and the disabled commands while recording, the
// rows receiving the recording, the close refusal, the stop that inserts one undo step,
// a recording that fails by itself, and the recovery of a recording a crash cut short.
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QToolBar>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "AppTestSupport.h"
#include "actions/WindowActions.h"
#include "bridge/EngineBridge.h"
#include "config/UserConfig.h"
#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"
#include "panels/RecordPanel.h"
#include "record/RecordingFile.h"
#include "shell/Application.h"
#include "support/FakeRecorder.h"
#include "timeline/TimelineView.h"
#include "window/RecordMaskView.h"
#include "window/RecordingStrip.h"
#include "window/SelectionTimeBar.h"
#include "window/ZoomControl.h"

namespace wavomer::app::test {

namespace {

class RecordingInTheWindow : public WindowTest {
protected:
    RecordingInTheWindow() {
        savedOutput_ = UserConfig::share().recordOutputPath;
        savedDevice_ = UserConfig::share().audioDeviceName;
        UserConfig::share().recordOutputPath = scratch_.file("records");
        UserConfig::share().audioDeviceName.reset();
        prepareDocument_ = [this](Document& document) {
            document.setRecorderFactory([this] {
                auto recorder = std::make_unique<wavomer::test::FakeRecorder>();
                recorder->level = 0.25;
                recorder_ = recorder.get();
                return std::unique_ptr<AudioRecorder>(std::move(recorder));
            });
        };
    }
    ~RecordingInTheWindow() override {
        UserConfig::share().recordOutputPath = savedOutput_;
        UserConfig::share().audioDeviceName = savedDevice_;
    }

    // A window over two tracks of a 4 s stereo file, both selected, the cursor at 1 s.
    std::unique_ptr<MainWindow> twoTracks() {
        auto window = openWindow();
        if (!window || !importAndWait(*window, makeWav("tone.wav", 4.0, 0.0, 0.5))) return nullptr;
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get())) return nullptr;
        WaveEditViewController& engine = window->document().engine();
        UserEvent event(engine);
        engine.selectTracks(0, 1);
        engine.updateCurrentTimelineTime(1.0);
        engine.resetSelectedTimelineStartEndTime();
        return window;
    }
    // Opens the panel from the record button and starts recording from its own button.
    bool startRecording(MainWindow& window) {
        QTest::mouseClick(&window.recordButton(), Qt::LeftButton);
        if (!window.recordPanel().isPopoverShown()) return false;
        QTest::mouseClick(&window.recordPanel().popover().recordButton(), Qt::LeftButton);
        return window.document().isRecording();
    }
    // Lets the level timer run until the recorder says `seconds` were recorded and the
    // timeline followed.
    bool recordFor(MainWindow& window, double seconds) {
        recorder_->length = seconds;
        return waitFor([&] {
            const WaveEditViewController& engine = window.document().engine();
            return engine.recordEndTime - engine.recordStartTime >= seconds - 1e-9;
        });
    }

    // The running take's file becomes an hour of a constant, written here in the
    // recorder's place.
    static constexpr double kHour = 3600.0;
    void recordAnHour() {
        recorder_->writeFile = false;
        wavomer::test::writeWav16(recorder_->lastPath, 1, 8000,
                                  std::vector<float>(static_cast<size_t>(kHour * 8000), 0.25f));
        recorder_->length = kHour;
    }
    // Two selected tracks with a running take that has become an hour long, to stop.
    std::unique_ptr<MainWindow> anHourRecordedOnTwoTracks() {
        auto window = twoTracks();
        if (!window || !startRecording(*window) || !recordFor(*window, 0.5)) return nullptr;
        recordAnHour();
        return window;
    }

    wavomer::test::FakeRecorder* recorder_ = nullptr;
    std::string savedOutput_;
    std::optional<std::string> savedDevice_;
};

TEST_F(RecordingInTheWindow, TheRecordButtonOpensThePanelBelowItAndMonitorsUntilItCloses) {
    auto window = twoTracks();
    ASSERT_TRUE(window);
    QToolButton& button = window->recordButton();
    EXPECT_EQ(button.text(), "Audio Record");
    QTest::mouseClick(&button, Qt::LeftButton);
    RecordPanel& panel = window->recordPanel();
    ASSERT_TRUE(panel.isPopoverShown());
    RecordPopover& popover = panel.popover();
    EXPECT_GE(popover.geometry().top(), button.mapToGlobal(QPoint(0, button.height())).y() - 1);
    // Its left edge is the button's, unless that would push it off the screen.
    const QRect screen = button.screen()->availableGeometry();
    EXPECT_NEAR(popover.geometry().left(),
                std::min(button.mapToGlobal(QPoint(0, 0)).x(), screen.right() - popover.width()), 3);
    ASSERT_TRUE(recorder_);
    EXPECT_TRUE(recorder_->started);
    EXPECT_TRUE(recorder_->recordedPaths.empty());
    // Without devices the pop-up offers "None" and "Computer Audio", "None" chosen.
    QComboBox& devices = popover.audioDeviceButton();
    ASSERT_EQ(devices.count(), 2);
    EXPECT_EQ(devices.itemText(1), "Computer Audio");
    EXPECT_EQ(devices.currentText(), "None");
    // Every control is named for assistive technology; the field by its label.
    EXPECT_EQ(devices.accessibleName(), "Input");
    const auto labels = popover.findChildren<QLabel*>();
    ASSERT_FALSE(labels.isEmpty());
    EXPECT_EQ(labels.front()->buddy(), &devices);
    EXPECT_FALSE(popover.recordButton().accessibleName().isEmpty());
    EXPECT_FALSE(popover.audioWaveView().accessibleName().isEmpty());
    // The meter fills from the live level (16 readings make a batch).
    ASSERT_TRUE(waitFor([&] { return panel.controller().audioWaveView.buildInAudioWave.size() == 16; }));
    EXPECT_FLOAT_EQ(panel.controller().audioWaveView.buildInAudioWave[0], 0.5f);
    // While shown, the markers cannot be stepped through.
    EXPECT_TRUE(window->document().bridge().isRecordingPopoverShown());

    popover.hide();
    settle();
    EXPECT_FALSE(recorder_->started);
    EXPECT_FALSE(window->document().isRecording());
}

TEST_F(RecordingInTheWindow, TheOpenPanelIsReachedFromTheApplicationsTreeAndClosesOnEscapeOrAPressOutside) {
    auto window = twoTracks();
    ASSERT_TRUE(window);
    QTest::mouseClick(&window->recordButton(), Qt::LeftButton);
    RecordPanel& panel = window->recordPanel();
    ASSERT_TRUE(panel.isPopoverShown());
    ASSERT_TRUE(waitFor([&] { return panel.controller().audioWaveView.buildInAudioWave.size() == 16; }));
    // As a screen reader walks it: the input list, the meter with the level as its value, Record.
    // (a list box reads as its choice, labelled by "Input:")
    EXPECT_TRUE(accessibleFromApplication("None", QAccessible::ComboBox));
    EXPECT_TRUE(accessibleFromApplication("Input:", QAccessible::StaticText));
    EXPECT_TRUE(accessibleFromApplication("Input level", QAccessible::ProgressBar));
    EXPECT_TRUE(accessibleFromApplication("Record", QAccessible::Button));
    QAccessibleInterface* meter = QAccessible::queryAccessibleInterface(&panel.popover().audioWaveView());
    ASSERT_NE(meter, nullptr);
    EXPECT_EQ(meter->text(QAccessible::Value), "50 %");
    QTest::keyClick(&panel.popover().audioDeviceButton(), Qt::Key_Escape);
    EXPECT_FALSE(panel.isPopoverShown());
    // A press outside closes it and does nothing else.
    QTest::mouseClick(&window->recordButton(), Qt::LeftButton);
    ASSERT_TRUE(panel.isPopoverShown());
    const int tracks = static_cast<int>(window->document().engine().audioTrackArray().size());
    QTest::mouseClick(window->timeline().viewport(), Qt::LeftButton, {}, QPoint(40, 40));
    EXPECT_FALSE(panel.isPopoverShown());
    EXPECT_EQ(static_cast<int>(window->document().engine().audioTrackArray().size()), tracks);
}

TEST_F(RecordingInTheWindow, ChoosingComputerAudioWithoutAMonitorSaysSoAndKeepsTheInput) {
    auto window = twoTracks();
    ASSERT_TRUE(window);
    QTest::mouseClick(&window->recordButton(), Qt::LeftButton);
    QComboBox& devices = window->recordPanel().popover().audioDeviceButton();
    ASSERT_EQ(devices.count(), 2);
    emit devices.activated(1);
    settle();
    ASSERT_EQ(interaction_.told.size(), 1);
    EXPECT_TRUE(interaction_.told[0].contains("monitor"));
    EXPECT_EQ(devices.currentText(), "None");
    EXPECT_EQ(UserConfig::share().audioDeviceName.value_or(""), "None");

    // With the monitor, it is chosen and kept.
    recorder_->computerAudio = wavomer::test::computerAudioDevice();
    emit devices.activated(1);
    EXPECT_EQ(interaction_.told.size(), 1);
    EXPECT_EQ(UserConfig::share().audioDeviceName.value_or(""), "Computer Audio");
    ASSERT_TRUE(recorder_->configured);
    EXPECT_EQ(recorder_->configured->sourceName, "@DEFAULT_MONITOR@");
}

TEST_F(RecordingInTheWindow, WhileRecordingTheMaskSwallowsInputEveryCommandIsOffAndTheWindowStaysOpen) {
    auto window = twoTracks();
    ASSERT_TRUE(window);
    ASSERT_TRUE(startRecording(*window));
    EXPECT_FALSE(window->recordPanel().isPopoverShown());
    RecordMaskView& mask = window->recordMask();
    ASSERT_TRUE(mask.isVisible());
    // The mask lies over the tool area, all but the record button, which reads "Stop Record".
    for (QToolBar* bar : window->findChildren<QToolBar*>()) EXPECT_TRUE(mask.geometry().contains(bar->geometry()));
    QToolButton& button = window->recordButton();
    EXPECT_EQ(button.text(), "Stop Record");
    EXPECT_TRUE(button.isEnabled());
    const QPoint buttonCentre = button.mapTo(window.get(), button.rect().center());
    EXPECT_FALSE(mask.mask().contains(buttonCentre - mask.pos()));
    EXPECT_TRUE(waitFor([&] { return QApplication::focusWidget() == &mask; }));
    for (QAction* action : window->actions().allActions()) EXPECT_FALSE(action->isEnabled()) << action->text().toStdString();

    // Keys and presses on the mask change nothing.
    const size_t stepsBefore = window->document().undo().undoStepCount();
    QTest::keyClick(&mask, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(&mask, Qt::Key_Delete);
    QTest::mouseClick(&mask, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(window->document().undo().undoStepCount(), stepsBefore);
    EXPECT_TRUE(window->document().isRecording());

    // Closing is refused with the message.
    interaction_.questions.clear();
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(interaction_.questions, QStringList{"Finish the recording before close the app."});

    // Stopping from the button lifts the mask and gives the commands back.
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_FALSE(window->document().isRecording());
    EXPECT_FALSE(mask.isVisible());
    EXPECT_EQ(button.text(), "Audio Record");
    settle();
    EXPECT_TRUE(window->actions().action("selectAll")->isEnabled());
    interaction_.saveChanges = [](const QString&) { return Interaction::SaveChanges::discard; };
    EXPECT_TRUE(window->close());
}

TEST_F(RecordingInTheWindow, TheSelectedRowsShowTheRecordingGrowAndTheStopInsertsItAsOneUndoStep) {
    auto window = twoTracks();
    ASSERT_TRUE(window);
    WaveEditViewController& engine = window->document().engine();
    {
        // Only the second track receives the recording.
        UserEvent event(engine);
        engine.selectTracks(1, 1);
    }
    const size_t stepsBefore = window->document().undo().undoStepCount();
    const double widthBefore = engine.contentWidth();
    ASSERT_TRUE(startRecording(*window));
    TimelineView& timeline = window->timeline();
    EXPECT_FALSE(timeline.isRecordUsedTrack(0));
    EXPECT_TRUE(timeline.isRecordUsedTrack(1));
    ASSERT_TRUE(recordFor(*window, 0.5));
    // The cursor follows the recording, and the content reaches past the project by the
    // recorded length and 50 pixels.
    EXPECT_NEAR(engine.currentTimelineTime(), 1.5, 1e-9);
    const double pps = engine.currentPixelPerSecond;
    EXPECT_NEAR(engine.contentWidth(), std::max((4.0 + 0.5 + engine.timeFor50Pixel()) * pps, widthBefore), 1e-6);
    EXPECT_GT(engine.readRecordAudioLevelWithTime(0.1), 0.0f);
    // The wheel zooms the growing recording (one notch away from the user: one step in).
    const float zoom = window->zoomControl().value();
    QWheelEvent notch(QPointF(50, 50), timeline.viewport()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(timeline.viewport(), &notch);
    EXPECT_FLOAT_EQ(window->zoomControl().value(), zoom + 1.0f);
    EXPECT_DOUBLE_EQ(engine.currentPixelPerSecond, WaveEditViewController::pixelPerSecondForZoom(zoom + 1.0f));
    ASSERT_TRUE(window->document().isRecording());

    // Space on the mask stops too; the file's whole length goes on the receiving track.
    recorder_->length = 0.52;
    QTest::keyClick(&window->recordMask(), Qt::Key_Space);
    ASSERT_FALSE(window->document().isRecording());
    ASSERT_TRUE(waitFor([&] { return !window->isImportDialogShown(); }));
    const auto& received = engine.audioTrackArray()[1]->sectionArray();
    ASSERT_EQ(received.size(), 3u);
    EXPECT_NEAR(received[1]->trackStartTime, 1.0, 1e-9);
    EXPECT_NEAR(received[1]->trackEndTime, 1.52, 1e-9);
    EXPECT_NEAR(received[2]->trackEndTime, 4.52, 1e-9);
    // The other track is padded so both end together.
    EXPECT_NEAR(engine.audioTrackArray()[0]->sectionArray().back()->trackEndTime, 4.52, 1e-9);
    EXPECT_EQ(window->document().undo().undoStepCount(), stepsBefore + 1);
    EXPECT_TRUE(window->document().isEdited());
    window->runCommand("undo");
    EXPECT_NEAR(engine.farestTrackEndTime(), 4.0, 1e-9);
    EXPECT_EQ(engine.audioTrackArray()[1]->sectionArray().size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(scratch_.file("records") + "/Record Files/Built-in.wav"));
}

TEST_F(RecordingInTheWindow, AnHourLongTakeIsConvertedOnceBehindTheImportProgressWhileTheWindowGoesOn) {
    auto window = anHourRecordedOnTwoTracks();
    ASSERT_TRUE(window);
    WaveEditViewController& engine = window->document().engine();
    const size_t stepsBefore = window->document().undo().undoStepCount();
    // The main thread's longest pause, from the stop until the take is placed: the
    // largest gap between the ticks of a 5 ms timer.
    QElapsedTimer clock;
    qint64 lastTick = 0;
    qint64 longestStall = 0;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longestStall = std::max(longestStall, now - lastTick);
        lastTick = now;
    });
    clock.start();
    ticker.start();
    QTest::keyClick(&window->recordMask(), Qt::Key_Space);
    const qint64 stopMs = clock.elapsed();
    ASSERT_FALSE(window->document().isRecording());
    EXPECT_TRUE(window->isImportDialogShown());
    EXPECT_TRUE(engine.importInProgress());
    // Until placed, the rows are as they were.
    EXPECT_EQ(engine.audioTrackArray()[0]->sectionArray().size(), 1u);
    ASSERT_TRUE(waitFor([&] { return !engine.importInProgress() && !window->isImportDialogShown(); }));
    ticker.stop();
    const qint64 placingMs = clock.elapsed();
    std::printf("stop %lld ms, longest main-thread stall while placing %lld ms, placed after %lld ms\n",
                static_cast<long long>(stopMs), static_cast<long long>(longestStall), static_cast<long long>(placingMs));
    // Measured against the placing itself rather than a clock, so a busy machine does not
    // decide it: converting on the main thread would stall it for all of the placing
    // (here 9-13 ms stalls against about a second of converting).
    EXPECT_LT(stopMs * 4, placingMs);
    EXPECT_LT(longestStall * 4, placingMs);
    ASSERT_TRUE(interaction_.told.isEmpty()) << interaction_.told.join("; ").toStdString();

    // Both selected tracks play the one converted file from the record start.
    const auto& first = engine.audioTrackArray()[0]->sectionArray();
    const auto& second = engine.audioTrackArray()[1]->sectionArray();
    ASSERT_EQ(first.size(), 3u);
    ASSERT_EQ(second.size(), 3u);
    ASSERT_TRUE(first[1]->audioPath && second[1]->audioPath);
    EXPECT_EQ(*first[1]->audioPath, *second[1]->audioPath);
    EXPECT_NE(*first[1]->audioPath, recorder_->lastPath);
    EXPECT_NEAR(first[1]->trackStartTime, 1.0, 1e-9);
    EXPECT_NEAR(first[1]->trackEndTime, 1.0 + kHour, 1e-6);
    EXPECT_NEAR(engine.audioTrackArray()[1]->readSamplePointAtOffset(44100 * 1800), 0.25f, 1e-3);
    const std::string converted = *first[1]->audioPath;
    EXPECT_EQ(window->document().undo().undoStepCount(), stepsBefore + 1);
    window->runCommand("undo");
    EXPECT_NEAR(engine.farestTrackEndTime(), 4.0, 1e-9);
    EXPECT_EQ(engine.audioTrackArray()[0]->sectionArray().size(), 1u);
    EXPECT_EQ(engine.audioTrackArray()[1]->sectionArray().size(), 1u);
    std::filesystem::remove(converted);
}

TEST_F(RecordingInTheWindow, CancellingThePlacingOfATakeLeavesTheTimelineKeepsTheFileAndSaysWhere) {
    auto window = anHourRecordedOnTwoTracks();
    ASSERT_TRUE(window);
    WaveEditViewController& engine = window->document().engine();
    const size_t stepsBefore = window->document().undo().undoStepCount();
    QTest::keyClick(&window->recordMask(), Qt::Key_Space);
    ASSERT_TRUE(window->isImportDialogShown());
    QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape);
    ASSERT_TRUE(waitFor([&] { return !engine.importInProgress(); }));
    EXPECT_FALSE(window->isImportDialogShown());
    ASSERT_EQ(interaction_.told.size(), 1);
    EXPECT_TRUE(interaction_.told[0].contains("Record Files"));
    EXPECT_EQ(window->document().undo().undoStepCount(), stepsBefore);
    EXPECT_NEAR(engine.farestTrackEndTime(), 4.0, 1e-9);
    for (const auto& track : engine.audioTrackArray()) EXPECT_EQ(track->sectionArray().size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(recorder_->lastPath));
    // A new take can start again.
    QTest::mouseClick(&window->recordButton(), Qt::LeftButton);
    EXPECT_TRUE(window->recordPanel().isPopoverShown());
}

TEST_F(RecordingInTheWindow, ATakeShowsItsTimeAndLevelInPlaceOfTheTimeBarUntilItStops) {
    auto window = twoTracks();
    ASSERT_TRUE(window);
    ASSERT_TRUE(window->timeBar().isVisible());
    ASSERT_TRUE(startRecording(*window));
    RecordingStrip& strip = window->recordingStrip();
    EXPECT_TRUE(strip.isVisible());
    EXPECT_FALSE(window->timeBar().isVisible());  // no typing into the times under a take
    // On screen below the veiled toolbars, not under the veil.
    EXPECT_FALSE(window->recordMask().geometry().intersects(QRect(strip.mapTo(window.get(), QPoint()), strip.size())));
    ASSERT_TRUE(recordFor(*window, 1.25));
    ASSERT_TRUE(waitFor([&] { return strip.elapsedText() == QStringLiteral("00:00:01.2"); }));
    EXPECT_NEAR(strip.meter().levelDb(), -12.04, 0.01);  // the fake input's level, 0.25
    EXPECT_FALSE(strip.meter().clipped());
    recorder_->level = 1.0;
    ASSERT_TRUE(waitFor([&] { return strip.meter().clipped(); }));
    recorder_->level = 0.1;
    QTest::qWait(50);
    EXPECT_TRUE(strip.meter().clipped()) << "the clip mark stays lit for the take";
    // Assistive tools read the take's state as the strip's value.
    QAccessibleInterface* read = QAccessible::queryAccessibleInterface(&strip);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->text(QAccessible::Name), QStringLiteral("Recording"));
    EXPECT_TRUE(read->text(QAccessible::Value).startsWith(QStringLiteral("00:00:01.2, level ")))
        << read->text(QAccessible::Value).toStdString();
    EXPECT_TRUE(read->text(QAccessible::Value).endsWith(QStringLiteral("clipped")));
    QTest::keyClick(&window->recordMask(), Qt::Key_Space);
    ASSERT_FALSE(window->document().isRecording());
    EXPECT_FALSE(strip.isVisible());
    EXPECT_TRUE(window->timeBar().isVisible());
}

TEST_F(RecordingInTheWindow, ARecordingThatFailsByItselfKeepsWhatWasRecordedAndSaysWhy) {
    auto window = twoTracks();
    ASSERT_TRUE(window);
    ASSERT_TRUE(startRecording(*window));
    ASSERT_TRUE(recordFor(*window, 0.3));
    // The recorder's thread reports the full disk.
    recorder_->delegate->audioRecorderDidFail("the disk is full");
    WaveEditViewController& engine = window->document().engine();
    ASSERT_TRUE(waitFor([&] { return !window->document().isRecording() && !engine.importInProgress(); }));
    EXPECT_FALSE(window->recordMask().isVisible());
    ASSERT_EQ(interaction_.told.size(), 1);
    EXPECT_TRUE(interaction_.told[0].contains("the disk is full"));
    EXPECT_NEAR(engine.audioTrackArray()[0]->sectionArray()[1]->trackEndTime, 1.3, 1e-9);
}

TEST_F(RecordingInTheWindow, ARecordingACrashCutShortIsRepairedAndOfferedAtTheNextStart) {
    const std::string folder = scratch_.file("records") + "/Record Files";
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/Built-in.wav";
    {
        // What a kill leaves: a header that still says no data, 1.5 s of frames after it,
        // and the marker.
        RecordingFileWriter writer;
        writer.begin(path, 2);
        std::vector<float> frames(44100 * 3, 0.25f);
        writer.append(frames.data(), 44100 + 22050);
        ASSERT_TRUE(writer.finish().ok());
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(4);
        const char zero[4] = {0, 0, 0, 0};
        file.write(zero, 4);
        std::ofstream(recordingMarkerPath(path)) << "recording\n";
    }
    ASSERT_EQ(findUnfinishedRecordings(folder).size(), 1u);
    auto window = openWindow();
    ASSERT_TRUE(window);
    QStringList asked;
    interaction_.answer = [&](const Question& question) {
        asked << question.text;
        return 0;
    };
    Application app(interaction_, OutputDevice::Silent);
    EXPECT_EQ(app.offerUnfinishedRecordings(window.get()), 1);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].contains("Built-in.wav"));
    EXPECT_TRUE(asked[0].contains("1.5"));
    WaveEditViewController& engine = window->document().engine();
    ASSERT_TRUE(waitFor([&] { return engine.farestTrackEndTime() > 0.0 && !engine.importInProgress(); }));
    EXPECT_NEAR(engine.farestTrackEndTime(), 1.5, 1e-3);
    EXPECT_TRUE(findUnfinishedRecordings(folder).empty());
    // Offered once only.
    EXPECT_EQ(app.offerUnfinishedRecordings(window.get()), 0);
    EXPECT_EQ(asked.size(), 1);
}

TEST_F(RecordingInTheWindow, ComputerAudioRecordsTheToneTheComputerPlaysOntoTheSelectedTrack) {
    // The real recorder on the sound server the test command starts (a null sink and its
    // monitor).
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER")) GTEST_SKIP() << "no private sound server";
    prepareDocument_ = nullptr;
    auto window = twoTracks();
    ASSERT_TRUE(window);
    WaveEditViewController& engine = window->document().engine();
    {
        UserEvent event(engine);
        engine.selectTracks(0, 0);
    }
    QTest::mouseClick(&window->recordButton(), Qt::LeftButton);
    RecordPanel& panel = window->recordPanel();
    ASSERT_TRUE(waitFor([&] { return panel.controller().hasComputerAudioDevice(); }));
    QComboBox& devices = panel.popover().audioDeviceButton();
    const int computer = devices.findText("Computer Audio");
    ASSERT_GE(computer, 0);
    emit devices.activated(computer);
    ASSERT_EQ(panel.controller().selectedDeviceName(), "Computer Audio");

    const std::string tone = scratch_.file("tone-1k.wav");
    wavomer::test::writeStereoSineWav(tone, 10.0, 1000.0, 0.5f);
    QProcess player;
    player.start(QStringLiteral("paplay"), {QString::fromStdString(tone)});
    ASSERT_TRUE(player.waitForStarted(5000)) << "paplay could not be started";
    ASSERT_TRUE(waitFor([&] { return panel.recorder().audioLevel() > 0.1; })) << "the monitor stays silent";
    QTest::mouseClick(&panel.popover().recordButton(), Qt::LeftButton);
    ASSERT_TRUE(window->document().isRecording());
    ASSERT_TRUE(waitFor([&] { return engine.recordEndTime - engine.recordStartTime >= 2.0; }));
    QTest::mouseClick(&window->recordButton(), Qt::LeftButton);
    player.kill();
    player.waitForFinished(2000);
    ASSERT_FALSE(window->document().isRecording());
    ASSERT_TRUE(waitFor([&] { return !window->isImportDialogShown(); }));
    ASSERT_TRUE(interaction_.told.isEmpty()) << interaction_.told.join("; ").toStdString();

    const auto& sections = engine.audioTrackArray()[0]->sectionArray();
    ASSERT_EQ(sections.size(), 3u);
    const SectionPtr recorded = sections[1];
    EXPECT_NEAR(recorded->trackStartTime, 1.0, 1e-9);
    EXPECT_GE(recorded->trackEndTime - recorded->trackStartTime, 2.0);
    // One second from the middle of the inserted recording, read through the track.
    std::vector<float> heard;
    const auto first = static_cast<int64_t>((recorded->trackStartTime + 0.5) * 44100);
    for (int64_t k = 0; k < 44100; ++k) heard.push_back(engine.audioTrackArray()[0]->readSamplePointAtOffset(first + k));
    using wavomer::test::powerAt;
    const double atTone = powerAt(heard, 1000.0);
    EXPECT_GT(atTone, 100.0 * powerAt(heard, 3000.0));
    EXPECT_GT(atTone, 100.0 * powerAt(heard, 1500.0));
    EXPECT_GT(atTone, 100.0 * powerAt(heard, 440.0));
    // The track that did not receive it is padded with silence to the same end.
    EXPECT_NEAR(engine.audioTrackArray()[1]->sectionArray().back()->trackEndTime, recorded->trackEndTime + 3.0, 1e-6);
}

}  // namespace

}  // namespace wavomer::app::test
