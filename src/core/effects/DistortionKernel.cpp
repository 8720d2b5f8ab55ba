// Distortion: five stages in series, each blended with its own input by its
// mix, then the whole blended with the dry input by the final mix.
//   1. Delay: a feedback comb. "Delay" is read in milliseconds (its range,
//      0.1 to 500, only makes sense so), "Decay" is the feedback in percent.
//   2. Decimation and rounding: sample-and-hold at (1 − 0.99·decimation) of
//      the rate, then quantisation to 24 − 23·rounding bits (none at 0 %).
//   3. Polynomial: linear·x + s·x² + c·x³, the squared and cubic terms given
//      in dB of drive (0 dB = absent: s = 10^(dB/20) − 1).
//   4. Ring modulation by two sines blended by the balance.
//   5. Soft clip: the signal driven by the soft-clip gain into a cubic
//      saturation, linear at low levels, that reaches ±1 smoothly.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "effects/EffectKernels.h"

namespace wavomer {

namespace {

class DistortionKernel final : public EffectKernelBase<DistortionKernel> {
public:
    void prepare(double sampleRate) override {
        sampleRate_ = sampleRate;
        ring_.assign(static_cast<size_t>(std::ceil(0.5 * sampleRate)) + 2, 0.0f);
    }
    void configure(const EffectParameters& p) noexcept override {
        delayFrames_ = std::clamp<size_t>(static_cast<size_t>(std::lround(p.value(0) * 1.0e-3 * sampleRate_)), 1,
                                          ring_.size() - 1);
        feedback_ = p.value(1) / 100.0f;
        delayMix_ = p.value(2) / 100.0f;
        holdStep_ = 1.0 - 0.99 * p.value(3) / 100.0;
        float rounding = p.value(4);
        quantiseLevels_ = rounding > 0.0f ? std::exp2(23.0f - 23.0f * rounding / 100.0f) : 0.0f;
        decimationMix_ = p.value(5) / 100.0f;
        linear_ = p.value(6);
        squared_ = std::pow(10.0f, p.value(7) / 20.0f) - 1.0f;
        cubic_ = std::pow(10.0f, p.value(8) / 20.0f) - 1.0f;
        polynomialMix_ = p.value(9) / 100.0f;
        ringStep1_ = p.value(10) / sampleRate_;
        ringStep2_ = p.value(11) / sampleRate_;
        ringBalance_ = p.value(12) / 100.0f;
        ringMix_ = p.value(13) / 100.0f;
        softClipDrive_ = std::pow(10.0f, p.value(14) / 20.0f);
        finalMix_ = p.value(15) / 100.0f;
    }
    void reset() noexcept override {
        std::fill(ring_.begin(), ring_.end(), 0.0f);
        write_ = 0;
        holdPhase_ = 1.0;  // the first frame is always taken
        held_ = 0.0f;
        ringPhase1_ = ringPhase2_ = 0.0;
    }
    void process(const float* input, float* output, int32_t frames) noexcept override {
        const size_t size = ring_.size();
        for (int32_t i = 0; i < frames; ++i) {
            const float dry = input[i];
            float x = dry;

            size_t read = write_ >= delayFrames_ ? write_ - delayFrames_ : write_ + size - delayFrames_;
            float delayed = ring_[read];
            ring_[write_] = x + feedback_ * delayed;
            if (++write_ == size) write_ = 0;
            x += (delayed - x) * delayMix_;

            holdPhase_ += holdStep_;
            if (holdPhase_ >= 1.0) {
                holdPhase_ -= 1.0;
                held_ = x;
            }
            float crushed = quantiseLevels_ > 0.0f ? std::nearbyint(held_ * quantiseLevels_) / quantiseLevels_ : held_;
            x += (crushed - x) * decimationMix_;

            float shaped = x * (linear_ + x * (squared_ + x * cubic_));
            x += (shaped - x) * polynomialMix_;

            if (ringMix_ > 0.0f) {
                constexpr double twoPi = 2.0 * std::numbers::pi;
                float carrier = ringBalance_ * static_cast<float>(std::sin(twoPi * ringPhase1_)) +
                                (1.0f - ringBalance_) * static_cast<float>(std::sin(twoPi * ringPhase2_));
                x += (x * carrier - x) * ringMix_;
            }
            ringPhase1_ += ringStep1_;
            ringPhase1_ -= std::floor(ringPhase1_);
            ringPhase2_ += ringStep2_;
            ringPhase2_ -= std::floor(ringPhase2_);

            // Slope 1 at rest, reaching ±1 with slope 0 at ±1.5.
            float v = std::clamp(x * softClipDrive_, -1.5f, 1.5f);
            float clipped = v - (4.0f / 27.0f) * v * v * v;
            output[i] = dry + (clipped - dry) * finalMix_;
        }
    }

private:
    double sampleRate_ = 44100.0;
    std::vector<float> ring_;
    size_t write_ = 0, delayFrames_ = 1;
    float feedback_ = 0, delayMix_ = 0;
    double holdStep_ = 1.0, holdPhase_ = 1.0;
    float held_ = 0, quantiseLevels_ = 0, decimationMix_ = 0;
    float linear_ = 1, squared_ = 0, cubic_ = 0, polynomialMix_ = 0;
    double ringStep1_ = 0, ringStep2_ = 0, ringPhase1_ = 0, ringPhase2_ = 0;
    float ringBalance_ = 0.5f, ringMix_ = 0;
    float softClipDrive_ = 1, finalMix_ = 0;
};

}  // namespace

std::unique_ptr<EffectKernel> makeDistortionKernel() { return std::make_unique<DistortionKernel>(); }

}  // namespace wavomer
