// The editing panels of the main window: volume, custom fade, effects and the insert
// dialog. openEditPanel runs the panel of one command of the command table.
//
// Threads: main thread.
#pragma once

#include <QString>

namespace wavomer::app {

class MainWindow;

// Opens the panel of command id for window and returns true, or returns false when id
// names no editing panel.
bool openEditPanel(MainWindow& window, const QString& id);

}  // namespace wavomer::app
