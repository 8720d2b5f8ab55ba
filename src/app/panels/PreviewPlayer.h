// The preview of the volume, fade and effect panels: a second player of its own on the
// document's sound output, playing the selected sections (PreviewSource), with
// play/pause, a 0.1 s progress tick that stops and rewinds at the end, and seeking.
// VolumeProgressView is the preview's progress bar: a slider drawn as a bar with a
// knob, where a press on the bar (or a drag that started there) seeks and a press off
// it does nothing. PreviewTransport puts the play button and the bar side by side.
//
// Threads: main thread. The player pulls samples on the output's own thread through
// the source, which try-locks the project lock: neither the window nor the main player
// ever waits for the preview.
#pragma once

#include <QSlider>
#include <QTimer>
#include <QWidget>
#include <vector>

#include "OutputGraphFactory.h"
#include "model/AudioSection.h"
#include "model/ProjectLock.h"
#include "render/AudioChannelsPlayer.h"
#include "render/PreviewSource.h"
#include "rules/PanelRules.h"

class QToolButton;

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

class VolumeProgressView : public QSlider {
    Q_OBJECT
public:
    explicit VolumeProgressView(QWidget* parent = nullptr);

    double duration() const { return bar_.duration; }
    void setDuration(double seconds);
    double currentTime() const { return currentTime_; }
    void setCurrentTime(double seconds);
    bool isInSeek() const { return isInSeek_; }
    rules::ProgressBar geometry() const;
    QSize sizeHint() const override { return {240, 24}; }

signals:
    void seek(double seconds);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void actionForType(rules::ProgressDragType type, double x);
    void syncSliderValue();

    rules::ProgressBar bar_;
    double currentTime_ = 0.0;
    bool isInSeek_ = false;
    rules::ProgressDragType pressType_ = rules::ProgressDragType::None;
};

class PreviewTransport : public QWidget {
    Q_OBJECT
public:
    PreviewTransport(PreviewPlayer& player, QWidget* parent = nullptr);
    QToolButton& playButton() { return *playButton_; }
    VolumeProgressView& progressView() { return *progress_; }
    // Duration from the player's sections, knob at the player's time.
    void reset();

private:
    void flushPlayPauseButtonImage();

    PreviewPlayer& player_;
    QToolButton* playButton_ = nullptr;
    VolumeProgressView* progress_ = nullptr;
};

}  // namespace wavomer::app
