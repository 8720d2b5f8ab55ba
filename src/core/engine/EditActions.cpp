#include "engine/EditActions.h"

#include "effects/EffectCatalogue.h"

#include <algorithm>
#include <cmath>

namespace wavomer::EditActions {

namespace {

// The selected range in time order: a selection made from right to left fades
// the same way as one made from left to right.
std::pair<double, double> selectedRange(const WaveEditViewController& engine) {
    return {std::min(engine.selectedTimelineStartTime(), engine.selectedTimelineEndTime()),
            std::max(engine.selectedTimelineStartTime(), engine.selectedTimelineEndTime())};
}

template <typename Apply>
void forEachSelectedSection(WaveEditViewController& engine, Apply apply) {
    auto selected = engine.getSelectedSectionsArray();
    if (!selected) return;
    for (const auto& sections : *selected)
        for (const auto& section : sections) apply(section);
}

void setFade(WaveEditViewController& engine, int32_t mode, std::optional<std::pair<double, double>> customLevels) {
    auto [start, end] = selectedRange(engine);
    const double duration = end - start;
    forEachSelectedSection(engine, [&](const SectionPtr& section) {
        engine.audioSectionFadeMode(section, mode);
        // The shape is recorded for undo too, so undo gives back the whole old fade.
        double customStart = customLevels ? customLevels->first : section->customFadeStart;
        double customStop = customLevels ? customLevels->second : section->customFadeStop;
        engine.audioSectionFadeShape(section, section->trackStartTime - start, duration, customStart, customStop);
    });
    engine.host().reloadContainerView();
    engine.host().flushButtonStates();
}

}  // namespace

void muteButtonAction(WaveEditViewController& engine) {
    forEachSelectedSection(engine, [&](const SectionPtr& section) { engine.audioSectionIsMute(section, true); });
    engine.host().reloadContainerView();
    engine.host().flushButtonStates();
}

void fadeInButtonAction(WaveEditViewController& engine) { setFade(engine, 1, std::nullopt); }

void fadeOutButtonAction(WaveEditViewController& engine) { setFade(engine, 2, std::nullopt); }

double clampFadeLevel(double level) {
    const auto f = static_cast<float>(level);
    if (std::isnan(f)) return 0.0;
    return static_cast<double>(std::max(std::min(f, 1.0f), 0.0f));
}

void saveCustomFadeToSections(WaveEditViewController& engine, double startValue, double stopValue) {
    setFade(engine, 3, std::make_pair(clampFadeLevel(startValue), clampFadeLevel(stopValue)));
}

void applyVolumeFactor(WaveEditViewController& engine, double factor) {
    forEachSelectedSection(engine, [&](const SectionPtr& section) {
        engine.audioSectionVolumeValue(section, section->volumeValue * factor);
    });
    engine.host().reloadContainerView();
    engine.host().flushButtonStates();
}

void applyEffect(WaveEditViewController& engine, const std::optional<EffectDic>& effectDic) {
    forEachSelectedSection(engine, [&](const SectionPtr& section) { engine.audioSectionEffectDic(section, effectDic); });
    engine.host().reloadContainerView();
    engine.host().flushButtonStates();
}

double roundEffectValue(double value, std::string_view unit) {
    const double magnitude = std::fabs(value);
    double scale = 1.0;
    if (unit == "index" || magnitude >= 100) scale = 1.0;
    else if (magnitude >= 10) scale = 10.0;
    else if (magnitude >= 1) scale = 100.0;
    else if (magnitude >= 0.1) scale = 1000.0;
    else scale = 10000.0;
    const double rounded = std::round(value * scale) / scale;
    return rounded == 0.0 ? 0.0 : rounded;  // no "-0"
}

double effectRowValue(double minimum, double maximum, const std::string& unit, double value) {
    return std::clamp(roundEffectValue(value, unit), std::min(minimum, maximum), std::max(minimum, maximum));
}

Outcome<EffectDic> effectDicFromPanel(const std::string& name,
                                      const std::vector<std::pair<std::string, double>>& overrides) {
    Outcome<EffectDic> dic = effectDicWithDefaults(name, overrides);
    if (!dic) return dic;
    for (const auto& setting : getEffectSettingsByName(name)) {
        auto at = dic->find(setting.name);
        double value = 0.0;
        if (at != dic->end() && at->second.asDouble(value))
            at->second = CoderValue(effectRowValue(setting.min, setting.max, setting.unit, value));
    }
    return dic;
}

MarkerPtr addMarkAction(WaveEditViewController& engine) {
    engine.resetSelectedTimelineStartEndTime();
    MarkerPtr marker = MarkerItem::createMarkerWithTime(engine.currentTimelineTime());
    std::vector<MarkerPtr> markers = engine.markArray();
    markers.push_back(marker);
    engine.waveEditControllerUndoMarkerArray(markers);
    engine.sortMarkArray();
    if (!engine.host().isPlaying()) engine.setSelectedMarkItem(marker);
    engine.host().redrawEditView();
    engine.host().flushTimeline();
    engine.host().flushButtonStates();
    engine.host().updateMarkerWindowShow();
    return marker;
}

size_t addMarkersAtTimes(WaveEditViewController& engine, const std::vector<double>& times) {
    std::vector<MarkerPtr> markers = engine.markArray();
    size_t added = 0;
    for (double time : times) {
        const bool near = std::any_of(markers.begin(), markers.end(),
                                      [time](const MarkerPtr& m) { return std::fabs(m->markerTime - time) < 0.001; });
        if (near || !std::isfinite(time) || time < 0.0) continue;
        markers.push_back(MarkerItem::createMarkerWithTime(time));
        ++added;
    }
    if (added == 0) return 0;
    engine.waveEditControllerUndoMarkerArray(markers);
    engine.sortMarkArray();
    engine.host().redrawEditView();
    engine.host().flushButtonStates();
    engine.host().updateMarkerWindowShow();
    return added;
}

namespace {
void moveToMarker(WaveEditViewController& engine, bool next) {
    if (engine.host().isRecording()) return;
    const double cursor = engine.currentTimelineTime();
    std::vector<MarkerPtr> points = engine.getMarkArrayWihtTrackStartEndTime();
    sortMarkers(points);
    size_t target = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        double t = points[i]->markerTime;
        if (!next && t >= cursor) {
            target = i == 0 ? 0 : i - 1;
            break;
        }
        if (next && (t > cursor || (i + 1 == points.size() && std::abs(t - cursor) < WaveEditViewController::kTolerance))) {
            target = i;
            break;
        }
    }
    if (points.empty()) return;
    engine.updateSelectedMarker(points[target]);
    if (!engine.selectedMarkItem()) {
        engine.updateCurrentTimelineTime(points[target]->markerTime);
        engine.host().seekPlayerCurrentTime(engine.currentTimelineTime());
    }
    engine.host().flushButtonStates();
}
}  // namespace

void lastMarkAction(WaveEditViewController& engine) { moveToMarker(engine, false); }

void nextMarkAction(WaveEditViewController& engine) { moveToMarker(engine, true); }

bool deleteSelectedMarker(WaveEditViewController& engine) {
    MarkerPtr selected = engine.selectedMarkItem();
    if (!selected) return false;
    std::vector<MarkerPtr> markers;
    for (const auto& marker : engine.markArray())
        if (marker != selected) markers.push_back(marker);
    engine.host().removeMarkerView(*selected);
    engine.waveEditControllerUndoMarkerArray(markers);
    engine.updateSelectedMarker(nullptr);
    engine.host().flushButtonStates();
    return true;
}

void deleteKeyAction(WaveEditViewController& engine) {
    if (deleteSelectedMarker(engine)) return;
    if (engine.hasSelectedSection()) engine.deleteSectionsAction();
}

void addTrackFunction(WaveEditViewController& engine) {
    engine.addNewTrack();
    if (engine.timelineTrackArray().empty() && !engine.audioTrackArray().empty())
        engine.setTimelineTrackArray(engine.audioTrackArray());
    engine.fixAllTracks();
    engine.reloadWave();
}

bool deleteTrackFunction(WaveEditViewController& engine) {
    if (engine.audioTrackArray().empty() || engine.timelineTrackArray().empty()) return false;
    auto indexOf = [&](const TrackPtr& track) {
        auto at = std::find(engine.audioTrackArray().begin(), engine.audioTrackArray().end(), track);
        return static_cast<int64_t>(at - engine.audioTrackArray().begin());
    };
    int64_t first = indexOf(engine.timelineTrackArray().front());
    int64_t last = indexOf(engine.timelineTrackArray().back());
    if (!engine.host().confirmDeleteTracks(first + 1, last + 1)) return false;
    std::vector<TrackPtr> remaining;
    for (const auto& track : engine.audioTrackArray())
        if (std::find(engine.timelineTrackArray().begin(), engine.timelineTrackArray().end(), track) ==
            engine.timelineTrackArray().end())
            remaining.push_back(track);
    engine.setTimelineTrackArray(remaining.empty() ? std::vector<TrackPtr>{} : std::vector<TrackPtr>{remaining.front()});
    engine.audioEditControllerUndoTrackArray(remaining);
    engine.fixAllTracks();
    engine.reloadWave();
    return true;
}

}  // namespace wavomer::EditActions
