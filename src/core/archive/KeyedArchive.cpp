// Reading and writing whole archive files. A write goes to a temporary file beside
// the target, is flushed to disk and only then renamed over the old file, so a
// crash or a full disk leaves either the old file or the new one, never a torn one.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "archive/KeyedArchive.h"
#include "util/OutputFile.h"

namespace wavomer::archive {

namespace {

// The permissions a newly created file gets under the process's umask. Read from
// /proc because umask() itself can only be read by changing it.
mode_t defaultFileMode() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) return 0666 & ~static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    }
    return 0644;
}

bool writeAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

Outcome<> writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    // The temporary carries this process's id, so that the next writer into the
    // folder can remove it if this process is killed before the rename.
    removeStaleTemporaries(folder);
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = temporaryPathBeside((folder == "/" ? "" : folder) + "/" + name);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return Failure::system(path, "cannot create a temporary file", errno);
    auto abandon = [&](const char* what) -> Outcome<> {
        const int saved = errno;
        if (fd >= 0) ::close(fd);
        ::unlink(temporary.c_str());
        return Failure::system(path, what, saved);
    };
    struct stat old {};
    const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : defaultFileMode();
    if (::fchmod(fd, mode) != 0) return abandon("cannot set the permissions");
    if (!writeAll(fd, bytes.data(), bytes.size())) return abandon("cannot write");
    if (::fsync(fd) != 0) return abandon("cannot flush");
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0) return abandon("cannot write");
    if (::rename(temporary.c_str(), path.c_str()) != 0) return abandon("cannot replace the file");
    // The rename itself is durable only once the folder is flushed.
    int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return {};
}

Outcome<std::vector<uint8_t>> readWholeFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    // Non-blocking so that a named pipe in the file's place cannot hang the open.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return Failure::system(path, "cannot open", errno);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return Failure::at(path, "cannot read: not a regular file");
    }
    if (static_cast<uint64_t>(info.st_size) > kMaxArchiveBytes) {
        ::close(fd);
        return Failure::at(path, "cannot read: larger than 64 MiB");
    }
    bytes.resize(static_cast<size_t>(info.st_size));
    size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            // The file may have grown since fstat; read on, within the limit.
            if (bytes.size() > kMaxArchiveBytes) break;
            bytes.resize(bytes.size() + 4096);
        }
        ssize_t n = ::read(fd, bytes.data() + filled, bytes.size() - filled);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int saved = errno;
            ::close(fd);
            return Failure::system(path, "cannot read", saved);
        }
        if (n == 0) break;
        filled += static_cast<size_t>(n);
    }
    ::close(fd);
    bytes.resize(filled);
    if (filled > kMaxArchiveBytes) return Failure::at(path, "cannot read: larger than 64 MiB");
    return bytes;
}

}  // namespace wavomer::archive
