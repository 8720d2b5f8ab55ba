#include "render/PlaybackFold.h"

#include <algorithm>
#include <limits>

namespace wavomer {

void playbackFold(SourceChannelProvider& provider, float* out, int32_t frames, int32_t channels, float* plane,
                  const std::atomic<int64_t>& readFrame) noexcept {
    if (frames <= 0 || channels <= 0) return;
    const int64_t count = provider.audioSampleChannels();
    const int32_t sources = static_cast<int32_t>(std::clamp<int64_t>(count, 1, std::numeric_limits<int32_t>::max()));
    const size_t m = static_cast<size_t>(channels);
    for (int32_t source = 0; source < sources; ++source) {
        provider.readSample(plane, source, frames, readFrame.load(std::memory_order_acquire));
        if (source < channels) {
            // The first term of output channel `source`; the last source channel is also
            // the only term of every output channel beyond it.
            const int32_t until = source == sources - 1 ? channels : source + 1;
            for (int32_t o = source; o < until; ++o)
                for (int32_t j = 0; j < frames; ++j) out[static_cast<size_t>(j) * m + static_cast<size_t>(o)] = plane[j];
        } else {
            const size_t o = static_cast<size_t>(source % channels);
            for (int32_t j = 0; j < frames; ++j) out[static_cast<size_t>(j) * m + o] += plane[j];
        }
    }
}

}  // namespace wavomer
