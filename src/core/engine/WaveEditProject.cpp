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

namespace {

// Two names of one folder: the same after resolving links, or the same text when
// either cannot be resolved (a folder that is gone).
bool sameFolder(const std::string& a, const std::string& b) {
    char* ra = ::realpath(a.c_str(), nullptr);
    char* rb = ::realpath(b.c_str(), nullptr);
    const bool same = ra && rb ? std::strcmp(ra, rb) == 0 : a == b;
    std::free(ra);
    std::free(rb);
    return same;
}

struct FdCloser {
    int fd = -1;
    ~FdCloser() {
        if (fd >= 0) ::close(fd);
    }
};

// Moves what makes folder a project ("project.plist" and "Audios") into a hidden
// folder inside it, so that a save can replace the project and a failed one can
// put it back. A kill in between leaves the old project in that hidden folder.
struct ReplacedProject {
    std::string folder;
    std::string aside;  // empty when nothing was moved
    std::vector<std::string> moved;

    Outcome<> moveAside() {
        aside = temporaryPathBeside(folder + "/replaced");
        if (::mkdir(aside.c_str(), 0700) != 0) {
            const int error = errno;
            aside.clear();
            return Failure::system(folder, "cannot make room to replace the project", error);
        }
        for (const char* name : {"project.plist", "Audios"}) {
            struct stat info {};
            const std::string from = folder + "/" + name;
            if (::lstat(from.c_str(), &info) != 0) continue;
            if (::rename(from.c_str(), (aside + "/" + name).c_str()) != 0) {
                const int error = errno;
                putBack();
                return Failure::system(from, "cannot replace it", error);
            }
            moved.push_back(name);
        }
        return {};
    }
    void putBack() {
        for (const std::string& name : moved) ::rename((aside + "/" + name).c_str(), (folder + "/" + name).c_str());
        moved.clear();
        if (!aside.empty()) ::rmdir(aside.c_str());
        aside.clear();
    }
    void discard() {
        std::error_code ec;
        if (!aside.empty()) std::filesystem::remove_all(aside, ec);
        aside.clear();
        moved.clear();
    }
};

}  // namespace

SaveTarget WaveEditViewController::saveTargetAt(const std::string& folder) const {
    const FileIdentity now = identityOf(archive::projectArchivePath(folder));
    if (!now.exists) return SaveTarget::Free;
    if (projectFolder_.empty() || !sameFolder(folder, projectFolder_)) return SaveTarget::OtherProject;
    return now == projectFileIdentity_ ? SaveTarget::Own : SaveTarget::ChangedOnDisk;
}

Outcome<Warnings> WaveEditViewController::saveProjectItemToPath(const std::string& folder, SaveOptions options) {
    if (isSaving_.exchange(true)) return Warnings{};
    struct Done {
        ~Done() { isSaving_ = false; }
    } done;
    const std::string archivePath = archive::projectArchivePath(folder);
    const SaveTarget target = saveTargetAt(folder);
    if (target == SaveTarget::ChangedOnDisk && !options.overwriteChanged)
        return Failure::at(archivePath, "changed on disk since this project was opened or saved; it was not saved over");
    if (target == SaveTarget::OtherProject && !options.replaceOtherProject)
        return Failure::at(folder, "holds another project; it was not saved over");

    // What this save creates, so that a failure can take it away again.
    struct stat existing {};
    // Only a folder known to be absent counts as made here; one that cannot be examined is never removed.
    const bool folderExisted = ::stat(folder.c_str(), &existing) == 0 || errno != ENOENT;
    bool audiosExisted = true;
    bool lockedHere = false;
    ReplacedProject replaced{folder, {}, {}};
    auto fail = [&](Failure failure) -> Outcome<Warnings> {
        std::error_code ignoredError;
        if (!folderExisted) {
            if (lockedHere) folderLocks_.pop_back();
            std::filesystem::remove_all(folder, ignoredError);
        } else {
            if (!audiosExisted) std::filesystem::remove_all(folder + "/Audios", ignoredError);
            replaced.putBack();
            if (lockedHere) folderLocks_.pop_back();
        }
        return failure;
    };

    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    FdCloser folderFd{::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (folderFd.fd < 0) return fail(Failure::system(folder, "cannot create the folder", ec ? ec.value() : errno));

    // Another program editing this project would lose its edits to this save, or
    // overwrite this one's: the folder's lock decides who saves there.
    char* resolvedText = ::realpath(folder.c_str(), nullptr);
    const std::string resolved = resolvedText ? resolvedText : folder;
    std::free(resolvedText);
    const bool held = std::any_of(folderLocks_.begin(), folderLocks_.end(),
                                  [&](const auto& lock) { return lock->folder() == resolved; });
    if (!held) {
        auto lock = ProjectFolderLock::acquire(folder);
        if (!lock) return fail(Failure::at(folder, "cannot save: " + lock.failure().why()));
        folderLocks_.push_back(std::move(*lock));
        lockedHere = true;
    }

    struct stat archiveInfo {};
    if (::fstatat(folderFd.fd, "project.plist", &archiveInfo, AT_SYMLINK_NOFOLLOW) == 0 &&
        !S_ISREG(archiveInfo.st_mode))
        return fail(Failure::at(archivePath, "not a regular file; it was left alone and " + folder + " was not saved"));

    const std::string audios = folder + "/Audios";
    if (target == SaveTarget::OtherProject) {
        // The project replaced must not be where this one's audio comes from.
        for (const auto& track : audioTrackArray_)
            for (const auto& section : track->sectionArray())
                if (!section->isBlankSection && section->audioPath &&
                    sameFolder(stringByDeletingLastPathComponent(*section->audioPath), audios))
                    return fail(Failure::at(folder, "this project plays audio of the project there; it was not replaced"));
        if (Outcome<> aside = replaced.moveAside(); !aside) return fail(aside.failure());
    }

    // "Audios" is reached through its own descriptor, opened without following a
    // link, so nothing written below it can land outside the project.
    if (::mkdirat(folderFd.fd, "Audios", 0777) == 0) audiosExisted = false;
    else if (errno != EEXIST) return fail(Failure::system(audios, "cannot create the folder", errno));
    FdCloser audiosFd{::openat(folderFd.fd, "Audios", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)};
    if (audiosFd.fd < 0) {
        const int error = errno;
        if (error == ELOOP || error == ENOTDIR)
            return fail(Failure::at(audios, "not a folder inside the project (a link or a file); it was left alone and " +
                                                folder + " was not saved"));
        return fail(Failure::system(audios, "cannot open the folder", error));
    }
    const std::string audiosHere = "/proc/self/fd/" + std::to_string(audiosFd.fd);

    // What an earlier save left behind when it was killed.
    removeStaleTemporaries(folder);
    removeStaleTemporaries(audiosHere);

    Warnings warnings;
    std::vector<std::string> lost;
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
            const std::string shown = audios + "/" + name;
            const std::string target = audiosHere + "/" + name;
            SampleDataOpen opened = openSampleDataFile(source);
            FdCloser closer{opened.fd};
            switch (opened.status) {
            case SampleDataOpen::Status::Missing: {
                // The project's own audio gone (its folder removed or emptied): the
                // saved project would name files that are not there.
                const std::string from = stringByDeletingLastPathComponent(source);
                if (from == audios || (!projectFolder_.empty() && from == projectFolder_ + "/Audios")) {
                    if (!isSampleDataFile(target)) lost.push_back(source);
                    continue;
                }
                // Played as silence; the archive keeps naming it, so that it plays
                // again where the file comes back.
                if (!isSampleDataFile(target))
                    warnings.push_back(source + ": missing; the saved project names it as it is");
                continue;
            }
            case SampleDataOpen::Status::NotSampleData:
                warnings.push_back(source + ": left out of the saved project: " + opened.error);
                continue;
            case SampleDataOpen::Status::Failed:
                return fail(Failure::at(source, "cannot read: " + opened.error + "; " + folder + " was not saved"));
            case SampleDataOpen::Status::Opened: break;
            }
            struct stat sourceInfo {}, targetInfo {};
            if (::fstatat(audiosFd.fd, name.c_str(), &targetInfo, AT_SYMLINK_NOFOLLOW) == 0) {
                // Already there: the same file, or a sample data file an earlier save put in.
                if (::fstat(opened.fd, &sourceInfo) == 0 && sameInode(sourceInfo, targetInfo)) continue;
                if (S_ISREG(targetInfo.st_mode) && isSampleDataFile(target)) continue;
                // Anything else in its place (a link, a FIFO, a file of the user's) is not ours to replace.
                return fail(Failure::at(shown, "not a sample data file of this program; it was left alone and " +
                                                   folder + " was not saved"));
            }
            std::string error;
            if (!placeSource(source, opened.fd, target, error))
                return fail(Failure::at(source, "cannot link or copy into " + audios + ": " + error + "; " + folder +
                                                    " was not saved"));
        }
    }
    if (!lost.empty()) {
        std::string names;
        for (const std::string& path : lost) names += (names.empty() ? "" : ", ") + lastPathComponent(path);
        return fail(Failure::at(audios, "the project's audio files are missing (" + names + "); " + folder +
                                            " was not saved"));
    }
    Outcome<> written = archive::writeProjectFile(archivePath, audioTrackArray_, markArray_);
    if (!written) return fail(written.failure());
    replaced.discard();
    projectFolder_ = folder;
    projectFileIdentity_ = identityOf(archivePath);
    setDocumentEdited(false);
    return warnings;
}

std::vector<std::string> WaveEditViewController::unreadableSources() const {
    std::vector<std::string> unreadable;
    std::set<std::string> seen;
    for (const auto& track : audioTrackArray_)
        for (const auto& section : track->sectionArray()) {
            if (section->isBlankSection || !section->audioPath || !seen.insert(*section->audioPath).second) continue;
            SampleDataOpen opened = openSampleDataFile(*section->audioPath);
            FdCloser closer{opened.fd};
            if (opened.status != SampleDataOpen::Status::Opened)
                unreadable.push_back(*section->audioPath + ": " +
                                     (opened.status == SampleDataOpen::Status::Missing ? "missing" : opened.error));
        }
    return unreadable;
}

struct WaveEditViewController::ReadProject {
    FileIdentity identity;
    archive::DecodedProject decoded;
};

Outcome<> WaveEditViewController::readDataFromProject(const std::string& folder) {
    if (folder.empty()) return placeReadProject(folder, nullptr);
    isImporting = true;
    host_.openImportWindow();
    auto read = readProjectFolder(folder);
    if (!read) {
        // Nothing is opened in place of an unreadable project: a later save would
        // write over the user's file.
        isImporting = false;
        host_.closeImportWindow();
        return read.failure();
    }
    return placeReadProject(folder, read->get());
}

void WaveEditViewController::readDataFromProjectInBackground(const std::string& folder,
                                                             std::function<void(Outcome<>)> done) {
    isImporting = true;
    host_.openImportWindow();
    // The thread touches nothing of the engine: it reads the folder into objects of its
    // own and hands them to the main thread, where they are put in place.
    std::weak_ptr<bool> alive = alive_;
    MainThreadScheduler* scheduler = &scheduler_;
    const std::atomic<bool>* going = &cancelImports_;
    auto state = std::make_shared<ImportState>();
    const uint64_t id = ++lastImportJob_;
    importJobs_.push_back({id, std::thread([this, alive, folder, done, scheduler, going, state, id] {
        auto read = readProjectFolder(folder, &state->cancel, &state->fraction);
        if (going->load()) return;  // the engine is going: nothing to hand back
        scheduler->post([this, alive, folder, read, done, id] {
            if (alive.expired()) return;
            finishImportJob(id);
            Outcome<> result;
            if (read) {
                result = placeReadProject(folder, read->get());
            } else {
                result = read.failure();
                isImporting = !importJobs_.empty();
                host_.closeImportWindow();
            }
            if (done) done(result);
        });
    }), state});
}

Outcome<std::shared_ptr<WaveEditViewController::ReadProject>> WaveEditViewController::readProjectFolder(
    const std::string& folder, const std::atomic<bool>* cancel, std::atomic<double>* fraction) {
    auto read = std::make_shared<ReadProject>();
    // Taken before reading: a change made while it is read counts as a change since.
    read->identity = identityOf(archive::projectArchivePath(folder));
    Outcome<archive::DecodedProject> loaded = archive::readProjectFile(archive::projectArchivePath(folder));
    if (!loaded) return loaded.failure();
    read->decoded = std::move(*loaded);
    if (cancel && cancel->load()) return Failure::cancel(folder);
    // Pointing a section at its source may read that source's envelope: this is the
    // share of the work that grows with the project, and the progress it reports.
    size_t total = 0;
    for (const auto& track : read->decoded.tracks) total += track->sectionArray().size();
    size_t pointed = 0;
    for (const auto& track : read->decoded.tracks)
        for (const auto& section : track->sectionArray()) {
            if (cancel && cancel->load()) return Failure::cancel(folder);
            section->updateAudioPathWithDocumentPath(folder);
            if (fraction) *fraction = static_cast<double>(++pointed) / static_cast<double>(total);
        }
    return read;
}

Outcome<> WaveEditViewController::placeReadProject(const std::string& folder, ReadProject* read) {
    if (read) {
        if (read->decoded.hasTracks) {
            for (const auto& track : audioTrackArray_) track->clearTrackCache();
            audioTrackArray_ = read->decoded.tracks;
        }
        if (read->decoded.hasMarkers) markArray_ = read->decoded.markers;
        projectFolder_ = folder;
        projectFileIdentity_ = read->identity;
        // Held while the project is open; when another process holds it, the
        // project opens all the same and a save into it is refused.
        folderLocks_.clear();
        if (auto lock = ProjectFolderLock::acquire(folder)) folderLocks_.push_back(std::move(*lock));
        // The selection holds tracks of the project only: a project without tracks
        // starts with none selected, and its first import selects what it adds.
        timelineTrackArray_ = audioTrackArray_;
    }
    fixAllTracks();
    reloadWave();
    host_.flushButtonStates();
    isImporting = !importJobs_.empty();
    host_.closeImportWindow();
    undo_.removeAllActions();
    setDocumentEdited(false);
    return {};
}

Outcome<> WaveEditViewController::restoreRecoveredProject(std::vector<TrackPtr> tracks, std::vector<MarkerPtr> markers,
                                                          const std::optional<std::string>& folder) {
    std::shared_ptr<ProjectFolderLock> lock;
    if (folder) {
        struct stat info {};
        if (::stat(folder->c_str(), &info) == 0) {
            auto acquired = ProjectFolderLock::acquire(*folder);
            if (!acquired) return acquired.failure();
            lock = std::move(*acquired);
        }
    }
    for (const auto& track : audioTrackArray_) track->clearTrackCache();
    audioTrackArray_ = std::move(tracks);
    markArray_ = std::move(markers);
    timelineTrackArray_ = audioTrackArray_;
    // The crashed run's import folder goes once the recovery is settled: its files are
    // taken into this engine's own.
    std::vector<SectionArray> sections;
    for (const auto& track : audioTrackArray_) sections.push_back(track->sectionArray());
    adoptForeignImportFiles(sections);
    folderLocks_.clear();
    if (lock) folderLocks_.push_back(std::move(lock));
    if (folder) {
        for (const auto& track : audioTrackArray_)
            for (const auto& section : track->sectionArray()) section->updateAudioPathWithDocumentPath(*folder);
        projectFolder_ = *folder;
        projectFileIdentity_ = identityOf(archive::projectArchivePath(*folder));
    } else {
        projectFolder_.clear();
        projectFileIdentity_ = {};
    }
    fixAllTracks();
    reloadWave();
    host_.flushButtonStates();
    undo_.removeAllActions();
    setDocumentEdited(true);
    return {};
}

}  // namespace wavomer
