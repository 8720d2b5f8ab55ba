// RecoverySession: keeps one open document's recovery folder up to date, so that a
// crash loses at most about a second of edits. The end of every user event that
// changed the document hands a copy of its timeline to a writer thread of the
// session's own, which encodes the archive and writes it durably (see
// RecoveryFolders) while editing goes on.
//
// Bursts of changes (a slider drag) are coalesced: the copy is taken at most once
// per kInterval while changes keep coming, and once more when they stop, so a change
// is in the folder within kInterval plus the time of one write. The main thread only
// copies; it never waits on the disk.
//
// A save marks the snapshot as equal to its file; close() removes the folder, so
// a document closed (saved or not) and a normal quit leave no folder behind.
//
// Threads: everything but the writer runs on the main thread; the writer's
// outcome is handed back through the scheduler.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "recovery/DocumentSnapshot.h"
#include "util/RecoveryFolders.h"

namespace wavomer {

class MainThreadScheduler;
class WaveEditViewController;

class RecoverySession {
public:
    static constexpr double kInterval = 0.5;  // seconds between copies while changes keep coming

    RecoverySession(WaveEditViewController& engine, MainThreadScheduler& scheduler,
                    std::string root = recoveryRootFolder());
    ~RecoverySession();
    RecoverySession(const RecoverySession&) = delete;
    RecoverySession& operator=(const RecoverySession&) = delete;

    // Where the document lives and what it is called; written with the next snapshot.
    void setDocument(std::optional<std::string> project, std::string name);
    // The end of a user event that changed the document.
    void documentChanged();
    // A recording into the document starts (its file, the timeline time it starts at,
    // the numbers of the tracks it goes to) or ends (none): written at once, so that a
    // crash while it runs brings the recording back into the recovered document.
    void setRecording(std::optional<std::string> file, double start = 0.0, std::vector<int64_t> tracks = {});
    // A save: the document equals its file now.
    void documentSaved(std::optional<std::string> project, std::string name);
    // The document closes: the writer stops and the folder goes.
    void close();
    // Waits until what was handed over is written; a copy still planned for later is
    // taken first unless takePlanned is false (tests).
    void flush(bool takePlanned = true);

    // Told on the main thread after each write: "" when the folder is up to date, else why
    // the changes are not protected against a crash (the previous snapshot stays).
    std::function<void(const std::string& failure)> writeResult;

    const std::string& folder() const { return folder_; }

private:
    struct Job {
        std::optional<DocumentSnapshot> snapshot;  // none: only "recovery.info" changes
        RecoveryInfo info;
    };
    void takeAndSubmit();
    void submit(Job job);
    void run();
    std::string write(Job& job);

    WaveEditViewController& engine_;
    MainThreadScheduler& scheduler_;
    const std::string root_;
    const std::string folder_;
    RecoveryInfo info_;
    std::chrono::steady_clock::time_point lastCopy_{};
    bool deferred_ = false;
    std::optional<DocumentSnapshot> lastSnapshot_;  // what the last copy took, shared by the next
    bool closed_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

    // Shared with the writer thread.
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<Job> pending_;
    bool busy_ = false;
    bool stop_ = false;
    std::string currentArchive_;  // the archive in the folder (writer thread only)
    uint64_t archiveNumber_ = 0;
    std::thread thread_;
};

}  // namespace wavomer
