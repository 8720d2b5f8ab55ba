#include "engine/EditGesture.h"

#include <algorithm>
#include <cmath>

#include "engine/WindowState.h"

namespace wavomer {

namespace {

std::optional<size_t> indexOfTrack(const WaveEditViewController& engine, const TrackPtr& track) {
    if (!track) return std::nullopt;
    const auto& tracks = engine.audioTrackArray();
    auto at = std::find(tracks.begin(), tracks.end(), track);
    if (at == tracks.end()) return std::nullopt;
    return static_cast<size_t>(at - tracks.begin());
}

// With exactly two tracks, the band around their border selects both.
bool inTwoTrackBand(const WaveEditViewController& engine, double y) {
    if (engine.audioTrackArray().size() != 2) return false;
    const double height = engine.waveTrackCurrentHeight();
    return y > 0.5 * height && y < 1.5 * height;
}

// Markers are tried in list order: the first whose rectangle holds the point is
// selected and takes the cursor to its time; when none does, no marker stays selected.
void selectMarkerAt(WaveEditViewController& engine, double x, double y) {
    for (const MarkerPtr& marker : engine.markArray()) {
        if (!markRectWithTime(engine, marker->markerTime).contains(x, y)) continue;
        engine.setSelectedMarkItem(marker);
        engine.updateCurrentTimelineTime(marker->markerTime);
        engine.host().updateMarkerWindowShow();
        return;
    }
    if (engine.selectedMarkItem()) engine.updateSelectedMarker(nullptr);
}

void seekAndRefresh(WaveEditViewController& engine) {
    engine.host().seekPlayerCurrentTime(engine.currentTimelineTime());
    engine.host().flushButtonStates();
    engine.host().redrawEditView();
}

}  // namespace

EditGesture::Press EditGesture::press(double x, double y, int clickCount) {
    dragging_ = false;
    direction_ = 0;
    stepLength_ = 0.0f;
    EngineHost& host = engine_.host();
    if (host.isRecording()) return Press::ignored;
    const double rows = engine_.waveTrackCurrentHeight() * static_cast<double>(engine_.audioTrackArray().size());
    if (!(y >= 0.0) || y >= rows) return Press::ignored;
    x = std::min(x, engine_.longestTrackWidth());

    const bool wasPlaying = host.isPlaying();
    selectMarkerAt(engine_, x, y);
    engine_.updateCurrentTimelineTime(engine_.timeFromPointX(x));
    engine_.resetSelectedTimelineStartEndTime();
    if (!wasPlaying) selectTrackOnPress(y);
    host.redrawEditView();
    host.flushButtonStates();
    host.seekPlayerCurrentTime(engine_.currentTimelineTime());
    if (wasPlaying) return Press::withoutDrag;

    if (clickCount == 2) doublePress(x);
    dragging_ = true;
    pressY_ = y;
    if (const MarkerPtr& marker = engine_.selectedMarkItem()) markerTimeAtPress_ = marker->markerTime;
    return Press::startsDrag;
}

void EditGesture::selectTrackOnPress(double y) {
    if (inTwoTrackBand(engine_, y)) return engine_.selectTracks(0, 1);
    if (auto index = indexOfTrack(engine_, engine_.trackOfPointY(y))) engine_.selectTracks(*index, *index);
}

void EditGesture::selectTracksForDrag(double y) {
    if (inTwoTrackBand(engine_, y)) return engine_.selectTracks(0, 1);
    // A pointer above or below every track leaves the run as it is.
    auto from = indexOfTrack(engine_, engine_.trackOfPointY(pressY_));
    auto to = indexOfTrack(engine_, engine_.trackOfPointY(y));
    if (!from || !to) return;
    engine_.selectTracks(std::min(*from, *to), std::max(*from, *to));
}

void EditGesture::doublePress(double x) {
    const double farthest = engine_.farestTrackEndTime();
    const double t = std::max(0.0, std::min(engine_.timeFromPointX(x), farthest - 0.001));
    if (engine_.markArray().empty()) {
        engine_.setSelection(0.0, farthest);
    } else {
        // Between the two neighbours of the marker list with the project's start and end
        // added; a time on a boundary that no pair encloses keeps the press's selection.
        const std::vector<MarkerPtr> points = engine_.getMarkArrayWihtTrackStartEndTime();
        for (size_t i = 0; i + 1 < points.size(); ++i)
            if (points[i]->markerTime < t && t <= points[i + 1]->markerTime) {
                engine_.setSelection(points[i]->markerTime, points[i + 1]->markerTime);
                break;
            }
    }
    engine_.updateCurrentTimelineTime(engine_.selectedTimelineStartTime());
    seekAndRefresh(engine_);
}

void EditGesture::follow(double t) {
    if (const MarkerPtr& marker = engine_.selectedMarkItem()) {
        // The marker moves in place while dragged; the release records the move.
        marker->markerTime = t;
        engine_.updateCurrentTimelineTime(t);
        engine_.host().seekPlayerCurrentTime(t);
    } else {
        engine_.setSelection(engine_.selectedTimelineStartTime(), t);
    }
}

void EditGesture::drag(double x, double y, const VisibleRegion& visible) {
    if (!dragging_) return;
    selectTracksForDrag(y);
    const double right = visible.originX + visible.width;
    if (x >= right) {
        direction_ = 1;
        stepLength_ = static_cast<float>(std::min((x - right) * 3.0, kMaxAutoScrollStep));
    } else if (x > visible.originX) {
        direction_ = 0;
        stepLength_ = 0.0f;
    } else {
        direction_ = -1;
        stepLength_ = static_cast<float>(std::min((visible.originX - x) * 3.0, kMaxAutoScrollStep));
    }
    follow(engine_.timeFromPointX(x));
    engine_.host().flushButtonStates();
    engine_.host().redrawEditView();
}

double EditGesture::autoScrollStep(const VisibleRegion& visible) {
    if (!dragging_ || direction_ == 0) return visible.originX;
    const double limit = std::max(engine_.contentWidth() - visible.width, 0.0);
    const double origin = std::clamp(visible.originX + stepLength_ * direction_, 0.0, limit);
    follow(engine_.timeFromPointX(direction_ > 0 ? origin + visible.width : origin));
    engine_.host().redrawEditView();
    return origin;
}

void EditGesture::release() {
    if (!dragging_) return;
    dragging_ = false;
    direction_ = 0;
    stepLength_ = 0.0f;
    const double start = engine_.selectedTimelineStartTime();
    const double end = engine_.selectedTimelineEndTime();
    engine_.setSelection(std::min(start, end), std::max(start, end));
    if (const MarkerPtr marker = engine_.selectedMarkItem()) {
        const double moved = marker->markerTime;
        if (moved != markerTimeAtPress_) {
            // One undo step from where the press found the marker to where it is now.
            marker->markerTime = markerTimeAtPress_;
            engine_.waveEditControllerUndoMarkerTime(marker, moved);
        } else {
            engine_.sortMarkArray();
            engine_.host().updateMarkerWindowShow();
        }
    }
    engine_.host().flushButtonStates();
    engine_.host().redrawEditView();
}

double wheelScrolledOrigin(double originX, double deltaX, double visibleWidth, double documentWidth) {
    if (!(std::fabs(deltaX) > 0.001)) return originX;
    const double limit = std::max(documentWidth - visibleWidth, 0.0);
    return std::clamp(originX - deltaX * visibleWidth * 0.015, 0.0, limit);
}

float wheelZoomValue(float zoomValue, double deltaY) {
    if (!(std::fabs(deltaY) > 0.01)) return zoomValue;
    return std::clamp(zoomValue + (deltaY > 0.0 ? 1.0f : -1.0f), 1.0f, 70.0f);
}

float zoomValueShowing(double seconds, double width) {
    if (!(seconds > 0.0) || !(width > 0.0)) return 70.0f;
    // pixels per second = 0.1 + (1.1^zoom - 1) * 0.8 / 7
    const double grown = 1.0 + (width / seconds - 0.1) / 0.11428571428571428;
    if (!(grown > 1.0)) return 1.0f;
    return std::clamp(static_cast<float>(std::log(grown) / std::log(1.1)), 1.0f, 70.0f);
}

void rulerPress(WaveEditViewController& engine, double x, double rowsHeight) {
    if (engine.host().isRecording()) return;
    selectMarkerAt(engine, x, rowsHeight / 2.0);
    rulerDrag(engine, x);
}

void rulerDrag(WaveEditViewController& engine, double x) {
    if (engine.host().isRecording()) return;
    engine.updateCurrentTimelineTime(engine.timeFromPointX(x));
    engine.host().seekPlayerCurrentTime(engine.currentTimelineTime());
    engine.host().redrawEditView();
}

void moveCursorTo(WaveEditViewController& engine, double time, bool extend) {
    if (engine.host().isRecording()) return;
    const double t = std::clamp(time, 0.0, std::max(engine.farestTrackEndTime(), 0.0));
    const double start = engine.selectedTimelineStartTime();
    const double end = engine.selectedTimelineEndTime();
    // The end of the selection away from the cursor stays where it is.
    const double anchor = std::fabs(engine.currentTimelineTime() - start) < WaveEditViewController::kTolerance ? end : start;
    if (engine.selectedMarkItem()) engine.updateSelectedMarker(nullptr);
    engine.updateCurrentTimelineTime(t);
    if (extend) engine.setSelection(std::min(anchor, t), std::max(anchor, t));
    else engine.resetSelectedTimelineStartEndTime();
    seekAndRefresh(engine);
}

void moveCursorByColumns(WaveEditViewController& engine, int columns, bool extend) {
    if (!(engine.currentPixelPerSecond > 0.0)) return;
    moveCursorTo(engine, engine.currentTimelineTime() + columns / engine.currentPixelPerSecond, extend);
}

void collapseSelection(WaveEditViewController& engine) {
    if (engine.host().isRecording()) return;
    if (engine.selectedMarkItem()) engine.updateSelectedMarker(nullptr);
    engine.resetSelectedTimelineStartEndTime();
    engine.host().flushButtonStates();
    engine.host().redrawEditView();
}

}  // namespace wavomer
