#include "render/TimelineProvider.h"

#include <algorithm>
#include <cassert>
#include <mutex>

namespace wavomer {

TimelineProvider::TimelineProvider(const std::vector<TrackPtr>& tracks, ProjectLock& lock)
    : tracks_(tracks), lock_(lock) {}

int64_t TimelineProvider::audioSampleChannels() {
    std::unique_lock guard(lock_, std::try_to_lock);
    if (!guard.owns_lock()) return lastChannelCount_.load(std::memory_order_relaxed);
    const auto count = static_cast<int64_t>(tracks_.size());
    lastChannelCount_.store(count, std::memory_order_relaxed);
    return count;
}

int32_t TimelineProvider::readSample(float* buffer, int32_t channel, int32_t frames, int64_t offset) {
    if (frames <= 0) return 0;
    std::unique_lock guard(lock_, std::try_to_lock);
    if (!guard.owns_lock()) {
        lockMisses_.fetch_add(1, std::memory_order_relaxed);
        std::fill(buffer, buffer + frames, 0.0f);
        return 0;
    }
    readSampleLocked(buffer, channel, frames, offset);
    return 0;
}

void TimelineProvider::readSampleLocked(float* buffer, int32_t channel, int32_t frames, int64_t offset) const {
    assert(lock_.isHeldByThisThread());
    readTrackChannel(tracks_, buffer, channel, frames, offset);
}

}  // namespace wavomer
