#include "export/TrackSnapshot.h"

#include <algorithm>

namespace wavomer {

std::vector<TrackPtr> tracksToExport(const std::vector<TrackPtr>& audioTrackArray, double from, double to) {
    std::vector<TrackPtr> heard;
    for (const TrackPtr& track : audioTrackArray) {
        const auto& sections = track->sectionArray();
        const bool audible = std::any_of(sections.begin(), sections.end(), [&](const SectionPtr& s) {
            return !s->isBlankSection && !s->isMute && s->trackEndTime > from && s->trackStartTime < to;
        });
        if (audible) heard.push_back(track);
    }
    return heard.empty() ? audioTrackArray : heard;
}

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
    readTrackChannel(tracks_, buffer, channel, frames, offset);
    return 0;
}

}  // namespace wavomer
