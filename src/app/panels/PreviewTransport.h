// PreviewTransport: the preview's play button and progress bar side by side, driving
// a PreviewPlayer.
//
// Threads: main thread.
#pragma once

#include <QWidget>

#include "panels/PreviewPlayer.h"
#include "panels/VolumeProgressView.h"

class QToolButton;

namespace wavomer::app {

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
