#include "SilentOutputGraph.h"

#include <chrono>

namespace wavomer {

namespace {
using Clock = std::chrono::steady_clock;
const auto kPeriod = std::chrono::duration_cast<Clock::duration>(
    std::chrono::duration<double>(SilentOutputGraph::kPeriodFrames / static_cast<double>(OutputAudioGraph::kSampleRate)));
}  // namespace

SilentOutputGraph::SilentOutputGraph() : period_(static_cast<size_t>(kPeriodFrames) * kChannels) {}

SilentOutputGraph::~SilentOutputGraph() {
    {
        std::lock_guard guard(mutex_);
        quit_ = true;
        started_.store(false);
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void SilentOutputGraph::start() {
    {
        std::lock_guard guard(mutex_);
        started_.store(true);
        if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
    }
    wake_.notify_all();
}

void SilentOutputGraph::stop() {
    {
        std::lock_guard guard(mutex_);
        started_.store(false);
    }
    wake_.notify_all();
}

void SilentOutputGraph::streamWriteSample(int32_t stream, const float* interleaved, int32_t frames) noexcept {
    if (stream != 0 || frames <= 0) return;
    queue_.push(interleaved, frames);
}

void SilentOutputGraph::run() {
    std::unique_lock lock(mutex_);
    Clock::time_point next = Clock::now();
    while (!quit_) {
        if (!started_.load()) {
            wake_.wait(lock, [this] { return quit_ || started_.load(); });
            next = Clock::now();
            continue;
        }
        lock.unlock();
        if (clearRequested_.exchange(false)) queue_.clear();
        if (OutputAudioGraphDelegate* delegate = delegate_.load()) delegate->decodeMoreAudioDataToAudioOutput();
        queue_.pop(period_.data(), kPeriodFrames);  // played into nothing
        playedFrames_.fetch_add(kPeriodFrames);
        next += kPeriod;
        // After a long stall (a suspended machine) the clock restarts rather than racing.
        if (Clock::now() - next > std::chrono::milliseconds(500)) next = Clock::now();
        lock.lock();
        wake_.wait_until(lock, next, [this] { return quit_ || !started_.load(); });
    }
}

}  // namespace wavomer
