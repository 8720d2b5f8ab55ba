// OutputFile: how every output of the program (an import's sample data file, a
// render, an export, a saved archive) reaches its place without ever destroying
// a file it was not asked to write.
//
// A regular target (or a missing one) is written under a hidden temporary name
// beside it, ".NAME.part-PID-RANDOM", and renamed over it only by commit(); a
// failure or a destroyed OutputFile leaves the target as it was. A symbolic link
// to a regular file keeps the link: its final target is replaced. A target that
// is not a regular file (a device, a FIFO, "-" for standard output) is written in
// place, never replaced. A target that is one of the command's inputs (the same
// file through any path or link) is refused before anything is opened.
//
// Temporaries carry the writing process's id, so that a later writer into the
// same folder can remove the ones a killed process left behind.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "util/Outcome.h"

namespace wavomer {

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&& other) noexcept;

    // Plans the output at target. A failure (about target) when the target
    // is one of inputs, is a folder, or its folder cannot take a temporary file.
    // A regular target's temporary is created here (empty, exclusively).
    Outcome<> prepare(const std::string& target, const std::vector<std::string>& inputs);

    // The path the writer opens: the temporary, or the target itself when it is
    // written in place; "/dev/stdout" for "-".
    const std::string& writePath() const { return writePath_; }
    const std::string& target() const { return target_; }
    bool inPlace() const { return inPlace_; }
    bool toStandardOutput() const { return standardOutput_; }

    // Flushes the temporary and renames it over the target (and flushes the
    // folder). A no-op for in-place outputs. On failure the temporary is removed
    // and the target untouched.
    Outcome<> commit();
    // Removes the temporary, if any; the target stays as it was.
    void abandon();

private:
    std::string target_;     // what the user named
    std::string finalPath_;  // where the rename lands (a link's target)
    std::string writePath_;
    bool inPlace_ = false;
    bool standardOutput_ = false;
    bool pending_ = false;  // a temporary exists that commit or abandon must settle
};

// True when a and b name the same existing file (after following links).
bool isSameFile(const std::string& a, const std::string& b);

// A fresh hidden temporary name beside target: ".NAME.part-PID-RANDOM".
std::string temporaryPathBeside(const std::string& target);

// Removes the hidden temporaries in folder that this program's processes left
// behind and whose process is gone. Quietly ignores what it cannot remove.
void removeStaleTemporaries(const std::string& folder);

// Whether a process with this id is running (or exists but is not ours to signal).
bool processIsAlive(pid_t pid);

}  // namespace wavomer
