#include "panels/PreviewTransport.h"

#include <QHBoxLayout>
#include <QStyle>
#include <QToolButton>

#include "base/Palette.h"
#include "base/Text.h"

namespace wavomer::app {

PreviewTransport::PreviewTransport(PreviewPlayer& player, QWidget* parent) : QWidget(parent), player_(player) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    playButton_ = new QToolButton(this);
    playButton_->setAutoRaise(false);
    progress_ = new VolumeProgressView(this);
    layout->addWidget(playButton_);
    layout->addWidget(progress_, 1);
    connect(playButton_, &QToolButton::clicked, &player_, &PreviewPlayer::playPauseAction);
    connect(&player_, &PreviewPlayer::playPauseImageChanged, this, &PreviewTransport::flushPlayPauseButtonImage);
    connect(&player_, &PreviewPlayer::progressChanged, progress_, &VolumeProgressView::setCurrentTime);
    connect(progress_, &VolumeProgressView::seek, &player_, &PreviewPlayer::seek);
    flushPlayPauseButtonImage();
}

void PreviewTransport::reset() {
    progress_->setDuration(player_.sectionsDuration());
    progress_->setCurrentTime(player_.currentTime());
    flushPlayPauseButtonImage();
}

void PreviewTransport::flushPlayPauseButtonImage() {
    const bool playing = player_.isPlaying();
    playButton_->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    const QString name = playing ? Text::tr("Pause") : Text::tr("Play");
    playButton_->setText(name);
    playButton_->setToolTip(name);
    playButton_->setAccessibleName(name);
}

}  // namespace wavomer::app
