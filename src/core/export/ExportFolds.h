// The two export folds: how the K source channels (one per track) become the
// interleaved blocks an export writes.
//
//   unmixed: out[j × K + i] := track i at frame offset + j (one output channel per track);
//   mixed:   mono[j] := (sum over i, in track order, in single precision) / K, copied
//            to each of the m output channels: out[j × m + o] := mono[j].
//
// Threads: run on the export thread. The scratch belongs to the caller and is grown,
// never shrunk, so a long export allocates only for its first block.
#pragma once

#include <cstdint>
#include <vector>

#include "render/SourceChannelProvider.h"

namespace wavomer {

// The export's channel types (exportChannelType): one channel per track (unmixed),
// or the mix on two or on one channel.
constexpr int64_t kChannelPerTrack = 0;
constexpr int64_t kStereoMix = 1;
constexpr int64_t kMonoMix = 2;

// How many channels a channel type writes for `tracks` tracks.
inline int32_t exportOutputChannels(int64_t exportChannelType, int64_t tracks) {
    if (exportChannelType == kStereoMix) return 2;
    if (exportChannelType == kMonoMix) return 1;
    return static_cast<int32_t>(tracks);
}

// Fills K planes of frames floats, plane i from source channel i. With readThreads
// above 1 the planes are read by that many threads at once, each channel by one of
// them: only for providers whose channels are independent of each other (a
// TrackSnapshot, where every track is a copy of its own). The values are the same.
void readSourcePlanes(SourceChannelProvider& provider, int64_t channels, float* planes, int32_t frames,
                      int64_t offset, int readThreads = 1);

// Unmixed fold into an interleaved buffer of frames × outputChannels floats. When the
// output has fewer channels than there are tracks the extra tracks are not written; when
// it has more, the extra channels are left as they are.
void exportFoldUnmixed(SourceChannelProvider& provider, float* out, int32_t frames, int32_t outputChannels,
                       int64_t offset, std::vector<float>& scratch, int readThreads = 1);

// Mixed fold into an interleaved buffer of frames × outputChannels floats. A provider
// without channels leaves the buffer as it is.
void exportFoldMixed(SourceChannelProvider& provider, float* out, int32_t frames, int32_t outputChannels,
                     int64_t offset, std::vector<float>& scratch, int readThreads = 1);

// The largest magnitude an export hands an encoder: 60 dB over full scale, far past
// anything audible as intended, yet small enough that no encoder's energy sums overflow.
constexpr float kLargestExportSample = 1000.0f;

// Makes the count floats at samples safe for every encoder: a NaN or infinite value
// (a damaged volume or fade level, or a volume so large that it overflows) becomes 0,
// a finite one beyond kLargestExportSample is clipped to it (a float encoder such as
// LAME aborts on either). Answers how many values it changed.
int64_t sanitizeExportSamples(float* samples, int64_t count);

}  // namespace wavomer
