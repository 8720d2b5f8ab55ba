// Helpers for the sound tests: a private PulseAudio daemon when none is given, a capture
// of the default sink's monitor, a sine source, and the share of a signal's power that
// lies at one frequency.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/SourceChannelProvider.h"

namespace wavomer::test {

// The PULSE_SERVER the tests use: the one in the environment when it answers, else a
// daemon started with scripts/start-pulse.sh for this process (stopped at exit).
// Empty when no server could be had; reason says why.
std::string pulseServerForTests(std::string* reason);

// Records `seconds` of mono float at 44100 Hz from the default sink's monitor.
// Empty on failure (error says why).
std::vector<float> captureMonitor(const std::string& server, double seconds, std::string* error);

// The fraction of the power of `samples` that lies at `hertz` (a whole number of
// cycles fits 44100 samples for whole hertz, so one second is read without leakage),
// and the RMS level.
double powerShareAt(const std::vector<float>& samples, double hertz);
double rms(const std::vector<float>& samples);

// The last `seconds` of a capture.
std::vector<float> tail(const std::vector<float>& samples, double seconds);

// `channels` channels of a sine of `hertz` at amplitude 0.5 on every frame.
class SineSource : public SourceChannelProvider {
public:
    SineSource(double hertz, int64_t channels = 1) : hertz_(hertz), channels_(channels) {}
    int64_t audioSampleChannels() override { return channels_; }
    int32_t readSample(float* buffer, int32_t channel, int32_t frames, int64_t offset) override;

private:
    double hertz_;
    int64_t channels_;
};

}  // namespace wavomer::test
