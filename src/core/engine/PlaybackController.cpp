#include "engine/PlaybackController.h"

namespace wavomer {

PlaybackController::PlaybackController(WaveEditViewController& engine, ProjectLock& lock,
                                       std::unique_ptr<OutputAudioGraph> graph, PlaybackView* view)
    : engine_(engine),
      view_(view ? *view : defaultView_),
      provider_(engine.timelineTrackArray(), lock),
      player_(std::move(graph)) {
    player_.setDelegate(&provider_);
}

PlaybackController::~PlaybackController() {
    closePlayerTimer();
    player_.stop();
}

PlaybackState PlaybackController::state() const {
    if (isPlaying()) return PlaybackState::Playing;
    return paused_ ? PlaybackState::Paused : PlaybackState::Stopped;
}

void PlaybackController::playOrPause() {
    if (engine_.host().isRecording() || view_.isRecordingPopoverShown()) return;
    engine_.updateCurrentTimelineTime(engine_.currentTimelineTime());
    seekPlayerCurrentTime();
    view_.markEditViewForRedraw();
    if (player_.isStart()) {
        player_.stop();
        closePlayerTimer();
        paused_ = true;
    } else {
        if (!playTimer_) {
            playTimer_ = true;
            view_.startPlayTimer(kPlayTimerSeconds);
        }
        selectionChanged();
        player_.start();
        paused_ = false;
    }
    flushPlayPauseButtonImage();
    engine_.host().flushButtonStates();
}

void PlaybackController::pause() {
    if (player_.isStart()) {
        player_.stop();
        paused_ = true;
    }
    flushPlayPauseButtonImage();
}

void PlaybackController::stopPlayer() {
    player_.stop();
    paused_ = false;
    engine_.updateCurrentTimelineTime(0.0);
    player_.setCurrentTime(0.0);
    flushPlayPauseButtonImage();
    engine_.host().flushPlayerTimeString();
}

void PlaybackController::seekPlayerCurrentTime() { setPlayerCurrentTime(engine_.currentTimelineTime()); }

void PlaybackController::setPlayerCurrentTime(double seconds) {
    player_.setCurrentTime(seconds);
    // A cursor move is where a new selection usually shows up; the tick refreshes it too.
    selectionChanged();
}

void PlaybackController::closePlayerTimer() {
    if (!playTimer_) return;
    playTimer_ = false;
    view_.stopPlayTimer();
}

void PlaybackController::updateWaveViewWhenPlay() {
    if (player_.currentTime() >= engine_.farestTrackEndTime()) {
        closePlayerTimer();
        stopPlayer();
    }
    selectionChanged();
    engine_.updateCurrentTimelineTime(player_.currentTime());
    engine_.host().flushButtonStates();
    view_.reDrawTimelineInWithX(engine_.timeToPointX(view_.lastDrawTimelineTime()));
    view_.reDrawTimelineInWithX(engine_.timeToPointX(engine_.currentTimelineTime()));
    engine_.autoChangeScrollviewContentWhenPlayToRightEdge();
}

void PlaybackController::selectionChanged() {
    player_.setSelectionLoop(engine_.hasSelectedSection(), engine_.selectedTimelineStartTime(),
                             engine_.selectedTimelineEndTime());
}

void PlaybackController::flushPlayPauseButtonImage() { view_.flushPlayPauseButtonImage(); }

}  // namespace wavomer
