#include "export/ExportFolds.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace wavomer {

namespace {

// Room for one plane per source channel. Providers fill every frame they are
// asked for, so the planes need no clearing.
float* planesFor(std::vector<float>& scratch, int64_t channels, int32_t frames) {
    const size_t needed = static_cast<size_t>(channels) * static_cast<size_t>(frames);
    if (scratch.size() < needed) scratch.resize(needed);
    return scratch.data();
}

}  // namespace

void readSourcePlanes(SourceChannelProvider& provider, int64_t channels, float* planes, int32_t frames,
                      int64_t offset, int readThreads) {
    const int64_t workers = std::clamp<int64_t>(readThreads, 1, std::max<int64_t>(channels, 1));
    auto readShare = [&](int64_t worker) {
        for (int64_t i = worker; i < channels; i += workers)
            provider.readSample(planes + i * frames, static_cast<int32_t>(i), frames, offset);
    };
    std::vector<std::thread> helpers;
    for (int64_t w = 1; w < workers; ++w) helpers.emplace_back(readShare, w);
    readShare(0);
    for (auto& helper : helpers) helper.join();
}

void exportFoldUnmixed(SourceChannelProvider& provider, float* out, int32_t frames, int32_t outputChannels,
                       int64_t offset, std::vector<float>& scratch, int readThreads) {
    const int64_t tracks = provider.audioSampleChannels();
    if (tracks <= 0 || frames <= 0) return;
    float* planes = planesFor(scratch, tracks, frames);
    readSourcePlanes(provider, tracks, planes, frames, offset, readThreads);
    const int64_t written = std::min<int64_t>(tracks, outputChannels);
    for (int64_t i = 0; i < written; ++i) {
        const float* plane = planes + i * frames;
        for (int32_t j = 0; j < frames; ++j) out[static_cast<int64_t>(j) * outputChannels + i] = plane[j];
    }
}

void exportFoldMixed(SourceChannelProvider& provider, float* out, int32_t frames, int32_t outputChannels,
                     int64_t offset, std::vector<float>& scratch, int readThreads) {
    const int64_t tracks = provider.audioSampleChannels();
    if (tracks <= 0 || frames <= 0 || outputChannels <= 0) return;
    float* planes = planesFor(scratch, tracks, frames);
    readSourcePlanes(provider, tracks, planes, frames, offset, readThreads);
    const float divisor = static_cast<float>(tracks);
    // The frames' sums are gathered in the first plane, one plane at a time: each
    // frame still sees the same additions in the same order as summing its
    // interleaved frame from 0, and the loops run over whole planes.
    float* sums = planes;
    for (int32_t j = 0; j < frames; ++j) sums[j] = 0.0f + sums[j];
    for (int64_t i = 1; i < tracks; ++i) {
        const float* plane = planes + i * frames;
        for (int32_t j = 0; j < frames; ++j) sums[j] += plane[j];
    }
    if (outputChannels == 1) {
        for (int32_t j = 0; j < frames; ++j) out[j] = sums[j] / divisor;
        return;
    }
    for (int32_t j = 0; j < frames; ++j) {
        const float mono = sums[j] / divisor;
        float* frame = out + static_cast<int64_t>(j) * outputChannels;
        for (int32_t o = 0; o < outputChannels; ++o) frame[o] = mono;
    }
}

int64_t sanitizeExportSamples(float* samples, int64_t count) {
    int64_t changed = 0;
    for (int64_t i = 0; i < count; ++i) {
        const float v = samples[i];
        if (!std::isfinite(v)) samples[i] = 0.0f;
        else if (v > kLargestExportSample) samples[i] = kLargestExportSample;
        else if (v < -kLargestExportSample) samples[i] = -kLargestExportSample;
        else continue;
        ++changed;
    }
    return changed;
}

}  // namespace wavomer
