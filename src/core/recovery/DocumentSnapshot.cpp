#include "recovery/DocumentSnapshot.h"

#include <unordered_map>

#include "archive/ProjectArchive.h"
#include "engine/WaveEditViewController.h"

namespace wavomer {

namespace {

// Effect settings are a name and numbers; anything else counts as changed, so it is copied.
bool sameValue(const CoderValue& a, const CoderValue& b) {
    if (a.value.index() != b.value.index()) return false;
    if (auto x = std::get_if<double>(&a.value)) return *x == std::get<double>(b.value);
    if (auto x = std::get_if<std::string>(&a.value)) return *x == std::get<std::string>(b.value);
    if (auto x = std::get_if<int32_t>(&a.value)) return *x == std::get<int32_t>(b.value);
    if (auto x = std::get_if<int64_t>(&a.value)) return *x == std::get<int64_t>(b.value);
    if (auto x = std::get_if<bool>(&a.value)) return *x == std::get<bool>(b.value);
    return a.isNull();
}

bool sameEffect(const std::optional<EffectDic>& a, const std::optional<EffectDic>& b) {
    if (!a || !b) return !a && !b;
    if (a->size() != b->size()) return false;
    for (auto x = a->begin(), y = b->begin(); x != a->end(); ++x, ++y)
        if (x->first != y->first || !sameValue(x->second, y->second)) return false;
    return true;
}

}  // namespace

bool ArchivedSection::isCopyOf(const AudioSection& s) const {
    if (audioPath ? !s.audioPath || *audioPath != *s.audioPath : s.audioPath.has_value()) return false;
    return channel == s.channel && startTime == s.startTime && endTime == s.endTime &&
           trackStartTime == s.trackStartTime && trackEndTime == s.trackEndTime && isMute == s.isMute &&
           fadeMode == s.fadeMode && customFadeStart == s.customFadeStart && customFadeStop == s.customFadeStop &&
           fadeStartTimeOffset == s.fadeStartTimeOffset && fadeDuration == s.fadeDuration &&
           volumeValue == s.volumeValue && isBlankSection == s.isBlankSection && isNoiseSection == s.isNoiseSection &&
           sameEffect(effectDic, s.effectDic);
}

namespace {

// One shared string per distinct path: a project has few sources and many sections.
class PathPool {
public:
    std::shared_ptr<const std::string> operator()(const std::optional<std::string>& path) {
        if (!path) return nullptr;
        if (last_ && *last_ == *path) return last_;
        auto [it, added] = pool_.try_emplace(*path);
        if (added) it->second = std::make_shared<const std::string>(*path);
        last_ = it->second;
        return last_;
    }

private:
    std::unordered_map<std::string, std::shared_ptr<const std::string>> pool_;
    std::shared_ptr<const std::string> last_;
};

bool unchanged(const std::vector<ArchivedSection>& copy, const SectionArray& sections) {
    if (copy.size() != sections.size()) return false;
    for (size_t i = 0; i < copy.size(); ++i)
        if (!copy[i].isCopyOf(*sections[i])) return false;
    return true;
}

}  // namespace

DocumentSnapshot takeSnapshot(const WaveEditViewController& engine, const DocumentSnapshot* previous) {
    DocumentSnapshot snapshot;
    PathPool shared;
    const std::vector<TrackPtr>& tracks = engine.audioTrackArray();
    snapshot.tracks.reserve(tracks.size());
    for (size_t t = 0; t < tracks.size(); ++t) {
        const SectionArray& sections = tracks[t]->sectionArray();
        // Tracks keep their places in most edits; one added or removed shifts the rest,
        // so the same place and the one before are tried.
        ArchivedTrack reused;
        if (previous)
            for (size_t at : {t, t - 1, t + 1})
                if (at < previous->tracks.size() && unchanged(*previous->tracks[at], sections)) {
                    reused = previous->tracks[at];
                    break;
                }
        if (reused) {
            snapshot.tracks.push_back(std::move(reused));
            continue;
        }
        auto copied = std::make_shared<std::vector<ArchivedSection>>();
        copied->reserve(sections.size());
        for (const auto& s : sections)
            copied->push_back({shared(s->audioPath), s->channel, s->startTime, s->endTime, s->trackStartTime,
                               s->trackEndTime, s->isMute, s->fadeMode, s->customFadeStart, s->customFadeStop,
                               s->fadeStartTimeOffset, s->fadeDuration, s->volumeValue, s->effectDic,
                               s->isBlankSection, s->isNoiseSection});
        snapshot.tracks.push_back(std::move(copied));
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
    for (const ArchivedTrack& archived : snapshot.tracks) {
        SectionArray sections;
        sections.reserve(archived->size());
        for (const ArchivedSection& a : *archived) {
            auto s = AudioSection::section();
            if (a.audioPath) s->audioPath = *a.audioPath;
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
