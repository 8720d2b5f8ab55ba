#include "engine/UndoManager.h"

#include <utility>

namespace wavomer {

void UndoManager::beginEvent() { ++eventDepth_; }

void UndoManager::endEvent() {
    if (eventDepth_ > 0) --eventDepth_;
    if (eventDepth_ == 0) closeOpenGroup();
}

void UndoManager::closeOpenGroup() {
    if (openGroup_.empty()) return;
    undoSteps_.push_back(std::move(openGroup_));
    openGroup_.clear();
}

void UndoManager::registerUndo(Action inverse) {
    ++changeCount_;
    if (replayTarget_) {
        // Replaying a step: the inverse recorded now belongs to the opposite step.
        replayTarget_->push_back(std::move(inverse));
        return;
    }
    redoSteps_.clear();
    openGroup_.push_back(std::move(inverse));
}

void UndoManager::replay(std::vector<Step>& from, bool undoing) {
    closeOpenGroup();
    if (from.empty()) return;
    Step step = std::move(from.back());
    from.pop_back();
    Step opposite;
    replayTarget_ = &opposite;
    undoing_ = undoing;
    redoing_ = !undoing;
    for (auto it = step.rbegin(); it != step.rend(); ++it) (*it)();
    replayTarget_ = nullptr;
    undoing_ = false;
    redoing_ = false;
    if (opposite.empty()) return;
    if (undoing) redoSteps_.push_back(std::move(opposite));
    else undoSteps_.push_back(std::move(opposite));
}

void UndoManager::undo() { replay(undoSteps_, true); }

void UndoManager::redo() { replay(redoSteps_, false); }

UndoManager::Checkpoint UndoManager::checkpoint() const { return Checkpoint{undoSteps_.size(), redoSteps_}; }

void UndoManager::mergeStepsSince(const Checkpoint& checkpoint) {
    closeOpenGroup();
    if (undoSteps_.size() <= checkpoint.undoDepth + 1) return;
    // Replay runs a step's actions last to first, so the steps joined in order undo
    // the newest change first, as separate undos would.
    Step merged;
    for (size_t i = checkpoint.undoDepth; i < undoSteps_.size(); ++i)
        for (auto& action : undoSteps_[i]) merged.push_back(std::move(action));
    undoSteps_.resize(checkpoint.undoDepth);
    undoSteps_.push_back(std::move(merged));
}

void UndoManager::rollBackTo(const Checkpoint& checkpoint) {
    closeOpenGroup();
    while (undoSteps_.size() > checkpoint.undoDepth) undo();
    redoSteps_ = checkpoint.redoSteps;
}

void UndoManager::removeAllActions() {
    undoSteps_.clear();
    redoSteps_.clear();
    openGroup_.clear();
}

}  // namespace wavomer
