// RecoveryFolders: where the unsaved edits of every open document are kept, so that a
// crash, a kill or a power cut loses none of them, and how such a folder is read.
//
// Each document has a folder of its own under recoveryRootFolder(), named
// "PID-RANDOM", holding the keyed archive of its timeline ("project-N.plist", the same
// format as "project.plist") and "recovery.info", lines of "key=value" after the
// first line "wavomer-recovery 1":
//
//     pid, program     the process writing it (alive as long as the program runs)
//     name             the document's display name
//     project          its project folder (absent while untitled)
//     edited           the Unix time of its last change, in milliseconds
//     importFolder     the folder its converted audio lives in
//     unsaved          1 while the document differs from its file, 0 after a save
//     archive          the archive's file name in the folder
//     tracks           how many tracks the archive holds
//     recording        while a recording runs: its file, then recordStart (the
//     recordStart,     timeline time it started at) and recordTracks (the numbers of
//     recordTracks     the tracks it goes to, from 0, separated by commas)
//
// Every file is written under a temporary name, flushed, renamed into place and the
// folder flushed, and a new archive gets a new name that "recovery.info" then points
// to, so any moment leaves the previous snapshot or the new one, never a torn one.
// Reading is as strict as reading a project: regular files only, bounded sizes, no
// NUL or line break in a path, absolute paths, plain archive names.
//
// Threads: any; the functions touch only the file system.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "util/Outcome.h"

namespace wavomer {

struct RecoveryInfo {
    std::string id;      // the folder's name
    std::string folder;  // its path
    pid_t pid = 0;
    std::string program;
    std::string name;
    std::optional<std::string> project;
    int64_t editedMilliseconds = 0;
    std::string importFolder;
    bool unsaved = true;
    std::string archive;
    int64_t tracks = 0;
    // A recording that ran when the snapshot was written.
    std::optional<std::string> recording;
    double recordStart = 0.0;
    std::vector<int64_t> recordTracks;
};

struct RecoveryEntry {
    std::string id;
    std::string folder;
    Outcome<RecoveryInfo> info;  // the failure says why the folder cannot be read
    bool live = false;           // its process still runs
};

inline constexpr const char* kRecoveryInfoName = "recovery.info";

// $XDG_STATE_HOME/org.wavomer.Wavomer/recovery (~/.local/state/… by default).
std::string recoveryRootFolder();

// "recovery.info" of a recovery folder, read strictly.
Outcome<RecoveryInfo> readRecoveryInfo(const std::string& folder);
// The text of "recovery.info" for info.
std::string recoveryInfoText(const RecoveryInfo& info);

// Every recovery folder under the root, in name order.
std::vector<RecoveryEntry> listRecoveryFolders();
// The folder of id under the root, when id is a plain folder name that exists there.
std::optional<std::string> recoveryFolderOf(const std::string& id);

// The import folders that recovery folders still name (read leniently, so that a
// damaged folder keeps its audio too): the sweep of abandoned import folders keeps them.
std::set<std::string> importFoldersKeptForRecovery();

// Writes name in folder durably: temporary name, fdatasync, rename, fsync of the folder.
Outcome<> writeFileDurably(const std::string& folder, const std::string& name, std::string_view bytes);

// Removes a recovery folder; its import folder goes too when its process is gone and
// no other recovery folder names it.
void removeRecoveryFolder(const std::string& folder, const std::optional<RecoveryInfo>& info);

// Whether the process pid runs the program named (the system's "comm" name).
bool processRunsProgram(pid_t pid, const std::string& program);
// The system's name for this process.
std::string ownProgramName();

}  // namespace wavomer
