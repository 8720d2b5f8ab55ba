#include "engine/EditTransaction.h"

#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"

namespace wavomer {

EditTransaction::EditTransaction(WaveEditViewController& engine)
    : engine_(engine), checkpoint_(engine.undoManager().checkpoint()) {}

void EditTransaction::keep() { engine_.undoManager().mergeStepsSince(checkpoint_); }

void EditTransaction::rollBack() {
    // The history is back where it began, and with it the edited mark.
    UserEvent event(engine_);
    engine_.undoManager().rollBackTo(checkpoint_);
}

}  // namespace wavomer
