// TimelineProvider: the timeline as source channels. Source channel k is the k-th
// track of a track list (the editing engine's timeline track array); each value is the
// track's readSamplePointAtOffset, which applies section lookup, volume, fade, mute and
// the section's effect. A channel index beyond the list reads the last track, a
// negative one the first; an empty list reads silence.
//
// Threads: readSample and audioSampleChannels run on one reader thread (the audio
// output thread while playing). Each call try-locks the project lock and hands out
// silence (or the last channel count it saw) when the main thread holds it. The hook
// is set on the main thread before any block is read and not changed while reading.
//
// Invariants: the track list outlives the provider and is replaced only while the
// project lock is held; nothing here allocates after construction.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "model/AudioTrack.h"
#include "model/ProjectLock.h"
#include "render/SourceChannelProvider.h"

namespace wavomer {

class TimelineProvider final : public SourceChannelProvider {
public:
    TimelineProvider(const std::vector<TrackPtr>& tracks, ProjectLock& lock);

    int64_t audioSampleChannels() override;
    int32_t readSample(float* buffer, int32_t channel, int32_t frames, int64_t offset) override;

    // The same fill for a caller that already holds the project lock (export, tests).
    void readSampleLocked(float* buffer, int32_t channel, int32_t frames, int64_t offset) const;

    // Blocks answered with silence because the lock was taken (for tests and logs).
    int64_t lockMisses() const noexcept { return lockMisses_.load(std::memory_order_relaxed); }

private:
    const std::vector<TrackPtr>& tracks_;
    ProjectLock& lock_;
    std::atomic<int64_t> lastChannelCount_{0};
    std::atomic<int64_t> lockMisses_{0};
};

}  // namespace wavomer
