#include "recovery/RecoverySession.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "engine/EngineHost.h"
#include "engine/WaveEditViewController.h"

namespace wavomer {

namespace {

std::string newFolderName() {
    std::random_device device;
    char suffix[17];
    std::snprintf(suffix, sizeof suffix, "%08x%08x", device(), device());
    return std::to_string(::getpid()) + "-" + suffix;
}

int64_t nowMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

bool makeFolders(const std::string& path, int& error) {
    std::string partial;
    size_t at = 0;
    while (at != std::string::npos) {
        at = path.find('/', at + 1);
        partial = path.substr(0, at);
        if (partial.empty()) continue;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) {
            error = errno;
            return false;
        }
    }
    return true;
}

}  // namespace

RecoverySession::RecoverySession(WaveEditViewController& engine, MainThreadScheduler& scheduler, std::string root)
    : engine_(engine), scheduler_(scheduler), root_(std::move(root)), folder_(root_ + "/" + newFolderName()) {
    info_.id = folder_.substr(root_.size() + 1);
    info_.folder = folder_;
    info_.pid = ::getpid();
    info_.program = ownProgramName();
    info_.name = "Untitled";
    thread_ = std::thread([this] { run(); });
}

RecoverySession::~RecoverySession() {
    *alive_ = false;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void RecoverySession::setDocument(std::optional<std::string> project, std::string name) {
    info_.project = std::move(project);
    info_.name = std::move(name);
}

void RecoverySession::documentChanged() {
    if (closed_) return;
    info_.editedMilliseconds = nowMilliseconds();
    info_.unsaved = true;
    if (deferred_) return;  // the copy already planned takes this change too
    const double since = std::chrono::duration<double>(std::chrono::steady_clock::now() - lastCopy_).count();
    if (since >= kInterval) {
        takeAndSubmit();
        return;
    }
    deferred_ = true;
    std::weak_ptr<bool> alive = alive_;
    scheduler_.postAfter(kInterval - since, [this, alive] {
        if (alive.expired() || !deferred_) return;
        deferred_ = false;
        takeAndSubmit();
    });
}

void RecoverySession::takeAndSubmit() {
    if (closed_) return;
    lastCopy_ = std::chrono::steady_clock::now();
    info_.tracks = static_cast<int64_t>(engine_.audioTrackArray().size());
    info_.importFolder = engine_.importTargetFolder();
    lastSnapshot_ = takeSnapshot(engine_, lastSnapshot_ ? &*lastSnapshot_ : nullptr);
    submit({*lastSnapshot_, info_});
}

void RecoverySession::setRecording(std::optional<std::string> file, double start, std::vector<int64_t> tracks) {
    info_.recording = std::move(file);
    info_.recordStart = info_.recording ? start : 0.0;
    info_.recordTracks = info_.recording ? std::move(tracks) : std::vector<int64_t>{};
    if (closed_ || !info_.unsaved) return;  // a settled document has nothing of its own to recover
    submit({std::nullopt, info_});
}

void RecoverySession::documentSaved(std::optional<std::string> project, std::string name) {
    setDocument(std::move(project), std::move(name));
    if (closed_) return;
    deferred_ = false;  // the saved state is the current one: nothing left to copy
    info_.unsaved = false;
    submit({std::nullopt, info_});
}

void RecoverySession::submit(Job job) {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        // A waiting snapshot is replaced by the newer one; a newer info-only job keeps
        // the waiting snapshot's timeline only when it is not a save (a save means the
        // file holds the state, so no timeline need be written).
        if (pending_ && !job.snapshot && pending_->snapshot && job.info.unsaved) job.snapshot = std::move(pending_->snapshot);
        pending_ = std::move(job);
    }
    wake_.notify_all();
}

void RecoverySession::close() {
    if (closed_) return;
    closed_ = true;
    deferred_ = false;
    {
        std::unique_lock<std::mutex> guard(mutex_);
        stop_ = true;
        pending_.reset();
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    removeRecoveryFolder(folder_, std::nullopt);
}

void RecoverySession::flush(bool takePlanned) {
    if (deferred_ && takePlanned) {
        deferred_ = false;
        takeAndSubmit();
    }
    std::unique_lock<std::mutex> guard(mutex_);
    wake_.wait(guard, [this] { return (!pending_ && !busy_) || stop_; });
}

void RecoverySession::run() {
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> guard(mutex_);
            wake_.wait(guard, [this] { return pending_.has_value() || stop_; });
            if (stop_) return;
            job = std::move(*pending_);
            pending_.reset();
            busy_ = true;
        }
        const std::string failure = write(job);
        // Told before the write counts as done, so that whoever flushed finds it posted.
        std::weak_ptr<bool> alive = alive_;
        scheduler_.post([this, alive, failure] {
            if (!alive.expired() && writeResult) writeResult(failure);
        });
        {
            std::lock_guard<std::mutex> guard(mutex_);
            busy_ = false;
        }
        wake_.notify_all();
    }
}

std::string RecoverySession::write(Job& job) {
    if (!job.snapshot && currentArchive_.empty()) return {};  // nothing written yet: a save needs no folder
    int error = 0;
    if (!makeFolders(folder_, error)) return Failure::system(folder_, "cannot create the folder", error).message();
    const std::string previous = currentArchive_;
    if (job.snapshot) {
        // A new name for each archive: "recovery.info" names the one that is complete.
        const std::vector<uint8_t> bytes = encodeSnapshot(*job.snapshot);
        job.info.archive = "project-" + std::to_string(++archiveNumber_) + ".plist";
        Outcome<> archived = writeFileDurably(
            folder_, job.info.archive, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        if (!archived) return archived.error();
    } else {
        job.info.archive = previous;
    }
    Outcome<> described = writeFileDurably(folder_, kRecoveryInfoName, recoveryInfoText(job.info));
    if (!described) {
        if (job.snapshot) ::unlink((folder_ + "/" + job.info.archive).c_str());
        return described.error();
    }
    if (!previous.empty() && previous != job.info.archive) ::unlink((folder_ + "/" + previous).c_str());
    currentArchive_ = job.info.archive;
    return {};
}

}  // namespace wavomer
