#include "record/RecordViewController.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "config/UserConfig.h"
#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"
#include "util/Log.h"
#include "util/PathUtil.h"
#include "util/StandardPaths.h"

namespace wavomer {

namespace fs = std::filesystem;

RecordViewController::RecordViewController(AudioRecorder& recorder, WaveEditViewController& engine,
                                           UserConfig& config, RecordViewHost& host, RecordTexts texts)
    : audioRecorder_(recorder), engine_(engine), config_(config), host_(host), texts_(std::move(texts)) {}

std::vector<RecordDevice> RecordViewController::audioInputDevices() const {
    std::vector<RecordDevice> list = audioRecorder_.audioInputDevices();
    if (list.empty()) list.push_back(RecordDevice{texts_.none, {}, 2});
    list.push_back(RecordDevice{texts_.computerAudio, {}, 2});
    return list;
}

std::vector<std::string> RecordViewController::deviceTitles() const {
    std::vector<std::string> titles;
    for (const RecordDevice& device : audioInputDevices()) titles.push_back(device.DeviceName);
    return titles;
}

bool RecordViewController::hasComputerAudioDevice() const {
    return audioRecorder_.computerAudioInputDevice().has_value();
}

bool RecordViewController::isRecordStart() const { return audioRecorder_.isStart(); }

std::string RecordViewController::savedName() const { return config_.audioDeviceName.value_or(std::string()); }

void RecordViewController::saveName(const std::string& name) {
    if (config_.audioDeviceName == name) return;
    config_.audioDeviceName = name;
    if (const Outcome<> saved = config_.save(); !saved)
        logLine("record: the chosen input could not be kept: %s", saved.failure().message().c_str());
}

bool RecordViewController::isAvailable(const std::string& name) const {
    if (name == texts_.computerAudio) return hasComputerAudioDevice();
    const std::vector<std::string> titles = deviceTitles();
    return std::find(titles.begin(), titles.end(), name) != titles.end();
}

void RecordViewController::checkIfSelectComputerAudioAndNotExist() {
    host_.audioInputDevicesChanged();
    // A device the user chose that has come (back) since a fallback took its place.
    if (awaitedName_ && isAvailable(*awaitedName_)) {
        saveName(*awaitedName_);
        awaitedName_.reset();
    }
    const std::string name = savedName();
    if (isAvailable(name)) {
        selectAudioButton(name);
        return;
    }
    // The saved device is gone (or was "None", or is the missing computer audio): the
    // first entry stands in and is saved, and the chosen one is awaited.
    if (!name.empty() && name != texts_.none && !awaitedName_) awaitedName_ = name;
    const std::string first = deviceTitles().front();
    selectAudioButton(first);
    saveName(first);
}

void RecordViewController::selectAudioButton(const std::string& name) {
    const std::vector<std::string> titles = deviceTitles();
    selectedDeviceName_ = std::find(titles.begin(), titles.end(), name) != titles.end() ? name : titles.front();
    host_.audioInputDevicesChanged();
    configAudioRecorder(selectedDeviceName_);
}

void RecordViewController::configAudioRecorder(const std::string& name) {
    if (name == texts_.computerAudio) {
        // The server's monitor of the default output needs nothing started first.
        if (std::optional<RecordDevice> computer = audioRecorder_.computerAudioInputDevice())
            audioRecorder_.configAudioDevice(computer);
        return;
    }
    std::optional<RecordDevice> entry;
    for (const RecordDevice& device : audioInputDevices())
        if (device.DeviceName == name) {
            entry = device;
            break;
        }
    audioRecorder_.configAudioDevice(entry);
}

void RecordViewController::selectAudioDevice(const std::string& title) {
    if (title != texts_.computerAudio || hasComputerAudioDevice()) {
        configAudioRecorder(title);
        selectedDeviceName_ = title;
        awaitedName_.reset();
        saveName(title);
        return;
    }
    // No monitor to record: the previous device stays, and the user hears why.
    const std::string name = savedName();
    configAudioRecorder(name);
    selectAudioButton(name);
    host_.computerAudioMissing();
}

void RecordViewController::showPopover() {
    checkIfSelectComputerAudioAndNotExist();
    audioRecorder_.start();
    startTimer();
    popoverShown_ = true;
}

void RecordViewController::closePopoverWithoutRecord() {
    popoverShown_ = false;
    if (host_.isRecording()) return;
    audioRecorder_.stop();
    stopTimer();
}

void RecordViewController::startOrStop() {
    engine_.updateSelectedMarker(nullptr);
    if (host_.isRecording() || placing_) return;
    host_.setIsRecording(true);
    host_.doSomethingWhenStartRecordAction();
    startRecord();
}

std::string recordFilesFolder(const UserConfig& config) {
    return stringByAppendingPathComponent(config.recordOutputPath, "Record Files");
}

void RecordViewController::startRecord() {
    const std::string folder = recordFilesFolder(config_);
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec && !fs::is_directory(folder, ec)) {
        // Nothing can be recorded without the folder: the recording ends at once and says why.
        const int error = ec.value() ? ec.value() : ENOTDIR;
        recordingPath_.clear();
        engine_.initRecordSectionArray();
        isdoRecording = true;
        recordingFailed(Failure::system(folder, "cannot create the folder", error).message());
        return;
    }
    const std::string file = FileManagerExtention::fullPathWithNumberIncreaseIfExist(
        stringByAppendingPathComponent(folder, "Built-in.wav"));
    recordingPath_ = file;
    audioRecorder_.setOutputPath(file);
    engine_.initRecordSectionArray();
    isdoRecording = true;
    audioRecorder_.start();
    host_.recordingStartedInto(file);
}

void RecordViewController::startTimer() {
    host_.stopLevelTimer();
    host_.startLevelTimer();
}

void RecordViewController::stopTimer() {
    host_.stopLevelTimer();
    timerDrawWave = 0;
}

void RecordViewController::flushAudioRecordState() {
    const double level = std::max(audioRecorder_.audioLevel(), 0.0);
    if (audioWaveView.appendBuildInAudioWave(static_cast<float>(std::sqrt(level)))) host_.meterChanged();
    if (!isdoRecording) return;
    ++timerDrawWave;
    const double duration = audioRecorder_.recordFileLength();
    host_.recordingProgress(level, duration);
    engine_.saveRecordAudioLevelToCurrentTime(static_cast<float>(level), duration);
    if (timerDrawWave % kDurationTicks == 0) engine_.doRecordWithRecordDurationChange(duration);
}

void RecordViewController::stopRecord(std::function<void(Outcome<bool>)> done) {
    const std::string path = audioRecorder_.outputPath();
    audioRecorder_.stop();
    isdoRecording = false;
    stopTimer();
    host_.setIsRecording(false);

    bool nothing = false;
    {
        UserEvent event(engine_);
        // The timeline grew on every fifth tick; the file may hold up to 50 ms more,
        // which belongs to the recording too.
        const double recorded = audioRecorder_.recordFileLength();
        if (recorded > engine_.recordEndTime - engine_.recordStartTime)
            engine_.doRecordWithRecordDurationChange(recorded);
        if (engine_.recordEndTime - engine_.recordStartTime <= 0.0) {
            // Nothing was recorded: no empty section goes on the timeline.
            engine_.clearRecordDicArrayWhenFinish();
            nothing = true;
        }
    }
    if (nothing) {
        if (done) done(false);
        return;
    }
    placing_ = true;
    std::weak_ptr<bool> alive = alive_;
    engine_.placeRecordingInBackground(path, [this, alive, done](Outcome<> placed) {
        if (alive.expired()) return;
        placing_ = false;
        if (!done) return;
        // A recording that cannot be read back leaves the timeline as it was; the file
        // stays in the folder for the user.
        if (placed) done(true);
        else done(placed.failure());
    });
}

void RecordViewController::devicesChanged() {
    host_.audioInputDevicesChanged();
    if (!popoverShown_ || host_.isRecording()) return;
    if (!isAvailable(selectedDeviceName_) || (awaitedName_ && isAvailable(*awaitedName_)))
        checkIfSelectComputerAudioAndNotExist();
}

void RecordViewController::recordingFailed(const std::string& message) {
    if (!isdoRecording) return;
    const std::string path = recordingPath_;
    RecordViewHost& host = host_;
    // The user hears how it ended after the window is unmasked, also when that is known
    // before stopRecord returns.
    auto early = std::make_shared<std::optional<RecordingStop>>();
    auto stopping = std::make_shared<bool>(true);
    stopRecord([&host, path, message, early, stopping](Outcome<bool> stopped) {
        RecordingStop stop;
        stop.reason = message;
        if (stopped) {
            stop.result = *stopped ? RecordingStop::Result::Placed : RecordingStop::Result::NothingRecorded;
        } else if (!path.empty() && ::access(path.c_str(), F_OK) == 0) {
            stop.result = RecordingStop::Result::KeptInFile;
            stop.keptFile = path;
            stop.placeFailure = stopped.failure().message();
        } else {
            stop.result = RecordingStop::Result::NothingRecorded;
            stop.reason += "\n" + stopped.failure().message();
        }
        if (*stopping) *early = std::move(stop);
        else host.recordingStoppedBecause(stop);
    });
    *stopping = false;
    host_.doSomethingWhenStopRecordAction();
    if (*early) host_.recordingStoppedBecause(**early);
}

}  // namespace wavomer
