#include "PulseRecorder.h"

#include "PulseConnect.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <cstring>

#include "util/Log.h"

namespace wavomer {

namespace {

constexpr int kLevelRate = 100;
constexpr auto kTick = std::chrono::milliseconds(20);
constexpr double kCaptureFragmentSeconds = 0.05;

int recordChannelsFor(const std::optional<RecordDevice>& device) {
    if (!device) return AudioRecorder::kMaxChannels;
    return std::clamp(device->channels, 1, AudioRecorder::kMaxChannels);
}

// Frames of silence for the holes a capture stream reports and for the silent device.
const float* zeros() {
    static const std::vector<float> block(static_cast<size_t>(4096 * AudioRecorder::kMaxChannels), 0.0f);
    return block.data();
}
constexpr int64_t kZeroFrames = 4096;

void appendZeros(RecordingFileWriter& writer, int64_t frames) {
    while (frames > 0) {
        const int64_t n = std::min(frames, kZeroFrames);
        writer.append(zeros(), n);
        frames -= n;
    }
}

}  // namespace

PulseRecorder::PulseRecorder(std::string applicationName, std::string server, RecordingFileWriter::Options writerOptions)
    : applicationName_(std::move(applicationName)), server_(std::move(server)), writer_(std::move(writerOptions)) {
    worker_ = std::thread([this] { work(); });
}

PulseRecorder::~PulseRecorder() {
    stop();
    post(&Pending::quit);
    worker_.join();
    teardown();
}

void PulseRecorder::post(bool Pending::*flag) {
    {
        std::lock_guard guard(workerMutex_);
        pending_.*flag = true;
    }
    workerWake_.notify_all();
}

bool PulseRecorder::waitUntilSettled(double seconds) {
    std::unique_lock guard(stateMutex_);
    settled_.wait_for(guard, std::chrono::duration<double>(seconds), [this] { return heard_; });
    return heard_ && connection_.load() == Connection::Ready;
}

// --- the main thread ---------------------------------------------------------------------------

std::vector<RecordDevice> PulseRecorder::audioInputDevices() const {
    std::lock_guard guard(stateMutex_);
    return devices_;
}

std::optional<RecordDevice> PulseRecorder::computerAudioInputDevice() const {
    std::lock_guard guard(stateMutex_);
    return computer_;
}

void PulseRecorder::configAudioDevice(const std::optional<RecordDevice>& device) {
    {
        std::lock_guard guard(stateMutex_);
        device_ = device;
        ++generation_;
    }
    post(&Pending::reconcile);
}

void PulseRecorder::setOutputPath(const std::string& path) {
    std::lock_guard guard(stateMutex_);
    outputPath_ = path;
    armed_ = !path.empty();
}

std::string PulseRecorder::outputPath() const {
    std::lock_guard guard(stateMutex_);
    return outputPath_;
}

double PulseRecorder::recordFileLength() const {
    return static_cast<double>(writer_.framesWritten()) / static_cast<double>(kSampleRate);
}

void PulseRecorder::start() {
    std::optional<std::string> path;
    int channels = kMaxChannels;
    {
        std::lock_guard guard(stateMutex_);
        started_.store(true);
        if (armed_ && !recording_.load()) {
            path = outputPath_;
            channels = recordChannelsFor(device_);
            armed_ = false;
        }
    }
    if (path) {
        std::lock_guard guard(recordMutex_);
        // The writer's thread makes the file; nothing here touches the disk.
        writer_.begin(*path, channels);
        failureTold_ = false;
        stopFailure_.reset();
        recordChannels_ = channels;
        ++recordingId_;
        {
            std::lock_guard sink(sinkMutex_);
            sink_ = &writer_;
        }
        recording_.store(true);
    }
    post(&Pending::reconcile);
}

void PulseRecorder::stop() {
    started_.store(false);
    {
        std::lock_guard guard(stateMutex_);
        armed_ = false;
    }
    bool tell = false;
    {
        std::lock_guard guard(recordMutex_);
        if (recording_.load()) {
            detachSink();
            const Outcome<> finished = writer_.finish();
            recording_.store(false);
            // A failure the worker had not seen yet: the recording had ended by itself.
            if (!finished.ok() && !failureTold_) {
                failureTold_ = true;
                stopFailure_ = finished.error();
                tell = true;
            }
        }
    }
    if (tell) post(&Pending::reportStopFailure);
    post(&Pending::reconcile);
}

void PulseRecorder::detachSink() {
    std::lock_guard sink(sinkMutex_);
    sink_ = nullptr;
}

// --- the worker ------------------------------------------------------------------------------------

void PulseRecorder::work() {
    using Clock = std::chrono::steady_clock;
    auto nextTry = Clock::now();
    std::unique_lock guard(workerMutex_);
    while (true) {
        auto until = Clock::time_point::max();
        if (connection_.load() != Connection::Ready) until = std::min(until, nextTry);
        // The silence is made, and the writer watched for a failure, in ticks.
        if (recording_.load()) until = std::min(until, Clock::now() + kTick);
        auto anything = [this] {
            return pending_.quit || pending_.refresh || pending_.reconcile || pending_.lost || pending_.levelLost ||
                   pending_.recordLost || pending_.reportStopFailure;
        };
        if (until == Clock::time_point::max())
            workerWake_.wait(guard, anything);
        else
            workerWake_.wait_until(guard, until, anything);
        if (pending_.quit) return;
        const Pending got = pending_;
        pending_ = Pending{};
        guard.unlock();

        if (got.lost && connection_.load() == Connection::Ready) {
            logLine("sound server lost: recording stopped");
            uint64_t recording = 0;
            {
                std::lock_guard record(recordMutex_);
                recording = recordingId_;
            }
            if (recordStream_) endRecordingWithFailure(recording, "the sound server went away");
            teardown();
            connection_.store(Connection::Failed);
            nextTry = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(kRetrySeconds));
            bool changed = false;
            {
                std::lock_guard state(stateMutex_);
                changed = !devices_.empty() || computer_.has_value();
                devices_.clear();
                computer_.reset();
            }
            if (changed)
                if (AudioRecorderDelegate* delegate = delegate_.load()) delegate->audioRecorderDevicesChanged();
        }
        bool refresh = got.refresh;
        if (connection_.load() != Connection::Ready && Clock::now() >= nextTry) {
            std::string error;
            if (connect(&error)) {
                loggedError_.clear();
                connection_.store(Connection::Ready);
                refresh = true;
            } else {
                teardown();
                if (error != loggedError_) logLine("sound server unavailable for recording: %s", error.c_str());
                loggedError_ = error;
                connection_.store(Connection::Failed);
                nextTry = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(kRetrySeconds));
                std::lock_guard state(stateMutex_);
                heard_ = true;
                settled_.notify_all();
            }
        }
        if (refresh && connection_.load() == Connection::Ready) refreshDevices();

        if (got.reportStopFailure) {
            std::optional<std::string> message;
            {
                std::lock_guard record(recordMutex_);
                message.swap(stopFailure_);
            }
            if (message)
                if (AudioRecorderDelegate* delegate = delegate_.load()) delegate->audioRecorderDidFail(*message);
        }

        // Before the wanted state is read, so the ended recording is not opened again.
        if (got.recordLost && recordStream_) {
            uint64_t recording = 0;
            {
                std::lock_guard record(recordMutex_);
                recording = recordingId_;
            }
            endRecordingWithFailure(recording, "the recording device is no longer available");
        }

        Wanted wanted;
        {
            std::lock_guard state(stateMutex_);
            wanted.monitoring = started_.load();
            wanted.source = device_ ? device_->sourceName : std::string();
            wanted.deviceGeneration = generation_;
        }
        {
            std::lock_guard record(recordMutex_);
            wanted.recording = recording_.load();
            wanted.recordingId = recordingId_;
            wanted.recordChannels = recordChannels_;
        }
        if (got.levelLost && levelStream_) {
            // Not opened again until the device changes or the server comes back.
            closeLevelStream();
            levelOpen_ = true;
        }
        reconcile(wanted);
        if (recordOpen_ && !recordStream_) appendSilence();

        // A writer that failed (the disk is full) ends the recording.
        std::optional<Failure> failure;
        {
            std::lock_guard record(recordMutex_);
            if (recording_.load()) failure = writer_.failure();
        }
        if (failure) endRecordingWithFailure(wanted.recordingId, failure->message());
        guard.lock();
    }
}

void PulseRecorder::reconcile(const Wanted& wanted) {
    const bool ready = connection_.load() == Connection::Ready;
    const bool wantLevel = wanted.monitoring && !wanted.source.empty() && ready;
    if (levelOpen_ && (!wantLevel || levelGeneration_ != wanted.deviceGeneration)) closeLevelStream();
    if (wantLevel && !levelOpen_) {
        levelStream_ = openStream("Level", wanted.source, 1, kLevelRate, true);
        levelOpen_ = true;  // a stream that could not be opened is not tried again until a change
        levelGeneration_ = wanted.deviceGeneration;
    }

    if (recordOpen_ && (!wanted.recording || recordGeneration_ != wanted.deviceGeneration ||
                        recordingSeen_ != wanted.recordingId))
        closeRecordStream();
    if (wanted.recording && !recordOpen_) {
        recordGeneration_ = wanted.deviceGeneration;
        recordingSeen_ = wanted.recordingId;
        if (wanted.source.empty()) {
            // The silent device: frames of silence at real time, from now.
            silenceStart_ = std::chrono::steady_clock::now();
            silenceFrames_ = 0;
            recordOpen_ = true;
        } else if (!ready) {
            endRecordingWithFailure(wanted.recordingId, "the sound server is not available");
        } else {
            recordStreamChannels_.store(wanted.recordChannels);
            recordStream_ = openStream("Recording", wanted.source, wanted.recordChannels, kSampleRate, false);
            if (recordStream_)
                recordOpen_ = true;
            else
                endRecordingWithFailure(wanted.recordingId, "cannot record from the chosen device");
        }
    }
}

void PulseRecorder::appendSilence() {
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - silenceStart_).count();
    const auto due = static_cast<int64_t>(elapsed * kSampleRate) - silenceFrames_;
    if (due <= 0) return;
    silenceFrames_ += due;
    std::lock_guard sink(sinkMutex_);
    if (sink_) appendZeros(*sink_, due);
}

void PulseRecorder::endRecordingWithFailure(uint64_t recording, const std::string& message) {
    bool tell = false;
    {
        std::lock_guard record(recordMutex_);
        if (recording_.load() && recordingId_ == recording) {
            detachSink();
            (void)writer_.finish();
            recording_.store(false);
            tell = !failureTold_;
            failureTold_ = true;
        }
    }
    closeRecordStream();
    if (tell) {
        logLine("recording ended: %s", message.c_str());
        if (AudioRecorderDelegate* delegate = delegate_.load()) delegate->audioRecorderDidFail(message);
    }
}

pa_stream* PulseRecorder::openStream(const char* name, const std::string& source, int channels, int rate, bool level) {
    pa_sample_spec spec{};
    spec.format = PA_SAMPLE_FLOAT32LE;
    spec.rate = static_cast<uint32_t>(rate);
    spec.channels = static_cast<uint8_t>(channels);
    pa_threaded_mainloop_lock(mainloop_);
    pa_stream* stream = pa_stream_new(context_, name, &spec, nullptr);
    if (stream) {
        pa_stream_set_state_callback(stream, level ? &PulseRecorder::levelState : &PulseRecorder::recordState, this);
        pa_stream_set_read_callback(stream, level ? &PulseRecorder::levelRead : &PulseRecorder::recordRead, this);
        pa_buffer_attr attr;
        attr.maxlength = static_cast<uint32_t>(-1);
        attr.tlength = static_cast<uint32_t>(-1);
        attr.prebuf = static_cast<uint32_t>(-1);
        attr.minreq = static_cast<uint32_t>(-1);
        // One peak per fragment for the level; about 50 ms of frames for the recording.
        attr.fragsize = level ? static_cast<uint32_t>(sizeof(float))
                              : static_cast<uint32_t>(pa_usec_to_bytes(
                                    static_cast<pa_usec_t>(kCaptureFragmentSeconds * 1e6), &spec));
        auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_DONT_MOVE);
        if (level) flags = static_cast<pa_stream_flags_t>(flags | PA_STREAM_PEAK_DETECT);
        if (pa_stream_connect_record(stream, source.c_str(), &attr, flags) < 0) {
            logLine("cannot open %s on %s: %s", name, source.c_str(), pa_strerror(pa_context_errno(context_)));
            pa_stream_set_state_callback(stream, nullptr, nullptr);
            pa_stream_set_read_callback(stream, nullptr, nullptr);
            pa_stream_unref(stream);
            stream = nullptr;
        }
    }
    pa_threaded_mainloop_unlock(mainloop_);
    return stream;
}

namespace {

void closeStream(pa_threaded_mainloop* mainloop, pa_stream*& stream) {
    if (!stream) return;
    pa_threaded_mainloop_lock(mainloop);
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_set_read_callback(stream, nullptr, nullptr);
    pa_stream_disconnect(stream);
    pa_stream_unref(stream);
    stream = nullptr;
    pa_threaded_mainloop_unlock(mainloop);
}

}  // namespace

void PulseRecorder::closeLevelStream() {
    closeStream(mainloop_, levelStream_);
    levelOpen_ = false;
    level_.store(0.0);
}

void PulseRecorder::closeRecordStream() {
    closeStream(mainloop_, recordStream_);
    recordOpen_ = false;
}

bool PulseRecorder::connect(std::string* error) {
    auto fail = [&](const std::string& what) {
        *error = what;
        return false;
    };
    if (std::string problem = pulse::startLoop(mainloop_, context_, applicationName_, &PulseRecorder::contextState, this);
        !problem.empty())
        return fail(problem);

    const pulse::Deadline deadline = pulse::deadlineAfter(kConnectDeadlineSeconds);
    pa_threaded_mainloop_lock(mainloop_);
    const std::string problem = pulse::connectContext(mainloop_, context_, server_, deadline);
    if (problem.empty()) {
        pa_context_set_subscribe_callback(context_, &PulseRecorder::contextEvent, this);
        const auto mask = static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_SINK |
                                                              PA_SUBSCRIPTION_MASK_SERVER);
        if (pa_operation* op = pa_context_subscribe(context_, mask, nullptr, nullptr)) pa_operation_unref(op);
    }
    pa_threaded_mainloop_unlock(mainloop_);
    if (!problem.empty()) return fail(problem);
    return true;
}

void PulseRecorder::teardown() {
    if (!mainloop_) return;
    // A recording of silence goes on without the server; one from a source has ended.
    if (recordStream_) recordOpen_ = false;
    closeStream(mainloop_, levelStream_);
    closeStream(mainloop_, recordStream_);
    levelOpen_ = false;
    level_.store(0.0);
    pa_threaded_mainloop_lock(mainloop_);
    if (context_) {
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_set_subscribe_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
    }
    pa_threaded_mainloop_unlock(mainloop_);
    pa_threaded_mainloop_stop(mainloop_);
    pa_threaded_mainloop_free(mainloop_);
    mainloop_ = nullptr;
}

// What one refresh hears from the server, filled by libpulse's callbacks.
namespace {

struct SourceSeen {
    std::string name;
    std::string description;
    int channels = 0;
    bool monitor = false;
};
struct Heard {
    std::vector<SourceSeen> sources;
    std::string defaultSink;
    std::vector<std::pair<std::string, std::string>> sinkMonitors;  // sink name, its monitor's name
};

}  // namespace

void PulseRecorder::refreshDevices() {
    // libpulse's callbacks fill `heard` on its thread. The main-loop lock orders them with
    // this thread, but that lock lives inside libpulse, where ThreadSanitizer does not see
    // it: heardMutex_ (older than libpulse's thread) makes the hand-over visible.
    Heard heard;
    {
        std::lock_guard guard(heardMutex_);
        hearing_ = &heard;
    }
    auto serverInfo = [](pa_context*, const pa_server_info* info, void* self) {
        auto* recorder = static_cast<PulseRecorder*>(self);
        std::lock_guard guard(recorder->heardMutex_);
        auto* into = static_cast<Heard*>(recorder->hearing_);
        if (into && info && info->default_sink_name) into->defaultSink = info->default_sink_name;
    };
    auto sourceInfo = [](pa_context*, const pa_source_info* info, int eol, void* self) {
        if (eol || !info) return;
        SourceSeen seen;
        seen.name = info->name ? info->name : "";
        seen.description = info->description && *info->description ? info->description : seen.name;
        seen.channels = info->sample_spec.channels;
        seen.monitor = info->monitor_of_sink != PA_INVALID_INDEX;
        auto* recorder = static_cast<PulseRecorder*>(self);
        std::lock_guard guard(recorder->heardMutex_);
        if (auto* into = static_cast<Heard*>(recorder->hearing_)) into->sources.push_back(std::move(seen));
    };
    auto sinkInfo = [](pa_context*, const pa_sink_info* info, int eol, void* self) {
        if (eol || !info || !info->name) return;
        auto* recorder = static_cast<PulseRecorder*>(self);
        std::lock_guard guard(recorder->heardMutex_);
        if (auto* into = static_cast<Heard*>(recorder->hearing_))
            into->sinkMonitors.emplace_back(info->name, info->monitor_source_name ? info->monitor_source_name : "");
    };
    pa_threaded_mainloop_lock(mainloop_);
    pa_operation* ops[] = {pa_context_get_server_info(context_, serverInfo, this),
                           pa_context_get_source_info_list(context_, sourceInfo, this),
                           pa_context_get_sink_info_list(context_, sinkInfo, this)};
    const pulse::Deadline deadline = pulse::deadlineAfter(kConnectDeadlineSeconds);
    bool complete = true;
    for (pa_operation* op : ops) {
        if (!op) {
            complete = false;
            continue;
        }
        while (pa_operation_get_state(op) == PA_OPERATION_RUNNING) {
            if (std::chrono::steady_clock::now() > deadline) break;
            pa_threaded_mainloop_unlock(mainloop_);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            pa_threaded_mainloop_lock(mainloop_);
        }
        if (pa_operation_get_state(op) != PA_OPERATION_DONE) {
            // Its callback must not run once `heard` is gone.
            pa_operation_cancel(op);
            complete = false;
        }
        pa_operation_unref(op);
    }
    pa_threaded_mainloop_unlock(mainloop_);
    {
        std::lock_guard guard(heardMutex_);
        hearing_ = nullptr;
    }
    if (!complete) {
        logLine("the sound server did not list its devices");
        return;
    }

    std::vector<RecordDevice> devices;
    std::optional<RecordDevice> computer;
    {
        for (const SourceSeen& source : heard.sources)
            if (!source.monitor) devices.push_back({source.description, source.name, std::max(1, source.channels)});
        for (const auto& [sink, monitor] : heard.sinkMonitors) {
            if (sink != heard.defaultSink || monitor.empty()) continue;
            for (const SourceSeen& source : heard.sources)
                if (source.name == monitor)
                    computer = RecordDevice{kComputerAudioName, kComputerAudioSource, std::max(1, source.channels)};
        }
    }
    bool changed = false;
    {
        std::lock_guard state(stateMutex_);
        changed = devices != devices_ || computer != computer_;
        devices_ = std::move(devices);
        computer_ = std::move(computer);
        heard_ = true;
        settled_.notify_all();
    }
    if (changed)
        if (AudioRecorderDelegate* delegate = delegate_.load()) delegate->audioRecorderDevicesChanged();
}

// --- libpulse's thread -------------------------------------------------------------------------------

void PulseRecorder::contextState(pa_context* context, void* self) {
    auto* recorder = static_cast<PulseRecorder*>(self);
    if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context)) && recorder->connection_.load() == Connection::Ready)
        recorder->post(&Pending::lost);
}

void PulseRecorder::contextEvent(pa_context*, pa_subscription_event_type_t, uint32_t, void* self) {
    static_cast<PulseRecorder*>(self)->post(&Pending::refresh);
}

void PulseRecorder::levelState(pa_stream* stream, void* self) {
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) static_cast<PulseRecorder*>(self)->post(&Pending::levelLost);
}

void PulseRecorder::recordState(pa_stream* stream, void* self) {
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) static_cast<PulseRecorder*>(self)->post(&Pending::recordLost);
}

void PulseRecorder::levelRead(pa_stream* stream, size_t, void* self) {
    auto* recorder = static_cast<PulseRecorder*>(self);
    while (pa_stream_readable_size(stream) > 0) {
        const void* data = nullptr;
        size_t size = 0;
        if (pa_stream_peek(stream, &data, &size) < 0 || size == 0) return;
        if (data && size >= sizeof(float)) {
            float peak = 0.0f;
            std::memcpy(&peak, static_cast<const char*>(data) + (size / sizeof(float) - 1) * sizeof(float), sizeof peak);
            recorder->level_.store(std::clamp(static_cast<double>(peak), 0.0, 1.0), std::memory_order_relaxed);
        }
        pa_stream_drop(stream);
    }
}

void PulseRecorder::recordRead(pa_stream* stream, size_t, void* self) {
    auto* recorder = static_cast<PulseRecorder*>(self);
    const size_t frameBytes = sizeof(float) * static_cast<size_t>(recorder->recordStreamChannels_.load());
    while (pa_stream_readable_size(stream) > 0) {
        const void* data = nullptr;
        size_t size = 0;
        if (pa_stream_peek(stream, &data, &size) < 0 || size == 0) return;
        const auto frames = static_cast<int64_t>(size / frameBytes);
        {
            // Only a copy into the writer's queue: the writer's thread does the disk work.
            std::lock_guard sink(recorder->sinkMutex_);
            if (recorder->sink_) {
                if (data)
                    recorder->sink_->append(static_cast<const float*>(data), frames);
                else
                    appendZeros(*recorder->sink_, frames);  // a hole in the stream keeps its time
            }
        }
        pa_stream_drop(stream);
    }
}

}  // namespace wavomer
