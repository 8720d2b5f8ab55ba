// Reading the source planes on several threads gives the very values of one thread, and
// measuring the fold's loudness on several threads the very figures of one meter.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <set>
#include <thread>

#include "EbuR128Meter.h"
#include "export/ExportFolds.h"
#include "export/TrackSnapshot.h"
#include "support/SampleFiles.h"
#include "support/TestSupport.h"

using namespace wavomer;

namespace {

// Channel c, frame f holds a value that reveals both; remembers which threads read.
class RecordingProvider final : public SourceChannelProvider {
public:
    explicit RecordingProvider(int64_t channels) : channels_(channels) {}
    int64_t audioSampleChannels() override { return channels_; }
    int32_t readSample(float* buffer, int32_t channel, int32_t frames, int64_t offset) override {
        for (int32_t i = 0; i < frames; ++i) buffer[i] = std::sin(0.001f * static_cast<float>(offset + i)) * (channel + 1);
        if (std::this_thread::get_id() != mainThread) ++readsElsewhere;
        return 0;
    }
    std::thread::id mainThread = std::this_thread::get_id();
    std::atomic<int> readsElsewhere{0};

private:
    int64_t channels_;
};

}  // namespace

TEST(ParallelFold, MixedAndUnmixedFoldsGiveTheSameValuesOnAnyNumberOfThreads) {
    for (int64_t tracks : {1, 3, 8}) {
        RecordingProvider provider(tracks);
        std::vector<float> scratch;
        std::vector<float> serial(4096 * 2), parallel(4096 * 2);
        exportFoldMixed(provider, serial.data(), 4096, 2, 777, scratch, 1);
        EXPECT_EQ(provider.readsElsewhere.load(), 0);
        for (int threads : {2, 3, 16}) {
            exportFoldMixed(provider, parallel.data(), 4096, 2, 777, scratch, threads);
            EXPECT_EQ(serial, parallel) << tracks << " tracks, " << threads << " threads";
        }
        if (tracks > 1) {
            EXPECT_GT(provider.readsElsewhere.load(), 0);
        }
        std::vector<float> serialTracks(4096 * tracks), parallelTracks(4096 * tracks);
        exportFoldUnmixed(provider, serialTracks.data(), 4096, static_cast<int32_t>(tracks), 5, scratch, 1);
        exportFoldUnmixed(provider, parallelTracks.data(), 4096, static_cast<int32_t>(tracks), 5, scratch, 2);
        EXPECT_EQ(serialTracks, parallelTracks);
    }
}

TEST(ParallelFold, ASnapshotOfRealTracksReadsTheSameOnTwoThreads) {
    wavomer::test::ScratchDir dir;
    std::string path = dir.file("s.data");
    wavomer::test::writeSampleFile(path, 2, 44100 * 2, wavomer::test::staircase);
    std::vector<TrackPtr> tracks;
    for (int t = 0; t < 4; ++t) {
        auto track = std::make_shared<AudioTrack>();
        auto s = AudioSection::sectionWithPath(path);
        s->channel = t % 2;
        s->trackEndTime = s->endTime;
        s->volumeValue = 0.25 * (t + 1);
        s->fadeMode = t == 3 ? 1 : 0;
        s->fadeDuration = 2.0;
        track->setSectionArray({s});
        tracks.push_back(track);
    }
    TrackSnapshot one = TrackSnapshot::take(tracks);
    TrackSnapshot two = TrackSnapshot::take(tracks);
    std::vector<float> scratch, a(8192 * 4), b(8192 * 4);
    for (int64_t at = 0; at < 44100 * 2; at += 8192) {
        exportFoldUnmixed(one, a.data(), 8192, 4, at, scratch, 1);
        exportFoldUnmixed(two, b.data(), 8192, 4, at, scratch, 2);
        ASSERT_EQ(a, b) << at;
    }
}

namespace {

// Three channels of made-up programme: tones whose levels jump, bursts of noise, and on
// each channel a short burst at a quarter of the sample rate whose peaks fall between its
// samples, straddling the start of a slice of the threaded true-peak measure.
class ProgrammeChannels final : public SourceChannelProvider {
public:
    int64_t audioSampleChannels() override { return 3; }
    int32_t readSample(float* buffer, int32_t channel, int32_t frames, int64_t offset) override {
        for (int32_t i = 0; i < frames; ++i) {
            const int64_t n = offset + i;
            const double level = 0.05 + 0.1 * static_cast<double>((n / 30011 + channel) % 4);
            uint32_t noise = static_cast<uint32_t>(n * 2654435761u + static_cast<uint32_t>(channel) * 40503u);
            noise ^= noise >> 13;
            double value = level * std::sin(0.037 * (channel + 1) * static_cast<double>(n));
            if ((n / 7919) % 5 == channel) value += 0.2 * (static_cast<double>(noise % 2001) / 1000.0 - 1.0);
            const int64_t slice = 1000 + 65536 * (channel + 1) + 4096 * 3;
            if (n >= slice - 8 && n < slice + 8) value = 0.9 * std::sin(M_PI / 4.0 + M_PI / 2.0 * static_cast<double>(n));
            buffer[i] = static_cast<float>(value);
        }
        return 0;
    }
};

}  // namespace

TEST(ParallelFold, TheLoudnessMeasuredOnSeveralThreadsIsExactlyThatOfOneMeter) {
    ProgrammeChannels source;
    // An odd length, so the last block and its last slice are short.
    for (int64_t channelType : {kChannelPerTrack, kStereoMix, kMonoMix}) {
        const auto one = measureFoldLoudness(source, 1000, 1000 + 44100 * 9 + 77, channelType, nullptr, nullptr, 1);
        ASSERT_TRUE(one && one->integrated && one->range && one->truePeak && one->samplePeak);
        for (int threads : {2, 3}) {
            const auto many =
                measureFoldLoudness(source, 1000, 1000 + 44100 * 9 + 77, channelType, nullptr, nullptr, threads);
            ASSERT_TRUE(many);
            EXPECT_EQ(many->integrated, one->integrated) << threads;
            EXPECT_EQ(many->range, one->range) << threads;
            EXPECT_EQ(many->truePeak, one->truePeak) << threads;
            EXPECT_EQ(many->samplePeak, one->samplePeak) << threads;
        }
    }
}
