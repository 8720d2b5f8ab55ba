// The command-line tool's side of the editing engine: a host with no views, a
// main-thread queue that the script runner drains after each line, and the
// in-process clipboard of one run.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "FFmpegMediaEngine.h"
#include "engine/EngineHost.h"
#include "engine/WaveEditViewController.h"

namespace wavomer::cli {

class CliEngineHost : public EngineHost {
public:
    VisibleRegion visibleRegion() const override { return region; }
    void setVisibleOriginX(double x) override { region.originX = x; }
    // The tool has no window: it never grows.
    double screenHeight() const override { return 0.0; }
    double windowHeight() const override { return 0.0; }
    void setWindowHeightKeepingTop(double) override {}
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

// A project as the tool holds it: the engine with its host, clipboard, scheduler,
// undo manager and media engine, opened the way the window opens a project.
class CliProject {
public:
    explicit CliProject(std::unique_ptr<CliEngineHost> host = std::make_unique<CliEngineHost>());

    // Opens a project folder, or starts a new project when folder is empty, holding
    // the project lock; nothing is opened in place of a project that cannot be read.
    Outcome<> open(const std::string& folder);
    // Runs the work handed to the main thread, waiting for imports still converting.
    void drain();

    WaveEditViewController& engine() { return engine_; }
    UndoManager& undo() { return undo_; }
    CliEngineHost& host() { return *host_; }

private:
    std::unique_ptr<CliEngineHost> host_;
    InProcessClipboard clipboard_;
    CliScheduler scheduler_;
    UndoManager undo_;
    FFmpegMediaEngine media_;
    WaveEditViewController engine_;
};

}  // namespace wavomer::cli
