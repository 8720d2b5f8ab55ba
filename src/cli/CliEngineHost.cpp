#include "CliEngineHost.h"

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

}  // namespace wavomer::cli
