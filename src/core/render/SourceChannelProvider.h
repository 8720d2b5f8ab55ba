// A source-channel provider: anything that renders the timeline (or a panel's
// preview) as numbered mono source channels. Source channel k is the k-th track of
// the timeline track array; reading fills frames values of one channel from a
// frame index on, with section lookup, volume, fade, mute and effects applied.
//
// Threads: called from the audio output thread or the export thread. An
// implementation over the live project takes the project lock for each block (see
// ProjectLock.h) and answers silence when it cannot take it at once.
#pragma once

#include <cstdint>

namespace wavomer {

class SourceChannelProvider {
public:
    virtual ~SourceChannelProvider() = default;
    virtual int64_t audioSampleChannels() = 0;
    // Fills buffer[0, frames) with channel's values from frame offset on; answers 0.
    virtual int32_t readSample(float* buffer, int32_t channel, int32_t frames, int64_t offset) = 0;
};

}  // namespace wavomer
