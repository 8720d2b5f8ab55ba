// The window's commands as rows of a table: id, menu, text, shortcut and the rule that
// enables it. Commands the main window's validation table rules name their core
// WindowCommand and are decided by the core's ruleHolds; the edit commands follow the
// edit view's rules; file and application commands are always enabled. No Qt here, so
// the rules are tested without a window.
//
// Threads: main thread.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "engine/WindowState.h"

namespace wavomer::app {

enum class Menu { file, edit, track, control, view, help };

// The edit view's rules for the edit menu, and the undo history's.
enum class EditRule { none, deleteKey, cutCopy, paste, selectAll, undo, redo };

struct CommandRow {
    std::string_view id;
    Menu menu;
    const char* text;      // English; the key of its translation ("%1" is the program's name)
    const char* shortcut;  // portable key sequence text; every command has one
    std::optional<WindowCommand> windowCommand;
    EditRule editRule = EditRule::none;
    bool onToolbar = false;
};

// What the edit rules read besides the state flags.
struct EditState {
    bool canUndo = false;
    bool canRedo = false;
    bool canPaste = false;
    bool markerSelected = false;
};

const CommandRow* commandRows(std::size_t* count);
const CommandRow* commandRow(std::string_view id);

// Whether the command is enabled: never while recording; otherwise its rule.
bool commandEnabled(const CommandRow& row, const StateFlags& flags, const EditState& edit, bool isRecording);

}  // namespace wavomer::app
