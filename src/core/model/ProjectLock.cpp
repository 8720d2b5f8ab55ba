#include "model/ProjectLock.h"

namespace wavomer {

void ProjectLock::lock() {
    const auto self = std::this_thread::get_id();
    if (owner_.load(std::memory_order_relaxed) == self) {
        ++depth_;
        return;
    }
    mutex_.lock();
    owner_.store(self, std::memory_order_relaxed);
    depth_ = 1;
}

bool ProjectLock::try_lock() noexcept {
    const auto self = std::this_thread::get_id();
    if (owner_.load(std::memory_order_relaxed) == self) {
        ++depth_;
        return true;
    }
    if (!mutex_.try_lock()) return false;
    owner_.store(self, std::memory_order_relaxed);
    depth_ = 1;
    return true;
}

void ProjectLock::unlock() noexcept {
    if (--depth_ > 0) return;
    owner_.store(std::thread::id{}, std::memory_order_relaxed);
    mutex_.unlock();
}

bool ProjectLock::isHeldByThisThread() const noexcept {
    return owner_.load(std::memory_order_relaxed) == std::this_thread::get_id();
}

}  // namespace wavomer
