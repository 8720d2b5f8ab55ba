// The real-time side of the sound output allocates nothing: while a project plays through
// sections whose sample data files are opened and whose effect processors are built as
// playback reaches them (and one section's effect changes while playing), no operator new
// or delete runs on the thread of the sound server's write callback or the silent device's
// clock tick. The graphs mark those threads with RealTimeProbe; this file replaces the
// global operator new and delete to count the calls made on a marked thread.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>
#include <thread>

#include "PulseOutputGraph.h"
#include "RealTimeProbe.h"
#include "SilentOutputGraph.h"
#include "engine/PlaybackController.h"
#include "sound/SoundTestSupport.h"
#include "support/EngineFixture.h"

// The replacements below hand out malloc's memory and give it back with free, which GCC
// flags once it has inlined a replaced operator new into a delete.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {

std::atomic<int64_t> gRealTimeAllocations{0};
std::atomic<int64_t> gRealTimeFrees{0};

void* allocate(std::size_t size, std::size_t alignment = 0) {
    if (wavomer::realtime::inRealTimeCode()) gRealTimeAllocations.fetch_add(1, std::memory_order_relaxed);
    if (size == 0) size = 1;
    void* p = nullptr;
    if (alignment > alignof(std::max_align_t)) {
        if (posix_memalign(&p, alignment, size) != 0) p = nullptr;
    } else {
        p = std::malloc(size);
    }
    return p;
}

void release(void* p) noexcept {
    if (!p) return;
    if (wavomer::realtime::inRealTimeCode()) gRealTimeFrees.fetch_add(1, std::memory_order_relaxed);
    std::free(p);
}

}  // namespace

void* operator new(std::size_t size) {
    if (void* p = allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    if (void* p = allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    if (void* p = allocate(size, static_cast<std::size_t>(alignment))) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    if (void* p = allocate(size, static_cast<std::size_t>(alignment))) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return allocate(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return allocate(size, static_cast<std::size_t>(alignment));
}
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }
void operator delete(void* p, std::align_val_t) noexcept { release(p); }
void operator delete[](void* p, std::align_val_t) noexcept { release(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { release(p); }

namespace wavomer {
namespace {

using namespace std::chrono_literals;

// The counter itself: an allocation inside a probe scope is counted, one outside is not.
TEST(CallbackAllocationProbe, CountsOnlyInsideARealTimeScope) {
    const int64_t before = gRealTimeAllocations.load();
    auto* outside = new int(1);
    EXPECT_EQ(gRealTimeAllocations.load(), before);
    {
        realtime::RealTimeScope probe;
        auto* inside = new int(2);
        EXPECT_EQ(gRealTimeAllocations.load(), before + 1);
        delete inside;
    }
    EXPECT_FALSE(realtime::inRealTimeCode());
    delete outside;
    EXPECT_EQ(gRealTimeAllocations.load(), before + 1);
}

// One track of four sections, each of its own sample data file (none opened before
// playing): plain, Low Pass, High Pass, then Low Pass again with another cutoff. While it
// plays, the last section's effect is changed to a reverb, so its processor is built anew.
class CallbackAllocation : public test::EngineTest {
protected:
    static constexpr double kSectionSeconds = 0.35;
    static constexpr double kProjectSeconds = 4 * kSectionSeconds;

    void SetUp() override {
        EngineTest::SetUp();
        const EffectDic lowPass{{"name", CoderValue("Low Pass")},
                                {"Cutoff Frequency", CoderValue(800.0)},
                                {"Resonance", CoderValue(0.0)}};
        const EffectDic highPass{{"name", CoderValue("High Pass")}};
        const EffectDic lowerPass{{"name", CoderValue("Low Pass")},
                                  {"Cutoff Frequency", CoderValue(300.0)},
                                  {"Resonance", CoderValue(0.0)}};
        SectionArray sections;
        for (int k = 0; k < 4; ++k) {
            auto s = audio(source("s" + std::to_string(k) + ".data", kSectionSeconds + 0.05), 0.0, kSectionSeconds,
                           k * kSectionSeconds);
            if (k == 1) s->setEffectDic(lowPass);
            if (k == 2) s->setEffectDic(highPass);
            if (k == 3) s->setEffectDic(lowerPass);
            sections.push_back(s);
        }
        this->sections = sections;
        lay(0, sections);
        gRealTimeAllocations.store(0);
        gRealTimeFrees.store(0);
    }

    // Plays the project from 0 to past its end, changing the last section's effect on
    // the way (as a user event, under the project lock), then stops.
    void playThrough(PlaybackController& playback) {
        for (const auto& s : sections) ASSERT_FALSE(s->isAudioSampleDataLoaded());
        playback.playOrPause();
        ASSERT_TRUE(waitForPosition(playback, 1.5 * kSectionSeconds)) << "playback did not get going";
        event([&] { sections[3]->setEffectDic(EffectDic{{"name", CoderValue("Matrix Reverb")}}); });
        ASSERT_TRUE(waitForPosition(playback, kProjectSeconds + 0.1)) << "playback did not reach the end";
        playback.pause();
        // The track opens each section's file as playback reaches it (and closes the one
        // before): the last one is open now.
        EXPECT_TRUE(sections[3]->isAudioSampleDataLoaded());
    }

    // Waits (with a generous deadline for a loaded machine) until the player has handed
    // out `seconds` of the project.
    static bool waitForPosition(PlaybackController& playback, double seconds) {
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (playback.player().currentTime() < seconds) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(10ms);
        }
        return true;
    }

    SectionArray sections;
};

TEST_F(CallbackAllocation, TheSilentDevicesClockAllocatesNothingWhileAProjectPlays) {
    auto owned = std::make_unique<SilentOutputGraph>();
    SilentOutputGraph& graph = *owned;
    PlaybackController playback(*engine, engine->projectLock, std::move(owned));
    playThrough(playback);
    // The clock did play the project: most of it came from the queue.
    EXPECT_GT(graph.playedFrames() - graph.missedFrames(), static_cast<int64_t>(kProjectSeconds * 44100 * 0.8));
    EXPECT_GT(graph.feederPulls(), static_cast<int64_t>(kProjectSeconds * 44100 / 2048));
    EXPECT_EQ(gRealTimeAllocations.load(), 0);
    EXPECT_EQ(gRealTimeFrees.load(), 0);
}

TEST_F(CallbackAllocation, TheSoundServersWriteCallbackAllocatesNothingWhileAProjectPlays) {
    std::string reason;
    const std::string server = test::pulseServerForTests(&reason);
    if (server.empty()) GTEST_SKIP() << "no PulseAudio server: " << reason;
    auto owned = std::make_unique<PulseOutputGraph>("wavomer-tests", server);
    PulseOutputGraph& graph = *owned;
    ASSERT_TRUE(graph.waitUntilSettled(5.0)) << graph.lastError();
    PlaybackController playback(*engine, engine->projectLock, std::move(owned));
    playThrough(playback);
    EXPECT_TRUE(graph.isUsingServer());
    // The callback did hand the project to the server, from the queue.
    EXPECT_GT(graph.framesWritten(), static_cast<int64_t>(kProjectSeconds * 44100 * 0.8));
    EXPECT_EQ(gRealTimeAllocations.load(), 0);
    EXPECT_EQ(gRealTimeFrees.load(), 0);
}

}  // namespace
}  // namespace wavomer
