#include "util/RecoveryFolders.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <map>

#include "util/AppIdentity.h"
#include "util/OutputFile.h"
#include "util/PathUtil.h"
#include "util/StandardPaths.h"

namespace wavomer {

namespace {

constexpr const char* kHeader = "wavomer-recovery 1";
constexpr off_t kMaxInfoBytes = 64 * 1024;

bool isAbsolute(const std::string& path) { return !path.empty() && path.front() == '/'; }

// A regular file's bytes, read without following a link; a failure names why.
Outcome<std::string> readRegularFile(const std::string& path, off_t limit) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return Failure::system(path, "cannot open", errno);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > limit) {
        ::close(fd);
        return Failure::at(path, S_ISREG(info.st_mode) ? "too large" : "not a regular file");
    }
    std::string bytes(static_cast<size_t>(info.st_size), '\0');
    size_t got = 0;
    while (got < bytes.size()) {
        ssize_t n = ::pread(fd, bytes.data() + got, bytes.size() - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    bytes.resize(got);
    return bytes;
}

bool parseInteger(const std::string& text, int64_t& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty();
}

bool isPlainArchiveName(const std::string& name) {
    if (name.size() < 15 || name.rfind("project-", 0) != 0 || name.substr(name.size() - 6) != ".plist") return false;
    return std::all_of(name.begin() + 8, name.end() - 6, [](char c) { return c >= '0' && c <= '9'; });
}

std::map<std::string, std::string> keyValues(const std::string& text) {
    std::map<std::string, std::string> values;
    size_t start = text.find('\n');
    while (start != std::string::npos && start + 1 < text.size()) {
        const size_t end = text.find('\n', start + 1);
        const std::string line = text.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
        if (const size_t equals = line.find('='); equals != std::string::npos)
            values.emplace(line.substr(0, equals), line.substr(equals + 1));
        start = end;
    }
    return values;
}

std::string processName(pid_t pid) {
    int fd = ::open(("/proc/" + std::to_string(pid) + "/comm").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    char text[64] = {};
    ssize_t got = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    std::string name(text, got > 0 ? static_cast<size_t>(got) : 0);
    while (!name.empty() && name.back() == '\n') name.pop_back();
    return name;
}

}  // namespace

bool processRunsProgram(pid_t pid, const std::string& program) {
    if (pid <= 0 || !processIsAlive(pid)) return false;
    const std::string name = processName(pid);
    return name.empty() || name == program;
}

std::string ownProgramName() {
    std::string name = processName(::getpid());
    if (name.empty() && program_invocation_short_name) name = program_invocation_short_name;
    for (char& c : name)
        if (c == '\n' || c == '\r') c = '_';
    return name.empty() ? "wavomer" : name;
}

std::string recoveryRootFolder() {
    return FileManagerExtention::xdgStateHome() + "/" + kBundleIdentifier + "/recovery";
}

Outcome<RecoveryInfo> readRecoveryInfo(const std::string& folder) {
    const std::string path = folder + "/" + kRecoveryInfoName;
    Outcome<std::string> text = readRegularFile(path, kMaxInfoBytes);
    if (!text) return text.failure();
    auto damaged = [&](const std::string& why) { return Failure::at(path, "damaged: " + why); };
    if (text->find('\0') != std::string::npos) return damaged("it holds a NUL byte");
    if (text->rfind(std::string(kHeader) + "\n", 0) != 0) return damaged("not a recovery file of this program");
    std::map<std::string, std::string> values = keyValues(*text);
    auto field = [&](const char* key) -> const std::string* {
        auto it = values.find(key);
        return it == values.end() ? nullptr : &it->second;
    };
    for (const char* key : {"pid", "program", "name", "edited", "importFolder", "unsaved", "archive"})
        if (!field(key)) return damaged(std::string("\"") + key + "\" is missing");

    RecoveryInfo info;
    info.folder = folder;
    info.id = lastPathComponent(folder);
    int64_t number = 0;
    if (!parseInteger(*field("pid"), number) || number <= 0 || number > 0x7fffffff) return damaged("bad \"pid\"");
    info.pid = static_cast<pid_t>(number);
    info.program = *field("program");
    info.name = *field("name");
    if (!parseInteger(*field("edited"), info.editedMilliseconds) || info.editedMilliseconds < 0)
        return damaged("bad \"edited\"");
    info.importFolder = *field("importFolder");
    if (!isAbsolute(info.importFolder)) return damaged("\"importFolder\" is not an absolute path");
    if (const std::string* project = field("project")) {
        if (!isAbsolute(*project)) return damaged("\"project\" is not an absolute path");
        info.project = *project;
    }
    const std::string& unsaved = *field("unsaved");
    if (unsaved != "0" && unsaved != "1") return damaged("bad \"unsaved\"");
    info.unsaved = unsaved == "1";
    info.archive = *field("archive");
    if (!isPlainArchiveName(info.archive)) return damaged("bad \"archive\"");
    if (const std::string* tracks = field("tracks"); tracks && (!parseInteger(*tracks, info.tracks) || info.tracks < 0))
        return damaged("bad \"tracks\"");
    if (const std::string* recording = field("recording")) {
        if (!isAbsolute(*recording)) return damaged("\"recording\" is not an absolute path");
        info.recording = *recording;
        const std::string* start = field("recordStart");
        const std::string* tracks = field("recordTracks");
        if (!start || !tracks) return damaged("a recording without its start or tracks");
        const char* end = start->data() + start->size();
        auto [ptr, ec] = std::from_chars(start->data(), end, info.recordStart);
        if (ec != std::errc() || ptr != end || !std::isfinite(info.recordStart) || info.recordStart < 0)
            return damaged("bad \"recordStart\"");
        size_t at = 0;
        while (!tracks->empty() && at <= tracks->size()) {
            const size_t comma = std::min(tracks->find(',', at), tracks->size());
            int64_t index = 0;
            if (!parseInteger(tracks->substr(at, comma - at), index) || index < 0 || index > 100000)
                return damaged("bad \"recordTracks\"");
            info.recordTracks.push_back(index);
            at = comma + 1;
        }
    }
    return info;
}

std::string recoveryInfoText(const RecoveryInfo& info) {
    std::string text = std::string(kHeader) + "\n";
    auto line = [&text](const std::string& key, const std::string& value) { text += key + "=" + value + "\n"; };
    line("pid", std::to_string(info.pid));
    line("program", info.program);
    line("name", info.name);
    if (info.project) line("project", *info.project);
    line("edited", std::to_string(info.editedMilliseconds));
    line("importFolder", info.importFolder);
    line("unsaved", info.unsaved ? "1" : "0");
    line("archive", info.archive);
    line("tracks", std::to_string(info.tracks));
    if (info.recording) {
        line("recording", *info.recording);
        char start[64];
        auto written = std::to_chars(start, start + sizeof start, info.recordStart);
        line("recordStart", std::string(start, written.ptr));
        std::string tracks;
        for (int64_t index : info.recordTracks) tracks += (tracks.empty() ? "" : ",") + std::to_string(index);
        line("recordTracks", tracks);
    }
    return text;
}

std::vector<RecoveryEntry> listRecoveryFolders() {
    std::vector<RecoveryEntry> entries;
    const std::string root = recoveryRootFolder();
    DIR* dir = ::opendir(root.c_str());
    if (!dir) return entries;
    while (dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.empty() || name[0] == '.') continue;
        const std::string folder = root + "/" + name;
        struct stat info {};
        if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) continue;
        RecoveryEntry found{name, folder, readRecoveryInfo(folder), false};
        if (found.info) found.live = processRunsProgram(found.info->pid, found.info->program);
        entries.push_back(std::move(found));
    }
    ::closedir(dir);
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.id < b.id; });
    return entries;
}

std::optional<std::string> recoveryFolderOf(const std::string& id) {
    if (id.empty() || id[0] == '.' || id.find('/') != std::string::npos || id.find('\0') != std::string::npos)
        return std::nullopt;
    const std::string folder = recoveryRootFolder() + "/" + id;
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return std::nullopt;
    return folder;
}

std::set<std::string> importFoldersKeptForRecovery() {
    std::set<std::string> kept;
    const std::string root = recoveryRootFolder();
    DIR* dir = ::opendir(root.c_str());
    if (!dir) return kept;
    while (dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.empty() || name[0] == '.') continue;
        Outcome<std::string> text = readRegularFile(root + "/" + name + "/" + kRecoveryInfoName, kMaxInfoBytes);
        if (!text) continue;
        auto values = keyValues(*text);
        if (auto it = values.find("importFolder"); it != values.end() && !it->second.empty())
            kept.insert(std::filesystem::path(it->second).lexically_normal().string());
    }
    ::closedir(dir);
    return kept;
}

Outcome<> writeFileDurably(const std::string& folder, const std::string& name, std::string_view bytes) {
    const std::string target = folder + "/" + name;
    const std::string temporary = temporaryPathBeside(target);
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return Failure::system(target, "cannot create the file", errno);
    int failure = 0;
    size_t done = 0;
    while (done < bytes.size() && failure == 0) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) failure = errno;
        else if (n == 0) failure = ENOSPC;
        else done += static_cast<size_t>(n);
    }
    if (failure == 0 && ::fdatasync(fd) != 0) failure = errno;
    if (::close(fd) != 0 && failure == 0) failure = errno;
    if (failure == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) failure = errno;
    if (failure != 0) {
        ::unlink(temporary.c_str());
        return Failure::system(target, "cannot write the file", failure);
    }
    int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return {};
}

void removeRecoveryFolder(const std::string& folder, const std::optional<RecoveryInfo>& info) {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    if (!info || info->importFolder.empty() || info->pid == ::getpid() || processRunsProgram(info->pid, info->program))
        return;
    if (importFoldersKeptForRecovery().count(std::filesystem::path(info->importFolder).lexically_normal().string()))
        return;
    // Never the folder of a running process (its name starts with that process's id).
    const pid_t owner = FileManagerExtention::importFolderOwner(lastPathComponent(info->importFolder));
    if (owner <= 0 || owner == ::getpid() || processIsAlive(owner)) return;
    // Only an import folder of ours: a folder inside the import root (whose paths are resolved).
    if (stringByDeletingLastPathComponent(info->importFolder) != FileManagerExtention::defaultImportConvertedPath())
        return;
    std::filesystem::remove_all(info->importFolder, ec);
}

}  // namespace wavomer
