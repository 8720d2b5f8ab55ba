// FrameFeeder: the thread that runs the player's pulls for an output graph, so the graph's
// real-time thread (the sound server's callback, the silent device's clock) only copies
// frames out of a FrameQueue. While running it asks its source for more audio (one call
// of the delegate's decodeMoreAudioDataToAudioOutput, which hands over at most one block
// when the queue holds less than one) until a call hands over nothing, then sleeps until
// the real-time side wakes it, which it does when it has drained the queue below the
// refill mark. The pulls, their size and their order are the delegate's own: the feeder
// only decides when they run.
//
// Waking: the real-time side must not lock or allocate, so there is no mutex and no
// condition variable between the two. The feeder sleeps on an atomic counter with C++20
// std::atomic::wait; wake() increments it and calls notify_one, which in libstdc++ on
// Linux is a futex wake: one system call that never blocks, taken only when the feeder is
// actually asleep. A counter rather than a flag means a wake that lands while the feeder
// is still pulling is not lost: the value it waits on has moved and it goes round again.
// A timed poll would have worked too, but would either wake often for nothing or leave the
// queue low for up to a period.
//
// Threads: start, stop and the destructor on the control thread; wake from any thread
// (real-time safe); the source is called on the feeder's own thread only, which begins
// with the first start and ends with the feeder.
//
// Invariants: after stop returns no new pull begins until the next start (one already
// begun finishes); the source is never called concurrently with itself by this feeder.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "FrameQueue.h"

namespace wavomer {

class FrameFeeder {
public:
    // The refill mark of the sound output's graphs: the player hands over a block of
    // 2048 frames whenever fewer than that many are queued, so below it a pull has work.
    static constexpr int64_t kDefaultRefillBelowFrames = 2048;

    // pull: one request for more audio, run on the feeder's thread; it pushes into queue.
    FrameFeeder(FrameQueue& queue, std::function<void()> pull, int64_t refillBelowFrames = kDefaultRefillBelowFrames);
    ~FrameFeeder();
    FrameFeeder(const FrameFeeder&) = delete;
    FrameFeeder& operator=(const FrameFeeder&) = delete;

    void start();
    void stop() noexcept;
    bool isRunning() const noexcept { return running_.load(std::memory_order_acquire); }

    // Real-time side: wakes the feeder (lock-free, no allocation).
    void wake() noexcept;
    // Real-time side, after a pop: wakes the feeder when the queue is below the mark.
    void wakeIfLow() noexcept {
        if (queue_.frames() < refillBelow_) wake();
    }

    // Pull rounds the feeder has run since it was made (for tests).
    int64_t pulls() const noexcept { return pulls_.load(std::memory_order_relaxed); }

private:
    void run();
    void topUp();

    FrameQueue& queue_;
    const std::function<void()> pull_;
    const int64_t refillBelow_;
    std::atomic<uint32_t> signal_{0};
    std::atomic<bool> running_{false};
    std::atomic<bool> quit_{false};
    std::atomic<int64_t> pulls_{0};
    std::mutex threadMutex_;  // control thread only: guards making thread_
    std::thread thread_;
};

}  // namespace wavomer
