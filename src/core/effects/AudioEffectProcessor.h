// AudioEffectProcessor: runs a section's effect (its effectDic) over one
// channel's samples. effectAudioWithInfo makes the processor an effect
// dictionary describes, or none when it names no effect this program can run;
// the section then plays its samples unprocessed.
//
// A processor works in one of two ways:
//  - one block: processAudioChannelSamples() runs a block with latency
//    compensation (the block is padded by latencyFrames() zeros, and the
//    effect's delay is cut off the front);
//  - a stream: processContinuing() produces the next frames of one continuous
//    output stream, pulling the input it needs from an EffectInputSource. The
//    effect's state and its latency compensation carry on from call to call,
//    so a stream cut into blocks of any sizes gives the same samples as one
//    call over the whole (within float rounding). The first call after
//    construction or reset() pulls latencyFrames() frames more than it
//    produces; every later call pulls exactly as many as it produces.
//    reset() starts a new stream (after a jump, or to reuse the processor).
//
// Threads: a processor belongs to the section that made it and runs on that
// section's reader thread. The processing members are noexcept and allocate
// nothing; construction allocates.
#pragma once

#include <cstdint>
#include <memory>

#include "coding/CodingBase.h"

namespace wavomer {

// The input of a stream: hands out consecutive frames, in order, on each call.
class EffectInputSource {
public:
    virtual ~EffectInputSource() = default;
    virtual void readNextFrames(float* into, int32_t frames) noexcept = 0;
};

// A source over an array: its frames, then silence.
class ArrayEffectInput final : public EffectInputSource {
public:
    ArrayEffectInput(const float* samples, int64_t frames) : samples_(samples), frames_(frames) {}
    void readNextFrames(float* into, int32_t frames) noexcept override;
    int64_t position() const { return position_; }

private:
    const float* samples_;
    int64_t frames_;
    int64_t position_ = 0;
};

class AudioEffectProcessor {
public:
    virtual ~AudioEffectProcessor() = default;
    // Processes frames samples of input into output (output may be input).
    // False when the effect failed for some of them (those come out silent).
    virtual bool processAudioChannelSamples(const float* input, int32_t frames, float* output) noexcept = 0;
    // The frames of padding that compensate the effect's latency.
    virtual int32_t latencyFrames() const noexcept = 0;
    // Forgets the signal history and starts a new stream.
    virtual void reset() noexcept = 0;
    // The next frames of the stream into output; false when the effect failed
    // for some of them (those come out silent).
    virtual bool processContinuing(EffectInputSource& source, int32_t frames, float* output) noexcept = 0;
};

std::unique_ptr<AudioEffectProcessor> effectAudioWithInfo(const CoderDictionary& info);

}  // namespace wavomer
