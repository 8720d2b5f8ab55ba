// The timeline as source channels: which track a channel reads, that each value is the
// track's own per-frame read, silence without tracks, and how a block behaves while
// the main thread holds the project lock.
#include <gtest/gtest.h>

#include <future>
#include <thread>
#include <vector>

#include "render/TimelineProvider.h"
#include "support/SampleFiles.h"
#include "support/TestSupport.h"

namespace wavomer {
namespace {

using test::ScratchDir;

class TimelineProviderTest : public ::testing::Test {
protected:
    // A track playing a staircase source (frame k holds k, or 1e6 + k for channel 1)
    // from source second `from`, placed at the start of the timeline.
    TrackPtr staircaseTrack(int channel, double from, double seconds, double volume = 1.0) {
        if (path.empty()) {
            path = dir.file("stairs.data");
            test::writeSampleFile(path, 2, 44100 * 4, test::staircase);
        }
        auto section = test::placedSection(path, from, from + seconds, 0.0, channel);
        section->volumeValue = volume;
        return test::trackOf({section});
    }

    ScratchDir dir;
    std::string path;
    std::vector<TrackPtr> tracks;
    ProjectLock lock;
};

TEST_F(TimelineProviderTest, ChannelKReadsTheKthTrack) {
    tracks = {staircaseTrack(0, 0.0, 2.0), staircaseTrack(1, 1.0, 2.0)};
    TimelineProvider provider(tracks, lock);
    EXPECT_EQ(provider.audioSampleChannels(), 2);
    std::vector<float> block(16);
    provider.readSample(block.data(), 0, 16, 100);
    EXPECT_EQ(block[0], 100.0f);
    EXPECT_EQ(block[15], 115.0f);
    provider.readSample(block.data(), 1, 16, 100);
    EXPECT_EQ(block[0], 1e6f + 44100.0f + 100.0f);
}

TEST_F(TimelineProviderTest, AChannelBeyondTheTracksReadsTheLastAndANegativeOneTheFirst) {
    tracks = {staircaseTrack(0, 0.0, 2.0), staircaseTrack(0, 1.0, 2.0)};
    TimelineProvider provider(tracks, lock);
    std::vector<float> block(4);
    provider.readSample(block.data(), 7, 4, 10);
    EXPECT_EQ(block[0], 44110.0f);
    provider.readSample(block.data(), -3, 4, 10);
    EXPECT_EQ(block[0], 10.0f);
}

TEST_F(TimelineProviderTest, EveryValueIsTheTracksOwnPerFrameRead) {
    tracks = {staircaseTrack(1, 0.25, 3.0, 0.37)};
    tracks[0]->sectionArray()[0]->fadeMode = 1;
    tracks[0]->sectionArray()[0]->fadeDuration = 0.5;
    auto twin = staircaseTrack(1, 0.25, 3.0, 0.37);
    twin->sectionArray()[0]->fadeMode = 1;
    twin->sectionArray()[0]->fadeDuration = 0.5;
    TimelineProvider provider(tracks, lock);
    std::vector<float> block(5000);
    for (int64_t from : {int64_t{0}, int64_t{21000}, int64_t{130000}}) {
        provider.readSample(block.data(), 0, 5000, from);
        for (int i = 0; i < 5000; ++i) ASSERT_EQ(block[i], twin->readSamplePointAtOffset(from + i)) << from + i;
    }
}

TEST_F(TimelineProviderTest, NoTracksReadSilence) {
    TimelineProvider provider(tracks, lock);
    EXPECT_EQ(provider.audioSampleChannels(), 0);
    std::vector<float> block(8, 3.0f);
    provider.readSample(block.data(), 0, 8, 0);
    for (float v : block) EXPECT_EQ(v, 0.0f);
}

TEST_F(TimelineProviderTest, ABlockReadWhileTheEditorHoldsTheLockIsSilence) {
    tracks = {staircaseTrack(0, 0.0, 2.0)};
    TimelineProvider provider(tracks, lock);
    EXPECT_EQ(provider.audioSampleChannels(), 1);

    std::promise<void> held, release;
    std::thread editor([&] {
        std::scoped_lock guard(lock);
        held.set_value();
        release.get_future().wait();
    });
    held.get_future().wait();
    std::vector<float> block(8, 3.0f);
    provider.readSample(block.data(), 0, 8, 100);
    for (float v : block) EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(provider.lockMisses(), 1);
    EXPECT_EQ(provider.audioSampleChannels(), 1) << "the last count seen";
    release.set_value();
    editor.join();

    provider.readSample(block.data(), 0, 8, 100);
    EXPECT_EQ(block[0], 100.0f);
}

TEST(ProjectLockTest, IsRecursiveForItsHolderAndRefusesOtherThreads) {
    ProjectLock lock;
    lock.lock();
    EXPECT_TRUE(lock.isHeldByThisThread());
    EXPECT_TRUE(lock.try_lock());
    lock.unlock();
    bool other = true;
    std::thread([&] { other = lock.try_lock(); }).join();
    EXPECT_FALSE(other);
    lock.unlock();
    EXPECT_FALSE(lock.isHeldByThisThread());
    std::thread([&] {
        other = lock.try_lock();
        if (other) lock.unlock();
    }).join();
    EXPECT_TRUE(other);
}

}  // namespace
}  // namespace wavomer
