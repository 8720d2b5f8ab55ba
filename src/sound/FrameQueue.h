// FrameQueue: the interleaved stereo frames an output graph holds between the player's
// blocks and the device. A fixed ring sized once at construction.
//
// Threads: used by one thread, the graph's audio thread; frames() may be read from any.
// Nothing here allocates or blocks after construction.
//
// Invariants: 0 <= frames() <= capacityFrames(); push drops what does not fit.
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
    int64_t frames() const noexcept { return count_.load(std::memory_order_relaxed); }

    void clear() noexcept {
        head_ = 0;
        count_.store(0, std::memory_order_relaxed);
    }

    // Appends up to `frames` frames; answers how many fitted.
    int64_t push(const float* interleaved, int64_t frames) noexcept {
        const int64_t count = count_.load(std::memory_order_relaxed);
        const int64_t take = std::min(frames, capacity_ - count);
        int64_t tail = (head_ + count) % capacity_;
        for (int64_t done = 0; done < take;) {
            const int64_t run = std::min(take - done, capacity_ - tail);
            std::copy_n(interleaved + done * kChannels, run * kChannels, samples_.data() + tail * kChannels);
            done += run;
            tail = (tail + run) % capacity_;
        }
        count_.store(count + take, std::memory_order_relaxed);
        return take;
    }

    // Moves up to `frames` frames out; answers how many there were.
    int64_t pop(float* interleaved, int64_t frames) noexcept {
        const int64_t count = count_.load(std::memory_order_relaxed);
        const int64_t take = std::min(frames, count);
        for (int64_t done = 0; done < take;) {
            const int64_t run = std::min(take - done, capacity_ - head_);
            std::copy_n(samples_.data() + head_ * kChannels, run * kChannels, interleaved + done * kChannels);
            done += run;
            head_ = (head_ + run) % capacity_;
        }
        count_.store(count - take, std::memory_order_relaxed);
        return take;
    }

private:
    std::vector<float> samples_;
    int64_t capacity_;
    int64_t head_ = 0;
    std::atomic<int64_t> count_{0};
};

}  // namespace wavomer
