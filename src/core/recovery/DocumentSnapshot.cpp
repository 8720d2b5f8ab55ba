#include "recovery/DocumentSnapshot.h"

#include "archive/ProjectArchive.h"
#include "engine/WaveEditViewController.h"

namespace wavomer {

DocumentSnapshot takeSnapshot(const WaveEditViewController& engine) {
    DocumentSnapshot snapshot;
    snapshot.tracks.reserve(engine.audioTrackArray().size());
    for (const auto& track : engine.audioTrackArray()) {
        std::vector<ArchivedSection>& copied = snapshot.tracks.emplace_back();
        copied.reserve(track->sectionArray().size());
        for (const auto& s : track->sectionArray())
            copied.push_back({s->audioPath, s->channel, s->startTime, s->endTime, s->trackStartTime, s->trackEndTime,
                              s->isMute, s->fadeMode, s->customFadeStart, s->customFadeStop, s->fadeStartTimeOffset,
                              s->fadeDuration, s->volumeValue, s->effectDic, s->isBlankSection, s->isNoiseSection});
    }
    snapshot.markers.reserve(engine.markArray().size());
    for (const auto& marker : engine.markArray()) {
        MarkerItem& copy = snapshot.markers.emplace_back(*marker);
        copy.itemView = nullptr;
    }
    return snapshot;
}

std::vector<uint8_t> encodeSnapshot(const DocumentSnapshot& snapshot) {
    std::vector<TrackPtr> tracks;
    tracks.reserve(snapshot.tracks.size());
    for (const auto& archived : snapshot.tracks) {
        SectionArray sections;
        sections.reserve(archived.size());
        for (const ArchivedSection& a : archived) {
            auto s = AudioSection::section();
            s->audioPath = a.audioPath;
            s->channel = a.channel;
            s->startTime = a.startTime;
            s->endTime = a.endTime;
            s->trackStartTime = a.trackStartTime;
            s->trackEndTime = a.trackEndTime;
            s->isMute = a.isMute;
            s->fadeMode = a.fadeMode;
            s->customFadeStart = a.customFadeStart;
            s->customFadeStop = a.customFadeStop;
            s->fadeStartTimeOffset = a.fadeStartTimeOffset;
            s->fadeDuration = a.fadeDuration;
            s->volumeValue = a.volumeValue;
            s->effectDic = a.effectDic;
            s->isBlankSection = a.isBlankSection;
            s->isNoiseSection = a.isNoiseSection;
            sections.push_back(std::move(s));
        }
        auto track = std::make_shared<AudioTrack>();
        track->setSectionArray(std::move(sections));
        tracks.push_back(std::move(track));
    }
    std::vector<MarkerPtr> markers;
    markers.reserve(snapshot.markers.size());
    for (const MarkerItem& marker : snapshot.markers) markers.push_back(std::make_shared<MarkerItem>(marker));
    return archive::encodeProject(tracks, markers);
}

}  // namespace wavomer
