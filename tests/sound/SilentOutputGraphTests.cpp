// The silent device: it keeps real time, stops its clock on stop, drops what was
// queued on clearBuffer, and carries the window's playback (tick, selection loop, stop
// at the end) without a sound server.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "SilentOutputGraph.h"
#include "render/AudioChannelsPlayer.h"
#include "engine/PlaybackController.h"
#include "sound/SoundTestSupport.h"
#include "support/EngineFixture.h"

namespace wavomer {
namespace {

using namespace std::chrono_literals;

TEST(SilentOutputGraph, ThePlayPositionKeepsRealTime) {
    auto owned = std::make_unique<SilentOutputGraph>();
    AudioChannelsPlayer player(std::move(owned));
    test::SineSource sine(1000.0);
    player.setDelegate(&sine);
    const auto begin = std::chrono::steady_clock::now();
    player.start();
    std::this_thread::sleep_for(1000ms);
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    const double position = player.currentTime();
    player.stop();
    // Handed out runs ahead of played by at most two blocks (0.093 s) plus one period;
    // the rest is room for a busy machine waking the clock late.
    EXPECT_GT(position, elapsed - 0.1);
    EXPECT_LT(position, elapsed + 0.2);
}

TEST(SilentOutputGraph, StopHaltsTheClockAndStartResumesIt) {
    auto owned = std::make_unique<SilentOutputGraph>();
    SilentOutputGraph& graph = *owned;
    AudioChannelsPlayer player(std::move(owned));
    player.start();
    std::this_thread::sleep_for(200ms);
    player.stop();
    std::this_thread::sleep_for(50ms);
    const int64_t played = graph.playedFrames();
    const double position = player.currentTime();
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(graph.playedFrames(), played);
    EXPECT_EQ(player.currentTime(), position);
    EXPECT_FALSE(graph.isStart());
    player.start();
    std::this_thread::sleep_for(200ms);
    EXPECT_GT(player.currentTime(), position + 0.1);
}

TEST(SilentOutputGraph, ClearBufferDropsWhatWasQueued) {
    SilentOutputGraph graph;
    std::vector<float> block(2048 * 2, 0.25f);
    graph.streamWriteSample(0, block.data(), 2048);
    EXPECT_EQ(graph.bufferFrames(), 2048);
    graph.streamWriteSample(1, block.data(), 2048);
    EXPECT_EQ(graph.bufferFrames(), 2048) << "only stream 0 is played";
    graph.clearBuffer();
    graph.start();
    std::this_thread::sleep_for(60ms);
    graph.stop();
    EXPECT_EQ(graph.bufferFrames(), 0);
}

// The window's playback on the silent device, ticked in real time as its timer would.
class SilentPlayback : public test::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        lay(0, {audio(source("a.data", 1.2), 0.0, 1.2, 0.0)});
        playback = std::make_unique<PlaybackController>(*engine, lock, std::make_unique<SilentOutputGraph>());
    }
    void TearDown() override {
        playback.reset();
        EngineTest::TearDown();
    }
    // Ticks every 0.08 s for `seconds` or until playback stops.
    void tickFor(double seconds, const std::function<void()>& eachTick = nullptr) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        auto next = std::chrono::steady_clock::now();
        while (std::chrono::steady_clock::now() < until && playback->hasPlayTimer()) {
            next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(0.08));
            std::this_thread::sleep_until(next);
            playback->updateWaveViewWhenPlay();
            if (eachTick) eachTick();
        }
    }
    ProjectLock lock;
    std::unique_ptr<PlaybackController> playback;
};

TEST_F(SilentPlayback, PlaybackReachesTheEndStopsAndRewinds) {
    engine->updateCurrentTimelineTime(0.6);
    playback->playOrPause();
    const auto begin = std::chrono::steady_clock::now();
    tickFor(3.0);
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    EXPECT_EQ(playback->state(), PlaybackState::Stopped);
    EXPECT_EQ(engine->currentTimelineTime(), 0.0);
    EXPECT_GT(took, 0.4);
    EXPECT_LT(took, 1.0);
}

TEST_F(SilentPlayback, TheCursorLoopsInsideTheSelection) {
    engine->setSelection(0.2, 0.5);
    engine->updateCurrentTimelineTime(0.3);
    playback->playOrPause();
    double lowest = 10.0, highest = 0.0;
    int backwards = 0;
    double last = 0.3;
    tickFor(1.5, [&] {
        lowest = std::min(lowest, engine->currentTimelineTime());
        highest = std::max(highest, engine->currentTimelineTime());
        if (engine->currentTimelineTime() < last) ++backwards;
        last = engine->currentTimelineTime();
    });
    EXPECT_EQ(playback->state(), PlaybackState::Playing);
    EXPECT_GE(lowest, 0.2);
    EXPECT_LT(highest, 0.5 + 2048 / 44100.0);
    EXPECT_GE(backwards, 3);
}

}  // namespace
}  // namespace wavomer
