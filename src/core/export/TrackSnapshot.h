// TrackSnapshot: the tracks an export renders, copied when the export starts, and the
// source channels over them. Every section is copied (same values and envelope, its
// own file handle and read-ahead block), so the export thread reads a project that
// nothing else touches: the user may edit or play while it runs, and what is written
// is the project as it was when the export began.
//
// Threads: take() runs on the main thread (it reads the live model); the provider is
// then used by the export thread alone.
//
// Invariants: source channel k is the k-th track of the whole project (whatever was
// selected); a channel beyond the last reads the last track, a negative one the
// first; with no tracks every read is silence.
#pragma once

#include <cstdint>
#include <vector>

#include "model/AudioTrack.h"
#include "render/SourceChannelProvider.h"

namespace wavomer {

// The tracks an export of [from, to) gives a channel or a share of a mix: those with
// something to hear there (a section neither blank nor muted). A track with nothing on
// it would be a silent channel, or pull a mix down. When no track has anything to hear
// every track is answered, so such a project exports as it always has.
std::vector<TrackPtr> tracksToExport(const std::vector<TrackPtr>& audioTrackArray, double from, double to);

class TrackSnapshot final : public SourceChannelProvider {
public:
    TrackSnapshot() = default;
    // Copies of every track and section of audioTrackArray.
    static TrackSnapshot take(const std::vector<TrackPtr>& audioTrackArray);
    // A provider over these very tracks, without copying (tests, one-off renders on a
    // thread that owns them).
    explicit TrackSnapshot(std::vector<TrackPtr> tracks) : tracks_(std::move(tracks)) {}

    const std::vector<TrackPtr>& tracks() const { return tracks_; }

    int64_t audioSampleChannels() override { return static_cast<int64_t>(tracks_.size()); }
    int32_t readSample(float* buffer, int32_t channel, int32_t frames, int64_t offset) override;

private:
    std::vector<TrackPtr> tracks_;
};

}  // namespace wavomer
