// PanelEditSession: the life of one opening of the volume, fade or effect panel. It
// splits the selected tracks at the selected range and takes the selected sections
// as the panel opens; every live change the panel makes (a knob drag, a slider move)
// is a user event of its own, so the sections, the waveform and the preview follow
// at once; and the panel then either keeps the whole change as one undo step or drops
// it, leaving the sections, the split, the undo and redo history and the edited mark
// exactly as they were before the panel opened.
//
// Threads: main thread only, outside any user event (each member opens its own).
//
// Invariants: after keep() or drop() the session is closed and further changes are
// ignored; destroying an open session drops it.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "engine/EditTransaction.h"
#include "engine/UndoManager.h"
#include "engine/WaveEditViewController.h"

namespace wavomer {

class PanelEditSession {
public:
    // Takes the checkpoint and the selected sections (one list per selected track that
    // has sections in the range; none when nothing is selected).
    explicit PanelEditSession(WaveEditViewController& engine);
    ~PanelEditSession();
    PanelEditSession(const PanelEditSession&) = delete;
    PanelEditSession& operator=(const PanelEditSession&) = delete;

    const std::vector<SectionArray>& sectionArrayArray() const { return sections_; }
    bool isOpen() const { return open_; }

    // Runs change inside one user event (ignored once the session is closed).
    void change(const std::function<void(WaveEditViewController&)>& change);
    // OK: every change made since opening becomes one undo step.
    void keep();
    // Cancel and the close button: every change made since opening is undone and the
    // history is put back as it was.
    void drop();

private:
    WaveEditViewController& engine_;
    EditTransaction transaction_;
    bool open_ = true;
    std::vector<SectionArray> sections_;
};

}  // namespace wavomer
