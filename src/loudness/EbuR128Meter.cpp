#include "EbuR128Meter.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "export/ExportFolds.h"

namespace wavomer {

namespace {
ebur128_state* stateOf(void* state) { return static_cast<ebur128_state*>(state); }

// A finite figure, or nothing for the library's minus infinity (and any failure).
std::optional<double> figure(int rc, double value) {
    if (rc != EBUR128_SUCCESS || !std::isfinite(value)) return std::nullopt;
    return value;
}
// The largest linear peak of all channels as dB, nothing when it is 0.
template <typename Peak>
std::optional<double> peakDecibels(ebur128_state* state, int channels, Peak peak) {
    double largest = 0.0;
    for (int c = 0; c < channels; ++c) {
        double value = 0.0;
        if (peak(state, static_cast<unsigned int>(c), &value) != EBUR128_SUCCESS) return std::nullopt;
        largest = std::max(largest, value);
    }
    return largest > 0.0 ? std::optional<double>(20.0 * std::log10(largest)) : std::nullopt;
}
}  // namespace

EbuR128Meter::EbuR128Meter(int channels, int sampleRate, bool integratedOnly)
    : channels_(channels), integratedOnly_(integratedOnly) {
    if (channels <= 0 || sampleRate <= 0) return;
    state_ = ebur128_init(static_cast<unsigned int>(channels), static_cast<unsigned long>(sampleRate),
                          integratedOnly ? EBUR128_MODE_I
                                         : EBUR128_MODE_I | EBUR128_MODE_LRA | EBUR128_MODE_TRUE_PEAK |
                                               EBUR128_MODE_SAMPLE_PEAK);
    if (!state_) return;
    // Every channel counts once (weight 1.0, as a front channel does): the fold's channels
    // are tracks, or a stereo or mono mix.
    for (int c = 0; c < channels; ++c) ebur128_set_channel(stateOf(state_), static_cast<unsigned int>(c), EBUR128_CENTER);
}

EbuR128Meter::~EbuR128Meter() {
    if (ebur128_state* state = stateOf(state_)) ebur128_destroy(&state);
}

bool EbuR128Meter::addFrames(const float* interleaved, int64_t frames) {
    if (!state_) return false;
    return ebur128_add_frames_float(stateOf(state_), interleaved, static_cast<size_t>(frames)) == EBUR128_SUCCESS;
}

Loudness EbuR128Meter::result() const {
    Loudness out;
    if (!state_) return out;
    ebur128_state* state = stateOf(state_);
    // Each call first, then its value: arguments are evaluated in no set order.
    double integrated = 0.0, range = 0.0;
    const int integratedRc = ebur128_loudness_global(state, &integrated);
    out.integrated = figure(integratedRc, integrated);
    if (integratedOnly_) return out;
    const int rangeRc = ebur128_loudness_range(state, &range);
    out.range = figure(rangeRc, range);
    out.truePeak = peakDecibels(state, channels_, ebur128_true_peak);
    out.samplePeak = peakDecibels(state, channels_, ebur128_sample_peak);
    // A range over silence is 0 by the library's count; with nothing measured it means nothing.
    if (!out.integrated) out.range.reset();
    return out;
}

std::unique_ptr<LoudnessMeter> EbuR128Meters::meter(int channels, int sampleRate) {
    auto meter = std::make_unique<EbuR128Meter>(channels, sampleRate, true);
    if (!meter->ok()) return nullptr;
    return meter;
}

Loudness EbuR128Meters::together(const std::vector<const LoudnessMeter*>& meters) {
    std::vector<ebur128_state*> states;
    Loudness out;
    auto larger = [](std::optional<double>& into, const std::optional<double>& value) {
        if (value && (!into || *value > *into)) into = value;
    };
    for (const LoudnessMeter* meter : meters) {
        const auto* own = dynamic_cast<const EbuR128Meter*>(meter);
        if (!own || !own->state_) continue;
        states.push_back(stateOf(own->state_));
        const Loudness one = own->result();
        larger(out.truePeak, one.truePeak);
        larger(out.samplePeak, one.samplePeak);
    }
    if (states.empty()) return out;
    double integrated = 0.0;
    const int integratedRc = ebur128_loudness_global_multiple(states.data(), states.size(), &integrated);
    out.integrated = figure(integratedRc, integrated);
    return out;
}

std::optional<Loudness> measureFoldLoudness(SourceChannelProvider& tracks, int64_t first, int64_t last,
                                            int64_t exportChannelType, const std::atomic<bool>* cancel,
                                            std::atomic<double>* progress, int readThreads) {
    const int64_t count = tracks.audioSampleChannels();
    const int32_t channels = exportOutputChannels(exportChannelType, count);
    if (count <= 0 || channels <= 0) return std::nullopt;
    EbuR128Meter meter(channels, 44100);
    if (!meter.ok()) return std::nullopt;
    constexpr int32_t kBlock = 65536;
    std::vector<float> block(static_cast<size_t>(kBlock) * static_cast<size_t>(channels), 0.0f);
    std::vector<float> scratch;
    for (int64_t at = first; at < last; at += kBlock) {
        if (cancel && cancel->load()) return std::nullopt;
        const auto n = static_cast<int32_t>(std::min<int64_t>(kBlock, last - at));
        if (exportChannelType == kChannelPerTrack) exportFoldUnmixed(tracks, block.data(), n, channels, at, scratch, readThreads);
        else exportFoldMixed(tracks, block.data(), n, channels, at, scratch, readThreads);
        meter.addFrames(block.data(), n);
        if (progress) *progress = static_cast<double>(at + n - first) / static_cast<double>(std::max<int64_t>(last - first, 1));
    }
    return meter.result();
}

}  // namespace wavomer
