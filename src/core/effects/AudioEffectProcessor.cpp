#include "effects/AudioEffectProcessor.h"

namespace wavomer {

// No effect unit is built into the program yet: every effect dictionary plays
// unprocessed until the effect units arrive.
std::unique_ptr<AudioEffectProcessor> effectAudioWithInfo(const CoderDictionary&) { return nullptr; }

}  // namespace wavomer
