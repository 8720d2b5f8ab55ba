#include "util/FileIdentity.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace wavomer {

namespace {

uint64_t hashOfFile(int fd) {
    uint64_t hash = 14695981039346656037ull;
    std::vector<unsigned char> buffer(size_t{1} << 16);
    off_t position = 0;
    for (;;) {
        ssize_t got = ::pread(fd, buffer.data(), buffer.size(), position);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        for (ssize_t i = 0; i < got; ++i) hash = (hash ^ buffer[static_cast<size_t>(i)]) * 1099511628211ull;
        position += got;
    }
    return hash;
}

}  // namespace

FileIdentity identityOf(const std::string& path) {
    FileIdentity identity;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return identity;
    identity.exists = true;
    identity.device = info.st_dev;
    identity.inode = info.st_ino;
    identity.size = info.st_size;
    identity.modifiedNanoseconds = int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    if (!S_ISREG(info.st_mode)) return identity;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return identity;
    identity.hash = hashOfFile(fd);
    ::close(fd);
    return identity;
}

}  // namespace wavomer
