// The filtering effects: one RBJ section for the pass filters, shelves and the
// parametric equaliser, a bank of sections for the N band equaliser and the
// five-section "AU Filter". Parameter meanings:
//   Low Pass / High Pass: cut-off in Hz; resonance = the gain at the cut-off in
//     dB (Q = 10^(resonance/20)).
//   Band Pass: centre in Hz, bandwidth in cents (1200 cents = one octave).
//   Shelves: corner in Hz, shelf gain in dB, shelf slope 1.
//   Parametric EQ: centre, Q, gain in dB (peaking section).
//   N Band EQ: global gain; per band b: bypass (1000+b), type (2000+b),
//     frequency (3000+b), gain (4000+b), bandwidth in octaves (5000+b).
//   AU Filter (by parameter id; its display names are the catalogue's):
//     0 low type (0 shelf, 1 high pass), 1 low frequency, 2 low gain;
//     3/4/5, 6/7/8, 9/10/11 three peaking bands (frequency, gain, octaves);
//     12 high type (0 shelf, 1 low pass), 13 high frequency, 14 high gain.
#include <array>
#include <cmath>

#include "effects/Biquad.h"
#include "effects/EffectKernels.h"

namespace wavomer {

namespace {

constexpr double kButterworthQ = std::numbers::sqrt2 / 2.0;

class SingleSectionKernel final : public EffectKernelBase<SingleSectionKernel> {
public:
    using Design = BiquadCoefficients (*)(const EffectParameters&, double sampleRate);
    explicit SingleSectionKernel(Design design) : design_(design) {}

    void prepare(double sampleRate) override { sampleRate_ = sampleRate; }
    void configure(const EffectParameters& p) noexcept override { coefficients_ = design_(p, sampleRate_); }
    void reset() noexcept override { state_.reset(); }
    void process(const float* input, float* output, int32_t frames) noexcept override {
        for (int32_t i = 0; i < frames; ++i) output[i] = static_cast<float>(state_.process(input[i], coefficients_));
    }

private:
    Design design_;
    double sampleRate_ = 44100.0;
    BiquadCoefficients coefficients_;
    BiquadState state_;
};

// A fixed set of sections run in series.
template <size_t N>
struct SectionChain {
    std::array<BiquadCoefficients, N> coefficients{};
    std::array<BiquadState, N> states{};
    size_t active = 0;

    void reset() noexcept {
        for (auto& s : states) s.reset();
    }
    double process(double x) noexcept {
        for (size_t k = 0; k < active; ++k) x = states[k].process(x, coefficients[k]);
        return x;
    }
};

double dbToGain(double db) { return std::pow(10.0, db / 20.0); }

BiquadCoefficients designLowPass(const EffectParameters& p, double fs) {
    return rbj::lowPass(fs, p.value(0), dbToGain(p.value(1)));
}
BiquadCoefficients designHighPass(const EffectParameters& p, double fs) {
    return rbj::highPass(fs, p.value(0), dbToGain(p.value(1)));
}
BiquadCoefficients designBandPass(const EffectParameters& p, double fs) {
    return rbj::bandPass(fs, p.value(0), p.value(1) / 1200.0);
}
BiquadCoefficients designHighShelf(const EffectParameters& p, double fs) {
    return rbj::highShelf(fs, p.value(0), p.value(1));
}
BiquadCoefficients designLowShelf(const EffectParameters& p, double fs) {
    return rbj::lowShelf(fs, p.value(0), p.value(1));
}
BiquadCoefficients designParametric(const EffectParameters& p, double fs) {
    return rbj::peaking(fs, p.value(0), p.value(1), p.value(2));
}

enum NBandType {
    kParametric = 0,
    kLowPass,
    kHighPass,
    kBandPass,
    kNotch,
    kLowShelf,
    kHighShelf,
    kLastType = kHighShelf
};

class NBandEQKernel final : public EffectKernelBase<NBandEQKernel> {
public:
    void prepare(double sampleRate) override { sampleRate_ = sampleRate; }
    void configure(const EffectParameters& p) noexcept override {
        globalGain_ = dbToGain(p.value(0));
        chain_.active = 0;
        for (uint32_t b = 0; b < kNBandEQBands; ++b) {
            if (p.value(1000 + b) >= 0.5f) continue;  // bypassed
            double f = p.value(3000 + b), g = p.value(4000 + b), octaves = p.value(5000 + b);
            BiquadCoefficients k;
            switch (static_cast<int>(std::lround(p.value(2000 + b)))) {
                case kLowPass:
                    k = rbj::lowPass(sampleRate_, f, kButterworthQ);
                    break;
                case kHighPass:
                    k = rbj::highPass(sampleRate_, f, kButterworthQ);
                    break;
                case kBandPass:
                    k = rbj::bandPass(sampleRate_, f, octaves);
                    break;
                case kNotch:
                    k = rbj::notch(sampleRate_, f, octaves);
                    break;
                case kLowShelf:
                    k = rbj::lowShelf(sampleRate_, f, g);
                    break;
                case kHighShelf:
                    k = rbj::highShelf(sampleRate_, f, g);
                    break;
                default:
                    k = rbj::peakingBandwidth(sampleRate_, f, octaves, g);
                    break;
            }
            chain_.coefficients[chain_.active++] = k;
        }
    }
    void reset() noexcept override { chain_.reset(); }
    void process(const float* input, float* output, int32_t frames) noexcept override {
        for (int32_t i = 0; i < frames; ++i) output[i] = static_cast<float>(chain_.process(input[i]) * globalGain_);
    }

private:
    double sampleRate_ = 44100.0;
    double globalGain_ = 1.0;
    SectionChain<kNBandEQBands> chain_;
};

class AUFilterKernel final : public EffectKernelBase<AUFilterKernel> {
public:
    void prepare(double sampleRate) override { sampleRate_ = sampleRate; }
    void configure(const EffectParameters& p) noexcept override {
        const double fs = sampleRate_;
        chain_.coefficients[0] = p.value(0) >= 0.5f ? rbj::highPass(fs, p.value(1), kButterworthQ)
                                                    : rbj::lowShelf(fs, p.value(1), p.value(2));
        for (uint32_t band = 0; band < 3; ++band) {
            uint32_t id = 3 + 3 * band;
            chain_.coefficients[1 + band] = rbj::peakingBandwidth(fs, p.value(id), p.value(id + 2), p.value(id + 1));
        }
        chain_.coefficients[4] = p.value(12) >= 0.5f ? rbj::lowPass(fs, p.value(13), kButterworthQ)
                                                     : rbj::highShelf(fs, p.value(13), p.value(14));
        chain_.active = 5;
    }
    void reset() noexcept override { chain_.reset(); }
    void process(const float* input, float* output, int32_t frames) noexcept override {
        for (int32_t i = 0; i < frames; ++i) output[i] = static_cast<float>(chain_.process(input[i]));
    }

private:
    double sampleRate_ = 44100.0;
    SectionChain<5> chain_;
};

}  // namespace

std::unique_ptr<EffectKernel> makeLowPassKernel() { return std::make_unique<SingleSectionKernel>(designLowPass); }
std::unique_ptr<EffectKernel> makeHighPassKernel() { return std::make_unique<SingleSectionKernel>(designHighPass); }
std::unique_ptr<EffectKernel> makeBandPassKernel() { return std::make_unique<SingleSectionKernel>(designBandPass); }
std::unique_ptr<EffectKernel> makeHighShelfKernel() { return std::make_unique<SingleSectionKernel>(designHighShelf); }
std::unique_ptr<EffectKernel> makeLowShelfKernel() { return std::make_unique<SingleSectionKernel>(designLowShelf); }
std::unique_ptr<EffectKernel> makeParametricEQKernel() {
    return std::make_unique<SingleSectionKernel>(designParametric);
}
std::unique_ptr<EffectKernel> makeNBandEQKernel() { return std::make_unique<NBandEQKernel>(); }
std::unique_ptr<EffectKernel> makeAUFilterKernel() { return std::make_unique<AUFilterKernel>(); }

void addNBandEQParameters(EffectParameters& parameters) {
    for (uint32_t b = 0; b < kNBandEQBands; ++b) {
        // Only the first band is on by default: it is the one the catalogue offers.
        parameters.add(1000 + b, 0, 1, b == 0 ? 0 : 1);
        parameters.add(2000 + b, 0, kLastType, kParametric);
        parameters.add(3000 + b, 20, 20000, 1000);
        parameters.add(4000 + b, -96, 24, 0);
        parameters.add(5000 + b, 0.05, 5, 0.5);
    }
}

}  // namespace wavomer
