// Matrix Reverb: a pre-delay feeding two feedback delay networks, a small and a
// large room, each four delay lines mixed through an orthogonal (Hadamard)
// matrix. Per room:
//   size: the shortest line ("Small Size", "Large Delay", in seconds); the
//     delay range spreads the other lines up to 1.7 times longer;
//   density: the decay, as a reverberation time of 0.05 to 1 s (small) and
//     0.2 to 5 s (large);
//   brightness: a one-pole low pass in each line (1 = no damping).
// The large room's lines are swept by a sine ("Modulation Rate", "Modulation
// Depth") so its tail does not ring at fixed frequencies. "Small Large Mix"
// blends the rooms, "Dry Wet Mix" the result with the input.
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "effects/EffectKernels.h"

namespace wavomer {

namespace {

constexpr std::array<double, 4> kLineSpread{0.0, 0.2137, 0.4519, 0.7083};

struct DelayNetwork {
    static constexpr size_t kLines = 4;
    std::array<std::vector<float>, kLines> lines;
    size_t mask = 0;
    size_t write = 0;
    std::array<double, kLines> delay{};    // frames
    std::array<float, kLines> feedback{};  // per-line gain for the decay time
    std::array<float, kLines> damped{};    // low-pass memories
    float damping = 0.0f;                  // 0 = bright
    double sweepDepth = 0.0;               // frames
    double sweepStep = 0.0, sweepPhase = 0.0;

    void prepare(size_t capacity) {
        size_t size = 1;
        while (size < capacity) size <<= 1;
        for (auto& line : lines) line.assign(size, 0.0f);
        mask = size - 1;
    }
    void configure(double shortest, double spread, double reverbSeconds, double brightness, double sampleRate) {
        // Reads reach delay + 2 × sweepDepth (+1 for interpolation) back: the longest
        // delay leaves room for all of it within the line.
        for (size_t k = 0; k < kLines; ++k) {
            delay[k] = std::clamp(shortest * sampleRate * (1.0 + spread * kLineSpread[k]), 2.0,
                                  static_cast<double>(mask) - 2.0 * sweepDepth - 4.0);
            feedback[k] = static_cast<float>(std::pow(10.0, -3.0 * delay[k] / (reverbSeconds * sampleRate)));
        }
        damping = static_cast<float>(1.0 - brightness);
    }
    void reset() {
        for (auto& line : lines) std::fill(line.begin(), line.end(), 0.0f);
        damped.fill(0.0f);
        write = 0;
        sweepPhase = 0.0;
    }
    float read(size_t k, double frames) const noexcept {
        double position = static_cast<double>(write) - frames;
        double whole = std::floor(position);
        auto fraction = static_cast<float>(position - whole);
        size_t i = static_cast<size_t>(static_cast<int64_t>(whole)) & mask;
        float a = lines[k][i], b = lines[k][(i + 1) & mask];
        return a + (b - a) * fraction;
    }
    float process(float x) noexcept {
        std::array<float, kLines> out;
        if (sweepDepth > 0.0) {
            double s = std::sin(2.0 * std::numbers::pi * sweepPhase);
            double c = std::cos(2.0 * std::numbers::pi * sweepPhase);
            // Lines in quadrature so the network's total delay stays steady.
            out[0] = read(0, delay[0] + sweepDepth * (1.0 + s));
            out[1] = read(1, delay[1] + sweepDepth * (1.0 + c));
            out[2] = read(2, delay[2] + sweepDepth * (1.0 - s));
            out[3] = read(3, delay[3] + sweepDepth * (1.0 - c));
            sweepPhase += sweepStep;
            sweepPhase -= std::floor(sweepPhase);
        } else {
            for (size_t k = 0; k < kLines; ++k) out[k] = lines[k][(write - static_cast<size_t>(delay[k])) & mask];
        }
        for (size_t k = 0; k < kLines; ++k) {
            damped[k] += (out[k] - damped[k]) * (1.0f - damping);
            out[k] = damped[k] * feedback[k];
        }
        // Hadamard mixing, scaled by 1/2 to stay orthogonal.
        float s0 = out[0] + out[1], d0 = out[0] - out[1], s1 = out[2] + out[3], d1 = out[2] - out[3];
        float in = 0.5f * x;
        lines[0][write] = 0.5f * (s0 + s1) + in;
        lines[1][write] = 0.5f * (d0 + d1) + in;
        lines[2][write] = 0.5f * (s0 - s1) + in;
        lines[3][write] = 0.5f * (d0 - d1) + in;
        write = (write + 1) & mask;
        return 0.5f * (damped[0] - damped[1] + damped[2] - damped[3]);
    }
};

class MatrixReverbKernel final : public EffectKernelBase<MatrixReverbKernel> {
public:
    void prepare(double sampleRate) override {
        sampleRate_ = sampleRate;
        preDelay_.assign(static_cast<size_t>(std::ceil(0.03 * sampleRate)) + 2, 0.0f);
        small_.prepare(static_cast<size_t>(0.02 * 1.8 * sampleRate) + 16);
        large_.prepare(static_cast<size_t>(0.1 * 1.8 * sampleRate) + static_cast<size_t>(0.004 * sampleRate) + 16);
    }
    void configure(const EffectParameters& p) noexcept override {
        wet_ = p.value(0) / 100.0f;
        largeShare_ = p.value(1) / 100.0f;
        preDelayFrames_ =
            std::clamp<size_t>(static_cast<size_t>(std::lround(p.value(4) * sampleRate_)), 1, preDelay_.size() - 1);
        // Sweep up to 4 ms, scaled by the depth.
        large_.sweepDepth = p.value(13) * 0.004 * sampleRate_ / 2.0;
        large_.sweepStep = p.value(12) / sampleRate_;
        small_.configure(p.value(2), p.value(11), 0.05 + 0.95 * p.value(6), p.value(9), sampleRate_);
        large_.configure(p.value(5), p.value(8), 0.2 + 4.8 * p.value(7), p.value(10), sampleRate_);
    }
    void reset() noexcept override {
        std::fill(preDelay_.begin(), preDelay_.end(), 0.0f);
        preWrite_ = 0;
        small_.reset();
        large_.reset();
    }
    void process(const float* input, float* output, int32_t frames) noexcept override {
        const size_t size = preDelay_.size();
        for (int32_t i = 0; i < frames; ++i) {
            float x = input[i];
            size_t read =
                preWrite_ >= preDelayFrames_ ? preWrite_ - preDelayFrames_ : preWrite_ + size - preDelayFrames_;
            float delayed = preDelay_[read];
            preDelay_[preWrite_] = x;
            if (++preWrite_ == size) preWrite_ = 0;
            float smallRoom = small_.process(delayed);
            float largeRoom = large_.process(delayed);
            float reverb = smallRoom + (largeRoom - smallRoom) * largeShare_;
            output[i] = x + (reverb - x) * wet_;
        }
    }

private:
    double sampleRate_ = 44100.0;
    std::vector<float> preDelay_;
    size_t preWrite_ = 0, preDelayFrames_ = 1;
    float wet_ = 0.4f, largeShare_ = 0.5f;
    DelayNetwork small_, large_;
};

}  // namespace

std::unique_ptr<EffectKernel> makeMatrixReverbKernel() { return std::make_unique<MatrixReverbKernel>(); }

}  // namespace wavomer
