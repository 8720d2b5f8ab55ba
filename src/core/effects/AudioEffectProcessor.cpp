#include "effects/AudioEffectProcessor.h"

#include <algorithm>

#include "effects/EffectAudioArrayUnit.h"
#include "effects/EffectAudioUnit.h"
#include "effects/EffectCatalogue.h"

namespace wavomer {

void ArrayEffectInput::readNextFrames(float* into, int32_t frames) noexcept {
    int64_t available = std::clamp<int64_t>(frames_ - position_, 0, frames);
    std::copy_n(samples_ + position_, available, into);
    std::fill(into + available, into + frames, 0.0f);
    position_ += frames;
}

std::unique_ptr<AudioEffectProcessor> effectAudioWithInfo(const CoderDictionary& info) {
    std::string name;
    if (auto it = info.find("name"); it != info.end()) it->second.asString(name);
    if (useGraphicEQArray(name)) return EffectAudioArrayUnit::effectAudioWithInfo(info);
    auto unit = std::make_unique<EffectAudioUnit>();
    unit->loadEffect(info);
    if (!unit->isValid()) return nullptr;
    return unit;
}

}  // namespace wavomer
