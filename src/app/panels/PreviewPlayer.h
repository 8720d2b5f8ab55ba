// The preview of the volume, fade and effect panels: a second player of its own on the
// document's sound output, playing the selected sections (PreviewSource), with
// play/pause, a 0.1 s progress tick that stops and rewinds at the end, and seeking.
// PreviewTransport (its play button and VolumeProgressView bar) drives it.
//
// Threads: main thread. The player pulls samples on the output's own thread through
// the source, which try-locks the project lock: neither the window nor the main player
// ever waits for the preview.
#pragma once

#include <QTimer>
#include <QObject>
#include <vector>

#include "OutputGraphFactory.h"
#include "model/AudioSection.h"
#include "model/ProjectLock.h"
#include "render/AudioChannelsPlayer.h"
#include "render/PreviewSource.h"
#include "rules/PanelRules.h"

namespace wavomer::app {

class PreviewPlayer : public QObject {
    Q_OBJECT
public:
    static constexpr int kProgressTickMs = 100;

    PreviewPlayer(ProjectLock& lock, OutputDevice device, QObject* parent = nullptr);
    ~PreviewPlayer() override;

    // Stops, then plays these lists from now on (one channel per selected track).
    void setSections(std::vector<SectionArray> arrays, int64_t channels);
    void setFactor(float factor) { source_.setFactor(factor); }
    double sectionsDuration() const { return source_.sectionsDuration(); }
    bool isPlaying() const { return player_.isStart(); }
    double currentTime() const { return player_.currentTime(); }
    // "PauseMain" while playing, "PlayMain" otherwise.
    const char* playPauseImage() const { return isPlaying() ? "PauseMain" : "PlayMain"; }

    void playPauseAction();
    void stopPlayer();
    void seek(double seconds);
    // The tick's action: at the end the tick stops and the stop is queued.
    void updateProgressWhenPlay();
    // Stops and lets go of the sample data the preview loaded (the panel closes).
    void release();

    PreviewSource& source() { return source_; }
    AudioChannelsPlayer& player() { return player_; }
    bool isTicking() const { return timer_.isActive(); }

signals:
    void playPauseImageChanged();
    void progressChanged(double seconds);

private:
    ProjectLock& lock_;
    PreviewSource source_;
    AudioChannelsPlayer player_;
    QTimer timer_;
};

}  // namespace wavomer::app
