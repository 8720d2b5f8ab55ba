// Loudness normalisation without an encoder: the gain and its refusals, the true-peak
// limiter (under the ceiling between the samples, nothing moved in time, no steps), and
// the chapters a single-file export carries.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "export/LoudnessNormaliser.h"
#include "export/ProjectExporter.h"

using namespace wavomer;

namespace {

constexpr double kPi = 3.14159265358979323846;

// The largest magnitude of a channel of interleaved frames read 16 times between its
// samples with a long windowed sinc: a reference for the limiter's own 4x reading.
double referenceTruePeak(const std::vector<float>& frames, int channels) {
    constexpr int kReach = 48, kSteps = 16;
    const int64_t count = static_cast<int64_t>(frames.size()) / channels;
    double peak = 0.0;
    for (int c = 0; c < channels; ++c)
        for (int64_t n = 0; n + 1 < count; ++n)
            for (int s = 0; s < kSteps; ++s) {
                const double t = n + static_cast<double>(s) / kSteps;
                double value = 0.0;
                for (int64_t j = std::max<int64_t>(0, n - kReach + 1); j <= std::min(count - 1, n + kReach); ++j) {
                    const double d = t - static_cast<double>(j);
                    const double sinc = std::fabs(d) < 1e-12 ? 1.0 : std::sin(kPi * d) / (kPi * d);
                    const double window = 0.5 * (1.0 + std::cos(kPi * d / (kReach + 1)));
                    value += frames[static_cast<size_t>(j * channels + c)] * sinc * window;
                }
                peak = std::max(peak, std::fabs(value));
            }
    return 20.0 * std::log10(peak);
}

// A stereo source of frames held in memory, read from any frame on.
class MemorySource final : public ConverterSampleSource {
public:
    explicit MemorySource(std::vector<float> frames) : frames_(std::move(frames)) {}
    void configOutputFormat(const TSFFAudioFormat&) override {}
    void setCurrentTime(int64_t) override { at_ = 0; }
    void setCurrentFrame(int64_t frame) override { at_ = frame; }
    bool readSample(float* buffer, int32_t frames) override {
        for (int32_t f = 0; f < frames * 2; ++f) {
            const int64_t i = at_ * 2 + f;
            buffer[f] = i < static_cast<int64_t>(frames_.size()) ? frames_[static_cast<size_t>(i)] : 0.0f;
        }
        at_ += frames;
        return false;
    }

private:
    std::vector<float> frames_;
    int64_t at_ = 0;
};

}  // namespace

TEST(LoudnessTarget, TheGainReachesTheTargetAndSilenceOrAnUnusableTargetGetsNone) {
    LoudnessTarget target;
    target.integrated = -16.0;
    target.truePeakCeiling = -1.0;
    Loudness quiet;
    quiet.integrated = -30.0;
    quiet.truePeak = -20.0;
    NormalisationGain gain = normalisationGain(quiet, target);
    EXPECT_TRUE(gain.measured);
    EXPECT_DOUBLE_EQ(gain.decibels, 14.0);
    EXPECT_FALSE(gain.limit) << "-20 dBTP + 14 dB stays under -1 dBTP";
    quiet.truePeak = -10.0;
    EXPECT_TRUE(normalisationGain(quiet, target).limit);

    // Silence reads as no loudness: never an infinite gain.
    const NormalisationGain none = normalisationGain(Loudness{}, target);
    EXPECT_FALSE(none.measured);
    EXPECT_EQ(none.decibels, 0.0);
    EXPECT_FALSE(none.limit);

    EXPECT_TRUE(loudnessTargetProblem(-23.0, -1.0).empty());
    EXPECT_FALSE(loudnessTargetProblem(5.0, -1.0).empty());
    EXPECT_FALSE(loudnessTargetProblem(std::nan(""), -1.0).empty());
    EXPECT_FALSE(loudnessTargetProblem(-16.0, 3.0).empty());
    EXPECT_FALSE(loudnessTargetProblem(-16.0, INFINITY).empty());
}

TEST(TruePeakLimiter, HoldsPeaksBetweenTheSamplesUnderTheCeilingWithoutMovingOrSteppingTheAudio) {
    // A quiet 440 Hz tone with a burst of 11 kHz at full scale in the middle (its peaks
    // fall between the samples), gained by 6 dB.
    const int64_t frames = 44100;
    std::vector<float> in(static_cast<size_t>(frames * 2));
    for (int64_t n = 0; n < frames; ++n) {
        const double t = static_cast<double>(n) / 44100.0;
        double v = 0.1 * std::sin(2 * kPi * 440 * t);
        if (n >= 20000 && n < 20441) v += 0.85 * std::sin(2 * kPi * 11025 * t + 0.7);
        in[static_cast<size_t>(2 * n)] = static_cast<float>(v);
        in[static_cast<size_t>(2 * n + 1)] = static_cast<float>(-v);
    }
    MemorySource inner(in);
    NormalisingSource source(inner);
    NormalisationGain gain;
    gain.decibels = 6.0;
    gain.limit = true;
    gain.measured = true;
    source.setGain(gain, -1.0, 2);
    source.setCurrentFrame(0);
    std::vector<float> out(in.size());
    for (int64_t at = 0; at < frames; at += 1024)
        source.readSample(out.data() + at * 2, static_cast<int32_t>(std::min<int64_t>(1024, frames - at)));

    EXPECT_LE(referenceTruePeak(out, 2), -1.0 + 0.1);
    // The reader finds the input's true peak as the reference does (within the short
    // interpolation's accuracy at a quarter of the sample rate).
    TruePeakReader reader(2);
    for (int64_t at = 0; at < frames; at += 5000)
        reader.addFrames(in.data() + at * 2, std::min<int64_t>(5000, frames - at));
    EXPECT_NEAR(20.0 * std::log10(reader.peak()), referenceTruePeak(in, 2), 0.1);
    EXPECT_LT(source.deepestGain(), 0.6f) << "the burst was pulled down";
    const float factor = static_cast<float>(std::pow(10.0, 6.0 / 20.0));
    // Far from the burst the output is the gained input, frame for frame.
    for (int64_t n : {int64_t{100}, int64_t{5000}, int64_t{44000}})
        EXPECT_NEAR(out[static_cast<size_t>(2 * n)], in[static_cast<size_t>(2 * n)] * factor, 1e-6) << n;
    // The gain moves smoothly: at most a look-ahead's share of its whole range per frame.
    float previous = 1.0f, largestStep = 0.0f;
    int64_t previousFrame = 15000;
    for (int64_t n = 15000; n < 30000; ++n) {
        const float x = in[static_cast<size_t>(2 * n)] * factor;
        if (std::fabs(x) < 0.05f) continue;
        const float g = out[static_cast<size_t>(2 * n)] / x;
        largestStep = std::max(largestStep, std::fabs(g - previous) / static_cast<float>(n - previousFrame));
        previous = g;
        previousFrame = n;
    }
    EXPECT_LT(largestStep, 1.5f / TruePeakLimiter::kLookAhead);
}

TEST(ExportChapters, EachMarkerSpanIsAChapterTitledByItsMarkerOrNumbered) {
    ExportSnapshot snapshot;
    snapshot.markerTimes = {0.0, 2.5, 2.5, 7.0, 10.0};
    snapshot.markerNames = {std::nullopt, std::string("Прелюдия"), std::nullopt, std::nullopt, std::nullopt};
    const std::vector<MediaChapter> chapters = exportChapters(snapshot, "Kapitel %1");
    ASSERT_EQ(chapters.size(), 3u) << "the empty span between the two markers at 2.5 s is no chapter";
    EXPECT_EQ(chapters[0].startFrame, 0);
    EXPECT_EQ(chapters[0].endFrame, 110250);
    EXPECT_EQ(chapters[0].title, "Kapitel 1");
    EXPECT_EQ(chapters[1].title, "Прелюдия") << "the named marker's span is empty; its name goes on";
    EXPECT_EQ(chapters[1].startFrame, 110250);
    EXPECT_EQ(chapters[2].title, "Kapitel 3");
    EXPECT_EQ(chapters[2].endFrame, 441000);

    snapshot.markerTimes = {0.0, 10.0};
    snapshot.markerNames = {std::nullopt, std::nullopt};
    EXPECT_TRUE(exportChapters(snapshot, "Chapter %1").empty()) << "no markers, no chapters";
}
