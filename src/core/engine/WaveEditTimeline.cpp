// Timeline geometry, the cursor and the selection.
#include <algorithm>
#include <cmath>

#include "util/StandardPaths.h"
#include "engine/WaveEditViewController.h"

namespace wavomer {

WaveEditViewController::WaveEditViewController(EngineHost& host, Clipboard& clipboard,
                                               MainThreadScheduler& scheduler, UndoManager& undoManager,
                                               int defaultTrackCount, double zoomValue)
    : host_(host), clipboard_(clipboard), scheduler_(scheduler), undo_(undoManager), alive_(std::make_shared<bool>(true)) {
    zoomViewFloatValue = zoomValue;
    currentPixelPerSecond = pixelPerSecondForZoom(zoomValue);
    initTrack(defaultTrackCount);
    currentTimelineTime_ = 0.0;
    timelineTrackArray_ = audioTrackArray_;
    markArray_.clear();
}

WaveEditViewController::~WaveEditViewController() {
    // A conversion still running stops at its next block; none outlives the engine.
    cancelImports_ = true;
    for (ImportJob& job : importJobs_) {
        job.state->cancel = true;
        if (job.thread.joinable()) job.thread.join();
    }
    *alive_ = false;
}

double WaveEditViewController::pixelPerSecondForZoom(double zoomValue) {
    float grown = std::pow(1.1f, static_cast<float>(zoomValue));
    return 0.1 + (static_cast<double>(grown) - 1.0) * 0.11428571428571428;
}

double WaveEditViewController::farestTrackEndTime() const {
    double farthest = 0.0;
    for (const auto& track : audioTrackArray_) farthest = std::max(farthest, track->trackEndTime());
    return farthest;
}

double WaveEditViewController::timeFromPointX(double x) const {
    double time = x / currentPixelPerSecond;
    double farthest = farestTrackEndTime();
    if (!(time <= farthest)) time = farthest;  // also turns NaN into the project length
    if (!(time >= 0.0)) time = 0.0;
    return time;
}

float WaveEditViewController::waveTrackCurrentHeight() const {
    size_t rows = std::max<size_t>(audioTrackArray_.size(), 1);
    return static_cast<float>(host_.visibleRegion().height / static_cast<double>(rows));
}

TrackPtr WaveEditViewController::trackOfPointY(double y) const {
    double row = std::floor(y / waveTrackCurrentHeight());
    if (!(row >= 0.0) || row >= static_cast<double>(audioTrackArray_.size())) return nullptr;
    return audioTrackArray_[static_cast<size_t>(row)];
}

double WaveEditViewController::contentWidth() const {
    double width = longestTrackWidth();
    // While recording the content reaches past the project by the recorded length, with
    // 50 pixels of room to its right, so the view can follow the growing recording.
    if (host_.isRecording())
        width = (farestTrackEndTime() + (recordEndTime - recordStartTime) + timeFor50Pixel()) * currentPixelPerSecond;
    return std::max(width, host_.visibleRegion().width);
}

void WaveEditViewController::updateCurrentTimelineTime(double time) {
    currentTimelineTime_ = time;
    host_.flushTimeline();
    host_.flushPlayerTimeString();
}

void WaveEditViewController::resetSelectedTimelineStartEndTime() {
    selectedTimelineStartTime_ = currentTimelineTime_;
    selectedTimelineEndTime_ = currentTimelineTime_;
    host_.flushTimeline();
}

double WaveEditViewController::timeFor50Pixel() const {
    float scale = std::max(static_cast<float>(currentPixelPerSecond), 0.001f);
    return 50.0f / scale;
}

bool WaveEditViewController::isCurrentTimelineTimeVisisbleContentRect() const {
    VisibleRegion region = host_.visibleRegion();
    double left = timeFromPointX(region.originX);
    double right = timeFromPointX(region.originX + region.width);
    return left <= currentTimelineTime_ && currentTimelineTime_ <= right;
}

void WaveEditViewController::updateCurrentMiddleCenterTime() {
    VisibleRegion region = host_.visibleRegion();
    currentMiddleCenterTime = timeFromPointX(region.originX + 0.5 * region.width);
}

void WaveEditViewController::keepCurrentMiddleTimeWhenWaveScrollWheel() {
    VisibleRegion region = host_.visibleRegion();
    float x = static_cast<float>(timeToPointX(currentMiddleCenterTime) - 0.5 * region.width);
    x = std::max(x, 0.0f);
    x = std::min(x, static_cast<float>(contentWidth() - region.width));
    host_.setVisibleOriginX(x);
    host_.redrawRows();
}

void WaveEditViewController::centreCursorIfHidden() {
    if (isCurrentTimelineTimeVisisbleContentRect()) return;
    currentMiddleCenterTime = currentTimelineTime_;
    keepCurrentMiddleTimeWhenWaveScrollWheel();
}

void WaveEditViewController::autoChangeScrollviewContentWhenPlayToRightEdge() {
    VisibleRegion region = host_.visibleRegion();
    double p = timeToPointX(currentTimelineTime_);
    double left = region.originX;
    double width = region.width;
    if (!(p >= left + width - 50.0 && p <= left + width + 20.0)) return;
    float x = static_cast<float>(p - width + 50.0);
    x = std::max(x, 0.0f);
    x = std::min(x, static_cast<float>(contentWidth() - width));
    if (static_cast<double>(x) == left) return;
    host_.setVisibleOriginX(x);
    host_.redrawRows();
}

void WaveEditViewController::reloadWave() {
    updateCurrentTimelineTime(std::min(currentTimelineTime_, farestTrackEndTime()));
    host_.reloadContainerView();
    host_.flushButtonStates();
}

void WaveEditViewController::selectTracks(size_t first, size_t last) {
    timelineTrackArray_.clear();
    if (audioTrackArray_.empty()) return;
    last = std::min(last, audioTrackArray_.size() - 1);
    for (size_t i = first; i <= last; ++i) timelineTrackArray_.push_back(audioTrackArray_[i]);
}

void WaveEditViewController::setSelection(double start, double end) {
    selectedTimelineStartTime_ = start;
    selectedTimelineEndTime_ = end;
    host_.redrawEditView();
}

void WaveEditViewController::setAudioTrackArray(std::vector<TrackPtr> tracks) {
    audioTrackArray_ = std::move(tracks);
    std::erase_if(timelineTrackArray_, [this](const TrackPtr& track) {
        return std::find(audioTrackArray_.begin(), audioTrackArray_.end(), track) == audioTrackArray_.end();
    });
}

void WaveEditViewController::setMarkArray(std::vector<MarkerPtr> markers) {
    markArray_ = std::move(markers);
    if (selectedMarkItem_ && std::find(markArray_.begin(), markArray_.end(), selectedMarkItem_) == markArray_.end())
        selectedMarkItem_.reset();
}

void WaveEditViewController::setTimelineTrackArray(std::vector<TrackPtr> tracks) {
    timelineTrackArray_ = std::move(tracks);
}

void WaveEditViewController::sortMarkArray() { sortMarkers(markArray_); }

}  // namespace wavomer
