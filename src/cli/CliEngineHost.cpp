#include "CliEngineHost.h"

#include "engine/UserEvent.h"

namespace wavomer::cli {

void CliScheduler::post(std::function<void()> work) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        queue_.push_back(std::move(work));
    }
    ready_.notify_all();
}

void CliScheduler::drain(const std::function<bool()>& busy) {
    for (;;) {
        std::function<void()> work;
        {
            std::unique_lock<std::mutex> guard(lock_);
            ready_.wait(guard, [&] { return !queue_.empty() || !busy(); });
            if (queue_.empty()) return;
            work = std::move(queue_.front());
            queue_.pop_front();
        }
        work();
    }
}

CliProject::CliProject(std::unique_ptr<CliEngineHost> host)
    : host_(std::move(host)), engine_(*host_, clipboard_, scheduler_, undo_) {
    engine_.mediaEngine = &media_;
}

Outcome<> CliProject::open(const std::string& folder) {
    UserEvent event(engine_);
    Outcome<> result = engine_.readDataFromProject(folder);
    drain();
    return result;
}

void CliProject::drain() {
    scheduler_.drain([this] { return engine_.importInProgress(); });
}

}  // namespace wavomer::cli
