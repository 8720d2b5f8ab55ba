// The player and the window's playback behaviour: when blocks are requested and from
// where, how the position moves, the play-selection wrap, and the play/pause/stop
// state machine with its position tick.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "render/AudioChannelsPlayer.h"
#include "engine/PlaybackController.h"
#include "support/EngineFixture.h"
#include "support/TestOutputGraphs.h"

namespace wavomer {
namespace {

using test::ManualOutputGraph;

// Channel c, frame f holds (c + 1) * 1e6 + f; remembers where each read started.
class FrameSource : public SourceChannelProvider {
public:
    explicit FrameSource(int64_t channels) : channels_(channels) {}
    int64_t audioSampleChannels() override { return channels_; }
    int32_t readSample(float* buffer, int32_t channel, int32_t frames, int64_t offset) override {
        if (duringRead) duringRead();
        offsets.push_back(offset);
        for (int32_t i = 0; i < frames; ++i) buffer[i] = static_cast<float>((channel + 1) * 1e6 + static_cast<double>(offset + i));
        return 0;
    }
    std::vector<int64_t> offsets;
    std::function<void()> duringRead;

private:
    int64_t channels_;
};

class PlayerTest : public ::testing::Test {
protected:
    ManualOutputGraph::Shared graph;
    ManualOutputGraph* manual = nullptr;
    std::unique_ptr<AudioChannelsPlayer> player;

    void SetUp() override {
        auto owned = std::make_unique<ManualOutputGraph>(graph);
        manual = owned.get();
        player = std::make_unique<AudioChannelsPlayer>(std::move(owned));
    }
};

TEST_F(PlayerTest, StartClearsTheGraphsBufferBeforeStartingIt) {
    player->start();
    EXPECT_TRUE(player->isStart());
    player->stop();
    EXPECT_FALSE(player->isStart());
    EXPECT_EQ(graph.calls, (std::vector<std::string>{"clearBuffer", "start", "stop"}));
}

TEST_F(PlayerTest, TheGraphIsRefilledOnlyWhenFewerThan2048FramesAreQueued) {
    FrameSource source(1);
    player->setDelegate(&source);
    graph.queuedFrames = 2048;
    manual->pull();
    EXPECT_TRUE(graph.blocks.empty());
    graph.queuedFrames = 2047;
    manual->pull();
    ASSERT_EQ(graph.blocks.size(), 1u);
    EXPECT_EQ(graph.blocks[0].size(), 2048u * 2);
}

TEST_F(PlayerTest, EachBlockIs2048StereoFramesFromTheReadFrameAndBothPositionsAdvance) {
    FrameSource source(2);
    player->setDelegate(&source);
    player->setCurrentTime(10.0);
    EXPECT_EQ(player->offsetFrame(), 441000);
    manual->pull();
    manual->pull();
    ASSERT_EQ(graph.blocks.size(), 2u);
    EXPECT_EQ(graph.blocks[0][0], 1e6f + 441000.0f);
    EXPECT_EQ(graph.blocks[0][1], 2e6f + 441000.0f);
    EXPECT_EQ(graph.blocks[0][2 * 2047], 1e6f + 441000.0f + 2047.0f);
    EXPECT_EQ(graph.blocks[1][0], 1e6f + 443048.0f);
    EXPECT_EQ(player->offsetFrame(), 441000 + 4096);
    EXPECT_EQ(player->playerFrame(), 441000 + 4096);
    EXPECT_DOUBLE_EQ(player->currentTime(), (441000 + 4096) / 44100.0);
}

TEST_F(PlayerTest, SettingTheTimeTruncatesToAFrame) {
    player->setCurrentTime(1.0 / 44100.0 * 2.9);
    EXPECT_EQ(player->offsetFrame(), 2);
    player->audioOutputForwordSample(10.7);
    EXPECT_EQ(player->playerFrame(), 12);
    EXPECT_EQ(player->offsetFrame(), 2);
}

TEST_F(PlayerTest, WithoutADelegateItPlaysSilenceOnOneChannel) {
    EXPECT_EQ(player->audioSampleChannels(), 1);
    manual->pull();
    ASSERT_EQ(graph.blocks.size(), 1u);
    EXPECT_TRUE(std::all_of(graph.blocks[0].begin(), graph.blocks[0].end(), [](float v) { return v == 0.0f; }));
    EXPECT_EQ(player->offsetFrame(), 2048);
}

TEST_F(PlayerTest, ASeekMadeWhileABlockIsReadIsNotPushedOnByThatBlock) {
    FrameSource source(1);
    player->setDelegate(&source);
    player->setCurrentTime(1.0);
    source.duringRead = [&] {
        source.duringRead = nullptr;
        player->setCurrentTime(5.0);  // as the main thread would, mid-block
    };
    manual->pull();
    EXPECT_EQ(player->offsetFrame(), 5 * 44100);
    EXPECT_EQ(player->playerFrame(), 5 * 44100);
    manual->pull();
    EXPECT_EQ(source.offsets.back(), 5 * 44100);
    EXPECT_EQ(player->offsetFrame(), 5 * 44100 + 2048);
}

TEST_F(PlayerTest, ADelegateWithNoChannelsCountsAsOne) {
    FrameSource source(0);
    player->setDelegate(&source);
    EXPECT_EQ(player->audioSampleChannels(), 1);
}

class WrapTest : public PlayerTest {
protected:
    FrameSource source{1};
    void SetUp() override {
        PlayerTest::SetUp();
        player->setDelegate(&source);
    }
};

TEST_F(WrapTest, PlaybackInsideASelectionJumpsBackToItsStartNearItsEndAndKeepsLooping) {
    player->setSelectionLoop(true, 2.0, 3.0);
    player->setCurrentTime(2.5);
    int wraps = 0;
    double previous = player->currentTime();
    for (int block = 0; block < 100; ++block) {
        manual->pull();
        const double read = source.offsets.back() / 44100.0;
        EXPECT_GE(read, 2.0);
        EXPECT_LT(read, 3.0);
        if (read < previous) {
            ++wraps;
            // The block that jumped is read from the start's frame itself: nothing of
            // the selection's start is skipped.
            EXPECT_EQ(source.offsets.back(), 88200);
            const double before = previous;
            EXPECT_GE(before, 2.95 - 2048 / 44100.0) << "jumped too early";
        }
        previous = read;
    }
    EXPECT_GE(wraps, 4);
}

TEST_F(WrapTest, TheJumpHappensOnlyWithinFiftyMillisecondsStrictlyInsideTheSelection) {
    player->setSelectionLoop(true, 2.0, 3.0);
    player->setCurrentTime(2.949);
    EXPECT_FALSE(player->wrapSelectionIfNeeded());
    player->setCurrentTime(2.951);
    EXPECT_TRUE(player->wrapSelectionIfNeeded());
    EXPECT_EQ(player->offsetFrame(), 88200);
    EXPECT_EQ(player->playerFrame(), 88200);
    player->setCurrentTime(3.0);
    EXPECT_FALSE(player->wrapSelectionIfNeeded());
    player->setCurrentTime(2.0);
    EXPECT_FALSE(player->wrapSelectionIfNeeded());
    player->setSelectionLoop(false, 2.0, 3.0);
    player->setCurrentTime(2.99);
    EXPECT_FALSE(player->wrapSelectionIfNeeded());
}

TEST_F(WrapTest, EveryChannelOfTheBlockThatJumpsComesFromTheSelectionsStart) {
    // Deciding the jump while the first channel was already being read would play
    // that channel's block from the selection's end and skip its first 2048 frames.
    FrameSource stereo(3);
    player->setDelegate(&stereo);
    player->setSelectionLoop(true, 2.0, 3.0);
    player->setCurrentTime(2.98);
    manual->pull();
    ASSERT_EQ(stereo.offsets.size(), 3u);
    for (int64_t offset : stereo.offsets) EXPECT_EQ(offset, 88200);
    EXPECT_EQ(player->offsetFrame(), 88200 + 2048);
    manual->pull();
    for (size_t k = 3; k < stereo.offsets.size(); ++k) EXPECT_EQ(stereo.offsets[k], 88200 + 2048);
}

// The controller over a real editing engine and a manual graph.
class ControllerTest : public test::EngineTest, public PlaybackView {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        lay(0, {audio(source("a.data", 12.0), 0.0, 12.0, 0.0)});
        lay(1, {audio(source("b.data", 12.0), 0.0, 12.0, 0.0)});
        auto owned = std::make_unique<ManualOutputGraph>(graph);
        manual = owned.get();
        playback = std::make_unique<PlaybackController>(*engine, lock, std::move(owned), this);
    }
    void TearDown() override {
        playback.reset();
        EngineTest::TearDown();
    }

    void startPlayTimer(double period) override {
        ++timersStarted;
        timerPeriod = period;
    }
    void stopPlayTimer() override { ++timersStopped; }
    void flushPlayPauseButtonImage() override { images.push_back(playback->playPauseImage()); }
    void reDrawTimelineInWithX(double x) override { strips.push_back(x); }
    bool isRecordingPopoverShown() const override { return popover; }

    ProjectLock lock;
    ManualOutputGraph::Shared graph;
    ManualOutputGraph* manual = nullptr;
    std::unique_ptr<PlaybackController> playback;
    int timersStarted = 0;
    int timersStopped = 0;
    double timerPeriod = 0.0;
    std::vector<std::string> images;
    std::vector<double> strips;
    bool popover = false;
};

TEST_F(ControllerTest, PlayWithTheCursorAtTenSecondsStartsOutputAtFrame441000) {
    engine->updateCurrentTimelineTime(10.0);
    playback->playOrPause();
    EXPECT_EQ(playback->state(), PlaybackState::Playing);
    EXPECT_TRUE(playback->hasPlayTimer());
    EXPECT_EQ(timersStarted, 1);
    EXPECT_DOUBLE_EQ(timerPeriod, 0.08);
    EXPECT_EQ(images.back(), "PauseMain");
    manual->pull();
    ASSERT_EQ(graph.blocks.size(), 1u);
    // Both tracks hold staircase(0, k) = k; two tracks into stereo: one per channel.
    EXPECT_EQ(graph.blocks[0][0], 441000.0f);
    EXPECT_EQ(graph.blocks[0][1], 441000.0f);
}

TEST_F(ControllerTest, PlayAgainPausesAndClosesTheTimer) {
    playback->playOrPause();
    manual->pull();
    playback->playOrPause();
    EXPECT_EQ(playback->state(), PlaybackState::Paused);
    EXPECT_FALSE(playback->hasPlayTimer());
    EXPECT_EQ(timersStopped, 1);
    EXPECT_EQ(images.back(), "PlayMain");
}

TEST_F(ControllerTest, PauseStopsThePlayerButLeavesTheTimer) {
    playback->playOrPause();
    playback->pause();
    EXPECT_EQ(playback->state(), PlaybackState::Paused);
    EXPECT_TRUE(playback->hasPlayTimer());
    EXPECT_EQ(images.back(), "PlayMain");
}

TEST_F(ControllerTest, TheTickMovesTheCursorToThePlayersPositionAndRedrawsBothStrips) {
    playback->playOrPause();
    for (int i = 0; i < 3; ++i) manual->pull();
    playback->updateWaveViewWhenPlay();
    EXPECT_DOUBLE_EQ(engine->currentTimelineTime(), 3 * 2048 / 44100.0);
    ASSERT_EQ(strips.size(), 2u);
    EXPECT_DOUBLE_EQ(strips[1], engine->timeToPointX(3 * 2048 / 44100.0));
}

TEST_F(ControllerTest, PlaybackStopsByItselfAndRewindsAtTheEndOfTheLongestTrack) {
    engine->updateCurrentTimelineTime(11.9);
    playback->playOrPause();
    for (int i = 0; i < 3; ++i) manual->pull();
    playback->updateWaveViewWhenPlay();
    EXPECT_EQ(playback->state(), PlaybackState::Stopped);
    EXPECT_FALSE(playback->hasPlayTimer());
    EXPECT_EQ(engine->currentTimelineTime(), 0.0);
    EXPECT_EQ(playback->player().offsetFrame(), 0);
    EXPECT_EQ(playback->player().currentTime(), 0.0);
}

TEST_F(ControllerTest, StopRewindsToTheStartFromAnyState) {
    engine->updateCurrentTimelineTime(5.0);
    playback->playOrPause();
    manual->pull();
    playback->stopPlayer();
    EXPECT_EQ(playback->state(), PlaybackState::Stopped);
    EXPECT_EQ(engine->currentTimelineTime(), 0.0);
    EXPECT_EQ(playback->player().offsetFrame(), 0);
    engine->updateCurrentTimelineTime(4.0);
    playback->playOrPause();
    playback->playOrPause();
    playback->stopPlayer();
    EXPECT_EQ(engine->currentTimelineTime(), 0.0);
}

TEST_F(ControllerTest, PlayDoesNothingWhileRecordingOrWithTheRecordingPopoverOpen) {
    host.recording = true;
    playback->playOrPause();
    EXPECT_EQ(playback->state(), PlaybackState::Stopped);
    host.recording = false;
    popover = true;
    playback->playOrPause();
    EXPECT_EQ(playback->state(), PlaybackState::Stopped);
    EXPECT_TRUE(graph.calls.empty());
    EXPECT_EQ(timersStarted, 0);
}

TEST_F(ControllerTest, ACursorMoveWhilePlayingMovesTheNextBlockWithoutStopping) {
    playback->playOrPause();
    manual->pull();
    engine->updateCurrentTimelineTime(7.0);
    playback->seekPlayerCurrentTime();
    manual->pull();
    EXPECT_EQ(playback->state(), PlaybackState::Playing);
    ASSERT_EQ(graph.blocks.size(), 2u);
    EXPECT_EQ(graph.blocks[1][0], 7.0f * 44100.0f);
}

TEST_F(ControllerTest, ASelectionLoopsPlaybackAndTheTickBringsTheCursorBack) {
    engine->setSelection(2.0, 3.0);
    engine->updateCurrentTimelineTime(2.5);
    playback->playOrPause();
    bool sawStart = false;
    for (int i = 0; i < 40; ++i) {
        manual->pull();
        playback->updateWaveViewWhenPlay();
        EXPECT_GE(engine->currentTimelineTime(), 2.0);
        EXPECT_LT(engine->currentTimelineTime(), 3.0 + 2048 / 44100.0);
        // Track 1 (the right channel) is read after the jump within the block that jumps.
        if (graph.blocks.back()[1] == 88200.0f) sawStart = true;
    }
    EXPECT_TRUE(sawStart);
    EXPECT_EQ(playback->state(), PlaybackState::Playing);
}

TEST_F(ControllerTest, WithoutASelectedRangePlaybackRunsOnPastTheCursorRange) {
    engine->setSelection(2.0, 2.0005);
    engine->updateCurrentTimelineTime(1.99);
    playback->playOrPause();
    for (int i = 0; i < 10; ++i) manual->pull();
    EXPECT_GT(playback->player().currentTime(), 2.4);
}

}  // namespace
}  // namespace wavomer
