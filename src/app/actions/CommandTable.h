// The window's commands as rows of a table: the id, the menu and its place there, the
// text, the shortcut, the toolbar it also stands on, the rule that enables it, how it
// runs and the handler that runs it. A command the core rules names its WindowCommand:
// its id is the core's action name and its rule the core's; the edit commands follow
// the edit view's rules; file and application commands are always enabled.
//
// The table's header has no Qt, so the rules are tested without a window; the handlers
// (defined with the rows) open the panels and dialogs through the window's context.
//
// Threads: main thread.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "engine/WindowState.h"

namespace wavomer::app {

struct WindowContext;

enum class Menu { file, edit, track, control, view, help };

// The edit view's rules for the edit menu, and the undo history's.
enum class EditRule { none, deleteKey, cutCopy, paste, selectAll, undo, redo, selection };

// An edit runs inside one user event (one undo step, one change notice); a dialog or
// program command runs as it is, and its dialogs open their own events.
enum class CommandKind { edit, dialog };

enum class Toolbar { none, tools, transport };

struct CommandRow {
    std::optional<WindowCommand> windowCommand;  // the core's command: its rule (and id)
    std::string_view ownId;                      // the id of a command the core names not
    Menu menu;
    const char* text;      // English; the key of its translation ("%1" is the program's name)
    const char* shortcut;  // portable key sequence text; every command has one
    EditRule editRule;
    CommandKind kind;
    void (*run)(WindowContext& context);
    bool separatorBefore = false;  // a separator above it in its menu
    Toolbar toolbar = Toolbar::none;
    bool toolbarSeparatorBefore = false;

    // The command's id: its own, or the core's action name.
    std::string_view id() const { return ownId.empty() && windowCommand ? actionName(*windowCommand) : ownId; }
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
