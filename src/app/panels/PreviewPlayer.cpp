#include "panels/PreviewPlayer.h"

#include "base/Palette.h"
#include "base/Text.h"

namespace wavomer::app {

PreviewPlayer::PreviewPlayer(ProjectLock& lock, OutputDevice device, QObject* parent)
    : QObject(parent), lock_(lock), source_(lock), player_(makeOutputAudioGraph(device)) {
    player_.setDelegate(&source_);
    timer_.setInterval(kProgressTickMs);
    connect(&timer_, &QTimer::timeout, this, &PreviewPlayer::updateProgressWhenPlay);
}

PreviewPlayer::~PreviewPlayer() { release(); }

void PreviewPlayer::setSections(std::vector<SectionArray> arrays, int64_t channels) {
    if (isPlaying()) player_.stop();
    timer_.stop();
    source_.setSections(std::move(arrays), channels);
    player_.setCurrentTime(0.0);
    emit playPauseImageChanged();
    emit progressChanged(0.0);
}

void PreviewPlayer::playPauseAction() {
    if (!isPlaying()) {
        timer_.start();
        player_.start();
    } else {
        player_.stop();
        timer_.stop();
    }
    emit playPauseImageChanged();
}

void PreviewPlayer::stopPlayer() {
    player_.stop();
    timer_.stop();
    seek(0.0);
    emit playPauseImageChanged();
    emit progressChanged(currentTime());
}

void PreviewPlayer::seek(double seconds) { player_.setCurrentTime(seconds); }

void PreviewPlayer::updateProgressWhenPlay() {
    if (currentTime() >= sectionsDuration()) {
        timer_.stop();
        QMetaObject::invokeMethod(this, &PreviewPlayer::stopPlayer, Qt::QueuedConnection);
    }
    emit progressChanged(currentTime());
}

void PreviewPlayer::release() {
    if (isPlaying()) player_.stop();
    timer_.stop();
    // The output thread reads no more once the graph stopped; the lock keeps a block
    // that was already being filled from racing the release.
    std::lock_guard guard(lock_);
    source_.release();
}

}  // namespace wavomer::app
