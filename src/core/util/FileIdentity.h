// FileIdentity: what a file was when the program last read or wrote it, so that a
// later save can tell whether another program has changed it since: its device,
// inode, size and modification time, and a hash of its bytes (a rewrite within the
// same second, of the same size, on a reused inode is still told apart).
//
// Threads: any; a plain value.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace wavomer {

struct FileIdentity {
    bool exists = false;  // something is at the path (not followed when it is a link)
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    int64_t modifiedNanoseconds = 0;
    uint64_t hash = 0;  // FNV-1a of the bytes; 0 for what is not a readable regular file

    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file at path (a link itself, never its target).
FileIdentity identityOf(const std::string& path);

}  // namespace wavomer
