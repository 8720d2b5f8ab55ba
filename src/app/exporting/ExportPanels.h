// The export side of the main window: the export of the whole project or on its
// markers, the tag dialog and the preferences. openExportPanel runs the one of a
// command of the command table.
//
// Threads: main thread.
#pragma once

#include <QString>

namespace wavomer::app {

class MainWindow;

// Runs command id for window and returns true, or returns false when id names none of
// these commands.
bool openExportPanel(MainWindow& window, const QString& id);

}  // namespace wavomer::app
