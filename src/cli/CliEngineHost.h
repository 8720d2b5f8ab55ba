// The command-line tool's side of the editing engine: a host with no views, a
// main-thread queue that the script runner drains after each line, and the
// in-process clipboard of one run.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "engine/EngineHost.h"

namespace wavomer::cli {

class CliEngineHost : public EngineHost {
public:
    VisibleRegion visibleRegion() const override { return region; }
    void setVisibleOriginX(double x) override { region.originX = x; }
    VisibleRegion region;
};

// Work handed to the "main thread": the script runner runs it between lines.
// Delayed work (the deferred refresh after undo) runs at the next drain: the tool
// has no frames to coalesce.
class CliScheduler : public MainThreadScheduler {
public:
    void post(std::function<void()> work) override;
    void postAfter(double seconds, std::function<void()> work) override { post(std::move(work)); }
    // Runs queued work; while busy() says background work is still coming, waits for it.
    void drain(const std::function<bool()>& busy);

private:
    std::mutex lock_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> queue_;
};

}  // namespace wavomer::cli
