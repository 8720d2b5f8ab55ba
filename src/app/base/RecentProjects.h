// RecentProjects: the projects the user opened or saved last. Each is put first in the
// user configuration's list (the ten newest, kept across runs) and added to the desktop's
// recently-used list, the freedesktop "recently-used.xbel" in the XDG data folder, so that
// file choosers and launchers offer it too. That file is rewritten atomically in the form
// GLib writes it, every other entry kept as it was.
//
// Threads: main thread.
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "util/Outcome.h"

namespace wavomer::app {

// Remembers folder (a project folder, as the system's bytes) in both lists; a failure to
// write either is logged, never shown: the project itself is fine.
void rememberRecentProject(const std::string& folder);
// The recent projects that still exist, newest first; the missing ones leave the list.
std::vector<std::string> recentProjects();
void clearRecentProjects();

// The desktop's list: XDG_DATA_HOME (or ~/.local/share) + "/recently-used.xbel".
QString recentlyUsedFile();
// Adds or refreshes the entry of path in the list at file (made when missing).
Outcome<> addToRecentlyUsed(const QString& path, const QString& file);

}  // namespace wavomer::app
