// The standard folders of the program and the small file-manager helpers that go
// with them (the FileManagerExtention operations). Every folder is derived from the
// XDG base-directory rules, read afresh from the environment on each call:
//
//   output folder        XDG music dir (XDG_MUSIC_DIR in user-dirs.dirs, else ~/Music) + identifier
//   document folder      XDG videos dir (XDG_VIDEOS_DIR, else ~/Videos) + identifier
//   import folder        $XDG_CACHE_HOME (else ~/.cache) + identifier + "ImportDir"
//   application support  $XDG_CONFIG_HOME (else ~/.config) + identifier   ("user.config" lives here)
//   temporary folders    $TMPDIR (else /tmp) + identifier + name
//
// "Created" folders are made with their intermediate folders each time they are asked
// for; creation errors are ignored on purpose (callers find out when they write), and
// such a folder is answered with symbolic links resolved as far as it exists.
//
// Threads: any thread. The functions only read the environment; a test that changes
// HOME or XDG variables must do so while no other thread asks for a folder.
//
// Import files of several running instances never mix: each process keeps the files it
// converts in its own subfolder of the import folder (processImportFolder) and removes
// only that subfolder when it quits (removeProcessImportFolder).
#pragma once

#include <sys/types.h>

#include <string>

#include "util/PathUtil.h"

namespace wavomer::FileManagerExtention {

// --- base locations (not created) -------------------------------------------------

// $HOME, else the password database's home of the current user, else "/".
std::string homeDirectory();
// $XDG_CONFIG_HOME when it is an absolute path, else home + "/.config".
std::string xdgConfigHome();
// $XDG_CACHE_HOME when it is an absolute path, else home + "/.cache".
std::string xdgCacheHome();
// $XDG_STATE_HOME when absolute, else ~/.local/state.
std::string xdgStateHome();
// The user's music folder: XDG_MUSIC_DIR from $XDG_CONFIG_HOME/user-dirs.dirs
// ("$HOME/..." or an absolute path), else home + "/Music".
std::string xdgMusicDirectory();
// The user's videos folder: XDG_VIDEOS_DIR from user-dirs.dirs, else home + "/Videos".
std::string xdgVideosDirectory();
// $TMPDIR when it is an absolute path, else "/tmp".
std::string systemTemporaryDirectory();

// --- the standard folders ----------------------------------------------------------

// Music folder + identifier; created; links resolved.
std::string defaultOutputPath();
// Cache folder + identifier + "ImportDir"; created; links resolved. Holds every
// process's subfolder of converted import files.
std::string defaultImportConvertedPath();
// This process's own subfolder of the import folder ("<pid>-<random hex>"), created
// each time it is asked for. The name is fixed for the life of the process (a forked
// child gets a name of its own).
std::string processImportFolder();
// Removes the subfolders of importFolder whose process is gone (a run killed by a
// signal); processImportFolder does it once per process.
void removeAbandonedImportFolders(const std::string& importFolder);
// The process id an import subfolder's name "PID-HEX" carries, or 0 for another name.
pid_t importFolderOwner(const std::string& name);
// Deletes this process's import subfolder with everything in it, then the import
// folder itself if that is left empty. Other processes' subfolders are never touched.
// Answers false when something could not be deleted.
bool removeProcessImportFolder();
// defaultOutputPath() + "/RecordWavePath.mov"; not created.
std::string defaultRecordPath();
// Videos folder + identifier; created; links resolved.
std::string defaultSaveDocumentPath();
// defaultSaveDocumentPath() + "/project"; created.
std::string projectPath();
// defaultSaveDocumentPath() + "/library"; created.
std::string libraryPath();
// Music folder + identifier; not created; links not resolved.
std::string musicPath();
// Configuration folder + identifier; not created.
std::string applicationSupportPath();
// System temporary folder + identifier + name; created.
std::string tempFileDirectory(const std::string& name);
// A file name in tempFileDirectory(name) that starts with name and names nothing
// that exists yet. The file itself is not created.
std::string tempFilePath(const std::string& name);

// --- helpers -----------------------------------------------------------------------

// True when anything is at path, a dangling symbolic link included.
bool somethingExistsAtPath(const std::string& path);
// True when path names a folder (following symbolic links).
bool isDirectoryAtPath(const std::string& path);
// True when path itself is a symbolic link (dangling ones included).
bool isSymbolicLinkFileAtPath(const std::string& path);
// Creates the folder with its intermediate folders when nothing exists at path.
// Answers true when a folder exists at path afterwards.
bool createDirectoryAtPathIfCan(const std::string& path);
// Deletes whatever is at path (a folder with its contents) and creates the folder
// that will hold it, so a new file can be written there.
void prepareForCreateFilePath(const std::string& path);
// Deletes the system temporary folder + identifier with everything in it.
void removeTempFiles();
// Deletes tempFileDirectory(name)'s folder with everything in it (without creating it first).
void removeTempFile(const std::string& name);
// Makes sure the temporary folder named "defaultRecordPath" exists; deletes nothing.
void removeAllRecordFiles();
// path itself when nothing exists there; otherwise folder + name + n + "." + extension
// for the first n = 1, 2, 3, ... that is free, where a path without extension takes
// "mov". So a taken "Built-in.wav" gives "Built-in1.wav", then "Built-in2.wav".
std::string fullPathWithNumberIncreaseIfExist(const std::string& path);

// --- path pieces with the platform's rules (util/PathUtil.h), here too for callers ---
using wavomer::lastPathComponent;
using wavomer::pathExtension;
using wavomer::stringByAppendingPathComponent;
using wavomer::stringByDeletingLastPathComponent;
using wavomer::stringByDeletingPathExtension;

}  // namespace wavomer::FileManagerExtention
