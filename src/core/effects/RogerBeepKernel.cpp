// Roger Beep: the courtesy tone of a radio link. The input passes unchanged;
// once the signal has stayed above the in-gate threshold for the in-gate time
// (a transmission has started) and then below the out-gate threshold for the
// out-gate time (it has ended), a short tone pattern is added at the roger
// gain. The level detector follows peaks at once and falls back in 300, 100 or
// 30 ms for sensitivity 0, 1 or 2. Roger types: 0 one 1 kHz tone of 200 ms;
// 1 1200 Hz then 800 Hz, 100 ms each; 2 three rising tones of 80 ms.
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "effects/EffectKernels.h"

namespace wavomer {

namespace {

struct Tone {
    double frequency;
    double seconds;
};
struct Pattern {
    std::array<Tone, 3> tones;
    int count;
};
constexpr std::array<Pattern, 3> kPatterns{{
    {{{{1000.0, 0.2}, {0, 0}, {0, 0}}}, 1},
    {{{{1200.0, 0.1}, {800.0, 0.1}, {0, 0}}}, 2},
    {{{{800.0, 0.08}, {1000.0, 0.08}, {1250.0, 0.08}}}, 3},
}};
constexpr double kEdgeSeconds = 0.005;

class RogerBeepKernel final : public EffectKernelBase<RogerBeepKernel> {
public:
    void prepare(double sampleRate) override { sampleRate_ = sampleRate; }
    void configure(const EffectParameters& p) noexcept override {
        inThreshold_ = std::pow(10.0f, p.value(0) / 20.0f);
        inFrames_ = static_cast<int64_t>(p.value(1) * 1.0e-3 * sampleRate_);
        outThreshold_ = std::pow(10.0f, p.value(2) / 20.0f);
        outFrames_ = static_cast<int64_t>(p.value(3) * 1.0e-3 * sampleRate_);
        static constexpr double kFallSeconds[] = {0.3, 0.1, 0.03};
        int sensitivity = std::clamp(static_cast<int>(std::lround(p.value(4))), 0, 2);
        fall_ = static_cast<float>(1.0 - std::exp(-1.0 / (kFallSeconds[sensitivity] * sampleRate_)));
        pattern_ = &kPatterns[static_cast<size_t>(std::clamp(static_cast<int>(std::lround(p.value(5))), 0, 2))];
        toneGain_ = std::pow(10.0f, p.value(6) / 20.0f);
    }
    void reset() noexcept override {
        state_ = State::Idle;
        level_ = 0.0f;
        count_ = 0;
        beepFrame_ = 0;
    }
    void process(const float* input, float* output, int32_t frames) noexcept override {
        for (int32_t i = 0; i < frames; ++i) {
            float x = input[i];
            float a = std::fabs(x);
            level_ = a > level_ ? a : level_ + (a - level_) * fall_;
            float beep = 0.0f;
            switch (state_) {
                case State::Idle:
                    count_ = level_ >= inThreshold_ ? count_ + 1 : 0;
                    if (level_ >= inThreshold_ && count_ >= inFrames_) enter(State::Talking);
                    break;
                case State::Talking:
                    count_ = level_ < outThreshold_ ? count_ + 1 : 0;
                    if (level_ < outThreshold_ && count_ >= outFrames_) enter(State::Beeping);
                    break;
                case State::Beeping:
                    beep = beepSample();
                    break;
            }
            output[i] = x + beep;
        }
    }

private:
    enum class State { Idle, Talking, Beeping };

    void enter(State s) noexcept {
        state_ = s;
        count_ = 0;
        beepFrame_ = 0;
    }
    float beepSample() noexcept {
        double t = beepFrame_ / sampleRate_;
        ++beepFrame_;
        for (int k = 0; k < pattern_->count; ++k) {
            const Tone& tone = pattern_->tones[static_cast<size_t>(k)];
            if (t < tone.seconds) {
                // Raised-cosine edges keep the tone from clicking.
                double edge = std::min({1.0, t / kEdgeSeconds, (tone.seconds - t) / kEdgeSeconds});
                double envelope = 0.5 - 0.5 * std::cos(std::numbers::pi * edge);
                return toneGain_ * static_cast<float>(envelope * std::sin(2.0 * std::numbers::pi * tone.frequency * t));
            }
            t -= tone.seconds;
        }
        enter(State::Idle);
        return 0.0f;
    }

    double sampleRate_ = 44100.0;
    float inThreshold_ = 0.5f, outThreshold_ = 0.5f, fall_ = 0.0f, toneGain_ = 0.5f, level_ = 0.0f;
    int64_t inFrames_ = 0, outFrames_ = 0, count_ = 0, beepFrame_ = 0;
    const Pattern* pattern_ = &kPatterns[0];
    State state_ = State::Idle;
};

}  // namespace

std::unique_ptr<EffectKernel> makeRogerBeepKernel() { return std::make_unique<RogerBeepKernel>(); }

}  // namespace wavomer
