// RecordViewController: the recording panel's logic, without its widgets. It keeps the
// device list (the recorder's devices, "None" when there is none, and "Computer Audio"
// always last), reconciles the saved device with it, monitors the chosen device while
// the panel is shown, feeds the level meter and, while recording, the engine's live
// preview on every 0.01 s tick, and at the stop hands the recorded file to the engine,
// which converts it on an import thread and then inserts it at the record start on
// every selected track as one undo step.
//
// The window implements RecordViewHost: its recording flag, the mask, the level timer,
// and the messages. The pop-up shows deviceTitles() with selectedDeviceName() chosen.
//
// Threads: main thread only. The recorder's news (devicesChanged, recordingFailed)
// must be handed to the main thread by the caller.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "record/AudioRecorder.h"
#include "record/AudioWaveMeter.h"
#include "util/Outcome.h"

namespace wavomer {

class UserConfig;
class WaveEditViewController;

// How a recording that ended by itself ended.
struct RecordingStop {
    enum class Result {
        Placed,           // what was recorded until then is on the timeline
        NothingRecorded,  // nothing was recorded (it never started, or stopped at once)
        KeptInFile,       // recorded, but not placed: the file is kept and can be imported
    };
    Result result = Result::NothingRecorded;
    std::string reason;        // why the recording stopped
    std::string keptFile;      // KeptInFile: the recorded file
    std::string placeFailure;  // KeptInFile: why it could not be placed
};

class RecordViewHost {
public:
    virtual ~RecordViewHost() = default;
    // The main window's recording state.
    virtual bool isRecording() const = 0;
    virtual void setIsRecording(bool recording) = 0;
    // Closes the panel, masks the window and shows "Stop Record".
    virtual void doSomethingWhenStartRecordAction() = 0;
    // Removes the mask and shows "Audio Record" again.
    virtual void doSomethingWhenStopRecordAction() = 0;
    // The recorder has started writing into file, for the engine's recordStartTime.
    virtual void recordingStartedInto(const std::string& file) {}
    // The repeating 0.01 s timer that calls flushAudioRecordState.
    virtual void startLevelTimer() = 0;
    virtual void stopLevelTimer() = 0;
    // The pop-up re-reads the titles and the selection.
    virtual void audioInputDevicesChanged() {}
    virtual void meterChanged() {}
    // Each level tick of a take: the input's peak over the last 10 ms (0 to 1) and the
    // seconds recorded so far.
    virtual void recordingProgress(double /*level*/, double /*recordedSeconds*/) {}
    // "Computer Audio" was chosen but the sound server has no monitor of its output.
    virtual void computerAudioMissing() {}
    // A recording ended by itself (a device, the server or the disk failed).
    virtual void recordingStoppedBecause(const RecordingStop& stop) {}
};

struct RecordTexts {
    std::string none = "None";
    std::string computerAudio = "Computer Audio";
};

// Where recordings go: the folder "Record Files" inside the user's output folder.
std::string recordFilesFolder(const UserConfig& config);

class RecordViewController {
public:
    static constexpr double kTimerSeconds = 0.01;
    static constexpr int64_t kDurationTicks = 5;  // the timeline grows every fifth tick

    RecordViewController(AudioRecorder& recorder, WaveEditViewController& engine, UserConfig& config,
                         RecordViewHost& host, RecordTexts texts = {});

    // From the main window.
    void showPopover();
    void closePopoverWithoutRecord();
    // Stops the recorder and places what it recorded behind the import progress (the
    // engine's placeRecordingInBackground), returning at once. done runs on the main
    // thread with whether anything was placed, or why the recording could not be (the
    // timeline is then as before and the recorded file stays); with nothing recorded,
    // before stopRecord returns.
    void stopRecord(std::function<void(Outcome<bool>)> done = nullptr);
    // A stopped recording is being converted and placed: no new one starts until then.
    bool isPlacingRecording() const { return placing_; }
    // The panel's controls.
    void selectAudioDevice(const std::string& title);
    void startOrStop();
    // The level timer's tick.
    void flushAudioRecordState();
    // The recorder's news, on the main thread.
    void devicesChanged();
    void recordingFailed(const std::string& message);

    // The device list: the recorder's devices, "None" when it has none, then "Computer Audio".
    std::vector<RecordDevice> audioInputDevices() const;
    std::vector<std::string> deviceTitles() const;
    const std::string& selectedDeviceName() const { return selectedDeviceName_; }
    bool hasComputerAudioDevice() const;
    bool isRecordStart() const;
    bool isPopoverShown() const { return popoverShown_; }
    const RecordTexts& texts() const { return texts_; }

    void checkIfSelectComputerAudioAndNotExist();
    void selectAudioButton(const std::string& name);
    void configAudioRecorder(const std::string& name);
    void startRecord();
    void startTimer();
    void stopTimer();

    AudioWaveMeter audioWaveView;
    bool isdoRecording = false;
    int64_t timerDrawWave = 0;

private:
    std::string savedName() const;
    void saveName(const std::string& name);
    // Whether the device of that name can be chosen now: listed, or the computer's
    // audio when the server has its monitor.
    bool isAvailable(const std::string& name) const;

    AudioRecorder& audioRecorder_;
    WaveEditViewController& engine_;
    std::string recordingPath_;  // the file of the running recording; empty when none could start
    UserConfig& config_;
    RecordViewHost& host_;
    RecordTexts texts_;
    std::string selectedDeviceName_;
    // The device the user chose, while a fallback stands in for it because the
    // recorder does not list it (yet): it comes back when it appears.
    std::optional<std::string> awaitedName_;
    bool popoverShown_ = false;
    bool placing_ = false;
    // Gone with the controller: a placing that ends later calls nothing of it.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace wavomer
