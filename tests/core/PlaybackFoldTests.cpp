// The playback fold: source channels summed into interleaved output channels by the
// modulo rule, compared value for value with a literal K-plane reference.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <random>
#include <vector>

#include "render/PlaybackFold.h"

namespace wavomer {
namespace {

// Source channel c, frame f holds (c + 1) * 1000 + f: every output value tells which
// channels and frames were summed into it.
class NumberedSource : public SourceChannelProvider {
public:
    explicit NumberedSource(int64_t channels) : channels_(channels) {}
    int64_t audioSampleChannels() override { return channels_; }
    int32_t readSample(float* buffer, int32_t channel, int32_t frames, int64_t offset) override {
        calls.push_back({channel, offset});
        for (int32_t i = 0; i < frames; ++i) buffer[i] = value(channel, offset + i);
        return 0;
    }
    static float value(int32_t channel, int64_t frame) { return static_cast<float>((channel + 1) * 1000 + frame); }
    struct Call {
        int32_t channel;
        int64_t offset;
    };
    std::vector<Call> calls;

private:
    int64_t channels_;
};

std::vector<float> fold(SourceChannelProvider& source, int32_t frames, int32_t channels, int64_t from) {
    std::vector<float> out(static_cast<size_t>(frames) * channels, -7.0f);
    std::vector<float> plane(static_cast<size_t>(frames));
    std::atomic<int64_t> readFrame{from};
    playbackFold(source, out.data(), frames, channels, plane.data(), readFrame);
    return out;
}

TEST(PlaybackFold, OneTrackPlaysOnBothStereoChannels) {
    NumberedSource source(1);
    auto out = fold(source, 4, 2, 10);
    for (int j = 0; j < 4; ++j) {
        EXPECT_EQ(out[j * 2], NumberedSource::value(0, 10 + j));
        EXPECT_EQ(out[j * 2 + 1], NumberedSource::value(0, 10 + j));
    }
}

TEST(PlaybackFold, ThreeTracksPutTracksZeroAndTwoLeftAndTrackOneRightWithoutScaling) {
    NumberedSource source(3);
    auto out = fold(source, 3, 2, 0);
    for (int j = 0; j < 3; ++j) {
        EXPECT_EQ(out[j * 2], NumberedSource::value(0, j) + NumberedSource::value(2, j));
        EXPECT_EQ(out[j * 2 + 1], NumberedSource::value(1, j));
    }
    EXPECT_GT(out[0], 1.0f) << "sums are not clipped";
}

TEST(PlaybackFold, AProviderWithNoChannelsIsReadAsOneChannel) {
    NumberedSource source(0);
    auto out = fold(source, 2, 2, 0);
    ASSERT_EQ(source.calls.size(), 1u);
    EXPECT_EQ(source.calls[0].channel, 0);
    EXPECT_EQ(out[0], NumberedSource::value(0, 0));
    EXPECT_EQ(out[1], NumberedSource::value(0, 0));
}

TEST(PlaybackFold, OutputChannelsBeyondTheLastSourceRepeatIt) {
    NumberedSource source(2);
    auto out = fold(source, 2, 4, 0);
    for (int j = 0; j < 2; ++j) {
        EXPECT_EQ(out[j * 4 + 0], NumberedSource::value(0, j));
        EXPECT_EQ(out[j * 4 + 1], NumberedSource::value(1, j));
        EXPECT_EQ(out[j * 4 + 2], NumberedSource::value(1, j));
        EXPECT_EQ(out[j * 4 + 3], NumberedSource::value(1, j));
    }
}

TEST(PlaybackFold, SourcesAreReadOnceEachInOrderFromTheReadFrame) {
    NumberedSource source(5);
    fold(source, 8, 2, 441000);
    ASSERT_EQ(source.calls.size(), 5u);
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(source.calls[c].channel, c);
        EXPECT_EQ(source.calls[c].offset, 441000);
    }
}

// Moves the read frame while channel 0 is read, as the play-selection wrap does.
class JumpingSource : public NumberedSource {
public:
    JumpingSource(std::atomic<int64_t>& readFrame) : NumberedSource(3), readFrame_(readFrame) {}
    int32_t readSample(float* buffer, int32_t channel, int32_t frames, int64_t offset) override {
        if (channel == 0) readFrame_.store(500);
        return NumberedSource::readSample(buffer, channel, frames, offset);
    }

private:
    std::atomic<int64_t>& readFrame_;
};

TEST(PlaybackFold, AJumpDuringOneChannelAppliesToTheChannelsReadAfterIt) {
    std::atomic<int64_t> readFrame{100};
    JumpingSource source(readFrame);
    std::vector<float> out(4 * 2), plane(4);
    playbackFold(source, out.data(), 4, 2, plane.data(), readFrame);
    ASSERT_EQ(source.calls.size(), 3u);
    EXPECT_EQ(source.calls[0].offset, 100);
    EXPECT_EQ(source.calls[1].offset, 500);
    EXPECT_EQ(source.calls[2].offset, 500);
    EXPECT_EQ(out[0], NumberedSource::value(0, 100) + NumberedSource::value(2, 500));
}

// Random values from a seeded generator, the same for a given (channel, frame).
class NoiseSource : public SourceChannelProvider {
public:
    NoiseSource(int64_t channels, uint32_t seed) : channels_(channels), seed_(seed) {}
    int64_t audioSampleChannels() override { return channels_; }
    int32_t readSample(float* buffer, int32_t channel, int32_t frames, int64_t offset) override {
        std::mt19937 generator(seed_ + static_cast<uint32_t>(channel) * 7919u + static_cast<uint32_t>(offset));
        std::uniform_real_distribution<float> spread(-1.5f, 1.5f);
        for (int32_t i = 0; i < frames; ++i) buffer[i] = spread(generator);
        return 0;
    }

private:
    int64_t channels_;
    uint32_t seed_;
};

// The fold written out literally: all K planes first, then each output value summed
// over s = o, o + m, ... below max(K, m), reading plane min(s, K - 1).
std::vector<float> literalFold(SourceChannelProvider& source, int32_t n, int32_t m, int64_t from) {
    const int64_t k = std::max<int64_t>(source.audioSampleChannels(), 1);
    std::vector<float> planes(static_cast<size_t>(n * k), 0.0f);
    for (int64_t i = 0; i < k; ++i) source.readSample(planes.data() + i * n, static_cast<int32_t>(i), n, from);
    std::vector<float> out(static_cast<size_t>(n) * m);
    for (int32_t j = 0; j < n; ++j)
        for (int32_t o = 0; o < m; ++o) {
            float sum = 0.0f;
            bool first = true;
            for (int64_t s = o; s < std::max<int64_t>(k, m); s += m) {
                float v = planes[static_cast<size_t>(std::min(s, k - 1) * n + j)];
                sum = first ? v : sum + v;
                first = false;
            }
            out[static_cast<size_t>(j) * m + o] = sum;
        }
    return out;
}

TEST(PlaybackFold, MatchesTheLiteralFoldBitForBitOnRandomShapes) {
    std::mt19937 shapes(20240611);
    for (int round = 0; round < 200; ++round) {
        const int64_t k = std::uniform_int_distribution<int>(0, 9)(shapes);
        const int32_t m = std::uniform_int_distribution<int>(1, 6)(shapes);
        const int32_t n = std::uniform_int_distribution<int>(1, 300)(shapes);
        const int64_t from = std::uniform_int_distribution<int>(0, 1 << 20)(shapes);
        NoiseSource source(k, static_cast<uint32_t>(round));
        auto expected = literalFold(source, n, m, from);
        auto actual = fold(source, n, m, from);
        ASSERT_EQ(0, std::memcmp(expected.data(), actual.data(), expected.size() * sizeof(float)))
            << "K=" << k << " m=" << m << " n=" << n;
    }
}

TEST(PlaybackFold, NothingIsWrittenForZeroFramesOrZeroChannels) {
    NumberedSource source(2);
    std::vector<float> out(4, -7.0f), plane(4);
    std::atomic<int64_t> readFrame{0};
    playbackFold(source, out.data(), 0, 2, plane.data(), readFrame);
    playbackFold(source, out.data(), 2, 0, plane.data(), readFrame);
    EXPECT_TRUE(source.calls.empty());
    for (float v : out) EXPECT_EQ(v, -7.0f);
}

}  // namespace
}  // namespace wavomer
