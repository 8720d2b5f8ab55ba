// AudioRecorder: the capture component as the recording panel sees it. It lists the
// input devices, monitors the chosen one (a live level) and records it into a file.
// The sound server adapter (src/sound) implements it; the tests implement it in-process.
//
// Monitoring and recording: after start the level is live; start called again after
// setOutputPath records into that file until stop. After stop the file at outputPath
// holds the whole recording, and the next start only monitors until setOutputPath is
// called again.
//
// Threads: every call comes from the main thread and returns without waiting on the
// sound server (the device list and the level are what the recorder last heard). The
// file is written on the recorder's own thread. The delegate is called from the
// recorder's threads; it hands the news to the main thread itself.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace wavomer {

// One input device: its display name ("DeviceName") and what the recorder needs to open it.
struct RecordDevice {
    std::string DeviceName;
    std::string sourceName;  // the server's name of the source; empty for a pseudo-entry
    int channels = 2;        // the device's own channel count
    bool operator==(const RecordDevice&) const = default;
};

class AudioRecorderDelegate {
public:
    virtual ~AudioRecorderDelegate() = default;
    // The device list (or the computer-audio device) changed.
    virtual void audioRecorderDevicesChanged() = 0;
    // A running recording ended by itself (the disk filled up, the device or the server
    // went away). What was written before stays in the file, which is complete.
    virtual void audioRecorderDidFail(const std::string& message) = 0;
};

class AudioRecorder {
public:
    static constexpr int kSampleRate = 44100;
    static constexpr int kMaxChannels = 2;

    virtual ~AudioRecorder() = default;

    virtual void setDelegate(AudioRecorderDelegate* delegate) = 0;
    // The real input devices (the server's monitors are not among them).
    virtual std::vector<RecordDevice> audioInputDevices() const = 0;
    // What the computer itself plays (the default output's monitor), when there is one.
    virtual std::optional<RecordDevice> computerAudioInputDevice() const = 0;
    // Chooses the input; none, or an entry without a source name, records silence.
    virtual void configAudioDevice(const std::optional<RecordDevice>& device) = 0;
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isStart() const = 0;
    virtual void setOutputPath(const std::string& path) = 0;
    virtual std::string outputPath() const = 0;
    // The live level: the peak of the last 10 ms, 0 (silence) to 1 (full scale).
    virtual double audioLevel() const = 0;
    // Seconds recorded into the file so far.
    virtual double recordFileLength() const = 0;
};

}  // namespace wavomer
