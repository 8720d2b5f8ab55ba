#include "SilentOutputGraph.h"

#include <chrono>

#include "RealTimeProbe.h"

namespace wavomer {

namespace {
using Clock = std::chrono::steady_clock;
const auto kPeriod = std::chrono::duration_cast<Clock::duration>(
    std::chrono::duration<double>(SilentOutputGraph::kPeriodFrames / static_cast<double>(OutputAudioGraph::kSampleRate)));
}  // namespace

SilentOutputGraph::SilentOutputGraph()
    : period_(static_cast<size_t>(kPeriodFrames) * kChannels), feeder_(queue_, [this] {
          if (OutputAudioGraphDelegate* delegate = delegate_.load()) delegate->decodeMoreAudioDataToAudioOutput();
      }) {}

SilentOutputGraph::~SilentOutputGraph() {
    {
        std::lock_guard guard(mutex_);
        quit_ = true;
        started_.store(false);
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    feeder_.stop();
}

void SilentOutputGraph::start() {
    {
        std::lock_guard guard(mutex_);
        started_.store(true);
        if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
    }
    feeder_.start();
    wake_.notify_all();
}

void SilentOutputGraph::stop() {
    {
        std::lock_guard guard(mutex_);
        started_.store(false);
    }
    feeder_.stop();
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
        {
            // The tick: play a period into nothing and let the feeder refill.
            realtime::RealTimeScope probe;
            const int64_t got = queue_.pop(period_.data(), kPeriodFrames);
            playedFrames_.fetch_add(kPeriodFrames);
            if (got < kPeriodFrames) missedFrames_.fetch_add(kPeriodFrames - got);
            feeder_.wakeIfLow();
        }
        next += kPeriod;
        // After a long stall (a suspended machine) the clock restarts rather than racing.
        if (Clock::now() - next > std::chrono::milliseconds(500)) next = Clock::now();
        lock.lock();
        wake_.wait_until(lock, next, [this] { return quit_ || !started_.load(); });
    }
}

}  // namespace wavomer
