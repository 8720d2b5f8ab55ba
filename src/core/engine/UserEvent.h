// UserEvent: the scope of one user event (a click, a key, a menu command, one line of
// an edit script). It takes the project lock and opens one undo group for as long as
// it lives, and closes both when it goes, so every change the event makes is one
// undo step and no reader renders a half-made change. An event that changed the
// project (it left something to undo) sets the project's edited mark; the outermost
// event tells the host once that it ended and whether it changed the project.
//
// Threads: main thread only. Events nest: an inner one joins the outer's group.
#pragma once

#include <cstdint>

namespace wavomer {

class WaveEditViewController;

class UserEvent {
public:
    explicit UserEvent(WaveEditViewController& engine);
    ~UserEvent();
    UserEvent(const UserEvent&) = delete;
    UserEvent& operator=(const UserEvent&) = delete;

private:
    WaveEditViewController& engine_;
    uint64_t changesBefore_;
    uint64_t clearsBefore_;
};

}  // namespace wavomer
