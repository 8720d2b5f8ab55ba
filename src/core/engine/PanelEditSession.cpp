#include "engine/PanelEditSession.h"

#include "engine/UserEvent.h"

namespace wavomer {

PanelEditSession::PanelEditSession(WaveEditViewController& engine)
    : engine_(engine), transaction_(engine) {
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
    transaction_.keep();
}

void PanelEditSession::drop() {
    if (!open_) return;
    open_ = false;
    transaction_.rollBack();
}

}  // namespace wavomer
