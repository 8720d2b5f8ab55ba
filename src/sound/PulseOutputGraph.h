// PulseOutputGraph: the sound output on the desktop's sound server through libpulse
// (PulseAudio, or PipeWire's PulseAudio service). One playback stream on the default
// sink, 44100 Hz stereo 32-bit float, about 100 ms of buffer at the server. The server
// asks for data on libpulse's threaded main loop; there the graph only copies frames out
// of its lock-free queue into the server's own buffer (silence for what the queue lacks)
// and wakes its feeder, whose thread runs the delegate's pulls and keeps the queue topped
// up.
//
// Threads: the control calls come from the main thread and never wait on the server:
// the connection is made on the graph's own worker thread, with a deadline of about
// 2 s for the server to answer. Until it is ready a start is remembered; when the
// server cannot be reached (or goes away while playing) the graph plays through a
// silent device that keeps real time, and tries the server again at the next start.
// The delegate runs on the feeder's thread, or on the silent device's feeder thread,
// never on two at once (pullMutex_). The write callback is real-time code: it
// allocates nothing, opens no file, logs nothing, takes no lock and never waits.
//
// Invariants: the main-loop thread never takes controlMutex_ or pullMutex_; the worker
// and the control calls take controlMutex_ before the main-loop lock, never the other
// way; the feeder pulls for the server only while started, Ready and not on the silent
// device.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "FrameFeeder.h"
#include "FrameQueue.h"
#include "SilentOutputGraph.h"
#include "render/OutputAudioGraph.h"

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;

namespace wavomer {

class PulseOutputGraph final : public OutputAudioGraph {
public:
    enum class Connection { Connecting, Ready, Failed };
    static constexpr double kConnectDeadlineSeconds = 2.0;
    static constexpr double kServerBufferSeconds = 0.1;

    // Starts connecting at once, on the worker thread. An empty server means the
    // desktop's own (PULSE_SERVER, then the usual places).
    explicit PulseOutputGraph(std::string applicationName = "Wavomer", std::string server = {});
    ~PulseOutputGraph() override;
    PulseOutputGraph(const PulseOutputGraph&) = delete;
    PulseOutputGraph& operator=(const PulseOutputGraph&) = delete;

    void setDelegate(OutputAudioGraphDelegate* delegate) override;
    void clearBuffer() override;
    void start() override;
    void stop() override;
    bool isStart() const override { return started_.load(); }
    int64_t bufferFrames() const noexcept override;
    void streamWriteSample(int32_t stream, const float* interleaved, int32_t frames) noexcept override;

    Connection connection() const { return connection_.load(); }
    // Whether the current (or next) run plays on the server rather than the silent device.
    bool isUsingServer() const { return connection_.load() == Connection::Ready && !useFallback_.load(); }
    std::string lastError() const;
    // What the write callback has handed the server: frames taken from the queue, and
    // frames of silence written because the queue held too few while playing.
    int64_t framesWritten() const noexcept { return framesWritten_.load(std::memory_order_relaxed); }
    int64_t silentFramesWritten() const noexcept { return silentFramesWritten_.load(std::memory_order_relaxed); }
    // The silent device the graph falls back to (for tests).
    const SilentOutputGraph& fallback() const { return fallback_; }
    // For tools and tests, never the main thread of a window: waits until the
    // connection is Ready or Failed, at most `seconds`; answers whether it is Ready.
    bool waitUntilSettled(double seconds);

private:
    class FallbackBridge;
    // What the worker has to do; guarded by workerMutex_, as is error_.
    struct Pending {
        bool connect = true;
        bool serverLost = false;
        bool quit = false;
    };

    void work();
    bool connect(std::string* error);  // worker thread, main loop not locked
    void teardown();                   // worker thread or destructor
    void switchToFallbackLocked();     // controlMutex_ held
    void post(bool Pending::*flag);
    void pullForServer();  // feeder thread

    static void contextState(pa_context* context, void* self);
    static void streamState(pa_stream* stream, void* self);
    static void streamWrite(pa_stream* stream, size_t bytes, void* self);
    void fill(pa_stream* stream, size_t bytes) noexcept;  // main-loop thread

    const std::string applicationName_;
    const std::string server_;
    pa_threaded_mainloop* mainloop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;

    std::atomic<OutputAudioGraphDelegate*> delegate_{nullptr};
    std::atomic<bool> started_{false};
    std::atomic<bool> useFallback_{false};
    std::atomic<Connection> connection_{Connection::Connecting};
    std::atomic<int64_t> framesWritten_{0};
    std::atomic<int64_t> silentFramesWritten_{0};
    // Held around every call of the delegate, by this graph's feeder and by the silent
    // device's: a switch to the silent device while a pull runs never runs two at once.
    std::mutex pullMutex_;

    FrameQueue queue_{16384};
    // The bridge outlives the silent device, whose feeder calls it until it is joined.
    std::unique_ptr<FallbackBridge> bridge_;
    SilentOutputGraph fallback_;

    std::mutex controlMutex_;
    mutable std::mutex workerMutex_;
    std::condition_variable workerWake_;
    std::condition_variable settled_;
    Pending pending_;
    std::string error_;
    std::string loggedError_;  // the worker's own
    std::thread worker_;
    // Last: destroyed (its thread joined) first, before anything its pulls touch.
    FrameFeeder feeder_;
};

}  // namespace wavomer
