// The panels' preview: the selected sections of each selected track from the start of
// the range, scaled by the factor, silence where there is nothing to play.
#include <thread>

#include "render/PreviewSource.h"
#include "support/EngineFixture.h"

namespace wavomer {
namespace {

using test::EngineTest;

class PreviewSourceTest : public EngineTest {};

TEST_F(PreviewSourceTest, EachChannelPlaysItsTracksSelectionScaledByTheFactor) {
    // Track 0: source a from 0 to 2 s, then a gap-free second section of b; track 1: c.
    lay(0, {audio(source("a.data", 2.0), 0.0, 2.0, 0.0), audio(source("b.data", 2.0), 0.0, 2.0, 2.0)});
    lay(1, {audio(source("c.data", 4.0), 0.0, 4.0, 0.0)});
    std::optional<std::vector<SectionArray>> selected;
    event([&] {
        engine->setSelection(1.0, 3.0);
        selected = engine->getSelectedSectionsArray();
    });
    ASSERT_TRUE(selected);
    ASSERT_EQ(selected->size(), 2u);

    PreviewSource preview(engine->projectLock);
    preview.setSections(*selected, static_cast<int64_t>(engine->timelineTrackArray().size()));
    EXPECT_EQ(preview.audioSampleChannels(), 2);
    EXPECT_NEAR(preview.sectionsDuration(), 2.0, 1e-9);

    // What the timeline plays from 1.0 s on, frame for frame, is what the preview plays from 0.
    const int64_t start = 44100;
    const int32_t frames = 2048;
    for (int64_t at : {int64_t(0), int64_t(44100 - 1000), int64_t(2 * 44100 - 2048)}) {
        for (int32_t c = 0; c < 2; ++c) {
            std::vector<float> got(frames), want(frames);
            preview.setFactor(1.0f);
            preview.readSample(got.data(), c, frames, at);
            for (int32_t i = 0; i < frames; ++i)
                want[i] = engine->audioTrackArray()[c]->readSamplePointAtOffset(start + at + i);
            EXPECT_EQ(got, want) << "channel " << c << " at " << at;
            preview.setFactor(0.5f);
            preview.readSample(got.data(), c, frames, at);
            for (int32_t i = 0; i < frames; ++i) EXPECT_EQ(got[i], want[i] * 0.5f);
        }
    }
    // Past the selection's end: silence, and a channel with no list at all: silence.
    std::vector<float> tail(16, 1.0f);
    preview.readSample(tail.data(), 0, 16, 2 * 44100 + 10);
    EXPECT_EQ(tail, std::vector<float>(16, 0.0f));
    preview.setSections({selected->front()}, 2);
    std::fill(tail.begin(), tail.end(), 1.0f);
    preview.readSample(tail.data(), 1, 16, 0);
    EXPECT_EQ(tail, std::vector<float>(16, 0.0f));
    preview.release();
}

TEST_F(PreviewSourceTest, AHeldProjectLockGivesSilenceInsteadOfWaiting) {
    lay(0, {audio(source("a.data", 1.0), 0.0, 1.0, 0.0)});
    std::optional<std::vector<SectionArray>> selected;
    event([&] {
        engine->setSelection(0.0, 1.0);
        selected = engine->getSelectedSectionsArray();
    });
    PreviewSource preview(engine->projectLock);
    preview.setSections(*selected, 1);
    std::vector<float> block(64, 1.0f);
    {
        std::scoped_lock held(engine->projectLock);
        std::thread reader([&] { preview.readSample(block.data(), 0, 64, 100); });
        reader.join();
    }
    EXPECT_EQ(block, std::vector<float>(64, 0.0f));
    preview.readSample(block.data(), 0, 64, 100);
    EXPECT_EQ(block[0], test::staircase(0, 100));
}

}  // namespace
}  // namespace wavomer
