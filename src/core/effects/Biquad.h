// Biquad: second-order filter sections designed with the RBJ audio-EQ-cookbook
// formulas, and the per-sample state that runs one. Every filtering effect is
// built from these.
//
// Threads: plain values; a section's state belongs to one kernel.
#pragma once

#include <cmath>
#include <numbers>

namespace wavomer {

// Coefficients normalised so that a0 = 1.
struct BiquadCoefficients {
    double b0 = 1.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0;
};

namespace rbj {

// Angular frequency of f at the rate; f is kept just below Nyquist so that
// every design stays stable.
inline double omega(double frequency, double sampleRate) {
    double f = std::fmin(std::fmax(frequency, 1.0e-3), 0.499 * sampleRate);
    return 2.0 * std::numbers::pi * f / sampleRate;
}
// alpha for a band given in octaves (band pass, peaking, notch).
inline double alphaForBandwidth(double w0, double octaves) {
    return std::sin(w0) * std::sinh(std::numbers::ln2 / 2.0 * octaves * w0 / std::sin(w0));
}
inline double alphaForQ(double w0, double q) { return std::sin(w0) / (2.0 * std::fmax(q, 1.0e-4)); }

inline BiquadCoefficients normalised(double b0, double b1, double b2, double a0, double a1, double a2) {
    return BiquadCoefficients{b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0};
}

inline BiquadCoefficients lowPass(double sampleRate, double frequency, double q) {
    double w0 = omega(frequency, sampleRate), c = std::cos(w0), alpha = alphaForQ(w0, q);
    return normalised((1 - c) / 2, 1 - c, (1 - c) / 2, 1 + alpha, -2 * c, 1 - alpha);
}
inline BiquadCoefficients highPass(double sampleRate, double frequency, double q) {
    double w0 = omega(frequency, sampleRate), c = std::cos(w0), alpha = alphaForQ(w0, q);
    return normalised((1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + alpha, -2 * c, 1 - alpha);
}
// Band pass with 0 dB gain at the centre.
inline BiquadCoefficients bandPassWithAlpha(double w0, double alpha) {
    double c = std::cos(w0);
    return normalised(alpha, 0, -alpha, 1 + alpha, -2 * c, 1 - alpha);
}
inline BiquadCoefficients bandPass(double sampleRate, double frequency, double octaves) {
    double w0 = omega(frequency, sampleRate);
    return bandPassWithAlpha(w0, alphaForBandwidth(w0, octaves));
}
inline BiquadCoefficients notch(double sampleRate, double frequency, double octaves) {
    double w0 = omega(frequency, sampleRate), c = std::cos(w0), alpha = alphaForBandwidth(w0, octaves);
    return normalised(1, -2 * c, 1, 1 + alpha, -2 * c, 1 - alpha);
}
inline BiquadCoefficients allPass(double sampleRate, double frequency, double q) {
    double w0 = omega(frequency, sampleRate), c = std::cos(w0), alpha = alphaForQ(w0, q);
    return normalised(1 - alpha, -2 * c, 1 + alpha, 1 + alpha, -2 * c, 1 - alpha);
}
inline BiquadCoefficients peakingWithAlpha(double w0, double alpha, double gainDb) {
    double A = std::pow(10.0, gainDb / 40.0), c = std::cos(w0);
    return normalised(1 + alpha * A, -2 * c, 1 - alpha * A, 1 + alpha / A, -2 * c, 1 - alpha / A);
}
inline BiquadCoefficients peaking(double sampleRate, double frequency, double q, double gainDb) {
    double w0 = omega(frequency, sampleRate);
    return peakingWithAlpha(w0, alphaForQ(w0, q), gainDb);
}
inline BiquadCoefficients peakingBandwidth(double sampleRate, double frequency, double octaves, double gainDb) {
    double w0 = omega(frequency, sampleRate);
    return peakingWithAlpha(w0, alphaForBandwidth(w0, octaves), gainDb);
}
// Shelves with the shelf slope S (1 = the steepest slope without overshoot).
inline BiquadCoefficients lowShelf(double sampleRate, double frequency, double gainDb, double slope = 1.0) {
    double A = std::pow(10.0, gainDb / 40.0), w0 = omega(frequency, sampleRate), c = std::cos(w0);
    double alpha = std::sin(w0) / 2.0 * std::sqrt((A + 1.0 / A) * (1.0 / slope - 1.0) + 2.0);
    double s = 2.0 * std::sqrt(A) * alpha;
    return normalised(A * ((A + 1) - (A - 1) * c + s), 2 * A * ((A - 1) - (A + 1) * c), A * ((A + 1) - (A - 1) * c - s),
                      (A + 1) + (A - 1) * c + s, -2 * ((A - 1) + (A + 1) * c), (A + 1) + (A - 1) * c - s);
}
inline BiquadCoefficients highShelf(double sampleRate, double frequency, double gainDb, double slope = 1.0) {
    double A = std::pow(10.0, gainDb / 40.0), w0 = omega(frequency, sampleRate), c = std::cos(w0);
    double alpha = std::sin(w0) / 2.0 * std::sqrt((A + 1.0 / A) * (1.0 / slope - 1.0) + 2.0);
    double s = 2.0 * std::sqrt(A) * alpha;
    return normalised(A * ((A + 1) + (A - 1) * c + s), -2 * A * ((A - 1) + (A + 1) * c),
                      A * ((A + 1) + (A - 1) * c - s), (A + 1) - (A - 1) * c + s, 2 * ((A - 1) - (A + 1) * c),
                      (A + 1) - (A - 1) * c - s);
}

}  // namespace rbj

// Transposed direct form II in double precision: low noise at low cut-offs.
struct BiquadState {
    double z1 = 0.0, z2 = 0.0;
    double process(double x, const BiquadCoefficients& k) noexcept {
        double y = k.b0 * x + z1;
        z1 = k.b1 * x - k.a1 * y + z2;
        z2 = k.b2 * x - k.a2 * y;
        return y;
    }
    void reset() noexcept { z1 = z2 = 0.0; }
};

}  // namespace wavomer
