// The effects' signal processing: each filter's measured magnitude against the
// cookbook formula, every effect giving the same samples whatever the block
// sizes, and each effect audibly doing what its name says.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

#include "effects/AudioEffectProcessor.h"
#include "effects/EffectCatalogue.h"
#include "support/EffectStreams.h"
#include "util/Log.h"

using namespace wavomer;
using wavomer::test::renderInBlocks;

namespace {

constexpr double kRate = 44100.0;
constexpr double kPi = std::numbers::pi;

std::vector<float> sine(double frequency, double amplitude, size_t frames) {
    std::vector<float> v(frames);
    for (size_t i = 0; i < frames; ++i)
        v[i] = static_cast<float>(amplitude * std::sin(2 * kPi * frequency * i / kRate));
    return v;
}

std::vector<float> noise(size_t frames, unsigned seed, float amplitude = 0.5f) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> uniform(-amplitude, amplitude);
    std::vector<float> v(frames);
    for (auto& x : v) x = uniform(random);
    return v;
}

// Amplitude of the component at frequency over [from, from + frames).
double amplitudeAt(const std::vector<float>& x, double frequency, size_t from, size_t frames) {
    std::complex<double> sum = 0.0;
    for (size_t i = from; i < from + frames; ++i)
        sum += static_cast<double>(x[i]) * std::polar(1.0, -2 * kPi * frequency * i / kRate);
    return 2.0 * std::abs(sum) / static_cast<double>(frames);
}

double peak(const std::vector<float>& x, size_t from, size_t to) {
    double p = 0;
    for (size_t i = from; i < to; ++i) p = std::max(p, std::fabs(static_cast<double>(x[i])));
    return p;
}

double rms(const std::vector<float>& x, size_t from, size_t to) {
    double s = 0;
    for (size_t i = from; i < to; ++i) s += static_cast<double>(x[i]) * x[i];
    return std::sqrt(s / static_cast<double>(to - from));
}

double db(double gain) { return 20.0 * std::log10(gain); }

CoderDictionary effect(const std::string& name, const std::vector<std::pair<std::string, double>>& overrides = {}) {
    Outcome<CoderDictionary> made = effectDicWithDefaults(name, overrides);
    EXPECT_TRUE(made) << made.error();
    CoderDictionary dic = made ? *made : CoderDictionary();
    return dic;
}

std::vector<float> run(const CoderDictionary& dic, const std::vector<float>& input) {
    auto p = effectAudioWithInfo(dic);
    EXPECT_NE(p, nullptr);
    std::vector<float> out(input.size());
    if (p) {
        EXPECT_TRUE(p->processAudioChannelSamples(input.data(), static_cast<int32_t>(input.size()), out.data()));
    }
    return out;
}

// Steady-state gain in dB of the effect at a frequency, measured on a sine.
double measuredGainDb(const CoderDictionary& dic, double frequency, double amplitude = 0.25) {
    auto out = run(dic, sine(frequency, amplitude, 3 * 44100));
    return db(amplitudeAt(out, frequency, 2 * 44100, 44100) / amplitude);
}

// ---- The cookbook, written out again independently of the program's code ----

struct Rbj {
    double b0, b1, b2, a0, a1, a2;
    double gainDb(double frequency) const {
        auto z1 = std::polar(1.0, -2 * kPi * frequency / kRate);
        auto z2 = z1 * z1;
        return db(std::abs((b0 + b1 * z1 + b2 * z2) / (a0 + a1 * z1 + a2 * z2)));
    }
};
double w0(double f) { return 2 * kPi * f / kRate; }
Rbj lowPassQ(double f, double q) {
    double w = w0(f), a = std::sin(w) / (2 * q), c = std::cos(w);
    return {(1 - c) / 2, 1 - c, (1 - c) / 2, 1 + a, -2 * c, 1 - a};
}
Rbj highPassQ(double f, double q) {
    double w = w0(f), a = std::sin(w) / (2 * q), c = std::cos(w);
    return {(1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + a, -2 * c, 1 - a};
}
double alphaBw(double w, double octaves) {
    return std::sin(w) * std::sinh(std::log(2.0) / 2 * octaves * w / std::sin(w));
}
Rbj bandPassBw(double f, double octaves) {
    double w = w0(f), a = alphaBw(w, octaves), c = std::cos(w);
    return {a, 0, -a, 1 + a, -2 * c, 1 - a};
}
Rbj peakingAlpha(double w, double a, double gain) {
    double A = std::pow(10, gain / 40), c = std::cos(w);
    return {1 + a * A, -2 * c, 1 - a * A, 1 + a / A, -2 * c, 1 - a / A};
}
Rbj peakingQ(double f, double q, double gain) { return peakingAlpha(w0(f), std::sin(w0(f)) / (2 * q), gain); }
Rbj peakingBw(double f, double octaves, double gain) { return peakingAlpha(w0(f), alphaBw(w0(f), octaves), gain); }
Rbj lowShelf(double f, double gain) {
    double A = std::pow(10, gain / 40), w = w0(f), c = std::cos(w), a = std::sin(w) / 2 * std::sqrt(2.0);
    double s = 2 * std::sqrt(A) * a;
    return {A * ((A + 1) - (A - 1) * c + s), 2 * A * ((A - 1) - (A + 1) * c), A * ((A + 1) - (A - 1) * c - s),
            (A + 1) + (A - 1) * c + s,       -2 * ((A - 1) + (A + 1) * c),    (A + 1) + (A - 1) * c - s};
}
Rbj highShelf(double f, double gain) {
    double A = std::pow(10, gain / 40), w = w0(f), c = std::cos(w), a = std::sin(w) / 2 * std::sqrt(2.0);
    double s = 2 * std::sqrt(A) * a;
    return {A * ((A + 1) + (A - 1) * c + s), -2 * A * ((A - 1) + (A + 1) * c), A * ((A + 1) + (A - 1) * c - s),
            (A + 1) - (A - 1) * c + s,       2 * ((A - 1) - (A + 1) * c),      (A + 1) - (A - 1) * c - s};
}

void expectResponse(const CoderDictionary& dic, const Rbj& reference, std::initializer_list<double> frequencies,
                    double extraDb = 0.0) {
    for (double f : frequencies) {
        double expected = reference.gainDb(f) + extraDb;
        EXPECT_NEAR(measuredGainDb(dic, f), expected, 0.05) << "at " << f << " Hz";
    }
}

}  // namespace

// ---- Magnitude responses ----

TEST(FilterResponse, LowPassFollowsTheCookbookWithResonanceAsTheGainAtTheCutOff) {
    expectResponse(effect("Low Pass", {{"Cutoff Frequency", 1000}}), lowPassQ(1000, 1.0),
                   {100, 700, 1000, 3000, 10000});
    expectResponse(effect("Low Pass", {{"Cutoff Frequency", 2500}, {"Resonance", 6}}),
                   lowPassQ(2500, std::pow(10, 0.3)), {300, 2500, 8000});
    EXPECT_NEAR(measuredGainDb(effect("Low Pass", {{"Cutoff Frequency", 2500}, {"Resonance", 6}}), 2500), 6.0, 0.05);
}

TEST(FilterResponse, HighPassFollowsTheCookbook) {
    expectResponse(effect("High Pass", {{"Cutoff Frequency", 2000}, {"Resonance", -3}}),
                   highPassQ(2000, std::pow(10, -3.0 / 20)), {200, 1000, 2000, 6000, 15000});
}

TEST(FilterResponse, BandPassFollowsTheCookbookWithItsBandwidthInCents) {
    expectResponse(effect("Band Pass", {{"Center Frequency", 1000}, {"Bandwidth", 1200}}), bandPassBw(1000, 1.0),
                   {250, 700, 1000, 1414, 4000});
}

TEST(FilterResponse, ShelvesFollowTheCookbook) {
    expectResponse(effect("High Shelf", {{"Cut Off Frequency", 12000}, {"Gain", 9}}), highShelf(12000, 9),
                   {1000, 8000, 12000, 18000});
    expectResponse(effect("Low Shelf", {{"Cut Off Frequency", 100}, {"Gain", -12}}), lowShelf(100, -12),
                   {30, 100, 300, 3000});
}

TEST(FilterResponse, ParametricEQFollowsTheCookbookPeakingSection) {
    expectResponse(effect("Parametric EQ", {{"Center Freq", 2000}, {"Q", 2}, {"Gain", 8}}), peakingQ(2000, 2, 8),
                   {500, 1500, 2000, 2600, 8000});
}

TEST(FilterResponse, NBandEQIsAPeakingBandInOctavesTimesTheGlobalGain) {
    expectResponse(effect("N Band EQ", {{"Frequency", 500}, {"Gain", -10}, {"Bandwidth", 1}, {"Global Gain", 3}}),
                   peakingBw(500, 1, -10), {125, 350, 500, 700, 4000}, 3.0);
}

TEST(FilterResponse, AUFilterMiddleBandIsAPeakingBandInOctaves) {
    // By parameter id: 3 centre frequency, 4 gain, 5 bandwidth of the first middle band.
    auto dic = effect("AU Filter", {{"Out Gate Threshold Time", 1000}, {"Sensitivity", 12}, {"Roger Type", 1}});
    // The other sections sit at 100 Hz with 0 dB: flat.
    expectResponse(dic, peakingBw(1000, 1, 12), {250, 700, 1000, 1400, 5000});
}

TEST(FilterResponse, AUFilterHighSectionCanCutAsALowPass) {
    auto dic = effect("AU Filter", {{"High Filter Type", 1}, {"High Frequency", 1000}});
    expectResponse(dic, lowPassQ(1000, std::sqrt(0.5)), {200, 1000, 8000});
}

TEST(FilterResponse, AGraphicEqualiserBandIsTheWidestPeakingSectionAtItsFrequency) {
    expectResponse(effect("Graphic EQ 10", {{"80 Hz", 6}}), peakingQ(80, 0.1, 6), {20, 80, 300, 2000});
    // Two sections in series: their gains in dB add.
    auto dic = effect("Graphic EQ 3", {{"2500 Hz", -8}, {"12000 Hz", 4}});
    for (double f : {100.0, 2500.0, 12000.0})
        EXPECT_NEAR(measuredGainDb(dic, f), peakingQ(2500, 0.1, -8).gainDb(f) + peakingQ(12000, 0.1, 4).gainDb(f),
                    0.05);
}

// ---- Block-size independence ----

namespace {

std::vector<CoderDictionary> everyEffectTwice() {
    std::vector<CoderDictionary> all;
    for (const auto& name : getAllEffects()) {
        if (name == "Net Send") continue;
        if (useGraphicEQArray(name)) {
            auto bands = getEffectSettingsByName(name);
            all.push_back(effect(name, {{bands.front().name, 5}, {bands.back().name, -7}}));
            all.push_back(effect(name, {{bands[1].name, 12}}));
            continue;
        }
        all.push_back(effect(name));
        // The same effect with every parameter a third of the way up its range.
        std::vector<std::pair<std::string, double>> tilted;
        for (const auto& s : getEffectSettingsByName(name)) tilted.emplace_back(s.name, s.min + (s.max - s.min) / 3);
        all.push_back(effect(name, tilted));
    }
    all.push_back(effect("Distortion", {{"Ring Mod Mix", 60}, {"Rounding", 40}, {"Delay", 12}, {"Decay", 40}}));
    all.push_back(effect("Peak Limiter", {{"Pre Gain", 20}, {"Attack Time", 0.003}}));
    return all;
}

std::string nameOf(const CoderDictionary& dic) {
    std::string name;
    dic.at("name").asString(name);
    return name;
}

std::vector<float> testSignal() {
    // Noise, a loud tone, silence and a quiet tone: every effect's states get used.
    auto x = noise(3 * 44100, 21, 0.3f);
    auto tone = sine(440, 0.9, 44100);
    for (size_t i = 0; i < tone.size(); ++i) x[44100 + i] += tone[i];
    std::fill(x.begin() + 88200, x.begin() + 110250, 0.0f);
    auto quiet = sine(3000, 0.01, 22050);
    std::copy(quiet.begin(), quiet.end(), x.begin() + 110250);
    return x;
}

double maxDifference(const std::vector<float>& a, const std::vector<float>& b) {
    double d = 0;
    for (size_t i = 0; i < a.size(); ++i) d = std::max(d, std::fabs(static_cast<double>(a[i]) - b[i]));
    return d;
}

}  // namespace

TEST(EffectBlockSizes, EveryEffectGivesTheSameSamplesInBlocksOfAnySizeAsInOneGo) {
    const auto input = testSignal();
    std::mt19937 random(22);
    std::vector<int32_t> randomSizes(64);
    for (auto& s : randomSizes) s = std::uniform_int_distribution<int32_t>(1, 9000)(random);
    for (const auto& dic : everyEffectTwice()) {
        auto once = effectAudioWithInfo(dic);
        ASSERT_NE(once, nullptr) << nameOf(dic);
        auto expected = renderInBlocks(*once, input, {static_cast<int32_t>(input.size())});
        for (const auto& sizes : {std::vector<int32_t>{20480}, {1024}, {1, 3, 1000}, {4097}, randomSizes}) {
            auto p = effectAudioWithInfo(dic);
            EXPECT_LE(maxDifference(renderInBlocks(*p, input, sizes), expected), 1e-6) << nameOf(dic) << " " << sizes[0];
        }
        for (float v : expected) ASSERT_TRUE(std::isfinite(v)) << nameOf(dic);
    }
}

TEST(EffectBlockSizes, AStreamInOneCallEqualsTheBlockProcessingWithItsPadding) {
    const auto input = testSignal();
    for (const auto& dic : everyEffectTwice()) {
        auto a = effectAudioWithInfo(dic);
        auto b = effectAudioWithInfo(dic);
        std::vector<float> block(input.size());
        EXPECT_TRUE(a->processAudioChannelSamples(input.data(), static_cast<int32_t>(input.size()), block.data()));
        EXPECT_LE(maxDifference(block, renderInBlocks(*b, input, {static_cast<int32_t>(input.size())})), 1e-6) << nameOf(dic);
    }
}

TEST(EffectBlockSizes, AProcessorCanRunInPlace) {
    const auto input = testSignal();
    for (const auto& dic : {effect("Peak Limiter", {{"Pre Gain", 12}}),
                            effect("Graphic EQ 10", {{"80 Hz", 6}, {"640 Hz", 3}}), effect("Matrix Reverb")}) {
        auto expected = run(dic, input);
        auto p = effectAudioWithInfo(dic);
        auto inPlace = input;
        ASSERT_TRUE(
            p->processAudioChannelSamples(inPlace.data(), static_cast<int32_t>(inPlace.size()), inPlace.data()));
        EXPECT_EQ(inPlace, expected) << nameOf(dic);
    }
}

// ---- What each effect does ----

TEST(PeakLimiter, KeepsPeaksUnderItsCeilingWhateverThePreGain) {
    auto input = sine(1000, 0.5, 44100);
    for (int i = 20000; i < 20100; ++i) input[static_cast<size_t>(i)] *= 1.9f;  // a sharp transient
    auto out = run(effect("Peak Limiter", {{"Pre Gain", 18}}), input);
    EXPECT_LE(peak(out, 0, out.size()), 0.98855309 + 1e-6);
    EXPECT_GT(peak(out, 30000, 44100), 0.9);  // limited, not merely turned down
}

TEST(PeakLimiter, ReportsItsLookAheadAsLatencyAndLeavesQuietSignalsAlone) {
    auto p = effectAudioWithInfo(effect("Peak Limiter"));
    EXPECT_EQ(p->latencyFrames(), 528);  // 12 ms, to a multiple of 4 frames
    auto input = noise(20000, 23, 0.3f);
    auto out = run(effect("Peak Limiter"), input);
    EXPECT_LE(maxDifference(out, input), 1e-7);  // the delay is compensated exactly
}

TEST(DynamicsProcessor, TurnsLoudPassagesDownAndLeavesModerateOnesAlone) {
    auto dic = effect("Dynamics Processor");
    auto loud = sine(500, 0.7, 44100), moderate = sine(500, 0.03, 44100);
    double loudChange = db(rms(run(dic, loud), 22050, 44100) / rms(loud, 22050, 44100));
    double moderateChange = db(rms(run(dic, moderate), 22050, 44100) / rms(moderate, 22050, 44100));
    EXPECT_LT(loudChange, -6.0);
    EXPECT_NEAR(moderateChange, 0.0, 0.1);
}

TEST(DynamicsProcessor, ExpandsDownwardsBelowItsExpansionThreshold) {
    auto input = sine(500, 0.0003, 44100);  // about -70 dBFS
    double change = db(rms(run(effect("Dynamics Processor", {{"Expansion Ratio", 3}}), input), 22050, 44100) /
                       rms(input, 22050, 44100));
    EXPECT_LT(change, -10.0);
}

TEST(MultiBandCompressor, SumsItsBandsFlatWhenNothingIsCompressed) {
    std::vector<std::pair<std::string, double>> open{
        {"Threshold 1", 0}, {"Threshold 2", 0}, {"Threshold 3", 0}, {"Threshold 4", 0}};
    for (double f : {60.0, 120.0, 700.0, 2000.0, 3000.0, 9000.0})
        EXPECT_NEAR(measuredGainDb(effect("Multi Band Compressor", open), f, 0.05), 0.0, 0.05) << f;
}

TEST(MultiBandCompressor, CompressesLoudSignalsMoreThanQuietOnesAndAppliesItsBandEQ) {
    auto dic = effect("Multi Band Compressor");
    double loud = measuredGainDb(dic, 1000, 0.7), quiet = measuredGainDb(dic, 1000, 0.001);
    EXPECT_LT(loud, quiet - 10.0);
    std::vector<std::pair<std::string, double>> eq{
        {"Threshold 1", 0}, {"Threshold 2", 0}, {"Threshold 3", 0}, {"Threshold 4", 0}, {"EQ 4", 6}};
    EXPECT_NEAR(measuredGainDb(effect("Multi Band Compressor", eq), 12000, 0.05), 6.0, 0.2);
    EXPECT_NEAR(measuredGainDb(effect("Multi Band Compressor", eq), 50, 0.05), 0.0, 0.2);
}

namespace {
// Every stage of the distortion off, so each test turns on one.
std::vector<std::pair<std::string, double>> cleanDistortion(std::vector<std::pair<std::string, double>> extra) {
    std::vector<std::pair<std::string, double>> v{{"Delay Mix", 0},    {"Decimation Mix", 0},   {"Polynomial Mix", 0},
                                                  {"Ring Mod Mix", 0}, {"Soft Clip Gain", -80}, {"Final Mix", 0}};
    v.insert(v.end(), extra.begin(), extra.end());
    return v;
}
}  // namespace

TEST(Distortion, WithEveryStageOffPassesTheSignal) {
    auto input = noise(10000, 24);
    EXPECT_LE(maxDifference(run(effect("Distortion", cleanDistortion({})), input), input), 1e-7);
}

TEST(Distortion, ItsPolynomialAddsHarmonics) {
    auto input = sine(1000, 0.5, 44100);
    auto out = run(effect("Distortion", cleanDistortion({{"Polynomial Mix", 100},
                                                         {"Cubic Term", 12},
                                                         {"Squared Term", 6},
                                                         {"Final Mix", 100},
                                                         {"Soft Clip Gain", 0}})),
                   input);
    EXPECT_GT(amplitudeAt(out, 3000, 0, 44100), 0.05);
    EXPECT_GT(amplitudeAt(out, 2000, 0, 44100), 0.05);
    EXPECT_LT(amplitudeAt(input, 3000, 0, 44100), 1e-4);
}

TEST(Distortion, ItsSoftClipKeepsTheOutputWithinFullScale) {
    auto input = sine(200, 0.9, 44100);
    auto out = run(effect("Distortion", cleanDistortion({{"Soft Clip Gain", 20}, {"Final Mix", 100}})), input);
    EXPECT_LE(peak(out, 0, out.size()), 1.0);
    EXPECT_GT(peak(out, 0, out.size()), 0.99);
    EXPECT_GT(amplitudeAt(out, 600, 0, 44100), 0.05);  // clipping is odd-harmonic rich
}

TEST(Distortion, ItsRingModulatorMovesTheToneToSumAndDifferenceFrequencies) {
    auto input = sine(1000, 0.5, 44100);
    auto out = run(effect("Distortion", cleanDistortion({{"Ring Mod Mix", 100},
                                                         {"Ring Mod Freq1", 300},
                                                         {"Ring Mod Freq2", 300},
                                                         {"Final Mix", 100},
                                                         {"Soft Clip Gain", 0}})),
                   input);
    EXPECT_NEAR(amplitudeAt(out, 700, 0, 44100), 0.25, 0.01);
    EXPECT_NEAR(amplitudeAt(out, 1300, 0, 44100), 0.25, 0.01);
    EXPECT_LT(amplitudeAt(out, 1000, 0, 44100), 0.01);
}

TEST(Distortion, ItsDelayRepeatsTheSignalWithDecayingEchoes) {
    std::vector<float> input(44100, 0.0f);
    input[100] = 0.5f;
    auto out =
        run(effect("Distortion",
                   cleanDistortion(
                       {{"Delay", 100}, {"Decay", 50}, {"Delay Mix", 100}, {"Final Mix", 100}, {"Soft Clip Gain", 0}})),
            input);
    // Through the soft clip at 0 dB, v − 4v³/27.
    auto clip = [](double v) { return v - 4.0 * v * v * v / 27.0; };
    EXPECT_NEAR(out[100 + 4410], clip(0.5), 1e-6);
    EXPECT_NEAR(out[100 + 8820], clip(0.25), 1e-6);
    EXPECT_NEAR(out[100 + 13230], clip(0.125), 1e-6);
    EXPECT_EQ(out[100], 0.0f);
}

TEST(Distortion, ItsDecimationAndRoundingCoarsenTheSignal) {
    auto input = sine(100, 0.8, 44100);
    auto out = run(effect("Distortion", cleanDistortion({{"Decimation Mix", 100},
                                                         {"Decimation", 75},
                                                         {"Rounding", 85},
                                                         {"Final Mix", 100},
                                                         {"Soft Clip Gain", 0}})),
                   input);
    std::vector<float> levels(out.begin(), out.end());
    std::sort(levels.begin(), levels.end());
    levels.erase(std::unique(levels.begin(), levels.end()), levels.end());
    EXPECT_LT(levels.size(), 64u);  // about 4.5 bits
    size_t holds = 0;
    for (size_t i = 1; i < out.size(); ++i) holds += out[i] == out[i - 1];
    EXPECT_GT(holds, out.size() / 2);  // each value held for several frames
}

TEST(MatrixReverb, LeavesATailAfterTheSoundStops) {
    std::vector<float> input(3 * 44100, 0.0f);
    auto burst = noise(4410, 25, 0.8f);
    std::copy(burst.begin(), burst.end(), input.begin());
    auto out = run(effect("Matrix Reverb"), input);
    double tail = rms(out, 22050, 33075);  // 0.4 s after the burst ended
    EXPECT_GT(tail, 0.005);
    EXPECT_LT(rms(out, 2 * 44100 + 22050, 3 * 44100), tail);  // and it decays
}

TEST(MatrixReverb, AllDryIsTheInputUnchanged) {
    auto input = noise(20000, 26);
    EXPECT_EQ(run(effect("Matrix Reverb", {{"Dry Wet Mix", 0}}), input), input);
}

TEST(RogerBeep, AddsItsToneAfterATransmissionEnds) {
    std::vector<float> input(4 * 44100, 0.0f);
    auto talk = sine(300, 0.8, static_cast<size_t>(1.5 * 44100));
    std::copy(talk.begin(), talk.end(), input.begin());
    auto out = run(effect("Roger Beep"), input);
    EXPECT_LT(peak(out, 70000, 110000), 1e-6);  // still quiet during the out-gate time
    size_t start = 0;
    for (size_t i = 70000; i < out.size() && !start; ++i)
        if (std::fabs(out[i]) > 0.01f) start = i;
    ASSERT_GT(start, 0u);
    EXPECT_NEAR(static_cast<double>(start) / kRate, 2.5, 0.1);
    EXPECT_NEAR(amplitudeAt(out, 1000, start + 441, 4410 * 2 - 882), 0.5, 0.03);  // 1 kHz at -6 dB
    EXPECT_LT(peak(out, start + 9000, out.size()), 1e-6);                         // one beep, then quiet
}

TEST(RogerBeep, StaysSilentWhenNothingWasTransmitted) {
    std::vector<float> input = sine(300, 0.1, 3 * 44100);  // below the in-gate threshold
    EXPECT_EQ(run(effect("Roger Beep"), input), input);
}
