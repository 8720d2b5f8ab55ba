// FrameQueue: the interleaved stereo frames an output graph holds between the player's
// blocks and the device. A fixed ring sized once at construction, shared lock-free by one
// producer (the feeder thread, which runs the player's pulls) and one consumer (the
// device's real-time thread: the sound server's callback or the silent device's clock).
//
// The ring is indexed by two running frame counts that only grow: written_ (moved by the
// producer) and read_ (moved by the consumer); a frame's slot is its count modulo the
// capacity. clear() may come from a third thread (the control calls): it records the
// producer's count at that moment as a mark, and whatever lies before the mark is no longer
// counted and is skipped by the next pop. The consumer alone moves read_, so the producer
// never overwrites frames the consumer may still be copying.
//
// Threads: push on the producer only, pop on the consumer only, clear, frames and
// capacityFrames on any thread. Nothing here allocates, locks or waits after construction.
//
// Invariants: 0 <= frames() <= capacityFrames(); push drops what does not fit;
// read_ <= written_ and written_ - read_ <= capacity; the mark never exceeds written_.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <vector>

namespace wavomer {

class FrameQueue {
public:
    static constexpr int32_t kChannels = 2;

    explicit FrameQueue(int64_t capacityFrames)
        : samples_(static_cast<size_t>(capacityFrames) * kChannels), capacity_(capacityFrames) {}

    int64_t capacityFrames() const noexcept { return capacity_; }

    // Frames queued after the last clear and not yet popped.
    int64_t frames() const noexcept {
        // The mark and read_ first: written_ read afterwards is at least as new as both.
        const int64_t from = std::max(read_.load(std::memory_order_acquire), cleared_.load(std::memory_order_acquire));
        const int64_t to = written_.load(std::memory_order_acquire);
        return std::clamp<int64_t>(to - from, 0, capacity_);
    }

    // Every frame pushed so far: the producer compares it before and after a pull to see
    // whether the pull handed anything over (pops meanwhile do not disturb it).
    int64_t framesPushed() const noexcept { return written_.load(std::memory_order_acquire); }

    // Drops everything pushed so far (any thread).
    void clear() noexcept {
        const int64_t mark = written_.load(std::memory_order_acquire);
        int64_t seen = cleared_.load(std::memory_order_relaxed);
        while (seen < mark && !cleared_.compare_exchange_weak(seen, mark, std::memory_order_acq_rel)) {
        }
    }

    // Producer: appends up to `frames` frames; answers how many fitted.
    int64_t push(const float* interleaved, int64_t frames) noexcept {
        if (frames <= 0) return 0;
        const int64_t written = written_.load(std::memory_order_relaxed);
        const int64_t read = read_.load(std::memory_order_acquire);
        const int64_t take = std::min(frames, capacity_ - (written - read));
        if (take <= 0) return 0;
        copyIn(interleaved, written, take);
        written_.store(written + take, std::memory_order_release);
        return take;
    }

    // Consumer: moves up to `frames` frames out (skipping what a clear dropped); answers
    // how many there were.
    int64_t pop(float* interleaved, int64_t frames) noexcept {
        const int64_t mark = cleared_.load(std::memory_order_acquire);
        const int64_t written = written_.load(std::memory_order_acquire);
        const int64_t from = std::min(std::max(read_.load(std::memory_order_relaxed), mark), written);
        const int64_t take = std::clamp<int64_t>(frames, 0, written - from);
        copyOut(interleaved, from, take);
        read_.store(from + take, std::memory_order_release);
        return take;
    }

private:
    void copyIn(const float* from, int64_t at, int64_t frames) noexcept {
        for (int64_t done = 0; done < frames;) {
            const int64_t slot = (at + done) % capacity_;
            const int64_t run = std::min(frames - done, capacity_ - slot);
            std::copy_n(from + done * kChannels, run * kChannels, samples_.data() + slot * kChannels);
            done += run;
        }
    }
    void copyOut(float* to, int64_t at, int64_t frames) const noexcept {
        for (int64_t done = 0; done < frames;) {
            const int64_t slot = (at + done) % capacity_;
            const int64_t run = std::min(frames - done, capacity_ - slot);
            std::copy_n(samples_.data() + slot * kChannels, run * kChannels, to + done * kChannels);
            done += run;
        }
    }

    std::vector<float> samples_;
    const int64_t capacity_;
    // Each count on its own cache line: the two threads each write one of them.
    alignas(64) std::atomic<int64_t> written_{0};
    alignas(64) std::atomic<int64_t> read_{0};
    alignas(64) std::atomic<int64_t> cleared_{0};
};

}  // namespace wavomer
