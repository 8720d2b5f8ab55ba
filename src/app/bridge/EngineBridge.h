// The window's side of the engine's hooks: it implements EngineHost and the playback's
// PlaybackView and turns every call into a Qt signal, so that each view listens only
// for what it draws. What the engine asks of the window (its geometry, the delete
// question, where the cursor was drawn) goes to the window attached, which implements
// BridgeWindow; playback questions go to the playback controller once it exists.
//
// One change notice per user event: the end of every outermost user event, and every
// request of the engine to reload, redraw or refresh the command states, are merged
// into one queued flush. It emits projectChanged once when the project changed (the
// rows, the overview and the ruler reload), rowsRedrawRequested when only the drawing
// changed, and buttonStatesChanged once after either, however many requests an event
// made.
//
// Threads: main thread only (the engine calls its host there).
#pragma once

#include <QObject>

#include "bridge/BridgeWindow.h"
#include "engine/EngineHost.h"
#include "engine/PlaybackController.h"

namespace wavomer::app {

class EngineBridge : public QObject, public EngineHost, public PlaybackView {
    Q_OBJECT
public:
    explicit EngineBridge(QObject* parent = nullptr);

    // The window the engine draws in; nullptr when it is gone (the engine then sees a
    // window that never grows and refuses to delete tracks).
    void attachWindow(BridgeWindow* window) { window_ = window; }
    void setPlayback(PlaybackController* playback) { playback_ = playback; }
    void setRecording(bool recording) { recording_ = recording; }

    // EngineHost: the window's geometry
    VisibleRegion visibleRegion() const override;
    void setVisibleOriginX(double x) override;
    double screenHeight() const override;
    double windowHeight() const override;
    void setWindowHeightKeepingTop(double height) override;

    // EngineHost: notifications
    void userEventEnded(bool changed) override;
    void reloadContainerView() override { request(kReload); }
    void redrawRows() override { request(kRedraw); }
    void redrawEditView() override { request(kRedraw); }
    void flushTimeline() override { emit cursorMoved(); }
    void flushButtonStates() override { request(kStates); }
    void flushPlayerTimeString() override;
    void updateMarkerWindowShow() override { emit markerListChanged(); }
    void openImportWindow() override { emit importWindowOpenRequested(); }
    void closeImportWindow() override { emit importWindowCloseRequested(); }
    void initRecordStatusInTrack() override { emit recordStatusInitRequested(); }
    void recordingDurationChanged(double seconds) override { emit recordedDurationChanged(seconds); }
    void seekPlayerCurrentTime(double seconds) override;
    bool isPlaying() const override { return playback_ && playback_->isPlaying(); }
    bool isRecording() const override { return recording_; }
    bool confirmDeleteTracks(int64_t first, int64_t last) override;

    // PlaybackView
    void startPlayTimer(double periodSeconds) override { emit playTimerStartRequested(periodSeconds); }
    void stopPlayTimer() override { emit playTimerStopRequested(); }
    void flushPlayPauseButtonImage() override { emit playPauseImageChanged(); }
    double lastDrawTimelineTime() const override { return window_ ? window_->lastDrawTimelineTime() : 0.0; }
    void reDrawTimelineInWithX(double x) override { emit cursorStripRedrawRequested(x); }
    void markEditViewForRedraw() override { request(kRedraw); }
    bool isRecordingPopoverShown() const override { return window_ && window_->isRecordingPopoverShown(); }

signals:
    // An outermost user event ended (at once, not merged): the recovery listens.
    void userEventFinished(bool changed);
    // The merged notices (queued).
    void projectChanged();
    void rowsRedrawRequested();
    void buttonStatesChanged();
    void cursorMoved();
    // The cursor's time changed; the time display shows it.
    void playerTimeChanged();
    void markerListChanged();
    void importWindowOpenRequested();
    void importWindowCloseRequested();
    void playTimerStartRequested(double periodSeconds);
    void playTimerStopRequested();
    void playPauseImageChanged();
    void cursorStripRedrawRequested(double contentX);
    // A recording starts on the selected tracks; the recorded length grew.
    void recordStatusInitRequested();
    void recordedDurationChanged(double seconds);

private:
    enum : unsigned { kReload = 1, kRedraw = 2, kStates = 4 };
    void request(unsigned what);
    void flush();

    BridgeWindow* window_ = nullptr;
    PlaybackController* playback_ = nullptr;
    bool recording_ = false;
    unsigned pending_ = 0;
    bool timeStringPending_ = false;
};

}  // namespace wavomer::app
