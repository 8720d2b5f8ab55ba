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
    undoIds_.push_back(++lastStepId_);
    openGroup_.clear();
}

uint64_t UndoManager::historyPosition() const {
    if (!openGroup_.empty()) return lastStepId_ + 1;
    return undoIds_.empty() ? 0 : undoIds_.back();
}

void UndoManager::registerUndo(Action inverse) {
    ++changeCount_;
    if (replayTarget_) {
        // Replaying a step: the inverse recorded now belongs to the opposite step.
        replayTarget_->push_back(std::move(inverse));
        return;
    }
    redoSteps_.clear();
    redoIds_.clear();
    openGroup_.push_back(std::move(inverse));
}

void UndoManager::replay(std::vector<Step>& from, bool undoing) {
    closeOpenGroup();
    if (from.empty()) return;
    std::vector<uint64_t>& fromIds = undoing ? undoIds_ : redoIds_;
    Step step = std::move(from.back());
    from.pop_back();
    const uint64_t id = fromIds.back();
    fromIds.pop_back();
    Step opposite;
    replayTarget_ = &opposite;
    undoing_ = undoing;
    redoing_ = !undoing;
    for (auto it = step.rbegin(); it != step.rend(); ++it) (*it)();
    replayTarget_ = nullptr;
    undoing_ = false;
    redoing_ = false;
    if (opposite.empty()) return;
    if (undoing) {
        redoSteps_.push_back(std::move(opposite));
        redoIds_.push_back(id);
    } else {
        undoSteps_.push_back(std::move(opposite));
        undoIds_.push_back(id);
    }
}

void UndoManager::undo() { replay(undoSteps_, true); }

void UndoManager::redo() { replay(redoSteps_, false); }

UndoManager::Checkpoint UndoManager::checkpoint() const {
    return Checkpoint{undoSteps_.size(), redoSteps_, redoIds_};
}

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
    // The joined step brings back the state the last of them made.
    const uint64_t id = undoIds_.back();
    undoIds_.resize(checkpoint.undoDepth);
    undoIds_.push_back(id);
}

void UndoManager::rollBackTo(const Checkpoint& checkpoint) {
    closeOpenGroup();
    while (undoSteps_.size() > checkpoint.undoDepth) undo();
    redoSteps_ = checkpoint.redoSteps;
    redoIds_ = checkpoint.redoIds;
}

void UndoManager::removeAllActions() {
    undoSteps_.clear();
    redoSteps_.clear();
    undoIds_.clear();
    redoIds_.clear();
    // The number a dropped group would have got names no state from now on.
    if (!openGroup_.empty()) ++lastStepId_;
    openGroup_.clear();
}

}  // namespace wavomer
