// Opening a file that should be one of our sample data files, for a look at it or
// to copy it, without trusting what the path names: a project's archive is data,
// and its paths may name anything on the machine.
#pragma once

#include <string>

namespace wavomer {

struct SampleDataOpen {
    enum class Status {
        Opened,         // fd is a regular file starting with the sample data magic
        Missing,        // nothing at the path (or a folder on the way is missing)
        NotSampleData,  // something is there, but not a sample data file of ours
        Failed,         // the file could not be opened or read (permission, I/O)
    };
    Status status = Status::Failed;
    int fd = -1;        // open read-only, close-on-exec, when Opened
    std::string error;  // the system's reason, or what the file is instead
};

// Opens path read-only without blocking (a FIFO or a device never hangs the call)
// and without following a symbolic link in its last component; only a regular
// file whose header carries the sample data magic is Opened. The caller closes fd.
SampleDataOpen openSampleDataFile(const std::string& path);

// True when path opens as a sample data file.
bool isSampleDataFile(const std::string& path);

}  // namespace wavomer
