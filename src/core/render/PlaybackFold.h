// The playback fold: K source channels summed into m interleaved output channels.
// Output channel o is the sum, in source order, of source channels o, o + m, o + 2m,
// ... below max(K, m), where a source index past the last channel reads the last one.
// One track therefore plays on both stereo channels; three tracks put tracks 0 and 2
// on the left and track 1 on the right. Nothing is scaled or clipped.
//
// K is the provider's audioSampleChannels, read as 1 when it is 0 or less. The read
// frame is loaded afresh before each source channel, so a seek made while one channel
// is read applies to the channels read after it. (The play-selection wrap is decided
// by the player before the fold starts, so it never splits a block.)
//
// Threads: runs on the caller's thread (the audio output thread); noexcept, allocates
// nothing: the caller hands in one scratch plane of at least `frames` floats. The sums
// are formed in the same order as summing all K planes would, so the result is
// bit-identical to that with one plane instead of K.
#pragma once

#include <atomic>
#include <cstdint>

#include "render/SourceChannelProvider.h"

namespace wavomer {

void playbackFold(SourceChannelProvider& provider, float* out, int32_t frames, int32_t channels, float* plane,
                  const std::atomic<int64_t>& readFrame) noexcept;

}  // namespace wavomer
