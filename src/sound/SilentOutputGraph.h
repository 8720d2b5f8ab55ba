// SilentOutputGraph: an output device that plays into nothing, with a timer as its
// clock. It takes 1024 frames every 1024/44100 s from its queue, as a sound card would,
// and a feeder thread keeps the queue topped up from the delegate, so the play
// position, the position tick and the selection loop run in real time when no sound
// server or device is there.
//
// Threads: the control calls (setDelegate, clearBuffer, start, stop, isStart) come from
// the main thread and only flip flags (clearBuffer marks the lock-free queue). The clock
// runs on the graph's own thread, which starts with the first start() and ends with the
// graph; it is real-time code: each tick only pops from the queue and wakes the feeder.
// The delegate, bufferFrames and streamWriteSample run on the feeder's thread.
//
// Invariants: the clock thread never calls the delegate and never holds the control
// mutex while it ticks; it takes that mutex only to sleep until its next tick.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "FrameFeeder.h"
#include "FrameQueue.h"
#include "render/OutputAudioGraph.h"

namespace wavomer {

class SilentOutputGraph final : public OutputAudioGraph {
public:
    static constexpr int32_t kPeriodFrames = 1024;

    SilentOutputGraph();
    ~SilentOutputGraph() override;
    SilentOutputGraph(const SilentOutputGraph&) = delete;
    SilentOutputGraph& operator=(const SilentOutputGraph&) = delete;

    void setDelegate(OutputAudioGraphDelegate* delegate) override { delegate_.store(delegate); }
    void clearBuffer() override { queue_.clear(); }
    void start() override;
    void stop() override;
    bool isStart() const override { return started_.load(); }
    int64_t bufferFrames() const noexcept override { return queue_.frames(); }
    void streamWriteSample(int32_t stream, const float* interleaved, int32_t frames) noexcept override;

    // Frames the clock has taken from the queue since the graph was made (whether the
    // queue had them or the period was played as silence).
    int64_t playedFrames() const noexcept { return playedFrames_.load(); }
    // Frames of those periods the queue did not have.
    int64_t missedFrames() const noexcept { return missedFrames_.load(); }
    // Pull rounds the feeder has run (for tests).
    int64_t feederPulls() const noexcept { return feeder_.pulls(); }

private:
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    bool quit_ = false;  // guarded by mutex_
    std::atomic<bool> started_{false};
    std::atomic<OutputAudioGraphDelegate*> delegate_{nullptr};
    std::atomic<int64_t> playedFrames_{0};
    std::atomic<int64_t> missedFrames_{0};
    FrameQueue queue_{16384};
    std::vector<float> period_;
    std::thread thread_;
    // Last: it is destroyed (and its thread joined) first, before what its pulls touch.
    FrameFeeder feeder_;
};

}  // namespace wavomer
