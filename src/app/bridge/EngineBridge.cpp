#include "bridge/EngineBridge.h"

#include <QMetaObject>

namespace wavomer::app {

EngineBridge::EngineBridge(QObject* parent) : QObject(parent) {}

VisibleRegion EngineBridge::visibleRegion() const { return window_ ? window_->visibleRegion() : VisibleRegion{}; }

void EngineBridge::setVisibleOriginX(double x) {
    if (window_) window_->setVisibleOriginX(x);
}

double EngineBridge::screenHeight() const { return window_ ? window_->screenHeight() : 0.0; }

double EngineBridge::windowHeight() const { return window_ ? window_->windowHeight() : 0.0; }

void EngineBridge::setWindowHeightKeepingTop(double height) {
    if (window_) window_->setWindowHeightKeepingTop(height);
}

void EngineBridge::userEventEnded(bool changed) {
    emit userEventFinished(changed);
    // Every event may change what is enabled (a selection, the cursor); one that changed
    // the project also changes what the views show.
    request(changed ? kReload | kStates : kStates);
}

void EngineBridge::request(unsigned what) {
    const bool scheduled = pending_ != 0;
    pending_ |= what;
    if (!scheduled) QMetaObject::invokeMethod(this, &EngineBridge::flush, Qt::QueuedConnection);
}

void EngineBridge::flush() {
    const unsigned what = pending_;
    pending_ = 0;
    if (what & kReload) emit projectChanged();
    else if (what & kRedraw) emit rowsRedrawRequested();
    if (what & (kReload | kStates)) emit buttonStatesChanged();
}

void EngineBridge::flushPlayerTimeString() {
    if (timeStringPending_) return;
    timeStringPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            timeStringPending_ = false;
            emit playerTimeChanged();
        },
        Qt::QueuedConnection);
}

void EngineBridge::seekPlayerCurrentTime(double seconds) {
    if (playback_) playback_->setPlayerCurrentTime(seconds);
}

bool EngineBridge::confirmDeleteTracks(int64_t first, int64_t last) {
    return window_ && window_->confirmDeleteTracks(first, last);
}

}  // namespace wavomer::app
