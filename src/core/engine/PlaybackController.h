// PlaybackController: the main window's playback, without the window. It owns the
// player and the timeline provider (the editing engine's timeline track array as
// source channels), and adds the play/pause/stop state machine, the 0.08 s position
// tick that moves the cursor and stops (rewinding to 0) at the end of the longest
// track, seeking whenever the cursor moves, and the play-selection loop.
//
// Threads: every member is called on the main thread. The window (or the command-line
// tool) runs updateWaveViewWhenPlay every kPlayTimerSeconds while hasPlayTimer() holds,
// answers the engine host's seekPlayerCurrentTime with setPlayerCurrentTime and its
// isPlaying with isPlaying, and calls selectionChanged whenever the selection moves.
// The player's audio thread reads the timeline under the project lock.
//
// Invariants: Playing means the player runs and the timer exists; Stopped means
// neither and the cursor and player are at 0 (unless the cursor moved since); Paused
// means the player does not run, the timer may (after pause) and keeps the cursor at
// the unchanged player position.
#pragma once

#include <memory>

#include "engine/WaveEditViewController.h"
#include "render/AudioChannelsPlayer.h"
#include "render/OutputAudioGraph.h"
#include "model/ProjectLock.h"
#include "render/TimelineProvider.h"

namespace wavomer {

// What the playback asks of the window beyond the engine's host. Every hook has a
// harmless default.
class PlaybackView {
public:
    virtual ~PlaybackView() = default;
    // The repeating play timer: create it (period in seconds) or close it.
    virtual void startPlayTimer(double periodSeconds) {}
    virtual void stopPlayTimer() {}
    // Re-read playPauseImage.
    virtual void flushPlayPauseButtonImage() {}
    // The wave edit view: the time of the cursor it drew last, a strip to redraw
    // around x (the view's full height from x - 3, 6 points wide), a full redraw.
    virtual double lastDrawTimelineTime() const { return 0.0; }
    virtual void reDrawTimelineInWithX(double x) {}
    virtual void markEditViewForRedraw() {}
    virtual bool isRecordingPopoverShown() const { return false; }
};

enum class PlaybackState { Stopped, Playing, Paused };

class PlaybackController {
public:
    static constexpr double kPlayTimerSeconds = 0.08;

    // view may be null (no window). The graph becomes the player's.
    PlaybackController(WaveEditViewController& engine, ProjectLock& lock, std::unique_ptr<OutputAudioGraph> graph,
                       PlaybackView* view = nullptr);
    ~PlaybackController();
    PlaybackController(const PlaybackController&) = delete;
    PlaybackController& operator=(const PlaybackController&) = delete;

    void playOrPause();
    void pause();
    void stopPlayer();
    bool isPlaying() const { return player_.isStart(); }
    PlaybackState state() const;

    // Seek: the player's next block comes from the engine's cursor (or from seconds).
    void seekPlayerCurrentTime();
    void setPlayerCurrentTime(double seconds);

    bool hasPlayTimer() const { return playTimer_; }
    void closePlayerTimer();
    // The timer's action.
    void updateWaveViewWhenPlay();

    // Publishes the selection (if sections are selected) as the loop the audio thread
    // wraps within.
    void selectionChanged();

    // "PauseMain" while playing, "PlayMain" otherwise.
    const char* playPauseImage() const { return isPlaying() ? "PauseMain" : "PlayMain"; }

    AudioChannelsPlayer& player() { return player_; }
    TimelineProvider& provider() { return provider_; }

private:
    void flushPlayPauseButtonImage();

    WaveEditViewController& engine_;
    PlaybackView defaultView_;
    PlaybackView& view_;
    TimelineProvider provider_;
    AudioChannelsPlayer player_;
    bool playTimer_ = false;
    bool paused_ = false;
};

}  // namespace wavomer
