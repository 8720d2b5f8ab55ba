// The shared waveform envelope and its cache.
#include <gtest/gtest.h>

#include <cmath>

#include "data/AudioSampleData.h"
#include "data/AudioWaveData.h"
#include "model/AudioSection.h"
#include "model/AudioTrack.h"
#include "support/SampleFiles.h"
#include "support/TestSupport.h"

using namespace wavomer;
using wavomer::test::ScratchDir;

namespace {

class WaveDataTest : public ::testing::Test {
protected:
    void SetUp() override { AudioWaveDataCache::share().removeAll(); }
    void TearDown() override { AudioWaveDataCache::share().removeAll(); }
    ScratchDir dir;
};

// Channel c is the constant 0.1 * (c + 1) for the whole file.
std::string writeLevels(const ScratchDir& dir, const std::string& name, int channels, int64_t frames) {
    std::string path = dir.file(name);
    wavomer::test::writeSampleFile(path, channels, frames, [](int c, int64_t) { return 0.1f * (c + 1); });
    return path;
}

}  // namespace

TEST_F(WaveDataTest, EverySectionOfASourceSharesOneEnvelope) {
    std::string path = writeLevels(dir, "a.data", 2, 44100 * 2);
    auto first = AudioSection::sectionWithPath(path);
    auto second = AudioSection::sectionWithPath(path);
    ASSERT_TRUE(first->audioWaveData());
    EXPECT_EQ(first->audioWaveData(), second->audioWaveData());
    EXPECT_EQ(first->copy()->audioWaveData(), first->audioWaveData());
    EXPECT_EQ(AudioWaveDataCache::share().count(), 1u);
}

TEST_F(WaveDataTest, TheEnvelopeStaysWhileAnyHolderHoldsIt) {
    std::string path = writeLevels(dir, "a.data", 1, 44100);
    auto creator = AudioWaveData::waveDataWithPath(path);
    {
        auto other = AudioWaveData::waveDataWithPath(path);
        ASSERT_EQ(other, creator);
        EXPECT_TRUE(other->beginContentAccess());
        other->endContentAccess();
    }
    EXPECT_FALSE(creator->isContentDiscarded());
    EXPECT_NEAR(creator->sampleWaveAtTime(0.5, 0), 0.1f, 1e-6);
    EXPECT_EQ(AudioWaveData::waveDataWithPath(path), creator);
}

TEST_F(WaveDataTest, ADiscardedEnvelopeAnswersZeroAndLeavesTheCache) {
    std::string path = writeLevels(dir, "a.data", 1, 44100);
    auto wave = std::make_shared<AudioWaveData>();
    wave->loadWaveDataWithPath(path);
    ASSERT_TRUE(wave->hasData());
    AudioWaveDataCache::share().addWaveData(wave);
    wave->discardContentIfPossible();  // held by the cache and by us: kept
    EXPECT_FALSE(wave->isContentDiscarded());
    AudioWaveDataCache::share().removeAll();
    EXPECT_TRUE(wave->beginContentAccess());
    wave->endContentAccess();  // the last access of the only holder
    EXPECT_TRUE(wave->isContentDiscarded());
    EXPECT_EQ(wave->sampleWaveAtTime(0.5, 0), 0.0f);
    auto fresh = AudioWaveData::waveDataWithPath(path);
    ASSERT_TRUE(fresh);
    EXPECT_NE(fresh, wave);
    EXPECT_NEAR(fresh->sampleWaveAtTime(0.5, 0), 0.1f, 1e-6);
}

TEST_F(WaveDataTest, ShortSourcesGetAtLeastOneHundredPoints) {
    std::string path = writeLevels(dir, "short.data", 1, static_cast<int64_t>(0.2 * 44100));
    auto wave = AudioWaveData::waveDataWithPath(path);
    ASSERT_TRUE(wave);
    EXPECT_EQ(wave->frames_per_channel(), 100);
    EXPECT_EQ(wave->channels(), 1);
    EXPECT_EQ(wave->wave_per_second(), 200);
    EXPECT_NEAR(wave->sampleWaveAtTime(0.1, 0), 0.1f, 1e-6);  // 40 of the points cover the audio
    EXPECT_EQ(wave->sampleWaveAtTime(0.3, 0), 0.0f);
}

TEST_F(WaveDataTest, ReadsStayInsideTheAskedChannel) {
    std::string path = writeLevels(dir, "two.data", 2, 44100);
    auto wave = AudioWaveData::waveDataWithPath(path);
    ASSERT_TRUE(wave);
    ASSERT_EQ(wave->frames_per_channel(), 200);
    EXPECT_EQ(wave->sampleWaveAtTime(-0.01, 0), 0.0f);
    EXPECT_NEAR(wave->sampleWaveAtTime(0.5, 0), 0.1f, 1e-6);
    EXPECT_NEAR(wave->sampleWaveAtTime(0.5, 1), 0.2f, 1e-6);
    // Past channel 0's last point: nothing, not channel 1's first points.
    EXPECT_EQ(wave->sampleWaveAtTime(1.2, 0), 0.0f);
    EXPECT_EQ(wave->sampleWaveAtTime(-0.5, 1), 0.0f);
    EXPECT_EQ(wave->sampleWaveAtTime(1.2, 1), 0.0f);
    EXPECT_EQ(wave->sampleWaveAtTime(0.5, 2), 0.0f);
    EXPECT_EQ(wave->sampleWaveAtTime(0.5, -1), 0.0f);
}

TEST_F(WaveDataTest, PathsAreComparedExactly) {
    std::string path = writeLevels(dir, "a.data", 1, 44100);
    auto first = AudioWaveData::waveDataWithPath(path);
    std::string redundant = dir.path() + "/./a.data";
    auto second = AudioWaveData::waveDataWithPath(redundant);
    ASSERT_TRUE(second);
    EXPECT_NE(first, second);
    EXPECT_EQ(AudioWaveDataCache::share().count(), 2u);
}

TEST_F(WaveDataTest, AnUnreadableFileGivesNoEnvelope) {
    EXPECT_FALSE(AudioWaveData::waveDataWithPath(dir.file("missing.data")));
    EXPECT_EQ(AudioWaveDataCache::share().count(), 0u);
}

TEST_F(WaveDataTest, EveryChannelOfAShortClipHasItsWholeEnvelope) {
    // 0.2 s on three channels: the first and the last carry the same swelling tone,
    // the middle one a quieter one. Only the last channel's points fit in the file;
    // the others' are worked out from their samples when the file is opened.
    const int64_t frames = static_cast<int64_t>(0.2 * 44100);
    auto tone = [](int c, int64_t k) {
        double gain = c == 1 ? 0.2 : 0.9;
        return static_cast<float>(gain * (k + 1) / 8820.0 * std::sin(k * (c == 1 ? 0.13 : 0.07)));
    };
    std::string path = dir.file("clip.data");
    wavomer::test::writeSampleFile(path, 3, frames, tone);
    auto wave = AudioWaveData::waveDataWithPath(path);
    ASSERT_TRUE(wave);
    ASSERT_EQ(wave->channels(), 3);
    for (int j = 0; j < 40; ++j) {
        const double t = j / 200.0;
        const float last = wave->sampleWaveAtTime(t, 2);
        EXPECT_GT(last, 0.0f) << j;
        EXPECT_EQ(wave->sampleWaveAtTime(t, 0), last) << j;
        // The middle channel's points are its own, from its own samples.
        const int64_t from = static_cast<int64_t>(44100.0 / 200 * j);
        std::vector<float> window;
        for (int64_t k = from; k < std::min<int64_t>(from + 220, frames); ++k) window.push_back(tone(1, k));
        window.resize(220, 0.0f);
        EXPECT_EQ(wave->sampleWaveAtTime(t, 1), AudioSampleData::findSampleLevel(window.data(), 220)) << j;
    }
    EXPECT_EQ(wave->sampleWaveAtTime(0.3, 0), 0.0f);
    EXPECT_EQ(wave->sampleWaveAtTime(0.3, 1), 0.0f);
}

TEST_F(WaveDataTest, ThePeakOfASpanIsTheLargestOfItsPointsAcrossSections) {
    // Channel 1 holds a different pseudo-random level every 5 ms.
    const std::string path = dir.file("levels.data");
    wavomer::test::writeSampleFile(path, 2, 3 * 44100, [](int c, int64_t frame) {
        const auto point = static_cast<uint32_t>(frame / 220);
        return c == 0 ? 0.1f : static_cast<float>((point * 2654435761u) >> 8) / 16777216.0f;
    });
    auto wave = AudioWaveData::waveDataWithPath(path);
    ASSERT_TRUE(wave);
    const int64_t points = wave->frames_per_channel();
    for (int64_t first = -3; first < points + 3; first += 7)
        for (int64_t length : {0, 1, 5, 63, 64, 65, 130, 400, 700}) {
            float expected = 0.0f;
            for (int64_t i = std::max<int64_t>(first, 0); i < std::min(first + length, points); ++i)
                expected = std::max(expected, wave->sampleWaveAtTime(static_cast<double>(i) / 200.0, 1));
            ASSERT_EQ(wave->peakOfPoints(first, first + length, 1), expected) << first << " + " << length;
        }

    // A track of the quiet channel, then the loud one at half volume, then a muted part:
    // a span over all three finds the loud part's peak at its volume, and no more.
    auto quiet = wavomer::test::placedSection(path, 0.0, 1.0, 0.0);
    auto loud = wavomer::test::placedSection(path, 1.0, 2.0, 1.0);
    loud->channel = 1;
    loud->volumeValue = 0.5;
    auto muted = wavomer::test::placedSection(path, 2.0, 3.0, 2.0);
    muted->channel = 1;
    muted->isMute = true;
    auto track = wavomer::test::trackOf({quiet, loud, muted});
    const float loudPeak = wave->peakOfPoints(200, 400, 1);
    EXPECT_FLOAT_EQ(track->readWavePeak(0.5, 2.9), 0.5f * loudPeak);
    EXPECT_NEAR(track->readWavePeak(0.2, 0.9), 0.1f, 1e-6);
    EXPECT_EQ(track->readWavePeak(2.1, 2.9), 0.0f);
    // A span shorter than a point reads the point at its start, as a zoomed-in column does.
    EXPECT_FLOAT_EQ(track->readWavePeak(1.5, 1.5), 0.5f * wave->sampleWaveAtTime(1.5, 1));
}
