#include "EbuR128Meter.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <thread>
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

EbuR128Meter::EbuR128Meter(int channels, int sampleRate, Figures figures) : channels_(channels) {
    if (channels <= 0 || sampleRate <= 0) return;
    int mode = EBUR128_MODE_I | EBUR128_MODE_LRA | EBUR128_MODE_TRUE_PEAK | EBUR128_MODE_SAMPLE_PEAK;
    if (figures == Figures::loudness) mode = EBUR128_MODE_I | EBUR128_MODE_LRA | EBUR128_MODE_SAMPLE_PEAK;
    if (figures == Figures::truePeak) mode = EBUR128_MODE_TRUE_PEAK;
    if (figures == Figures::integrated) mode = EBUR128_MODE_I;
    figures_ = figures;
    state_ = ebur128_init(static_cast<unsigned int>(channels), static_cast<unsigned long>(sampleRate), mode);
    if (!state_) return;
    // Every channel counts once (weight 1.0, as a front channel does): the fold's channels
    // are tracks, or a stereo or mono mix. A meter of the true peak alone weighs none: the
    // library then skips their loudness filter, which is no part of a peak.
    const int weight = figures == Figures::truePeak ? EBUR128_UNUSED : EBUR128_CENTER;
    for (int c = 0; c < channels; ++c) ebur128_set_channel(stateOf(state_), static_cast<unsigned int>(c), weight);
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
    if (figures_ == Figures::truePeak) {
        out.truePeak = peakDecibels(state, channels_, ebur128_true_peak);
        out.samplePeak = peakDecibels(state, channels_, ebur128_sample_peak);
        return out;
    }
    // Each call first, then its value: arguments are evaluated in no set order.
    double integrated = 0.0, range = 0.0;
    const int integratedRc = ebur128_loudness_global(state, &integrated);
    out.integrated = figure(integratedRc, integrated);
    if (figures_ == Figures::integrated) return out;
    const int rangeRc = ebur128_loudness_range(state, &range);
    out.range = figure(rangeRc, range);
    if (figures_ == Figures::all) out.truePeak = peakDecibels(state, channels_, ebur128_true_peak);
    out.samplePeak = peakDecibels(state, channels_, ebur128_sample_peak);
    // A range over silence is 0 by the library's count; with nothing measured it means nothing.
    if (!out.integrated) out.range.reset();
    return out;
}

double EbuR128Meter::lastTruePeak() const {
    if (!state_ || figures_ == Figures::loudness || figures_ == Figures::integrated) return 0.0;
    double largest = 0.0;
    for (int c = 0; c < channels_; ++c) {
        double value = 0.0;
        if (ebur128_prev_true_peak(stateOf(state_), static_cast<unsigned int>(c), &value) == EBUR128_SUCCESS)
            largest = std::max(largest, value);
    }
    return largest;
}

namespace {

// The true peak's slices: each is measured after the frames before it, which fill the
// interpolator's memory (13 frames in libebur128 1.2) as one meter running through would
// have it; their own peaks are not counted.
constexpr int32_t kSliceFrames = 4096;
constexpr int32_t kLeadFrames = 64;

// Measures the true peak of the frames [0, n) of a block whose kLeadFrames frames before it
// stand in front of it (zeros before the first block: the interpolator's state at the
// start), slice by slice as the meters' threads take them; answers the largest.
double blockTruePeak(std::vector<std::unique_ptr<EbuR128Meter>>& meters, const float* lead, int32_t n,
                     int32_t channels, EbuR128Meter& loudness, const float* block) {
    const int32_t slices = (n + kSliceFrames - 1) / kSliceFrames;
    std::atomic<int32_t> next{0};
    std::vector<double> largest(meters.size(), 0.0);
    auto take = [&](size_t m) {
        for (int32_t s; (s = next.fetch_add(1)) < slices;) {
            const int32_t from = s * kSliceFrames;
            const int32_t frames = std::min(kSliceFrames, n - from);
            meters[m]->addFrames(lead + static_cast<size_t>(from) * static_cast<size_t>(channels), kLeadFrames);
            meters[m]->addFrames(lead + static_cast<size_t>(from + kLeadFrames) * static_cast<size_t>(channels), frames);
            largest[m] = std::max(largest[m], meters[m]->lastTruePeak());
        }
    };
    std::vector<std::thread> helpers;
    for (size_t m = 1; m < meters.size(); ++m) helpers.emplace_back(take, m);
    // This thread measures the loudness, then helps with what slices are left.
    loudness.addFrames(block, n);
    take(0);
    for (auto& helper : helpers) helper.join();
    return *std::max_element(largest.begin(), largest.end());
}

}  // namespace

std::unique_ptr<LoudnessMeter> EbuR128Meters::meter(int channels, int sampleRate) {
    auto meter = std::make_unique<EbuR128Meter>(channels, sampleRate, EbuR128Meter::Figures::integrated);
    if (!meter->ok()) return nullptr;
    return meter;
}

Loudness EbuR128Meters::together(const std::vector<const LoudnessMeter*>& meters) {
    std::vector<ebur128_state*> states;
    Loudness out;
    for (const LoudnessMeter* meter : meters) {
        const auto* own = dynamic_cast<const EbuR128Meter*>(meter);
        if (own && own->state_) states.push_back(stateOf(own->state_));
    }
    if (states.empty()) return out;
    double integrated = 0.0;
    const int integratedRc = ebur128_loudness_global_multiple(states.data(), states.size(), &integrated);
    out.integrated = figure(integratedRc, integrated);
    return out;
}

std::optional<Loudness> measureFoldLoudness(SourceChannelProvider& tracks, int64_t first, int64_t last,
                                            int64_t exportChannelType, const std::atomic<bool>* cancel,
                                            std::atomic<double>* progress, int threads) {
    const int64_t count = tracks.audioSampleChannels();
    const int32_t channels = exportOutputChannels(exportChannelType, count);
    if (count <= 0 || channels <= 0) return std::nullopt;
    const bool apart = threads > 1;
    EbuR128Meter meter(channels, 44100, apart ? EbuR128Meter::Figures::loudness : EbuR128Meter::Figures::all);
    if (!meter.ok()) return std::nullopt;
    std::vector<std::unique_ptr<EbuR128Meter>> peakMeters;
    for (int m = 0; apart && m < threads; ++m) {
        peakMeters.push_back(std::make_unique<EbuR128Meter>(channels, 44100, EbuR128Meter::Figures::truePeak));
        if (!peakMeters.back()->ok()) return std::nullopt;
    }
    constexpr int32_t kBlock = 65536;
    const auto width = static_cast<size_t>(channels);
    // The block, behind the kLeadFrames frames that came before it.
    std::vector<float> frames(static_cast<size_t>(kLeadFrames + kBlock) * width, 0.0f);
    float* block = frames.data() + static_cast<size_t>(kLeadFrames) * width;
    std::vector<float> scratch;
    double truePeak = 0.0;
    for (int64_t at = first; at < last; at += kBlock) {
        if (cancel && cancel->load()) return std::nullopt;
        const auto n = static_cast<int32_t>(std::min<int64_t>(kBlock, last - at));
        if (exportChannelType == kChannelPerTrack) exportFoldUnmixed(tracks, block, n, channels, at, scratch, threads);
        else exportFoldMixed(tracks, block, n, channels, at, scratch, threads);
        if (apart) {
            truePeak = std::max(truePeak, blockTruePeak(peakMeters, frames.data(), n, channels, meter, block));
            // The end of this block leads the next one (only the last block is shorter).
            if (n >= kLeadFrames)
                std::copy(block + static_cast<size_t>(n - kLeadFrames) * width, block + static_cast<size_t>(n) * width,
                          frames.data());
        } else {
            meter.addFrames(block, n);
        }
        if (progress) *progress = static_cast<double>(at + n - first) / static_cast<double>(std::max<int64_t>(last - first, 1));
    }
    Loudness loudness = meter.result();
    if (apart && truePeak > 0.0) loudness.truePeak = 20.0 * std::log10(truePeak);
    return loudness;
}

}  // namespace wavomer
