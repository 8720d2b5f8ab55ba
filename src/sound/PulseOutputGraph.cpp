#include "PulseOutputGraph.h"

#include "PulseConnect.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>

#include "RealTimeProbe.h"

#include "util/Log.h"

namespace wavomer {

namespace {

// Set while the silent device's feeder runs the delegate, so the delegate's calls
// back into this graph reach the queue of the device that is calling.
thread_local bool tInFallback = false;

constexpr size_t kBytesPerFrame = sizeof(float) * OutputAudioGraph::kChannels;

}  // namespace

class PulseOutputGraph::FallbackBridge final : public OutputAudioGraphDelegate {
public:
    explicit FallbackBridge(PulseOutputGraph& graph) : graph_(graph) {}
    void decodeMoreAudioDataToAudioOutput() noexcept override {
        OutputAudioGraphDelegate* delegate = graph_.delegate_.load();
        if (!delegate) return;
        std::lock_guard pulling(graph_.pullMutex_);
        tInFallback = true;
        delegate->decodeMoreAudioDataToAudioOutput();
        tInFallback = false;
    }

private:
    PulseOutputGraph& graph_;
};

PulseOutputGraph::PulseOutputGraph(std::string applicationName, std::string server)
    : applicationName_(std::move(applicationName)),
      server_(std::move(server)),
      bridge_(std::make_unique<FallbackBridge>(*this)),
      feeder_(queue_, [this] { pullForServer(); }) {
    fallback_.setDelegate(bridge_.get());
    worker_ = std::thread([this] { work(); });
}

PulseOutputGraph::~PulseOutputGraph() {
    post(&Pending::quit);
    worker_.join();
    feeder_.stop();
    fallback_.stop();
    teardown();
}

void PulseOutputGraph::pullForServer() {
    if (!started_.load() || useFallback_.load() || connection_.load() != Connection::Ready) return;
    OutputAudioGraphDelegate* delegate = delegate_.load();
    if (!delegate) return;
    std::lock_guard pulling(pullMutex_);
    delegate->decodeMoreAudioDataToAudioOutput();
}

void PulseOutputGraph::setDelegate(OutputAudioGraphDelegate* delegate) { delegate_.store(delegate); }

void PulseOutputGraph::post(bool Pending::*flag) {
    {
        std::lock_guard guard(workerMutex_);
        pending_.*flag = true;
    }
    workerWake_.notify_all();
}

std::string PulseOutputGraph::lastError() const {
    std::lock_guard guard(workerMutex_);
    return error_;
}

bool PulseOutputGraph::waitUntilSettled(double seconds) {
    std::unique_lock guard(workerMutex_);
    settled_.wait_for(guard, std::chrono::duration<double>(seconds),
                      [this] { return connection_.load() != Connection::Connecting; });
    return connection_.load() == Connection::Ready;
}

// --- control, main thread -------------------------------------------------------------

void PulseOutputGraph::clearBuffer() {
    std::lock_guard guard(controlMutex_);
    queue_.clear();
    fallback_.clearBuffer();
    if (connection_.load() == Connection::Ready && stream_) {
        pa_threaded_mainloop_lock(mainloop_);
        if (pa_operation* op = pa_stream_flush(stream_, nullptr, nullptr)) pa_operation_unref(op);
        pa_threaded_mainloop_unlock(mainloop_);
    }
}

void PulseOutputGraph::start() {
    std::lock_guard guard(controlMutex_);
    started_.store(true);
    switch (connection_.load()) {
        case Connection::Ready:
            useFallback_.store(false);
            feeder_.start();  // before the uncork, so the first request finds frames queued
            pa_threaded_mainloop_lock(mainloop_);
            if (pa_operation* op = pa_stream_cork(stream_, 0, nullptr, nullptr)) pa_operation_unref(op);
            pa_threaded_mainloop_unlock(mainloop_);
            break;
        case Connection::Failed:
            switchToFallbackLocked();
            post(&Pending::connect);  // the server may have come up since
            break;
        case Connection::Connecting:
            break;  // the worker starts the stream or the fallback when it knows
    }
    // Running once the choice of device is made, so its first look sees it. Its pulls
    // wait for the server to be Ready; until then, and on the silent device, it idles.
    feeder_.start();
}

void PulseOutputGraph::stop() {
    std::lock_guard guard(controlMutex_);
    started_.store(false);
    feeder_.stop();
    fallback_.stop();
    if (connection_.load() == Connection::Ready && stream_) {
        pa_threaded_mainloop_lock(mainloop_);
        if (pa_operation* op = pa_stream_cork(stream_, 1, nullptr, nullptr)) pa_operation_unref(op);
        if (pa_operation* op = pa_stream_flush(stream_, nullptr, nullptr)) pa_operation_unref(op);
        pa_threaded_mainloop_unlock(mainloop_);
    }
}

void PulseOutputGraph::switchToFallbackLocked() {
    useFallback_.store(true);
    fallback_.clearBuffer();
    if (started_.load()) fallback_.start();
}

// --- the delegate's calls ----------------------------------------------------------------

int64_t PulseOutputGraph::bufferFrames() const noexcept {
    return tInFallback ? fallback_.bufferFrames() : queue_.frames();
}

void PulseOutputGraph::streamWriteSample(int32_t stream, const float* interleaved, int32_t frames) noexcept {
    if (tInFallback) {
        fallback_.streamWriteSample(stream, interleaved, frames);
        return;
    }
    if (stream != 0 || frames <= 0) return;
    queue_.push(interleaved, frames);
}

// --- the worker ------------------------------------------------------------------------------

void PulseOutputGraph::work() {
    std::unique_lock guard(workerMutex_);
    while (true) {
        workerWake_.wait(guard, [this] { return pending_.quit || pending_.connect || pending_.serverLost; });
        if (pending_.quit) return;
        const bool lost = pending_.serverLost;
        const bool connectAgain = pending_.connect;
        pending_.serverLost = false;
        pending_.connect = false;
        guard.unlock();

        if (lost) {
            logLine("sound server lost: playing silently");
            std::lock_guard control(controlMutex_);
            teardown();
            connection_.store(Connection::Failed);
            switchToFallbackLocked();
        }
        if (connectAgain && connection_.load() != Connection::Ready) {
            std::string error;
            const bool ok = connect(&error);
            if (!ok) teardown();
            std::lock_guard control(controlMutex_);
            if (ok) {
                loggedError_.clear();
                connection_.store(Connection::Ready);
                // A start made while connecting plays on the server; a run already on
                // the silent device stays there until the next start.
                if (started_.load() && !useFallback_.load()) {
                    feeder_.wake();  // its pulls may begin now
                    pa_threaded_mainloop_lock(mainloop_);
                    if (pa_operation* op = pa_stream_cork(stream_, 0, nullptr, nullptr)) pa_operation_unref(op);
                    pa_threaded_mainloop_unlock(mainloop_);
                }
            } else {
                // A retry at each start would repeat the same line; say it once per cause.
                if (error != loggedError_) logLine("sound server unavailable: %s", error.c_str());
                loggedError_ = error;
                connection_.store(Connection::Failed);
                if (started_.load()) switchToFallbackLocked();
            }
        }
        guard.lock();
        if (connectAgain) settled_.notify_all();
    }
}

bool PulseOutputGraph::connect(std::string* error) {
    auto fail = [&](const std::string& what) {
        *error = what;
        std::lock_guard guard(workerMutex_);
        error_ = what;
        return false;
    };
    if (std::string problem = pulse::startLoop(mainloop_, context_, applicationName_, &PulseOutputGraph::contextState, this);
        !problem.empty())
        return fail(problem);

    const pulse::Deadline deadline = pulse::deadlineAfter(kConnectDeadlineSeconds);
    pa_threaded_mainloop_lock(mainloop_);
    std::string problem = pulse::connectContext(mainloop_, context_, server_, deadline);
    if (problem.empty()) {
        pa_sample_spec spec{};
        spec.format = PA_SAMPLE_FLOAT32LE;
        spec.rate = kSampleRate;
        spec.channels = kChannels;
        stream_ = pa_stream_new(context_, "Playback", &spec, nullptr);
        if (!stream_) {
            problem = pa_strerror(pa_context_errno(context_));
        } else {
            pa_stream_set_state_callback(stream_, &PulseOutputGraph::streamState, this);
            pa_stream_set_write_callback(stream_, &PulseOutputGraph::streamWrite, this);
            pa_buffer_attr attr;
            attr.maxlength = static_cast<uint32_t>(-1);
            attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(static_cast<pa_usec_t>(kServerBufferSeconds * 1e6), &spec));
            attr.prebuf = static_cast<uint32_t>(-1);
            attr.minreq = static_cast<uint32_t>(-1);
            attr.fragsize = static_cast<uint32_t>(-1);
            const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY);
            if (pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) < 0) {
                problem = pa_strerror(pa_context_errno(context_));
            } else if (!pulse::waitUnlocking(
                           mainloop_, deadline, [&] { return pa_stream_get_state(stream_) == PA_STREAM_READY; },
                           [&] { return !PA_STREAM_IS_GOOD(pa_stream_get_state(stream_)); })) {
                const int code = pa_context_errno(context_);
                problem = code ? pa_strerror(code) : "the playback stream did not open within the deadline";
            }
        }
    }
    pa_threaded_mainloop_unlock(mainloop_);
    if (!problem.empty()) return fail(problem);
    std::lock_guard guard(workerMutex_);
    error_.clear();
    return true;
}

void PulseOutputGraph::teardown() {
    if (!mainloop_) return;
    pa_threaded_mainloop_lock(mainloop_);
    if (stream_) {
        pa_stream_set_state_callback(stream_, nullptr, nullptr);
        pa_stream_set_write_callback(stream_, nullptr, nullptr);
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
        stream_ = nullptr;
    }
    if (context_) {
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
    }
    pa_threaded_mainloop_unlock(mainloop_);
    pa_threaded_mainloop_stop(mainloop_);
    pa_threaded_mainloop_free(mainloop_);
    mainloop_ = nullptr;
}

// --- the main-loop thread --------------------------------------------------------------------

void PulseOutputGraph::contextState(pa_context* context, void* self) {
    auto* graph = static_cast<PulseOutputGraph*>(self);
    if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context)) && graph->connection_.load() == Connection::Ready)
        graph->post(&Pending::serverLost);
}

void PulseOutputGraph::streamState(pa_stream* stream, void* self) {
    auto* graph = static_cast<PulseOutputGraph*>(self);
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream)) && graph->connection_.load() == Connection::Ready)
        graph->post(&Pending::serverLost);
}

void PulseOutputGraph::streamWrite(pa_stream* stream, size_t bytes, void* self) {
    static_cast<PulseOutputGraph*>(self)->fill(stream, bytes);
}

void PulseOutputGraph::fill(pa_stream* stream, size_t bytes) noexcept {
    realtime::RealTimeScope probe;
    const bool playing = started_.load() && !useFallback_.load();
    size_t remaining = bytes - bytes % kBytesPerFrame;
    while (remaining > 0) {
        // The server's own buffer (from libpulse's preallocated pool): the frames are
        // copied once, straight into it, and handed back without a free callback.
        void* data = nullptr;
        size_t size = remaining;
        if (pa_stream_begin_write(stream, &data, &size) < 0 || !data) return;
        size = std::min(size, remaining);
        size -= size % kBytesPerFrame;
        if (size == 0) {
            pa_stream_cancel_write(stream);
            break;
        }
        // The pool's blocks are aligned for any scalar, floats included.
        auto* out = static_cast<float*>(data);
        const auto frames = static_cast<int64_t>(size / kBytesPerFrame);
        // What the queue lacks goes first, as silence, and the queued frames after it: at
        // a start the server asks for its whole buffer at once while the player keeps only
        // one or two blocks queued, and leading silence there delays the sound a little
        // where trailing silence would cut a gap into it. (A clear racing this pop can
        // leave fewer frames than counted; the rest is silence too.)
        const int64_t lead = frames - std::min(queue_.frames(), frames);
        std::fill(out, out + lead * kChannels, 0.0f);
        const int64_t got = queue_.pop(out + lead * kChannels, frames - lead);
        std::fill(out + (lead + got) * kChannels, out + frames * kChannels, 0.0f);
        pa_stream_write(stream, data, size, nullptr, 0, PA_SEEK_RELATIVE);
        framesWritten_.fetch_add(got, std::memory_order_relaxed);
        if (playing) silentFramesWritten_.fetch_add(frames - got, std::memory_order_relaxed);
        remaining -= size;
    }
    if (playing) feeder_.wakeIfLow();
}

}  // namespace wavomer
