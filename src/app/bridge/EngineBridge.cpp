#include "bridge/EngineBridge.h"

#include <QMetaObject>

namespace wavomer::app {

EngineBridge::EngineBridge(QObject* parent) : QObject(parent) {}

VisibleRegion EngineBridge::visibleRegion() const {
    return visibleRegionSource ? visibleRegionSource() : VisibleRegion{};
}

void EngineBridge::setVisibleOriginX(double x) {
    if (visibleOriginSink) visibleOriginSink(x);
}

void EngineBridge::flushButtonStates() {
    if (buttonStatesPending_) return;
    buttonStatesPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            buttonStatesPending_ = false;
            emit buttonStatesChanged();
        },
        Qt::QueuedConnection);
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
    return deleteConfirmation ? deleteConfirmation(first, last) : false;
}

}  // namespace wavomer::app
