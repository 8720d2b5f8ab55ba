// EditTransaction: an edit made of several user events that is then either kept as one
// undo step or rolled back exactly: the sections, the undo and redo history and the
// edited mark as they were when it began. The volume, fade and effect panels' sessions
// and the placing of a recording use it.
//
// Threads: main thread only, outside any user event (rollBack opens its own).
#pragma once

#include "engine/UndoManager.h"

namespace wavomer {

class WaveEditViewController;

class EditTransaction {
public:
    explicit EditTransaction(WaveEditViewController& engine);

    // Every step made since it began becomes one undo step.
    void keep();
    // Every step made since it began is undone and dropped from the history; the edited
    // mark is what it was.
    void rollBack();

private:
    WaveEditViewController& engine_;
    UndoManager::Checkpoint checkpoint_;
};

}  // namespace wavomer
