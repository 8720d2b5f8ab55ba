// Splitting tracks at the selection bounds, the selected runs of sections, and
// ripple deletion.
#include <algorithm>
#include <cmath>

#include "engine/WaveEditViewController.h"

namespace wavomer {

bool WaveEditViewController::hasSelectedSection() const {
    return std::fabs(selectedTimelineStartTime_ - selectedTimelineEndTime_) > kTolerance;
}

void WaveEditViewController::updateNewSectionsInTrack(const TrackPtr& track, double timeOne, double timeTwo) {
    auto splitAt = [&](double x) {
        SectionArray sections = track->sectionArray();
        for (const auto& section : sections) {
            if (!(section->trackStartTime <= x && x <= section->trackEndTime)) continue;
            bool strictlyInside = x - section->trackStartTime > kTolerance && section->trackEndTime - x > kTolerance;
            if (strictlyInside) {
                SectionPtr piece = createNewSectionWithOldSection(section, x);
                insertAudioSection(piece, section, track);
                changeOldAudioSection(section, x);
            }
            return;
        }
    };
    splitAt(timeOne);
    if (std::fabs(timeTwo - timeOne) < kTolerance) return;
    splitAt(timeTwo);
}

SectionPtr WaveEditViewController::createNewSectionWithOldSection(const SectionPtr& section, double newStartTime) {
    if (section->isBlankSection)
        return AudioSection::blankSectionWithTrackStartTime(newStartTime, section->trackEndTime);
    SectionPtr piece = section->copy();
    double cut = newStartTime - section->trackStartTime;
    piece->trackStartTime = newStartTime;
    piece->startTime = section->startTime + cut;
    piece->fadeStartTimeOffset = section->fadeStartTimeOffset + cut;
    return piece;
}

void WaveEditViewController::changeOldAudioSection(const SectionPtr& section, double newEndTime) {
    audioSectionEndTime(section, section->endTime - (section->trackEndTime - newEndTime));
    audioSectionTrackEndTime(section, newEndTime);
}

void WaveEditViewController::insertAudioSection(const SectionPtr& newSection, const SectionPtr& afterSection,
                                                const TrackPtr& track) {
    SectionArray sections = track->sectionArray();
    auto at = std::find(sections.begin(), sections.end(), afterSection);
    if (at == sections.end()) return;
    sections.insert(at + 1, newSection);
    audioTrackSectionArray(track, sections);
}

std::optional<std::pair<size_t, size_t>> WaveEditViewController::locateRun(const TrackPtr& track, double lo,
                                                                           double hi) const {
    const SectionArray& sections = track->sectionArray();
    std::optional<size_t> first;
    for (size_t i = 0; i < sections.size(); ++i) {
        if (std::fabs(sections[i]->trackStartTime - lo) < kTolerance) first = i;
        if (std::fabs(sections[i]->trackEndTime - hi) < kTolerance) {
            if (!first) return std::nullopt;
            return std::make_pair(*first, i);
        }
    }
    return std::nullopt;
}

void WaveEditViewController::moveSections(const SectionArray& sections, size_t from, double delta) {
    for (size_t i = from; i < sections.size(); ++i) {
        audioSectionTrackStartTime(sections[i], sections[i]->trackStartTime + delta);
        audioSectionTrackEndTime(sections[i], sections[i]->trackEndTime + delta);
    }
}

std::optional<std::vector<SectionArray>> WaveEditViewController::getSelectedSectionsArray() {
    if (!hasSelectedSection()) return std::nullopt;
    std::vector<SectionArray> result;
    std::vector<TrackPtr> tracks = timelineTrackArray_;
    for (const auto& track : tracks) {
        auto run = splitAndLocateRun(track, selectedTimelineStartTime_, selectedTimelineEndTime_);
        if (!run) continue;
        const SectionArray& sections = track->sectionArray();
        result.emplace_back(sections.begin() + static_cast<std::ptrdiff_t>(run->first),
                            sections.begin() + static_cast<std::ptrdiff_t>(run->second) + 1);
    }
    return result;
}

std::optional<std::pair<size_t, size_t>> WaveEditViewController::splitAndLocateRun(const TrackPtr& track, double splitOne,
                                                                                   double splitTwo) {
    updateNewSectionsInTrack(track, splitOne, splitTwo);
    return locateRun(track, std::min(splitOne, splitTwo), std::max(splitOne, splitTwo));
}

SectionArray WaveEditViewController::rippleRemoveRun(const TrackPtr& track, std::pair<size_t, size_t> run) {
    SectionArray sections = track->sectionArray();
    double removed = sections[run.second]->trackEndTime - sections[run.first]->trackStartTime;
    moveSections(sections, run.second + 1, -removed);
    SectionArray taken(sections.begin() + static_cast<std::ptrdiff_t>(run.first),
                       sections.begin() + static_cast<std::ptrdiff_t>(run.second) + 1);
    sections.erase(sections.begin() + static_cast<std::ptrdiff_t>(run.first),
                   sections.begin() + static_cast<std::ptrdiff_t>(run.second) + 1);
    audioTrackSectionArray(track, sections);
    return taken;
}

void WaveEditViewController::deleteSections() {
    double lo = std::min(selectedTimelineStartTime_, selectedTimelineEndTime_);
    double hi = std::max(selectedTimelineStartTime_, selectedTimelineEndTime_);
    std::vector<TrackPtr> tracks = timelineTrackArray_;
    for (const auto& track : tracks)
        if (auto run = splitAndLocateRun(track, lo, hi)) rippleRemoveRun(track, *run);
    updateCurrentTimelineTime(lo);
    resetSelectedTimelineStartEndTime();
}

void WaveEditViewController::deleteSectionsAction() {
    if (!hasSelectedSection()) return;
    // The range is taken in either order, as every other use of the selection does,
    // so a selection made from right to left removes its markers too.
    double lo = std::min(selectedTimelineStartTime_, selectedTimelineEndTime_);
    double hi = std::max(selectedTimelineStartTime_, selectedTimelineEndTime_);
    if (timelineTrackArray_.size() == audioTrackArray_.size()) {
        std::vector<MarkerPtr> kept;
        bool removedSelected = false;
        for (const auto& marker : markArray_) {
            if (marker->markerTime >= lo - kTolerance && marker->markerTime <= hi + kTolerance) {
                host_.removeMarkerView(*marker);
                if (marker == selectedMarkItem_) removedSelected = true;
            } else {
                kept.push_back(marker);
            }
        }
        waveEditControllerUndoMarkerArray(kept);
        if (removedSelected) updateSelectedMarker(nullptr);
        host_.updateMarkerWindowShow();
    }
    deleteSections();
    makeAllTrackEndTheSameTime();
    fixAllTracks();
    reloadWave();
}

void WaveEditViewController::selectAllAction() {
    timelineTrackArray_ = audioTrackArray_;
    currentTimelineTime_ = 0.0;
    host_.flushPlayerTimeString();
    selectedTimelineStartTime_ = 0.0;
    selectedTimelineEndTime_ = farestTrackEndTime();
    host_.seekPlayerCurrentTime(currentTimelineTime_);
    host_.flushButtonStates();
    host_.redrawEditView();
}

}  // namespace wavomer
