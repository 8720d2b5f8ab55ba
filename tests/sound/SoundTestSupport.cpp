#include "sound/SoundTestSupport.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <cmath>
#include <cstdlib>
#include <mutex>

#include <unistd.h>

#include "support/TestSupport.h"

namespace wavomer::test {

namespace {

bool answers(const std::string& server) {
    return runCommand("PULSE_SERVER=" + shellQuote(server) + " pactl info >/dev/null 2>&1") == 0;
}

struct OwnDaemon {
    std::string folder;
    ~OwnDaemon() {
        if (!folder.empty()) runCommand(std::string(WAVOMER_SCRIPTS_DIR) + "/stop-pulse.sh " + shellQuote(folder));
    }
};

}  // namespace

std::string pulseServerForTests(std::string* reason) {
    static std::mutex once;
    static OwnDaemon daemon;
    static std::string server;
    std::lock_guard guard(once);
    if (!server.empty()) return server;
    if (const char* given = std::getenv("PULSE_SERVER"); given && *given && answers(given)) return server = given;
    if (runCommand("command -v pulseaudio >/dev/null 2>&1 && command -v pactl >/dev/null 2>&1") != 0) {
        *reason = "neither PULSE_SERVER answers nor can a daemon be started (no pulseaudio or pactl command)";
        return {};
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/wavomer-pulse-" + std::to_string(getpid());
    std::string out, err;
    if (runCommand(std::string(WAVOMER_SCRIPTS_DIR) + "/start-pulse.sh " + shellQuote(folder), &out, &err) != 0) {
        *reason = "the PulseAudio daemon did not start: " + err;
        return {};
    }
    daemon.folder = folder;
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    setenv("PULSE_SERVER", out.c_str(), 1);
    return server = out;
}

std::vector<float> captureMonitor(const std::string& server, double seconds, std::string* error) {
    pa_sample_spec spec{};
    spec.format = PA_SAMPLE_FLOAT32LE;
    spec.rate = 44100;
    spec.channels = 1;
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.fragsize = static_cast<uint32_t>(pa_usec_to_bytes(20000, &spec));
    int code = 0;
    pa_simple* capture = pa_simple_new(server.c_str(), "wavomer-tests", PA_STREAM_RECORD, "@DEFAULT_MONITOR@",
                                       "monitor", &spec, nullptr, &attr, &code);
    if (!capture) {
        *error = pa_strerror(code);
        return {};
    }
    std::vector<float> samples(static_cast<size_t>(seconds * 44100));
    if (pa_simple_read(capture, samples.data(), samples.size() * sizeof(float), &code) < 0) {
        *error = pa_strerror(code);
        samples.clear();
    }
    pa_simple_free(capture);
    return samples;
}

double powerShareAt(const std::vector<float>& samples, double hertz) {
    if (samples.empty()) return 0.0;
    const double n = static_cast<double>(samples.size());
    double re = 0.0, im = 0.0, total = 0.0;
    for (size_t i = 0; i < samples.size(); ++i) {
        const double phase = 2.0 * M_PI * hertz * static_cast<double>(i) / 44100.0;
        re += samples[i] * std::cos(phase);
        im -= samples[i] * std::sin(phase);
        total += static_cast<double>(samples[i]) * samples[i];
    }
    if (total <= 0.0) return 0.0;
    // A sine of amplitude a over n samples: |X| = a n / 2 and power a^2 n / 2.
    const double amplitude = 2.0 * std::sqrt(re * re + im * im) / n;
    return (amplitude * amplitude * n / 2.0) / total;
}

double rms(const std::vector<float>& samples) {
    if (samples.empty()) return 0.0;
    double sum = 0.0;
    for (float v : samples) sum += static_cast<double>(v) * v;
    return std::sqrt(sum / static_cast<double>(samples.size()));
}

std::vector<float> tail(const std::vector<float>& samples, double seconds) {
    const size_t count = std::min(samples.size(), static_cast<size_t>(seconds * 44100));
    return {samples.end() - static_cast<std::ptrdiff_t>(count), samples.end()};
}

int32_t SineSource::readSample(float* buffer, int32_t channel, int32_t frames, int64_t offset) {
    for (int32_t i = 0; i < frames; ++i)
        buffer[i] = static_cast<float>(0.5 * std::sin(2.0 * M_PI * hertz_ * static_cast<double>(offset + i) / 44100.0));
    return 0;
}

}  // namespace wavomer::test
