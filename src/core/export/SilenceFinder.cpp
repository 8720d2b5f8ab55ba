#include "export/SilenceFinder.h"

#include <algorithm>
#include <cmath>

#include "export/ExportFolds.h"

namespace wavomer {

namespace {
constexpr double kFramesPerSecond = 44100.0;
constexpr int32_t kBlock = 65536;
}  // namespace

std::vector<double> findSilenceTimes(SourceChannelProvider& provider, int64_t firstFrame, int64_t lastFrame,
                                     const SilenceSearch& search, const std::atomic<bool>* cancel,
                                     std::atomic<double>* progress) {
    std::vector<double> times;
    const auto channels = static_cast<int32_t>(provider.audioSampleChannels());
    if (channels <= 0 || lastFrame <= firstFrame) return times;
    const float threshold = static_cast<float>(std::pow(10.0, search.thresholdDb / 20.0));
    const auto minimum = static_cast<int64_t>(std::llround(std::max(search.minimumSeconds, 0.0) * kFramesPerSecond));
    std::vector<float> block(static_cast<size_t>(kBlock) * static_cast<size_t>(channels));
    std::vector<float> scratch;
    // The silent run being followed: from runStart, or none (-1).
    int64_t runStart = -1;
    auto close = [&](int64_t runEnd) {
        // A run from the range's start is the lead-in; one still open at its end is the tail.
        if (runStart < 0 || runStart == firstFrame || runEnd - runStart < std::max<int64_t>(minimum, 1)) return;
        double frame = static_cast<double>(runStart);
        if (search.placement == SilencePlacement::middle) frame = (static_cast<double>(runStart) + runEnd) / 2.0;
        if (search.placement == SilencePlacement::end) frame = static_cast<double>(runEnd);
        times.push_back(frame / kFramesPerSecond);
    };
    for (int64_t at = firstFrame; at < lastFrame; at += kBlock) {
        if (cancel && cancel->load()) return {};
        const auto n = static_cast<int32_t>(std::min<int64_t>(kBlock, lastFrame - at));
        exportFoldUnmixed(provider, block.data(), n, channels, at, scratch);
        for (int32_t i = 0; i < n; ++i) {
            const float* frame = block.data() + static_cast<size_t>(i) * static_cast<size_t>(channels);
            bool silent = true;
            for (int32_t c = 0; c < channels && silent; ++c) silent = std::fabs(frame[c]) < threshold;
            if (silent && runStart < 0) runStart = at + i;
            if (!silent && runStart >= 0) {
                close(at + i);
                runStart = -1;
            }
        }
        if (progress) *progress = static_cast<double>(at + n - firstFrame) / static_cast<double>(lastFrame - firstFrame);
    }
    return times;
}

}  // namespace wavomer
