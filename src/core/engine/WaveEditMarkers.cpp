// Markers: trimming to the project length, cut points, and the selected marker.
#include <algorithm>
#include <cmath>

#include "engine/WaveEditViewController.h"

namespace wavomer {

void WaveEditViewController::removeUnnecessaryMarks() {
    double farthest = farestTrackEndTime();
    std::vector<MarkerPtr> kept;
    bool removedSelected = false;
    for (const auto& marker : markArray_) {
        if (marker->markerTime > farthest) {
            host_.removeMarkerView(*marker);
            if (marker == selectedMarkItem_) removedSelected = true;
        } else {
            kept.push_back(marker);
        }
    }
    if (removedSelected) updateSelectedMarker(nullptr);
    waveEditControllerUndoMarkerArray(kept);
}

std::vector<MarkerPtr> WaveEditViewController::getMarkArrayWihtTrackStartEndTime() const {
    std::vector<MarkerPtr> points = markArray_;
    double farthest = farestTrackEndTime();
    auto near = [](double a, double b) { return std::fabs(a - b) < kTolerance; };
    if (std::none_of(points.begin(), points.end(), [&](const MarkerPtr& m) { return near(m->markerTime, 0.0); }))
        points.insert(points.begin(), MarkerItem::createMarkerWithTime(0.0));
    if (std::none_of(points.begin(), points.end(), [&](const MarkerPtr& m) { return near(m->markerTime, farthest); }))
        points.push_back(MarkerItem::createMarkerWithTime(farthest));
    return points;
}

void WaveEditViewController::updateSelectedMarker(const MarkerPtr& marker) {
    if (marker && std::find(markArray_.begin(), markArray_.end(), marker) != markArray_.end()) {
        selectedMarkItem_ = marker;
        updateCurrentTimelineTime(marker->markerTime);
        host_.seekPlayerCurrentTime(currentTimelineTime_);
    } else if (selectedMarkItem_) {
        selectedMarkItem_.reset();
    }
    host_.updateMarkerWindowShow();
    host_.redrawEditView();
    host_.flushTimeline();
}

}  // namespace wavomer
