// Chooses the sound output: the desktop's sound server when one answers (falling back
// to the silent device by itself when it does not), or the silent device on request
// (tests, batch runs, a user who wants no sound).
//
// Threads: main thread; returns at once, whatever the server does.
#pragma once

#include <memory>

#include "render/OutputAudioGraph.h"

namespace wavomer {

enum class OutputDevice { Automatic, Silent };

std::unique_ptr<OutputAudioGraph> makeOutputAudioGraph(OutputDevice device = OutputDevice::Automatic);

// "server" while the graph plays (or will play) on the sound server, "silent" otherwise.
const char* outputDeviceName(const OutputAudioGraph& graph);

}  // namespace wavomer
