#include "engine/PanelEditSession.h"

#include "engine/UserEvent.h"

namespace wavomer {

PanelEditSession::PanelEditSession(WaveEditViewController& engine)
    : engine_(engine), checkpoint_(engine.undoManager().checkpoint()), editedBefore_(engine.isDocumentEdited()) {
    UserEvent event(engine_);
    if (auto selected = engine_.getSelectedSectionsArray()) sections_ = std::move(*selected);
}

PanelEditSession::~PanelEditSession() {
    if (open_) drop();
}

void PanelEditSession::change(const std::function<void(WaveEditViewController&)>& change) {
    if (!open_) return;
    UserEvent event(engine_);
    change(engine_);
}

void PanelEditSession::keep() {
    if (!open_) return;
    open_ = false;
    engine_.undoManager().mergeStepsSince(checkpoint_);
}

void PanelEditSession::drop() {
    if (!open_) return;
    open_ = false;
    {
        UserEvent event(engine_);
        engine_.undoManager().rollBackTo(checkpoint_);
    }
    // Undoing counted as a change; the project is now as it was, mark included.
    if (engine_.isDocumentEdited() != editedBefore_) engine_.setDocumentEdited(editedBefore_);
}

}  // namespace wavomer
