#include "util/ProjectFolderLock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "util/OutputFile.h"
#include "util/RecoveryFolders.h"

namespace wavomer {

namespace {

struct Holder {
    pid_t pid = 0;
    std::string program;
};

std::mutex registryLock;
// The folders this process holds, by resolved path.
std::map<std::string, std::weak_ptr<ProjectFolderLock>>& registry() {
    static std::map<std::string, std::weak_ptr<ProjectFolderLock>> folders;
    return folders;
}

std::string lockPathOf(const std::string& folder) {
    return (folder == "/" ? std::string() : folder) + "/" + ProjectFolderLock::kFileName;
}

std::string programName() { return ownProgramName(); }

// The lock file's holder; pid 0 when there is no readable lock.
Holder readHolder(const std::string& lockPath) {
    Holder holder;
    int fd = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0) return holder;
    struct stat info {};
    char text[256] = {};
    ssize_t got = -1;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) got = ::pread(fd, text, sizeof text - 1, 0);
    ::close(fd);
    if (got <= 0) return holder;
    text[got] = '\0';
    char* end = nullptr;
    long pid = std::strtol(text, &end, 10);
    if (end == text || pid <= 0 || pid > 0x7fffffff || *end != ' ') return holder;
    std::string program(end + 1);
    while (!program.empty() && (program.back() == '\n' || program.back() == '\r')) program.pop_back();
    holder.pid = static_cast<pid_t>(pid);
    holder.program = program;
    return holder;
}

// Whether the holder still runs: its process is alive and, where the system says
// what it runs, it is still the program that took the lock (process ids are reused).
bool holderIsAlive(const Holder& holder) { return processRunsProgram(holder.pid, holder.program); }

std::string describe(const Holder& holder) {
    return holder.program + " (process " + std::to_string(holder.pid) + ")";
}

// Writes a complete lock naming this process under a temporary name beside lockPath.
Outcome<> writeOwnLock(const std::string& folder, const std::string& lockPath, std::string& temporary) {
    const std::string content = std::to_string(::getpid()) + " " + programName() + "\n";
    for (int attempt = 0; attempt < 8; ++attempt) {
        temporary = temporaryPathBeside(lockPath);
        int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return Failure::system(folder, "cannot create the lock file", errno);
        }
        const bool written = ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
        const int saved = errno;
        ::close(fd);
        if (!written) {
            ::unlink(temporary.c_str());
            return Failure::system(folder, "cannot write the lock file", saved ? saved : EIO);
        }
        return {};
    }
    return Failure::at(folder, "cannot create the lock file");
}

}  // namespace

Outcome<std::shared_ptr<ProjectFolderLock>> ProjectFolderLock::acquire(const std::string& folder) {
    char* resolvedText = ::realpath(folder.c_str(), nullptr);
    if (!resolvedText) return Failure::system(folder, {}, errno);
    const std::string resolved = resolvedText;
    std::free(resolvedText);

    std::lock_guard<std::mutex> guard(registryLock);
    auto& folders = registry();
    // Another document of this process holding the folder is refused as another
    // process would be: a save from here would overwrite its edits.
    if (auto it = folders.find(resolved); it != folders.end() && !it->second.expired())
        return Failure::at(folder, "the project is open in " + describe({::getpid(), programName()}));

    const std::string lockPath = lockPathOf(resolved);
    std::string temporary;
    if (Outcome<> written = writeOwnLock(folder, lockPath, temporary); !written) return written.failure();
    bool taken = false;
    for (int attempt = 0; attempt < 4 && !taken; ++attempt) {
        if (::link(temporary.c_str(), lockPath.c_str()) == 0) {
            taken = true;
            break;
        }
        if (errno != EEXIST) {
            const int saved = errno;
            ::unlink(temporary.c_str());
            return Failure::system(folder, "cannot create the lock file", saved);
        }
        const Holder holder = readHolder(lockPath);
        if (holder.pid != 0 && holder.pid != ::getpid() && holderIsAlive(holder)) {
            ::unlink(temporary.c_str());
            return Failure::at(folder, "the project is open in " + describe(holder));
        }
        // A stale lock (its process is gone), one left by this very process, or
        // one that cannot be read: replaced whole, then read back, since another
        // process may be taking it over at the same moment.
        if (::rename(temporary.c_str(), lockPath.c_str()) != 0) {
            const int saved = errno;
            ::unlink(temporary.c_str());
            return Failure::system(folder, "cannot take over the lock file", saved);
        }
        const Holder now = readHolder(lockPath);
        if (now.pid == ::getpid()) {
            taken = true;
            temporary.clear();
            break;
        }
        if (Outcome<> written = writeOwnLock(folder, lockPath, temporary); !written) return written.failure();
    }
    if (!temporary.empty()) ::unlink(temporary.c_str());
    if (!taken) {
        const Holder holder = readHolder(lockPath);
        return Failure::at(folder, holder.pid ? "the project is open in " + describe(holder) : "cannot take the lock file");
    }
    std::shared_ptr<ProjectFolderLock> lock(new ProjectFolderLock(resolved));
    folders[resolved] = lock;
    return Outcome<std::shared_ptr<ProjectFolderLock>>(std::move(lock));
}

std::string ProjectFolderLock::holderOf(const std::string& folder) {
    const Holder holder = readHolder(lockPathOf(folder));
    if (holder.pid == 0 || !holderIsAlive(holder)) return {};
    return describe(holder);
}

ProjectFolderLock::~ProjectFolderLock() {
    std::lock_guard<std::mutex> guard(registryLock);
    auto& folders = registry();
    if (auto it = folders.find(folder_); it != folders.end() && it->second.expired()) folders.erase(it);
    const std::string lockPath = lockPathOf(folder_);
    // Only our own lock is removed: a process that found it stale may have taken it.
    if (readHolder(lockPath).pid == ::getpid()) ::unlink(lockPath.c_str());
}

}  // namespace wavomer
