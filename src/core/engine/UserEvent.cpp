#include "engine/UserEvent.h"

#include "engine/WaveEditViewController.h"

namespace wavomer {

UserEvent::UserEvent(WaveEditViewController& engine) : engine_(engine) {
    engine_.projectLock.lock();
    engine_.undoManager().beginEvent();
    ++engine_.userEventDepth_;
    changesBefore_ = engine_.undoManager().changeCount();
    clearsBefore_ = engine_.editedMarkClears_;
}

UserEvent::~UserEvent() {
    // A load or a save in the event settles the mark itself.
    const bool changed =
        engine_.undoManager().changeCount() != changesBefore_ && engine_.editedMarkClears_ == clearsBefore_;
    --engine_.userEventDepth_;
    engine_.undoManager().endEvent();
    if (changed) engine_.projectChangedByEvent();
    engine_.projectLock.unlock();
    // The outermost event saw every change of the inner ones.
    if (engine_.userEventDepth_ == 0) engine_.host().userEventEnded(changed);
}

}  // namespace wavomer
