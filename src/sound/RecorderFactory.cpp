#include "RecorderFactory.h"

#include "PulseRecorder.h"

namespace wavomer {

std::unique_ptr<AudioRecorder> makeAudioRecorder() { return std::make_unique<PulseRecorder>(); }

}  // namespace wavomer
