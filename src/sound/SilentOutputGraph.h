// SilentOutputGraph: an output device that plays into nothing, with a timer as its
// clock. It takes 1024 frames every 1024/44100 s from its queue and asks the delegate
// for more in the same rhythm as a sound card would, so the play position, the
// position tick and the selection loop run in real time when no sound server or
// device is there.
//
// Threads: the control calls (setDelegate, clearBuffer, start, stop, isStart) come from
// the main thread and only flip flags; the clock runs on the graph's own thread, which
// starts with the first start() and ends with the graph. The delegate, bufferFrames and
// streamWriteSample run on that thread.
//
// Invariants: the clock thread never holds the control mutex while it calls the delegate.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

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
    void clearBuffer() override { clearRequested_.store(true); }
    void start() override;
    void stop() override;
    bool isStart() const override { return started_.load(); }
    int64_t bufferFrames() const noexcept override { return queue_.frames(); }
    void streamWriteSample(int32_t stream, const float* interleaved, int32_t frames) noexcept override;

    // Frames the clock has taken from the queue since the graph was made.
    int64_t playedFrames() const noexcept { return playedFrames_.load(); }

private:
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    bool quit_ = false;  // guarded by mutex_
    std::atomic<bool> started_{false};
    std::atomic<bool> clearRequested_{false};
    std::atomic<OutputAudioGraphDelegate*> delegate_{nullptr};
    std::atomic<int64_t> playedFrames_{0};
    FrameQueue queue_{16384};
    std::vector<float> period_;
    std::thread thread_;
};

}  // namespace wavomer
