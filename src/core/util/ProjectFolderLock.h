// ProjectFolderLock: the mark a process leaves in a project folder while it edits
// the project, so that two programs never overwrite each other's saves.
//
// The lock is the file ".wavomer.lock" in the folder, holding "PID PROGRAM". It is
// created whole (written under a temporary name, then linked into place), so a
// reader never sees half of it. A lock whose process is gone (killed, crashed) is
// stale and is taken over; so is one whose process id now belongs to another
// program.
//
// Within one process a folder has one holder too: a second document of the same
// process asking for it is refused, naming this process, until the first lets go.
//
// Threads: acquire and release may be called from any thread.
#pragma once

#include <memory>
#include <string>

#include "util/Outcome.h"

namespace wavomer {

class ProjectFolderLock {
public:
    static constexpr const char* kFileName = ".wavomer.lock";

    // The lock of folder (an existing folder) for this process, or a failure naming
    // the process that holds it ("wavomer-cli (process 1234)") or why it could not
    // be made.
    static Outcome<std::shared_ptr<ProjectFolderLock>> acquire(const std::string& folder);

    // Who holds the lock of folder, as "PROGRAM (process PID)", or "" when no live
    // process does.
    static std::string holderOf(const std::string& folder);

    ~ProjectFolderLock();
    ProjectFolderLock(const ProjectFolderLock&) = delete;
    ProjectFolderLock& operator=(const ProjectFolderLock&) = delete;

    // The folder, with links resolved.
    const std::string& folder() const { return folder_; }

private:
    explicit ProjectFolderLock(std::string folder) : folder_(std::move(folder)) {}
    std::string folder_;
};

}  // namespace wavomer
