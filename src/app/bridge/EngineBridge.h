// The window's side of the engine's hooks: it implements EngineHost and the playback's
// PlaybackView and turns every call into a Qt signal, so that each view listens only
// for what it draws. The geometry the engine asks for (the visible region, the window
// height) comes from functions the window installs; playback questions go to the
// playback controller once it exists.
//
// flushButtonStates is announced queued and merged: however many times an event asks,
// buttonStatesChanged is emitted once, after the event has finished.
//
// Threads: main thread only (the engine calls its host there).
#pragma once

#include <QObject>
#include <functional>

#include "engine/EngineHost.h"
#include "engine/PlaybackController.h"

namespace wavomer::app {

class EngineBridge : public QObject, public EngineHost, public PlaybackView {
    Q_OBJECT
public:
    explicit EngineBridge(QObject* parent = nullptr);

    // Installed by the window.
    std::function<VisibleRegion()> visibleRegionSource;
    std::function<void(double)> visibleOriginSink;
    std::function<bool(int64_t, int64_t)> deleteConfirmation;
    std::function<double()> lastDrawnCursorTime;
    std::function<bool()> recordingPopoverShown;
    void setPlayback(PlaybackController* playback) { playback_ = playback; }
    void setRecording(bool recording) { recording_ = recording; }

    // EngineHost
    VisibleRegion visibleRegion() const override;
    void setVisibleOriginX(double x) override;
    void reloadContainerView() override { emit containerReloadRequested(); }
    void redrawRows() override { emit rowsRedrawRequested(); }
    void redrawEditView() override { emit editViewRedrawRequested(); }
    void flushTimeline() override { emit cursorMoved(); }
    void flushButtonStates() override;
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
    double lastDrawTimelineTime() const override { return lastDrawnCursorTime ? lastDrawnCursorTime() : 0.0; }
    void reDrawTimelineInWithX(double x) override { emit cursorStripRedrawRequested(x); }
    void markEditViewForRedraw() override { emit editViewRedrawRequested(); }
    bool isRecordingPopoverShown() const override { return recordingPopoverShown && recordingPopoverShown(); }

signals:
    void containerReloadRequested();
    void rowsRedrawRequested();
    void editViewRedrawRequested();
    void cursorMoved();
    void buttonStatesChanged();
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
    PlaybackController* playback_ = nullptr;
    bool recording_ = false;
    bool buttonStatesPending_ = false;
    bool timeStringPending_ = false;
};

}  // namespace wavomer::app
