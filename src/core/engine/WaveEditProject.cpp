// The project folder: "project.plist" plus the sample data files in "Audios".
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>

#include "archive/ProjectArchive.h"
#include "data/SampleDataFile.h"
#include "engine/WaveEditViewController.h"
#include "util/OutputFile.h"
#include "util/PathUtil.h"
#include "util/ProjectFolderLock.h"

namespace wavomer {

namespace {

std::atomic<bool> isSaving_{false};

std::string systemError(int error) { return std::strerror(error); }

bool sameInode(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

bool writeAll(int fd, const uint8_t* data, size_t size, int& error) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = errno;
            return false;
        }
        if (n == 0) {
            // A write that moves nothing on a regular file is a full disk.
            error = ENOSPC;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Copies the open source into a new file at temporary, flushed to disk. Reads and
// writes in a loop of its own, so that a full disk is reported as such.
bool copyInto(int source, const struct stat& sourceInfo, const std::string& temporary, std::string& error) {
    int target = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (target < 0) {
        error = systemError(errno);
        return false;
    }
    ::fchmod(target, sourceInfo.st_mode & 0777);
    std::vector<uint8_t> buffer(size_t{1} << 20);
    int failure = 0;
    off_t position = 0;
    for (;;) {
        ssize_t got = ::pread(source, buffer.data(), buffer.size(), position);
        if (got < 0) {
            if (errno == EINTR) continue;
            failure = errno;
            break;
        }
        if (got == 0) break;
        if (!writeAll(target, buffer.data(), static_cast<size_t>(got), failure)) break;
        position += got;
    }
    if (failure == 0 && ::fsync(target) != 0) failure = errno;
    if (::close(target) != 0 && failure == 0) failure = errno;
    if (failure != 0) {
        ::unlink(temporary.c_str());
        error = systemError(failure);
        return false;
    }
    return true;
}

// Puts the open source at target under a temporary name first, so that a copy cut
// short (a full disk, a kill) never stands in "Audios" as if it were complete: a
// hard link when the system allows one and it really is the opened file, a copy of
// the opened file otherwise.
bool placeSource(const std::string& sourcePath, int source, const std::string& target, std::string& error) {
    struct stat sourceInfo {};
    if (::fstat(source, &sourceInfo) != 0) {
        error = systemError(errno);
        return false;
    }
    const std::string temporary = temporaryPathBeside(target);
    bool placed = false;
    if (::link(sourcePath.c_str(), temporary.c_str()) == 0) {
        struct stat linked {};
        // The path may have been swapped for another file since it was checked.
        placed = ::lstat(temporary.c_str(), &linked) == 0 && sameInode(linked, sourceInfo);
        if (!placed) ::unlink(temporary.c_str());
    }
    if (!placed && !copyInto(source, sourceInfo, temporary, error)) return false;
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        error = systemError(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

// A name a file of "Audios" may have: one path component, not "." or "..".
bool isPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

}  // namespace

Outcome<Warnings> WaveEditViewController::saveProjectItemToPath(const std::string& folder) {
    if (isSaving_.exchange(true)) return Warnings{};
    struct Done {
        ~Done() { isSaving_ = false; }
    } done;
    std::error_code ec;
    const std::string audios = folder + "/Audios";
    std::filesystem::create_directories(audios, ec);
    if (!std::filesystem::is_directory(audios)) return Failure::at(audios, "cannot create the folder", ec.value());

    // Another program editing this project would lose its edits to this save, or
    // overwrite this one's: the folder's lock decides who saves there.
    char* resolvedText = ::realpath(folder.c_str(), nullptr);
    const std::string resolved = resolvedText ? resolvedText : folder;
    std::free(resolvedText);
    const bool held = std::any_of(folderLocks_.begin(), folderLocks_.end(),
                                  [&](const auto& lock) { return lock->folder() == resolved; });
    if (!held) {
        auto lock = ProjectFolderLock::acquire(folder);
        if (!lock) return Failure::at(folder, "cannot save: " + lock.failure().why());
        folderLocks_.push_back(std::move(*lock));
    }
    // What an earlier save left behind when it was killed.
    removeStaleTemporaries(folder);
    removeStaleTemporaries(audios);

    Warnings warnings;
    std::set<std::string> seen;
    for (const auto& track : audioTrackArray_) {
        for (const auto& section : track->sectionArray()) {
            if (section->isBlankSection || !section->audioPath) continue;
            const std::string& source = *section->audioPath;
            if (!seen.insert(source).second) continue;
            const std::string name = lastPathComponent(source);
            if (!isPlainName(name)) {
                warnings.push_back(source + ": left out of the saved project: not a sample data file name");
                continue;
            }
            const std::string target = audios + "/" + name;
            SampleDataOpen opened = openSampleDataFile(source);
            struct Closer {
                int fd;
                ~Closer() {
                    if (fd >= 0) ::close(fd);
                }
            } closer{opened.fd};
            switch (opened.status) {
            case SampleDataOpen::Status::Missing:
                // Played as silence; the archive keeps naming it, so that it plays
                // again where the file comes back.
                if (!isSampleDataFile(target))
                    warnings.push_back(source + ": missing; the saved project names it as it is");
                continue;
            case SampleDataOpen::Status::NotSampleData:
                warnings.push_back(source + ": left out of the saved project: " + opened.error);
                continue;
            case SampleDataOpen::Status::Failed:
                return Failure::at(source, "cannot read: " + opened.error + "; " + folder + " was not saved");
            case SampleDataOpen::Status::Opened: break;
            }
            struct stat sourceInfo {}, targetInfo {};
            if (::lstat(target.c_str(), &targetInfo) == 0) {
                // Already there: the same file, or a sample data file an earlier save put in.
                if (::fstat(opened.fd, &sourceInfo) == 0 && sameInode(sourceInfo, targetInfo)) continue;
                if (S_ISREG(targetInfo.st_mode) && isSampleDataFile(target)) continue;
                // Anything else in its place (a link, a FIFO, a foreign file) is replaced.
            }
            std::string error;
            if (!placeSource(source, opened.fd, target, error))
                return Failure::at(source, "cannot link or copy into " + audios + ": " + error + "; " + folder +
                                           " was not saved");
        }
    }
    Outcome<> written = archive::writeProjectFile(archive::projectArchivePath(folder), audioTrackArray_, markArray_);
    if (!written) return written.failure();
    setDocumentEdited(false);
    return warnings;
}

Outcome<> WaveEditViewController::readDataFromProject(const std::string& folder) {
    if (!folder.empty()) {
        isImporting = true;
        host_.openImportWindow();
        Outcome<archive::DecodedProject> loaded = archive::readProjectFile(archive::projectArchivePath(folder));
        if (!loaded) {
            // Nothing is opened in place of an unreadable project: a later save
            // would write over the user's file.
            isImporting = false;
            host_.closeImportWindow();
            return loaded.failure();
        }
        if (loaded->hasTracks) {
            for (const auto& track : audioTrackArray_) track->clearTrackCache();
            audioTrackArray_ = loaded->tracks;
        }
        if (loaded->hasMarkers) markArray_ = loaded->markers;
        // Held while the project is open; when another process holds it, the
        // project opens all the same and a save into it is refused.
        folderLocks_.clear();
        if (auto lock = ProjectFolderLock::acquire(folder)) folderLocks_.push_back(std::move(*lock));
        // The selection holds tracks of the project only: a project without tracks
        // starts with none selected, and its first import selects what it adds.
        timelineTrackArray_ = audioTrackArray_;
        for (const auto& track : audioTrackArray_)
            for (const auto& section : track->sectionArray()) section->updateAudioPathWithDocumentPath(folder);
    }
    fixAllTracks();
    reloadWave();
    host_.flushButtonStates();
    isImporting = false;
    host_.closeImportWindow();
    undo_.removeAllActions();
    setDocumentEdited(false);
    return {};
}

}  // namespace wavomer
