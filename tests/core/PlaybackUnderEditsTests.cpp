// Playback reading the project on its own thread while the main thread edits it: every
// edit holds the project lock, every block try-locks it. Run under ThreadSanitizer by
// the test script (build-tsan, tests named PlaybackUnderEdits*), where any unguarded
// shared access is reported; here it checks that playback kept sounding throughout.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <random>
#include <thread>

#include "effects/EffectCatalogue.h"
#include "engine/EditActions.h"
#include "engine/PlaybackController.h"
#include "support/EngineFixture.h"
#include "support/TestOutputGraphs.h"

namespace wavomer {
namespace {

class PlaybackUnderEdits : public test::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        for (size_t t = 0; t < 4; ++t)
            lay(t, {audio(source("t" + std::to_string(t) + ".data", 6.0), 0.0, 6.0, 0.0)});
        auto owned = std::make_unique<test::ThreadedOutputGraph>();
        graph = owned.get();
        playback = std::make_unique<PlaybackController>(*engine, engine->projectLock, std::move(owned));
    }
    void TearDown() override {
        playback.reset();
        EngineTest::TearDown();
    }

    // One user event, holding the project lock as the window does.
    void edit(const std::function<void()>& body) { event(body); }

    test::ThreadedOutputGraph* graph = nullptr;
    std::unique_ptr<PlaybackController> playback;
};

TEST_F(PlaybackUnderEdits, EditsUndoRedoSelectionAndSeeksWhilePlayingLeaveTheAudioThreadSounding) {
    EffectDic lowPass;
    lowPass["name"] = CoderValue(std::string("Low Pass"));
    lowPass["Cutoff Frequency"] = CoderValue(2000.0);
    lowPass["Resonance"] = CoderValue(0.0);

    playback->playOrPause();
    std::mt19937 random(7);
    std::uniform_real_distribution<double> at(0.0, 5.0);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    int edits = 0;
    while (std::chrono::steady_clock::now() < until) {
        const double a = at(random);
        const double b = a + 0.3;
        switch (edits % 9) {
            case 0: edit([&] { engine->selectTracks(0, 3); }); break;
            case 1: edit([&] { engine->setSelection(a, b); }); break;
            case 2: edit([&] { EditActions::applyVolumeFactor(*engine, 0.8); }); break;
            case 3: edit([&] { EditActions::fadeInButtonAction(*engine); }); break;
            case 4: edit([&] { EditActions::applyEffect(*engine, lowPass); }); break;
            case 5: edit([&] { EditActions::muteButtonAction(*engine); }); break;
            case 6: edit([&] { if (undo.canUndo()) undo.undo(); }); break;
            case 7: edit([&] { engine->selectTracks(1, 2); }); break;
            case 8: edit([&] { if (undo.canRedo()) undo.redo(); }); break;
        }
        engine->updateCurrentTimelineTime(at(random));
        playback->seekPlayerCurrentTime();
        playback->updateWaveViewWhenPlay();
        if (!playback->isPlaying()) playback->playOrPause();
        ++edits;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    playback->stopPlayer();

    EXPECT_GT(edits, 50);
    EXPECT_GT(graph->blocks(), 20);
    EXPECT_GT(graph->soundingBlocks(), 0);
    EXPECT_LT(playback->provider().lockMisses(), graph->blocks() * 4) << "the audio thread was starved";
}

}  // namespace
}  // namespace wavomer
