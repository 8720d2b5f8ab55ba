// The queue between the feeder and the real-time side, and the feeder itself: frames come
// out in the order and with the values they went in, across the ring's wrap and with the
// two sides on their own threads; a clear drops exactly what was pushed before it; the
// feeder pulls until the source stops handing over, sleeps until woken, and starts no
// pull after stop.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "FrameFeeder.h"
#include "FrameQueue.h"

namespace wavomer {
namespace {

using namespace std::chrono_literals;

// Frames whose left value is their running number and whose right is its negative.
std::vector<float> numbered(int64_t first, int64_t frames) {
    std::vector<float> out(static_cast<size_t>(frames) * 2);
    for (int64_t i = 0; i < frames; ++i) {
        out[static_cast<size_t>(2 * i)] = static_cast<float>(first + i);
        out[static_cast<size_t>(2 * i + 1)] = -static_cast<float>(first + i);
    }
    return out;
}

TEST(FrameQueue, PopsInOrderAcrossTheWrapAndDropsWhatDoesNotFit) {
    FrameQueue queue(10);
    auto a = numbered(0, 7);
    EXPECT_EQ(queue.push(a.data(), 7), 7);
    std::vector<float> out(20, 99.0f);
    EXPECT_EQ(queue.pop(out.data(), 5), 5);
    EXPECT_EQ(out[8], 4.0f);
    auto b = numbered(7, 10);
    EXPECT_EQ(queue.push(b.data(), 10), 8) << "only the room left fits";
    EXPECT_EQ(queue.frames(), 10);
    EXPECT_EQ(queue.pop(out.data(), 20), 10);
    for (int64_t i = 0; i < 10; ++i) {
        EXPECT_EQ(out[static_cast<size_t>(2 * i)], static_cast<float>(5 + i));
        EXPECT_EQ(out[static_cast<size_t>(2 * i + 1)], -static_cast<float>(5 + i));
    }
    EXPECT_EQ(queue.frames(), 0);
    EXPECT_EQ(queue.pop(out.data(), 3), 0);
}

TEST(FrameQueue, ClearDropsWhatWasPushedBeforeItAndKeepsWhatCameAfter) {
    FrameQueue queue(16);
    auto a = numbered(0, 6);
    queue.push(a.data(), 6);
    std::vector<float> out(32);
    queue.pop(out.data(), 2);
    queue.clear();
    EXPECT_EQ(queue.frames(), 0) << "counted as gone at once, before the consumer runs";
    auto b = numbered(100, 3);
    queue.push(b.data(), 3);
    EXPECT_EQ(queue.frames(), 3);
    EXPECT_EQ(queue.pop(out.data(), 10), 3);
    EXPECT_EQ(out[0], 100.0f);
    EXPECT_EQ(out[4], 102.0f);
    // The space the dropped frames held is free again once the consumer has skipped them.
    auto c = numbered(200, 16);
    EXPECT_EQ(queue.push(c.data(), 16), 16);
}

// One producer and one consumer on their own threads: every frame arrives once, in order,
// unchanged (ThreadSanitizer checks the hand-over).
TEST(FrameQueue, AProducerAndAConsumerOnTwoThreadsHandOverEveryFrameInOrder) {
    FrameQueue queue(1000);
    constexpr int64_t kTotal = 300000;
    std::thread producer([&] {
        int64_t next = 0;
        while (next < kTotal) {
            const int64_t n = std::min<int64_t>(1 + next % 97, kTotal - next);
            auto block = numbered(next, n);
            next += queue.push(block.data(), n);
            if (queue.frames() > 900) std::this_thread::yield();
        }
    });
    std::vector<float> out(2 * 128);
    int64_t expected = 0;
    bool inOrder = true;
    while (expected < kTotal && inOrder) {
        const int64_t got = queue.pop(out.data(), 1 + expected % 113);
        for (int64_t i = 0; i < got; ++i) {
            if (out[static_cast<size_t>(2 * i)] != static_cast<float>(expected) ||
                out[static_cast<size_t>(2 * i + 1)] != -static_cast<float>(expected)) {
                inOrder = false;
                break;
            }
            ++expected;
        }
        if (got == 0) std::this_thread::yield();
    }
    producer.join();
    EXPECT_TRUE(inOrder) << "frame " << expected << " came out wrong";
    EXPECT_EQ(expected, kTotal);
}

// A source that, like the player, hands over one block of numbered frames whenever the
// queue holds less than one block.
struct BlockSource {
    static constexpr int64_t kBlock = 2048;
    explicit BlockSource(FrameQueue& q) : queue(q) {}
    void pull() {
        calls.fetch_add(1);
        if (queue.frames() >= kBlock) return;
        auto block = numbered(next, kBlock);
        queue.push(block.data(), kBlock);
        next += kBlock;
    }
    FrameQueue& queue;
    int64_t next = 0;  // feeder thread only
    std::atomic<int64_t> calls{0};
};

bool waitUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

TEST(FrameFeeder, FillsTheQueueAsTheSourceRulesThenRefillsOnlyWhenWokenBelowTheMark) {
    FrameQueue queue(16384);
    BlockSource source(queue);
    FrameFeeder feeder(queue, [&] { source.pull(); });
    feeder.start();
    // One block handed over, then a call that hands over nothing ends the top-up (the
    // start's own wake may add one more round that hands over nothing).
    ASSERT_TRUE(waitUntil([&] { return source.calls.load() >= 2; }));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(queue.frames(), BlockSource::kBlock);
    const int64_t settled = source.calls.load();
    EXPECT_LE(settled, 3);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(source.calls.load(), settled) << "the feeder kept pulling without being woken";

    // At the mark a wake is not needed; below it the feeder refills.
    feeder.wakeIfLow();
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(source.calls.load(), settled);
    std::vector<float> out(2 * 4096);
    EXPECT_EQ(queue.pop(out.data(), 1500), 1500);
    feeder.wakeIfLow();
    constexpr int64_t kAfter = BlockSource::kBlock - 1500 + BlockSource::kBlock;
    ASSERT_TRUE(waitUntil([&] { return queue.frames() == kAfter; }));
    // What comes out is the source's frames in order: 1500 onwards.
    EXPECT_EQ(queue.pop(out.data(), 4096), kAfter);
    for (int64_t i = 0; i < kAfter; ++i) ASSERT_EQ(out[static_cast<size_t>(2 * i)], static_cast<float>(1500 + i));
}

TEST(FrameFeeder, StartsNoPullAfterStop) {
    FrameQueue queue(16384);
    BlockSource source(queue);
    FrameFeeder feeder(queue, [&] { source.pull(); });
    feeder.start();
    ASSERT_TRUE(waitUntil([&] { return source.calls.load() >= 2; }));
    feeder.stop();
    std::this_thread::sleep_for(20ms);
    const int64_t calls = source.calls.load();
    std::vector<float> out(2 * 4096);
    queue.pop(out.data(), 4096);
    feeder.wake();
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(source.calls.load(), calls);
    EXPECT_EQ(queue.frames(), 0);
    feeder.start();
    ASSERT_TRUE(waitUntil([&] { return queue.frames() == BlockSource::kBlock; }));
}

}  // namespace
}  // namespace wavomer
