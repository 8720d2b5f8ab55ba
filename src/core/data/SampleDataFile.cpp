#include "data/SampleDataFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "data/AudioSampleData.h"

namespace wavomer {

SampleDataOpen openSampleDataFile(const std::string& path) {
    SampleDataOpen result;
    if (path.empty() || path.find('\0') != std::string::npos) {
        result.status = SampleDataOpen::Status::NotSampleData;
        result.error = "not a file name";
        return result;
    }
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0) {
        const int error = errno;
        result.error = std::strerror(error);
        if (error == ENOENT || error == ENOTDIR) {
            result.status = SampleDataOpen::Status::Missing;
        } else if (error == ELOOP) {
            result.status = SampleDataOpen::Status::NotSampleData;
            result.error = "a symbolic link";
        } else {
            // A FIFO without a writer opens fine with O_NONBLOCK; a device may refuse.
            struct stat info {};
            const bool special = ::lstat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode);
            result.status = special ? SampleDataOpen::Status::NotSampleData : SampleDataOpen::Status::Failed;
        }
        return result;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        result.error = std::strerror(errno);
        ::close(fd);
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        result.status = SampleDataOpen::Status::NotSampleData;
        result.error = S_ISDIR(info.st_mode) ? "a folder" : "not a regular file";
        return result;
    }
    uint32_t magic = 0;
    ssize_t got;
    do {
        got = ::pread(fd, &magic, sizeof magic, 0);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        result.error = std::strerror(errno);
        ::close(fd);
        return result;
    }
    if (got != sizeof magic || magic != AudioSampleData::kMagic) {
        ::close(fd);
        result.status = SampleDataOpen::Status::NotSampleData;
        result.error = "not a sample data file";
        return result;
    }
    // Reads of a regular file never block; clear the flag so that the copy's reads
    // behave as ordinary ones.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    result.status = SampleDataOpen::Status::Opened;
    result.fd = fd;
    return result;
}

bool isSampleDataFile(const std::string& path) {
    SampleDataOpen opened = openSampleDataFile(path);
    if (opened.fd >= 0) ::close(opened.fd);
    return opened.status == SampleDataOpen::Status::Opened;
}

}  // namespace wavomer
