// EffectAudioArrayUnit: a chain of effect units run in order, which is how a
// graphic equaliser runs: one parametric equaliser per band that is not flat.
//
// Threads: as AudioEffectProcessor.
//
// Invariants: the chain is never empty once made by effectAudioWithInfo; in a
// stream, each unit pulls its input from the unit before it, so every unit
// keeps its own state and latency compensation across calls.
#pragma once

#include <memory>
#include <vector>

#include "effects/AudioEffectProcessor.h"
#include "effects/EffectAudioUnit.h"

namespace wavomer {

class EffectAudioArrayUnit final : public AudioEffectProcessor {
public:
    EffectAudioArrayUnit() = default;
    EffectAudioArrayUnit(const EffectAudioArrayUnit&) = delete;
    EffectAudioArrayUnit& operator=(const EffectAudioArrayUnit&) = delete;

    // The chain a graphic equaliser's effectDic describes, or none when no
    // band is set off 0 dB.
    static std::unique_ptr<EffectAudioArrayUnit> effectAudioWithInfo(const CoderDictionary& info);

    const std::vector<std::unique_ptr<EffectAudioUnit>>& effects() const { return effects_; }
    void setEffects(std::vector<std::unique_ptr<EffectAudioUnit>> effects);

    bool processAudioChannelSamples(const float* input, int32_t frames, float* output) noexcept override;
    int32_t latencyFrames() const noexcept override;
    void reset() noexcept override;
    bool processContinuing(EffectInputSource& source, int32_t frames, float* output) noexcept override;

private:
    // Hands unit k the continuing output of unit k − 1.
    struct Link final : EffectInputSource {
        EffectAudioUnit* unit = nullptr;
        EffectInputSource* source = nullptr;
        bool failed = false;
        void readNextFrames(float* into, int32_t frames) noexcept override {
            if (!unit->processContinuing(*source, frames, into)) failed = true;
        }
    };

    std::vector<std::unique_ptr<EffectAudioUnit>> effects_;
    std::vector<Link> links_;  // links_[k] feeds effects_[k]; links_[0] is unused
};

}  // namespace wavomer
