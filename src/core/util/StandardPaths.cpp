#include "util/StandardPaths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <set>
#include <vector>

#include "util/AppIdentity.h"
#include "util/OutputFile.h"
#include "util/RecoveryFolders.h"

namespace wavomer::FileManagerExtention {

namespace fs = std::filesystem;

namespace {

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

bool isAbsolute(const std::string& path) { return !path.empty() && path.front() == '/'; }

// The application's folder in the system temporary folder.
std::string bundleTemporaryFolder() { return systemTemporaryDirectory() + "/" + kBundleIdentifier; }

// The folder imports are converted into, as configured (before resolving links).
std::string importConvertedFolder() { return xdgCacheHome() + "/" + kBundleIdentifier + "/ImportDir"; }

std::string randomHex(int digits) {
    static std::mutex mutex;
    static std::mt19937_64 generator{std::random_device{}()};
    std::lock_guard lock(mutex);
    static const char* const hex = "0123456789abcdef";
    std::string out;
    uint64_t bits = generator();
    for (int i = 0; i < digits; ++i) {
        if (i % 16 == 0 && i > 0) bits = generator();
        out.push_back(hex[bits & 0xF]);
        bits >>= 4;
    }
    return out;
}

// A created folder is answered with its symbolic links resolved as far as it exists;
// if it could not be made, the path as built.
std::string resolvedPath(const std::string& path) {
    std::error_code ec;
    fs::path resolved = fs::weakly_canonical(path, ec);
    if (ec || resolved.empty()) return path;
    return resolved.string();
}

std::string createdAndResolved(const std::string& path) {
    createDirectoryAtPathIfCan(path);
    return resolvedPath(path);
}

// Reads one entry of user-dirs.dirs: lines of the form XDG_MUSIC_DIR="$HOME/Music".
// The value is "$HOME" followed by a path, or an absolute path; anything else is
// not a folder we can use and counts as absent.
std::string xdgUserDirectory(const std::string& key) {
    std::ifstream file(xdgConfigHome() + "/user-dirs.dirs");
    if (!file) return {};
    std::string result;
    std::string line;
    while (std::getline(file, line)) {
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') continue;
        size_t equals = line.find('=', start);
        if (equals == std::string::npos || line.compare(start, equals - start, key) != 0 ||
            equals - start != key.size())
            continue;
        std::string raw = line.substr(equals + 1);
        while (!raw.empty() && (raw.back() == ' ' || raw.back() == '\t' || raw.back() == '\r')) raw.pop_back();
        std::string value;
        if (raw.size() >= 2 && raw.front() == '"' && raw.back() == '"') {
            for (size_t i = 1; i + 1 < raw.size(); ++i) {
                if (raw[i] == '\\' && i + 2 < raw.size()) ++i;
                value.push_back(raw[i]);
            }
        } else {
            value = raw;
        }
        std::string expanded;
        if (value.rfind("${HOME}", 0) == 0) {
            expanded = homeDirectory() + value.substr(7);
        } else if (value.rfind("$HOME", 0) == 0) {
            expanded = homeDirectory() + value.substr(5);
        } else {
            expanded = value;
        }
        while (expanded.size() > 1 && expanded.back() == '/') expanded.pop_back();
        // The last matching line wins, as when the file is sourced by a shell.
        result = isAbsolute(expanded) ? expanded : std::string();
    }
    return result;
}

struct ProcessImportName {
    std::mutex mutex;
    pid_t pid = 0;
    std::string name;
};

ProcessImportName& processImportName() {
    static ProcessImportName state;
    return state;
}

std::string processImportFolderName() {
    ProcessImportName& state = processImportName();
    std::lock_guard lock(state.mutex);
    pid_t pid = ::getpid();
    if (state.name.empty() || state.pid != pid) {
        state.pid = pid;
        state.name = std::to_string(pid) + "-" + randomHex(8);
    }
    return state.name;
}

}  // namespace

// --- base locations ----------------------------------------------------------------

std::string homeDirectory() {
    std::string home = environmentValue("HOME");
    if (!home.empty()) return home;
    std::vector<char> buffer(16384);
    struct passwd entry;
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return "/";
}

std::string xdgConfigHome() {
    std::string value = environmentValue("XDG_CONFIG_HOME");
    return isAbsolute(value) ? value : homeDirectory() + "/.config";
}

std::string xdgStateHome() {
    std::string value = environmentValue("XDG_STATE_HOME");
    return isAbsolute(value) ? value : homeDirectory() + "/.local/state";
}

std::string xdgCacheHome() {
    std::string value = environmentValue("XDG_CACHE_HOME");
    return isAbsolute(value) ? value : homeDirectory() + "/.cache";
}

std::string xdgMusicDirectory() {
    // An absolute value in the environment wins over user-dirs.dirs.
    std::string value = environmentValue("XDG_MUSIC_DIR");
    if (!isAbsolute(value)) value = xdgUserDirectory("XDG_MUSIC_DIR");
    return value.empty() ? homeDirectory() + "/Music" : value;
}

std::string xdgVideosDirectory() {
    // An absolute value in the environment wins over user-dirs.dirs.
    std::string value = environmentValue("XDG_VIDEOS_DIR");
    if (!isAbsolute(value)) value = xdgUserDirectory("XDG_VIDEOS_DIR");
    return value.empty() ? homeDirectory() + "/Videos" : value;
}

std::string systemTemporaryDirectory() {
    std::string value = environmentValue("TMPDIR");
    while (value.size() > 1 && value.back() == '/') value.pop_back();
    return isAbsolute(value) ? value : "/tmp";
}

// --- the standard folders ----------------------------------------------------------

std::string defaultOutputPath() { return createdAndResolved(musicPath()); }

std::string defaultImportConvertedPath() {
    return createdAndResolved(importConvertedFolder());
}

pid_t importFolderOwner(const std::string& name) {
    const size_t dash = name.find('-');
    if (dash == std::string::npos || dash == 0 || dash > 9 || dash + 1 == name.size()) return 0;
    pid_t pid = 0;
    for (size_t i = 0; i < dash; ++i) {
        if (name[i] < '0' || name[i] > '9') return 0;
        pid = pid * 10 + (name[i] - '0');
    }
    for (size_t i = dash + 1; i < name.size(); ++i)
        if (!std::isxdigit(static_cast<unsigned char>(name[i]))) return 0;
    return pid;
}

void removeAbandonedImportFolders(const std::string& importFolder) {
    // The audio of unsaved edits a crash left for recovery stays until that is recovered or discarded.
    const std::set<std::string> kept = importFoldersKeptForRecovery();
    std::error_code ec;
    // Stepped with the error-code form: a range-for's increment throws on a read error.
    for (auto it = fs::directory_iterator(importFolder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const fs::directory_entry& entry = *it;
        const pid_t owner = importFolderOwner(entry.path().filename().string());
        if (owner == 0 || owner == ::getpid() || processIsAlive(owner)) continue;
        if (!entry.is_directory(ec) || entry.is_symlink(ec)) continue;
        if (kept.count(entry.path().lexically_normal().string()) || kept.count(resolvedPath(entry.path().string())))
            continue;
        std::error_code removeError;
        fs::remove_all(entry.path(), removeError);
    }
}

std::string processImportFolder() {
    const std::string importFolder = defaultImportConvertedPath();
    // The subfolders of runs that were killed before they could remove their own.
    static std::once_flag swept;
    std::call_once(swept, [&] { removeAbandonedImportFolders(importFolder); });
    return createdAndResolved(importFolder + "/" + processImportFolderName());
}

bool removeProcessImportFolder() {
    std::string importFolder = resolvedPath(importConvertedFolder());
    std::error_code ec;
    fs::remove_all(importFolder + "/" + processImportFolderName(), ec);
    bool removed = !ec;
    // Only succeeds when no other instance has a subfolder left in it.
    ::rmdir(importFolder.c_str());
    return removed;
}

std::string defaultRecordPath() { return defaultOutputPath() + "/RecordWavePath.mov"; }

std::string defaultSaveDocumentPath() {
    return createdAndResolved(xdgVideosDirectory() + "/" + kBundleIdentifier);
}

std::string projectPath() { return createdAndResolved(defaultSaveDocumentPath() + "/project"); }

std::string libraryPath() { return createdAndResolved(defaultSaveDocumentPath() + "/library"); }

std::string musicPath() { return xdgMusicDirectory() + "/" + kBundleIdentifier; }

std::string applicationSupportPath() { return xdgConfigHome() + "/" + kBundleIdentifier; }

std::string tempFileDirectory(const std::string& name) {
    std::string folder = stringByAppendingPathComponent(bundleTemporaryFolder(), name);
    createDirectoryAtPathIfCan(folder);
    return folder;
}

std::string tempFilePath(const std::string& name) {
    std::string folder = tempFileDirectory(name);
    for (;;) {
        std::string candidate = folder + "/" + name + randomHex(16);
        if (!somethingExistsAtPath(candidate)) return candidate;
    }
}

// --- helpers -----------------------------------------------------------------------

bool somethingExistsAtPath(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

bool isDirectoryAtPath(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isSymbolicLinkFileAtPath(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool createDirectoryAtPathIfCan(const std::string& path) {
    if (path.empty()) return false;
    if (!somethingExistsAtPath(path)) {
        std::error_code ec;
        fs::create_directories(path, ec);
    }
    return isDirectoryAtPath(path);
}

void prepareForCreateFilePath(const std::string& path) {
    std::error_code ec;
    fs::remove_all(path, ec);
    std::string folder = stringByDeletingLastPathComponent(path);
    if (!folder.empty()) fs::create_directories(folder, ec);
}

void removeTempFiles() {
    std::error_code ec;
    fs::remove_all(bundleTemporaryFolder(), ec);
}

void removeTempFile(const std::string& name) {
    std::error_code ec;
    fs::remove_all(stringByAppendingPathComponent(bundleTemporaryFolder(), name), ec);
}

void removeAllRecordFiles() { tempFileDirectory("defaultRecordPath"); }

std::string fullPathWithNumberIncreaseIfExist(const std::string& path) {
    std::string extension = pathExtension(path);
    if (extension.empty()) extension = "mov";
    const std::string folder = stringByDeletingLastPathComponent(path);
    const std::string name = stringByDeletingPathExtension(lastPathComponent(path));
    std::string candidate = path;
    for (unsigned long long n = 1; somethingExistsAtPath(candidate); ++n)
        candidate = stringByAppendingPathComponent(folder, name + std::to_string(n) + "." + extension);
    return candidate;
}

// --- path pieces -------------------------------------------------------------------

namespace {


}  // namespace


}  // namespace wavomer::FileManagerExtention
