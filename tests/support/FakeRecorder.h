// A recorder that lives in the test: its devices, its computer audio and its level are
// what the test sets; a recording writes a float WAV of the length the test says at
// the stop, as the real recorder leaves a complete file behind.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "record/AudioRecorder.h"
#include "record/RecordViewController.h"
#include "support/EngineFixture.h"
#include "support/TestSupport.h"

namespace wavomer::test {

class FakeRecorder : public AudioRecorder {
public:
    void setDelegate(AudioRecorderDelegate* d) override { delegate = d; }
    std::vector<RecordDevice> audioInputDevices() const override { return devices; }
    std::optional<RecordDevice> computerAudioInputDevice() const override { return computerAudio; }
    void configAudioDevice(const std::optional<RecordDevice>& device) override {
        configured = device;
        ++configureCount;
    }
    void start() override {
        if (!path.empty() && !recordingIntoPath) {
            recordingIntoPath = true;
            recordedPaths.push_back(path);
        }
        started = true;
        ++startCount;
    }
    void stop() override {
        if (recordingIntoPath) {
            // The file the recording leaves: one channel of a constant the test knows.
            const auto frames = static_cast<size_t>(length * 44100.0 + 0.5);
            if (writeFile) writeWavFloat(path, 1, 44100, std::vector<float>(frames, sampleValue));
            recordingIntoPath = false;
        }
        path.clear();
        started = false;
    }
    bool isStart() const override { return started; }
    void setOutputPath(const std::string& p) override {
        path = p;
        lastPath = p;
    }
    std::string outputPath() const override { return lastPath; }
    double audioLevel() const override { return level; }
    double recordFileLength() const override { return length; }

    AudioRecorderDelegate* delegate = nullptr;
    std::vector<RecordDevice> devices;
    std::optional<RecordDevice> computerAudio;
    std::optional<RecordDevice> configured;
    int configureCount = 0;
    int startCount = 0;
    bool started = false;
    bool recordingIntoPath = false;
    bool writeFile = true;
    std::string path, lastPath;
    std::vector<std::string> recordedPaths;
    double level = 0.0;
    double length = 0.0;
    float sampleValue = 0.5f;
};

// The main window as the panel sees it: the engine host's recording flag and counters.
class FakeRecordHost : public RecordViewHost {
public:
    explicit FakeRecordHost(RecordingHost& engineHost) : engineHost_(engineHost) {}
    bool isRecording() const override { return engineHost_.recording; }
    void setIsRecording(bool recording) override { engineHost_.recording = recording; }
    void doSomethingWhenStartRecordAction() override { ++masked; }
    void doSomethingWhenStopRecordAction() override { ++unmasked; }
    void startLevelTimer() override { timerRunning = true; }
    void stopLevelTimer() override { timerRunning = false; }
    void meterChanged() override { ++meterRedraws; }
    void computerAudioMissing() override { ++missingMessages; }
    void recordingStoppedBecause(const RecordingStop& stop) override {
        stoppedBecause = stop.reason;
        stopResult = stop.result;
        keptFile = stop.keptFile;
    }

    bool timerRunning = false;
    int masked = 0, unmasked = 0, meterRedraws = 0, missingMessages = 0;
    std::string stoppedBecause;
    std::optional<RecordingStop::Result> stopResult;
    std::string keptFile;

private:
    RecordingHost& engineHost_;
};

inline RecordDevice microphone(const std::string& name) { return RecordDevice{name, "alsa_input." + name, 2}; }
inline RecordDevice computerAudioDevice() { return RecordDevice{"Computer Audio", "@DEFAULT_MONITOR@", 2}; }

}  // namespace wavomer::test
