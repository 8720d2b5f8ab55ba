// ProjectLock: the one lock that guards a project's model (its tracks, their section
// lists, the sections' fields, the markers and the timeline track array) between the
// main thread, which edits it, and the threads that read it to make sound (playback,
// previews, export).
//
// Threads: the main thread takes it with lock() around every change to the model: one
// editing command (one undo group) holds it from its first change to its last, and so
// does anything else that replaces a section list or the timeline track array (loading
// a project, changing which tracks are selected). A reader takes it with try_lock() for
// each block it renders and never waits: when the lock is taken it renders silence for
// that block. The main thread's own reads need no lock, because it is the only writer.
//
// Invariants: the lock is recursive for the thread that holds it, so a command that
// runs another command inside it does not deadlock; a reader never nests. It meets the
// standard Lockable requirements, so std::unique_lock and std::scoped_lock work on it.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

namespace wavomer {

class ProjectLock {
public:
    ProjectLock() = default;
    ProjectLock(const ProjectLock&) = delete;
    ProjectLock& operator=(const ProjectLock&) = delete;

    // The editing side: waits for a reader to finish its block (a few milliseconds).
    void lock();
    // The reading side: takes the lock only if it is free (or already this thread's).
    bool try_lock() noexcept;
    void unlock() noexcept;

    // For assertions in functions whose names end in Locked.
    bool isHeldByThisThread() const noexcept;

private:
    std::mutex mutex_;
    std::atomic<std::thread::id> owner_{};
    int depth_ = 0;  // touched only by the owner
};

}  // namespace wavomer
