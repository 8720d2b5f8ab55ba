// The dynamics effects.
//
// Peak Limiter: a look-ahead limiter. The audio is delayed by the look-ahead
// (the attack time, rounded to a multiple of 4 frames, so that the processor's
// latency compensation cancels it exactly); the gain is the minimum of the
// required gains over the look-ahead window, smoothed by a moving average of
// the same length, so it has reached its floor by the time the peak leaves the
// delay line. The ceiling is -0.1 dBFS; the decay time sets the recovery.
//
// Dynamics Processor and the bands of the Multi Band Compressor share one gain
// computer: above the threshold T a level L comes out at
// T + H·(1 − e^(−(L−T)/H)), so the output rises with slope 1 at the threshold
// and never more than the head room H above it. The dynamics processor also
// expands downwards below -60 dBFS by its expansion ratio.
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "effects/Biquad.h"
#include "effects/EffectKernels.h"

namespace wavomer {

namespace {

constexpr float kDbPerLog2 = 6.0205999f;  // 20·log10(2)

float dbToGain(float db) { return std::exp2(db / kDbPerLog2); }
float gainToDb(float gain) { return kDbPerLog2 * std::log2(std::fmax(gain, 1.0e-9f)); }

double smoothingCoefficient(double seconds, double sampleRate) {
    return 1.0 - std::exp(-1.0 / std::fmax(seconds * sampleRate, 1.0));
}

// Gain change in dB for a level above threshold under the head-room curve.
float headroomGainDb(float levelDb, float thresholdDb, float headroomDb) noexcept {
    float over = levelDb - thresholdDb;
    if (over <= 0.0f) return 0.0f;
    return headroomDb * (1.0f - std::exp2(-over / headroomDb * 1.4426950f)) - over;
}

// Peak envelope with separate attack and release smoothing.
struct EnvelopeFollower {
    float attack = 1.0f, release = 1.0f, level = 0.0f;
    void configure(double attackSeconds, double releaseSeconds, double sampleRate) {
        attack = static_cast<float>(smoothingCoefficient(attackSeconds, sampleRate));
        release = static_cast<float>(smoothingCoefficient(releaseSeconds, sampleRate));
    }
    float process(float x) noexcept {
        float a = std::fabs(x);
        level += (a - level) * (a > level ? attack : release);
        return level;
    }
};

class PeakLimiterKernel final : public EffectKernelBase<PeakLimiterKernel> {
public:
    static constexpr float kCeiling = 0.98855309f;  // -0.1 dBFS
    static constexpr size_t kRing = 4096;           // > the longest look-ahead (0.03 s) at 96 kHz
    static constexpr size_t kMask = kRing - 1;

    static int32_t lookAheadFrames(double attackSeconds, double sampleRate) {
        int32_t frames = 4 * static_cast<int32_t>(std::lround(attackSeconds * sampleRate / 4.0));
        return std::clamp<int32_t>(frames, 4, static_cast<int32_t>(kRing) - 8);
    }

    void prepare(double sampleRate) override {
        sampleRate_ = sampleRate;
        delay_.assign(kRing, 0.0f);
        dequeIndex_.assign(kRing, 0);
        dequeValue_.assign(kRing, 1.0f);
        box_.assign(kRing, 1.0f);
    }
    void configure(const EffectParameters& p) noexcept override {
        int32_t lookAhead = lookAheadFrames(p.value(0), sampleRate_);
        release_ = static_cast<float>(smoothingCoefficient(p.value(1), sampleRate_));
        preGain_ = dbToGain(p.value(2));
        if (lookAhead != lookAhead_) {
            lookAhead_ = lookAhead;
            reset();
        }
    }
    double latencySeconds(const EffectParameters& p, double sampleRate) const noexcept override {
        return lookAheadFrames(p.value(0), sampleRate) / sampleRate;
    }
    void reset() noexcept override {
        std::fill(delay_.begin(), delay_.end(), 0.0f);
        std::fill(box_.begin(), box_.end(), 1.0f);
        head_ = tail_ = 0;
        boxSum_ = lookAhead_ + 1;
        boxPosition_ = 0;
        gain_ = 1.0f;
        frame_ = 0;
    }
    void process(const float* input, float* output, int32_t frames) noexcept override {
        const int64_t window = lookAhead_ + 1;
        for (int32_t i = 0; i < frames; ++i) {
            float x = input[i] * preGain_;
            delay_[frame_ & kMask] = x;
            float magnitude = std::fabs(x);
            float required = magnitude > kCeiling ? kCeiling / magnitude : 1.0f;
            // Minimum over the window by a monotonic queue of (frame, required gain).
            while (head_ != tail_ && dequeValue_[(tail_ - 1) & kMask] >= required) --tail_;
            dequeIndex_[tail_ & kMask] = frame_;
            dequeValue_[tail_ & kMask] = required;
            ++tail_;
            if (dequeIndex_[head_ & kMask] <= frame_ - window) ++head_;
            float held = dequeValue_[head_ & kMask];
            boxSum_ += static_cast<double>(held) - box_[boxPosition_];
            box_[boxPosition_] = held;
            if (++boxPosition_ == static_cast<size_t>(window)) boxPosition_ = 0;
            float target = static_cast<float>(boxSum_ / static_cast<double>(window));
            // A rounding of the running sum must never lift the gain above the held floor.
            target = std::min(target, 1.0f);
            gain_ = target < gain_ ? target : gain_ + (target - gain_) * release_;
            output[i] = delay_[(frame_ - lookAhead_) & kMask] * gain_;
            ++frame_;
        }
    }

private:
    double sampleRate_ = 44100.0;
    int32_t lookAhead_ = 4;
    float release_ = 1.0f, preGain_ = 1.0f, gain_ = 1.0f;
    std::vector<float> delay_;
    std::vector<int64_t> dequeIndex_;
    std::vector<float> dequeValue_;
    size_t head_ = 0, tail_ = 0;
    std::vector<float> box_;
    double boxSum_ = 5.0;
    size_t boxPosition_ = 0;
    int64_t frame_ = 0;
};

class DynamicsProcessorKernel final : public EffectKernelBase<DynamicsProcessorKernel> {
public:
    static constexpr float kExpansionThresholdDb = -60.0f;

    void prepare(double sampleRate) override { sampleRate_ = sampleRate; }
    void configure(const EffectParameters& p) noexcept override {
        threshold_ = p.value(0);
        headroom_ = p.value(1);
        expansionRatio_ = p.value(2);
        envelope_.configure(p.value(4), p.value(5), sampleRate_);
        masterGainDb_ = p.value(6);
    }
    void reset() noexcept override { envelope_.level = 0.0f; }
    void process(const float* input, float* output, int32_t frames) noexcept override {
        for (int32_t i = 0; i < frames; ++i) {
            float level = gainToDb(envelope_.process(input[i]));
            float change = headroomGainDb(level, threshold_, headroom_);
            if (level < kExpansionThresholdDb)
                change = std::fmax((level - kExpansionThresholdDb) * (expansionRatio_ - 1.0f), -120.0f);
            output[i] = input[i] * dbToGain(change + masterGainDb_);
        }
    }

private:
    double sampleRate_ = 44100.0;
    float threshold_ = -20.0f, headroom_ = 5.0f, expansionRatio_ = 2.0f, masterGainDb_ = 0.0f;
    EnvelopeFollower envelope_;
};

// Four bands split by Linkwitz-Riley crossovers (two Butterworth sections per
// side); the lower bands pass the all-pass of every higher crossover, so the
// bands add up to a flat response when no band is compressed.
class MultiBandCompressorKernel final : public EffectKernelBase<MultiBandCompressorKernel> {
public:
    void prepare(double sampleRate) override { sampleRate_ = sampleRate; }
    void configure(const EffectParameters& p) noexcept override {
        preGain_ = dbToGain(p.value(0));
        postGain_ = dbToGain(p.value(1));
        std::array<double, 3> crossover{p.value(2), p.value(3), p.value(4)};
        std::sort(crossover.begin(), crossover.end());
        for (size_t c = 0; c < 3; ++c) {
            lowPass_[c] = rbj::lowPass(sampleRate_, crossover[c], kButterworthQ);
            highPass_[c] = rbj::highPass(sampleRate_, crossover[c], kButterworthQ);
            allPass_[c] = rbj::allPass(sampleRate_, crossover[c], kButterworthQ);
        }
        for (uint32_t b = 0; b < 4; ++b) {
            threshold_[b] = p.value(5 + b);
            headroom_[b] = p.value(9 + b);
            bandGainDb_[b] = p.value(15 + b);
            envelope_[b].configure(p.value(13), p.value(14), sampleRate_);
        }
    }
    void reset() noexcept override {
        for (auto& s : split_) s.reset();
        for (auto& s : phase_) s.reset();
        for (auto& e : envelope_) e.level = 0.0f;
    }
    void process(const float* input, float* output, int32_t frames) noexcept override {
        for (int32_t i = 0; i < frames; ++i) {
            double x = input[i] * preGain_;
            std::array<double, 4> band;
            double rest = x;
            for (size_t c = 0; c < 3; ++c) {
                double low = split_[4 * c + 1].process(split_[4 * c].process(rest, lowPass_[c]), lowPass_[c]);
                rest = split_[4 * c + 3].process(split_[4 * c + 2].process(rest, highPass_[c]), highPass_[c]);
                band[c] = low;
            }
            band[3] = rest;
            band[0] = phase_[1].process(phase_[0].process(band[0], allPass_[1]), allPass_[2]);
            band[1] = phase_[2].process(band[1], allPass_[2]);
            double sum = 0.0;
            for (size_t b = 0; b < 4; ++b) {
                auto v = static_cast<float>(band[b]);
                float level = gainToDb(envelope_[b].process(v));
                sum += v * dbToGain(headroomGainDb(level, threshold_[b], headroom_[b]) + bandGainDb_[b]);
            }
            output[i] = static_cast<float>(sum * postGain_);
        }
    }

private:
    static constexpr double kButterworthQ = std::numbers::sqrt2 / 2.0;
    double sampleRate_ = 44100.0;
    float preGain_ = 1.0f, postGain_ = 1.0f;
    std::array<BiquadCoefficients, 3> lowPass_{}, highPass_{}, allPass_{};
    std::array<BiquadState, 12> split_{};
    std::array<BiquadState, 3> phase_{};
    std::array<float, 4> threshold_{}, headroom_{}, bandGainDb_{};
    std::array<EnvelopeFollower, 4> envelope_{};
};

}  // namespace

std::unique_ptr<EffectKernel> makePeakLimiterKernel() { return std::make_unique<PeakLimiterKernel>(); }
std::unique_ptr<EffectKernel> makeDynamicsProcessorKernel() { return std::make_unique<DynamicsProcessorKernel>(); }
std::unique_ptr<EffectKernel> makeMultiBandCompressorKernel() { return std::make_unique<MultiBandCompressorKernel>(); }

}  // namespace wavomer
