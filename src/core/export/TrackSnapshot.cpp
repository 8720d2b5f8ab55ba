#include "export/TrackSnapshot.h"

#include <algorithm>

namespace wavomer {

TrackSnapshot TrackSnapshot::take(const std::vector<TrackPtr>& audioTrackArray) {
    std::vector<TrackPtr> copies;
    copies.reserve(audioTrackArray.size());
    for (const TrackPtr& track : audioTrackArray) {
        auto copy = std::make_shared<AudioTrack>();
        SectionArray sections;
        sections.reserve(track->sectionArray().size());
        for (const SectionPtr& section : track->sectionArray()) sections.push_back(section->copy());
        copy->setSectionArray(std::move(sections));
        copies.push_back(std::move(copy));
    }
    return TrackSnapshot(std::move(copies));
}

int32_t TrackSnapshot::readSample(float* buffer, int32_t channel, int32_t frames, int64_t offset) {
    if (tracks_.empty()) {
        std::fill_n(buffer, std::max(frames, 0), 0.0f);
        return 0;
    }
    const int64_t last = static_cast<int64_t>(tracks_.size()) - 1;
    AudioTrack& track = *tracks_[static_cast<size_t>(std::clamp<int64_t>(channel, 0, last))];
    track.readSamplesAtOffset(buffer, frames, offset);
    return 0;
}

}  // namespace wavomer
