// Playback through a real PulseAudio daemon with a null sink: what the player hands the
// server comes out of the sink's monitor as the same tone, a project plays through the
// window's controller, stop silences it, and a missing or mute server falls back to the
// silent device without blocking the caller.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <future>
#include <thread>

#include "OutputGraphFactory.h"
#include "PulseOutputGraph.h"
#include "render/AudioChannelsPlayer.h"
#include "engine/PlaybackController.h"
#include "sound/SoundTestSupport.h"
#include "support/EngineFixture.h"
#include "support/SampleFiles.h"

namespace wavomer {
namespace {

using namespace std::chrono_literals;

class PulsePlayback : public ::testing::Test {
protected:
    void SetUp() override {
        std::string reason;
        server = test::pulseServerForTests(&reason);
        if (server.empty()) GTEST_SKIP() << "no PulseAudio server: " << reason;
    }
    // Captures the monitor for `seconds` on a thread while `play` runs here.
    std::vector<float> captureWhile(double seconds, const std::function<void()>& play) {
        std::string error;
        auto captured = std::async(std::launch::async, [&] { return test::captureMonitor(server, seconds, &error); });
        play();
        auto samples = captured.get();
        EXPECT_FALSE(samples.empty()) << "capture failed: " << error;
        return samples;
    }
    std::string server;
};

TEST_F(PulsePlayback, AToneHandedToTheServerComesOutOfItsMonitor) {
    auto owned = std::make_unique<PulseOutputGraph>("wavomer-tests", server);
    PulseOutputGraph& graph = *owned;
    ASSERT_TRUE(graph.waitUntilSettled(5.0)) << graph.lastError();
    AudioChannelsPlayer player(std::move(owned));
    test::SineSource sine(1000.0);
    player.setDelegate(&sine);
    auto samples = captureWhile(2.5, [&] {
        player.start();
        EXPECT_TRUE(graph.isUsingServer());
        std::this_thread::sleep_for(2600ms);
    });
    player.stop();
    auto last = test::tail(samples, 1.0);
    EXPECT_GT(test::rms(last), 0.1) << "the monitor stayed silent";
    EXPECT_GT(test::powerShareAt(last, 1000.0), 0.9);
    EXPECT_LT(test::powerShareAt(last, 1500.0), 0.01);
    EXPECT_GT(player.currentTime(), 2.0);
}

// The server asks for its whole buffer when playback starts, more than the player keeps
// queued: the sound may begin a little late, but once it has begun it has no gap.
TEST_F(PulsePlayback, TheSoundHasNoGapOnceItHasBegun) {
    auto owned = std::make_unique<PulseOutputGraph>("wavomer-tests", server);
    ASSERT_TRUE(owned->waitUntilSettled(5.0)) << owned->lastError();
    AudioChannelsPlayer player(std::move(owned));
    test::SineSource sine(1000.0);
    player.setDelegate(&sine);
    for (int run = 0; run < 2; ++run) {
        auto samples = captureWhile(1.5, [&] {
            player.start();
            std::this_thread::sleep_for(1600ms);
        });
        player.stop();
        size_t begin = 0;
        while (begin < samples.size() && std::fabs(samples[begin]) < 0.05f) ++begin;
        ASSERT_LT(begin + 44100 / 4, samples.size()) << "run " << run << ": the sound did not begin in time";
        // Every 5 ms window (five cycles of the tone) after the first one sounds.
        constexpr size_t kWindow = 44100 / 200;
        size_t quiet = 0;
        for (size_t at = begin + kWindow; at + kWindow <= samples.size(); at += kWindow) {
            std::vector<float> window(samples.begin() + static_cast<std::ptrdiff_t>(at),
                                      samples.begin() + static_cast<std::ptrdiff_t>(at + kWindow));
            if (test::rms(window) < 0.1) ++quiet;
        }
        EXPECT_EQ(quiet, 0u) << "run " << run << ": gaps after the sound began at sample " << begin;
    }
}

TEST_F(PulsePlayback, StopSilencesTheSinkAndPlayResumesIt) {
    auto owned = std::make_unique<PulseOutputGraph>("wavomer-tests", server);
    ASSERT_TRUE(owned->waitUntilSettled(5.0)) << owned->lastError();
    AudioChannelsPlayer player(std::move(owned));
    test::SineSource sine(1000.0);
    player.setDelegate(&sine);
    player.start();
    std::this_thread::sleep_for(1500ms);
    auto afterStop = captureWhile(1.0, [&] { player.stop(); });
    EXPECT_LT(test::rms(test::tail(afterStop, 0.6)), 1e-3);
    auto afterPlay = captureWhile(2.0, [&] {
        player.start();
        std::this_thread::sleep_for(2100ms);
    });
    player.stop();
    EXPECT_GT(test::powerShareAt(test::tail(afterPlay, 1.0), 1000.0), 0.9);
}

TEST_F(PulsePlayback, AProjectPlaysThroughTheWindowsControllerAndTheCursorFollows) {
    test::ScratchDir dir;
    const std::string path = dir.file("tone.data");
    test::writeSampleFile(path, 1, 44100 * 4,
                          [](int, int64_t k) { return static_cast<float>(0.5 * std::sin(2.0 * M_PI * 1000.0 * k / 44100.0)); });
    test::RecordingHost host;
    InProcessClipboard clipboard;
    test::ManualScheduler scheduler;
    UndoManager undo;
    WaveEditViewController engine(host, clipboard, scheduler, undo);
    engine.setAudioTrackArray({test::trackOf({test::placedSection(path, 0.0, 4.0, 0.0)})});
    engine.setTimelineTrackArray(engine.audioTrackArray());

    ProjectLock lock;
    auto graph = std::make_unique<PulseOutputGraph>("wavomer-tests", server);
    ASSERT_TRUE(graph->waitUntilSettled(5.0)) << graph->lastError();
    PlaybackController playback(engine, lock, std::move(graph));
    auto samples = captureWhile(2.0, [&] {
        playback.playOrPause();
        auto next = std::chrono::steady_clock::now();
        for (int tick = 0; tick < 26; ++tick) {
            next += 80ms;
            std::this_thread::sleep_until(next);
            playback.updateWaveViewWhenPlay();
        }
    });
    EXPECT_EQ(playback.state(), PlaybackState::Playing);
    EXPECT_GT(engine.currentTimelineTime(), 1.8);
    EXPECT_LT(engine.currentTimelineTime(), 2.6);
    playback.stopPlayer();
    EXPECT_EQ(engine.currentTimelineTime(), 0.0);
    EXPECT_GT(test::powerShareAt(test::tail(samples, 1.0), 1000.0), 0.9);
}

TEST(PulseOutputGraphFallback, NoServerAtAllPlaysOnTheSilentDeviceInRealTime) {
    auto owned = std::make_unique<PulseOutputGraph>("wavomer-tests", "unix:/nonexistent/wavomer/native");
    PulseOutputGraph& graph = *owned;
    EXPECT_FALSE(graph.waitUntilSettled(5.0));
    EXPECT_EQ(graph.connection(), PulseOutputGraph::Connection::Failed);
    EXPECT_FALSE(graph.lastError().empty());
    AudioChannelsPlayer player(std::move(owned));
    player.start();
    std::this_thread::sleep_for(500ms);
    EXPECT_FALSE(graph.isUsingServer());
    EXPECT_STREQ(outputDeviceName(graph), "silent");
    EXPECT_GT(player.currentTime(), 0.4);
    EXPECT_LT(player.currentTime(), 0.7);
    player.stop();
}

TEST(PulseOutputGraphFallback, AServerThatNeverAnswersIsGivenUpAfterTheDeadlineWithoutBlockingTheCaller) {
    test::ScratchDir dir;
    const std::string socketPath = dir.file("mute");
    int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 4), 0);

    const auto begin = std::chrono::steady_clock::now();
    auto owned = std::make_unique<PulseOutputGraph>("wavomer-tests", "unix:" + socketPath);
    PulseOutputGraph& graph = *owned;
    AudioChannelsPlayer player(std::move(owned));
    player.start();
    const double startTook = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    EXPECT_LT(startTook, 0.5) << "start waited for the server";
    EXPECT_TRUE(player.isStart());
    EXPECT_FALSE(graph.waitUntilSettled(6.0));
    const double settled = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    EXPECT_GT(settled, PulseOutputGraph::kConnectDeadlineSeconds - 0.2);
    EXPECT_LT(settled, PulseOutputGraph::kConnectDeadlineSeconds + 1.5);
    std::this_thread::sleep_for(300ms);
    EXPECT_GT(player.currentTime(), 0.2) << "the start made while connecting plays on the silent device";
    player.stop();
    close(listener);
}

}  // namespace
}  // namespace wavomer
