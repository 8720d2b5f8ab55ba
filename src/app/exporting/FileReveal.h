// Showing exported files on the desktop: revealing them in the file manager through
// org.freedesktop.FileManager1.ShowItems on the session bus, falling back to opening
// their folder when no file manager answers; and opening files in the desktop's default
// application (the audio player, the PDF viewer). Tests replace the opener to see what
// would have been opened.
//
// Threads: main thread.
#pragma once

#include <QStringList>
#include <QUrl>
#include <functional>

namespace wavomer::app {

// Opens a URL with the desktop's default application; true when that was started.
bool openUrlOnDesktop(const QUrl& url);
// Replaces the opener (tests); an empty function restores QDesktopServices.
using UrlOpener = std::function<bool(const QUrl&)>;
void setUrlOpener(UrlOpener opener);

enum class Revealed { byFileManager, byOpeningFolder, notAtAll };
// Selects the files in the file manager; without one, opens the first file's folder.
Revealed revealFiles(const QStringList& paths);
// Opens every file, one by one, in its default application.
void openFilesOnDesktop(const QStringList& paths);

}  // namespace wavomer::app
