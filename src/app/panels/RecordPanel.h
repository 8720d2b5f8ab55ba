// The recording panel: a popup below the record button with the input device, the live
// level meter and the button that starts a recording. RecordPanel owns the recorder
// (made on the first use, so a window that never records never talks to the sound
// server for it) and the panel's logic, drives the 0.01 s level timer, and hands the
// recorder's news from its threads to the main thread.
//
// Threads: main thread; the recorder's delegate calls arrive on its threads and are
// queued to this object.
#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

#include "record/AudioRecorder.h"
#include "panels/RecordPopover.h"
#include "record/RecordViewController.h"

class QComboBox;
class QPushButton;

namespace wavomer {
class UserConfig;
class WaveEditViewController;
}  // namespace wavomer

namespace wavomer::app {

class Document;
class EngineBridge;
class Interaction;
struct WindowContext;

class RecordPanel : public QObject, public RecordViewHost, public AudioRecorderDelegate {
    Q_OBJECT
public:
    // The recorder is the document's (made on the first use); failures are told
    // through the context's interaction, over its window.
    RecordPanel(const WindowContext& context, UserConfig& config);
    ~RecordPanel() override;

    // The record button without a recording: monitors and shows the popup below anchor.
    void showBelow(QWidget* anchor);
    // The record button while recording: stops and inserts (failures are shown).
    void stopRecord();
    bool isPopoverShown() const;
    bool isRecording() const override;
    RecordPopover& popover();
    RecordViewController& controller();
    AudioRecorder& recorder();

    // The window's side of starting and stopping (the mask, the button).
    std::function<void()> startRecordAction;
    std::function<void()> stopRecordAction;
    // The recording's file once the recorder writes into it.
    std::function<void(const std::string& file)> recordingStartedAction;

    // RecordViewHost
    void setIsRecording(bool recording) override;
    void doSomethingWhenStartRecordAction() override;
    void doSomethingWhenStopRecordAction() override;
    void startLevelTimer() override { timer_.start(); }
    void stopLevelTimer() override { timer_.stop(); }
    void audioInputDevicesChanged() override;
    void meterChanged() override;
    void recordingProgress(double level, double recordedSeconds) override {
        emit recordingProgressed(level, recordedSeconds);
    }
    void computerAudioMissing() override;
    void recordingStoppedBecause(const RecordingStop& stop) override;
    void recordingStartedInto(const std::string& file) override {
        if (recordingStartedAction) recordingStartedAction(file);
    }

    // AudioRecorderDelegate (the recorder's threads)
    void audioRecorderDevicesChanged() override;
    void audioRecorderDidFail(const std::string& message) override;

signals:
    void recordingChanged();
    // Each 10 ms tick of a take: the input's peak (0 to 1) and the seconds recorded.
    void recordingProgressed(double level, double recordedSeconds);

private:
    void ensureRecorder();

    Document& document_;
    WaveEditViewController& engine_;
    EngineBridge& bridge_;
    Interaction& interaction_;
    UserConfig& config_;
    QPointer<QWidget> window_;
    QTimer timer_;
    QPointer<RecordPopover> popover_;
    std::unique_ptr<AudioRecorder> recorder_;
    std::unique_ptr<RecordViewController> controller_;
    bool fillingDevices_ = false;
};

}  // namespace wavomer::app
