// PulseRecorder: the recorder on the desktop's sound server through libpulse. It lists
// the server's sources (monitors left out) and the default output's monitor as "Computer
// Audio", keeps a live level from a peak-detecting stream of 100 values a second, and
// records the chosen source as 32-bit float at 44100 Hz into a RecordingFileWriter.
//
// Threads: the control calls come from the main thread and never wait on the server:
// they change the wanted state under stateMutex_ and wake the recorder's own thread
// (the worker), which connects (non-blocking, with a deadline), asks for the device
// lists, opens and closes the streams, produces the frames of silence when no source is
// chosen, and calls the delegate. Only start and stop touch the writer (begin and
// finish, serialised with the worker by recordMutex_; finish waits for the writer's
// thread, never for the server). libpulse's own thread runs the callbacks: the capture
// callback only copies frames into the writer's queue (under sinkMutex_, which decides
// which writer, if any, takes frames), the level callback stores one atomic value.
//
// Invariants: the main thread never takes the main-loop lock; the worker never holds
// sinkMutex_ or recordMutex_ while it takes the main-loop lock, and libpulse's thread
// takes only sinkMutex_ and workerMutex_ (to post). After stop returns no frame reaches
// the finished writer. The delegate is called from the worker only, with no lock held.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <pulse/def.h>

#include "record/AudioRecorder.h"
#include "record/RecordingFile.h"

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;

namespace wavomer {

class PulseRecorder final : public AudioRecorder {
public:
    static constexpr double kConnectDeadlineSeconds = 2.0;
    // How often the worker tries again while no server answers.
    static constexpr double kRetrySeconds = 5.0;
    static constexpr const char* kComputerAudioName = "Computer Audio";
    static constexpr const char* kComputerAudioSource = "@DEFAULT_MONITOR@";

    // Starts connecting at once, on the worker. An empty server means the desktop's own.
    explicit PulseRecorder(std::string applicationName = "Wavomer", std::string server = {},
                           RecordingFileWriter::Options writerOptions = {});
    ~PulseRecorder() override;
    PulseRecorder(const PulseRecorder&) = delete;
    PulseRecorder& operator=(const PulseRecorder&) = delete;

    void setDelegate(AudioRecorderDelegate* delegate) override { delegate_.store(delegate); }
    std::vector<RecordDevice> audioInputDevices() const override;
    std::optional<RecordDevice> computerAudioInputDevice() const override;
    void configAudioDevice(const std::optional<RecordDevice>& device) override;
    // The first start monitors; a start after setOutputPath (since the last stop) records
    // into that path as well.
    void start() override;
    // Ends monitoring and recording; the file is complete when it returns.
    void stop() override;
    bool isStart() const override { return started_.load(); }
    void setOutputPath(const std::string& path) override;
    std::string outputPath() const override;
    double audioLevel() const override { return level_.load(std::memory_order_relaxed); }
    // The frames the writer has put into the file (not merely queued), in seconds.
    double recordFileLength() const override;

    // For tools and tests, never a window's main thread: waits until the worker has
    // heard the server (the device lists are in) or given up, at most `seconds`.
    bool waitUntilSettled(double seconds);
    bool isConnected() const { return connection_.load() == Connection::Ready; }
    // Whether a recording is running (false again after it ended by itself).
    bool isRecording() const { return recording_.load(); }

private:
    enum class Connection { Connecting, Ready, Failed };
    struct Pending {
        bool refresh = false;    // the server's devices changed
        bool reconcile = false;  // the wanted state changed
        bool lost = false;       // the context went bad
        bool levelLost = false;
        bool recordLost = false;
        bool reportStopFailure = false;
        bool quit = false;
    };
    // What the main thread wants, as the worker copies it.
    struct Wanted {
        bool monitoring = false;
        bool recording = false;
        std::string source;  // empty: silence
        int recordChannels = 2;
        uint64_t deviceGeneration = 0;  // counts the changes of device
        uint64_t recordingId = 0;       // counts the recordings begun
    };

    void post(bool Pending::*flag);
    void work();
    bool connect(std::string* error);  // worker, main loop not locked
    void teardown();                   // worker or destructor
    void refreshDevices();             // worker
    void reconcile(const Wanted& wanted);
    void closeLevelStream();
    void closeRecordStream();
    pa_stream* openStream(const char* name, const std::string& source, int channels, int rate, bool level);
    void appendSilence();
    // Ends a running recording that failed by itself and tells the delegate once.
    void endRecordingWithFailure(uint64_t recording, const std::string& message);
    void detachSink();

    static void contextState(pa_context* context, void* self);
    static void contextEvent(pa_context* context, pa_subscription_event_type_t type, uint32_t index, void* self);
    static void levelState(pa_stream* stream, void* self);
    static void recordState(pa_stream* stream, void* self);
    static void levelRead(pa_stream* stream, size_t bytes, void* self);
    static void recordRead(pa_stream* stream, size_t bytes, void* self);

    const std::string applicationName_;
    const std::string server_;

    // libpulse, owned by the worker.
    pa_threaded_mainloop* mainloop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* levelStream_ = nullptr;
    pa_stream* recordStream_ = nullptr;
    uint64_t levelGeneration_ = 0;   // of the wanted state the level stream was opened for
    uint64_t recordGeneration_ = 0;  // likewise the record stream (or the silence)
    uint64_t recordingSeen_ = 0;     // the recording it was opened for
    bool levelOpen_ = false;         // a level stream (or a failed try) is there for levelGeneration_
    bool recordOpen_ = false;
    std::atomic<int> recordStreamChannels_{2};  // read on libpulse's thread
    std::chrono::steady_clock::time_point silenceStart_;
    int64_t silenceFrames_ = 0;
    std::string loggedError_;
    // Guards what the device-list callbacks fill (see refreshDevices).
    std::mutex heardMutex_;
    void* hearing_ = nullptr;  // what they fill, while a refresh runs

    std::atomic<AudioRecorderDelegate*> delegate_{nullptr};
    std::atomic<Connection> connection_{Connection::Connecting};
    std::atomic<bool> started_{false};
    std::atomic<bool> recording_{false};
    std::atomic<double> level_{0.0};

    // The main thread's wanted state and what the worker last heard.
    mutable std::mutex stateMutex_;
    std::optional<RecordDevice> device_;
    std::string outputPath_;
    bool armed_ = false;  // setOutputPath since the last stop
    uint64_t generation_ = 1;  // counts the changes of device
    std::vector<RecordDevice> devices_;
    std::optional<RecordDevice> computer_;
    bool heard_ = false;  // the lists are in, or the server could not be had

    // The writer's begin and finish, by start/stop or by the worker after a failure.
    mutable std::mutex recordMutex_;
    RecordingFileWriter writer_;
    uint64_t recordingId_ = 0;  // counts the recordings begun
    int recordChannels_ = 2;    // of the current recording
    std::optional<std::string> stopFailure_;  // a failure found by stop, for the worker to tell
    bool failureTold_ = false;  // for the current recording

    // Which writer takes captured frames: the writer while recording, else none.
    std::mutex sinkMutex_;
    RecordingFileWriter* sink_ = nullptr;

    mutable std::mutex workerMutex_;
    std::condition_variable workerWake_;
    std::condition_variable settled_;
    Pending pending_;
    std::thread worker_;
};

}  // namespace wavomer
