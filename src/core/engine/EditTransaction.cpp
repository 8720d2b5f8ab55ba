#include "engine/EditTransaction.h"

#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"

namespace wavomer {

EditTransaction::EditTransaction(WaveEditViewController& engine)
    : engine_(engine), checkpoint_(engine.undoManager().checkpoint()), editedBefore_(engine.isDocumentEdited()) {}

void EditTransaction::keep() { engine_.undoManager().mergeStepsSince(checkpoint_); }

void EditTransaction::rollBack() {
    {
        UserEvent event(engine_);
        engine_.undoManager().rollBackTo(checkpoint_);
    }
    // Undoing counted as a change; the project is now as it was, mark included.
    if (engine_.isDocumentEdited() != editedBefore_) engine_.setDocumentEdited(editedBefore_);
}

}  // namespace wavomer
