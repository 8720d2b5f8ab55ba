#include "util/OutputFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "util/PathUtil.h"

namespace wavomer {

namespace {

constexpr const char* kTemporaryMark = ".part-";

std::string randomSuffix() {
    static thread_local std::mt19937_64 generator{std::random_device{}()};
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(generator()));
    return text;
}

std::string folderOfPath(const std::string& path) {
    std::string folder = stringByDeletingLastPathComponent(path);
    return folder.empty() ? "." : folder;
}


void flushFolder(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The process id a temporary's name carries, or 0 when the name is not one of ours:
// ".NAME.part-PID-RANDOM" with a 16-digit hexadecimal RANDOM.
pid_t temporaryOwner(const std::string& name) {
    if (name.size() < 2 || name[0] != '.') return 0;
    const size_t mark = name.rfind(kTemporaryMark);
    if (mark == std::string::npos || mark == 0) return 0;
    const size_t pidStart = mark + std::strlen(kTemporaryMark);
    const size_t dash = name.find('-', pidStart);
    if (dash == std::string::npos || dash == pidStart || name.size() - dash - 1 != 16) return 0;
    long long pid = 0;
    for (size_t i = pidStart; i < dash; ++i) {
        if (name[i] < '0' || name[i] > '9' || pid > INT_MAX / 10) return 0;
        pid = pid * 10 + (name[i] - '0');
    }
    for (size_t i = dash + 1; i < name.size(); ++i)
        if (!std::isxdigit(static_cast<unsigned char>(name[i]))) return 0;
    return static_cast<pid_t>(pid);
}

}  // namespace

bool processIsAlive(pid_t pid) {
    if (pid <= 0) return false;
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

bool isSameFile(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::string temporaryPathBeside(const std::string& target) {
    const std::string folder = stringByDeletingLastPathComponent(target);
    const std::string name = "." + lastPathComponent(target) + kTemporaryMark + std::to_string(::getpid()) + "-" +
                             randomSuffix();
    return stringByAppendingPathComponent(folder, name);
}

void removeStaleTemporaries(const std::string& folder) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return;
    while (dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        const pid_t owner = temporaryOwner(name);
        if (owner == 0 || processIsAlive(owner)) continue;
        const std::string path = stringByAppendingPathComponent(folder, name);
        struct stat info {};
        // Only files: a folder of that shape is not something this program made.
        if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) ::unlink(path.c_str());
    }
    ::closedir(dir);
}

OutputFile::~OutputFile() { abandon(); }

OutputFile::OutputFile(OutputFile&& other) noexcept { *this = std::move(other); }

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
    if (this != &other) {
        abandon();
        target_ = std::move(other.target_);
        finalPath_ = std::move(other.finalPath_);
        writePath_ = std::move(other.writePath_);
        inPlace_ = other.inPlace_;
        standardOutput_ = other.standardOutput_;
        pending_ = other.pending_;
        other.pending_ = false;
    }
    return *this;
}

Outcome<> OutputFile::prepare(const std::string& target, const std::vector<std::string>& inputs) {
    abandon();
    target_ = target;
    inPlace_ = false;
    standardOutput_ = false;
    auto refuse = [&](const std::string& reason, int systemError = 0) -> Outcome<> {
        return Failure::at(target, reason, systemError);
    };
    if (target.empty()) return refuse("no output path");
    if (target == "-") {
        standardOutput_ = true;
        inPlace_ = true;
        writePath_ = finalPath_ = "/dev/stdout";
        return {};
    }
    for (const std::string& input : inputs)
        if (input == target || isSameFile(input, target)) return refuse("the output is the input " + input);

    struct stat info {};
    if (::stat(target.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) return refuse("is a folder");
        if (!S_ISREG(info.st_mode)) {
            // A device or a FIFO is written into, never replaced by a file.
            inPlace_ = true;
            writePath_ = finalPath_ = target;
            return {};
        }
        // A link to a regular file stays a link: its final target is replaced.
        char* resolved = ::realpath(target.c_str(), nullptr);
        if (!resolved) return refuse({}, errno);
        finalPath_ = resolved;
        std::free(resolved);
    } else if (errno == ENOENT) {
        struct stat link {};
        if (::lstat(target.c_str(), &link) == 0) return refuse("a symbolic link to nowhere");
        finalPath_ = target;
    } else {
        return refuse({}, errno);
    }

    const std::string folder = folderOfPath(finalPath_);
    removeStaleTemporaries(folder);
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::string candidate = temporaryPathBeside(finalPath_);
        int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            // The replacement keeps the permissions of the file it replaces.
            if (::stat(finalPath_.c_str(), &info) == 0) ::fchmod(fd, info.st_mode & 07777);
            ::close(fd);
            writePath_ = candidate;
            pending_ = true;
            return {};
        }
        if (errno != EEXIST) return refuse("cannot create the file", errno);
    }
    return refuse("cannot create the file: no free temporary name");
}

Outcome<> OutputFile::commit() {
    if (inPlace_ || !pending_) return {};
    int fd = ::open(writePath_.c_str(), O_RDONLY | O_CLOEXEC);
    bool flushed = fd >= 0 && ::fsync(fd) == 0;
    int saved = errno;
    if (fd >= 0) ::close(fd);
    if (!flushed || ::rename(writePath_.c_str(), finalPath_.c_str()) != 0) {
        if (flushed) saved = errno;
        abandon();
        return Failure::at(target_, {}, saved);
    }
    pending_ = false;
    flushFolder(folderOfPath(finalPath_));
    return {};
}

void OutputFile::abandon() {
    if (!pending_) return;
    ::unlink(writePath_.c_str());
    pending_ = false;
}

}  // namespace wavomer
