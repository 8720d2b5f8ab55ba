// UndoManager: records the inverse of every model change as a call to replay, groups
// the calls made while one user event is handled into one undo step, and replays a
// step's calls in reverse order. A call replayed during undo records its own inverse
// again, which becomes the redo step (and the other way round), so undo and redo are
// symmetric without any snapshot of the project.
//
// Threads: main thread only.
//
// Invariants: an event's group with no actions leaves no step; a new change made
// outside undo or redo clears the redo steps.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace wavomer {

class UndoManager {
public:
    using Action = std::function<void()>;

    // The user events: every action registered between begin and end is one step.
    // Registering outside an event opens a group that the next endEvent closes.
    void beginEvent();
    void endEvent();

    void registerUndo(Action inverse);

    bool canUndo() const { return !undoSteps_.empty(); }
    bool canRedo() const { return !redoSteps_.empty(); }
    void undo();
    void redo();
    bool isUndoing() const { return undoing_; }
    bool isRedoing() const { return redoing_; }
    void removeAllActions();
    size_t undoStepCount() const { return undoSteps_.size(); }

    // A panel that changes the project live while it is open (so its preview plays the
    // change) and then keeps or drops the whole change: a checkpoint taken as it opens,
    // and either every step made since joined into one (keep) or undone with the redo
    // steps put back as they were (drop), so the history looks as if the panel had
    // made one edit or none. Taken and used outside any user event.
    struct Checkpoint {
        size_t undoDepth = 0;
        std::vector<std::vector<Action>> redoSteps;
        std::vector<uint64_t> redoIds;
    };
    Checkpoint checkpoint() const;
    void mergeStepsSince(const Checkpoint& checkpoint);
    void rollBackTo(const Checkpoint& checkpoint);
    // Grows with every action registered (also while undoing or redoing): an event
    // that moved it changed the project.
    uint64_t changeCount() const { return changeCount_; }
    // Where the history stands, as the step that made the present state: the same
    // number whenever undo or redo returns to that state, one no other state has, 0
    // for the state before every step; while an event's changes are not yet closed
    // into a step, the number that step will get. A project saved at one position is
    // unchanged exactly when the history is back there.
    uint64_t historyPosition() const;

private:
    using Step = std::vector<Action>;
    void closeOpenGroup();
    void replay(std::vector<Step>& from, bool undoing);

    std::vector<Step> undoSteps_;
    std::vector<Step> redoSteps_;
    // Each step's position (see historyPosition), beside it; a step undone keeps its
    // number on the redo side, as redoing it brings that state back.
    std::vector<uint64_t> undoIds_;
    std::vector<uint64_t> redoIds_;
    uint64_t lastStepId_ = 0;
    Step openGroup_;
    int eventDepth_ = 0;
    uint64_t changeCount_ = 0;
    bool undoing_ = false;
    bool redoing_ = false;
    Step* replayTarget_ = nullptr;
};

}  // namespace wavomer
