// AudioEffectProcessor: runs a section's effect (its effectDic) over a block of
// one channel's samples. effectAudioWithInfo makes the processor an effect
// dictionary describes, or none when it names no effect this program can run;
// the section then plays its samples unprocessed.
//
// Threads: a processor belongs to the section that made it and runs on that
// section's audio reader thread.
#pragma once

#include <cstdint>
#include <memory>

#include "model/CodingBase.h"

namespace wavomer {

class AudioEffectProcessor {
public:
    virtual ~AudioEffectProcessor() = default;
    // Processes frames samples of input into output; false when the effect failed
    // (the caller then keeps the unprocessed samples).
    virtual bool processAudioChannelSamples(const float* input, int32_t frames, float* output) = 0;
};

std::unique_ptr<AudioEffectProcessor> effectAudioWithInfo(const CoderDictionary& info);

}  // namespace wavomer
