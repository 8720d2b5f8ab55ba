#include "OutputGraphFactory.h"

#include "PulseOutputGraph.h"
#include "SilentOutputGraph.h"

namespace wavomer {

std::unique_ptr<OutputAudioGraph> makeOutputAudioGraph(OutputDevice device) {
    if (device == OutputDevice::Silent) return std::make_unique<SilentOutputGraph>();
    return std::make_unique<PulseOutputGraph>();
}

const char* outputDeviceName(const OutputAudioGraph& graph) {
    auto* pulse = dynamic_cast<const PulseOutputGraph*>(&graph);
    return pulse && pulse->isUsingServer() ? "server" : "silent";
}

}  // namespace wavomer
