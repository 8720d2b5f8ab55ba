// Makes the recorder the recording panel uses: the desktop's sound server through
// libpulse. Without a server it lists no devices and records silence for the silent
// entry; it connects by itself when a server comes up later.
//
// Threads: main thread; returns at once, whatever the server does.
#pragma once

#include <memory>

#include "record/AudioRecorder.h"

namespace wavomer {

std::unique_ptr<AudioRecorder> makeAudioRecorder();

}  // namespace wavomer
