#include "FrameFeeder.h"

#include <utility>

namespace wavomer {

namespace {
// A source that hands over more every time (a delegate without a fill rule) would keep
// the feeder pulling until the queue is full; the queue's capacity bounds that already,
// this only lets the feeder look at stop and quit between rounds of a long top-up.
constexpr int kRoundsPerTopUp = 64;
}  // namespace

FrameFeeder::FrameFeeder(FrameQueue& queue, std::function<void()> pull, int64_t refillBelowFrames)
    : queue_(queue), pull_(std::move(pull)), refillBelow_(refillBelowFrames) {}

FrameFeeder::~FrameFeeder() {
    running_.store(false, std::memory_order_release);
    quit_.store(true, std::memory_order_release);
    wake();
    if (thread_.joinable()) thread_.join();
}

void FrameFeeder::start() {
    running_.store(true, std::memory_order_release);
    {
        std::lock_guard guard(threadMutex_);
        if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
    }
    wake();
}

void FrameFeeder::stop() noexcept { running_.store(false, std::memory_order_release); }

void FrameFeeder::wake() noexcept {
    signal_.fetch_add(1, std::memory_order_acq_rel);
    signal_.notify_one();
}

void FrameFeeder::run() {
    while (true) {
        // Read the counter before looking at the queue: a wake after this read changes it,
        // so the wait below returns at once instead of missing it.
        const uint32_t seen = signal_.load(std::memory_order_acquire);
        if (quit_.load(std::memory_order_acquire)) return;
        if (running_.load(std::memory_order_acquire)) topUp();
        signal_.wait(seen, std::memory_order_acquire);
    }
}

void FrameFeeder::topUp() {
    for (int round = 0; round < kRoundsPerTopUp; ++round) {
        if (!running_.load(std::memory_order_acquire) || quit_.load(std::memory_order_acquire)) return;
        const int64_t before = queue_.framesPushed();
        pull_();
        pulls_.fetch_add(1, std::memory_order_relaxed);
        if (queue_.framesPushed() == before) return;
    }
    // Still handing over after many rounds: go round again without waiting for a wake.
    wake();
}

}  // namespace wavomer
