// SilenceFinder: where a project falls silent. It reads the tracks as the export does
// (each track a channel, every effect, fade and volume applied) and finds the runs of at
// least a given length in which no track reaches the threshold, answering one time in each
// run: its start, its middle or its end. A run that touches either end of the scanned
// range is the material's lead-in or tail, not a gap between pieces, and gets no time.
//
// Threads: any thread; it reads the snapshot it is given and nothing else.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "render/SourceChannelProvider.h"

namespace wavomer {

enum class SilencePlacement { start, middle, end };

struct SilenceSearch {
    double thresholdDb = -40.0;  // dBFS; a frame is silent when every track stays below it
    double minimumSeconds = 1.0;
    SilencePlacement placement = SilencePlacement::middle;
};

// The times (seconds) of frames [firstFrame, lastFrame) of the tracks in provider, in
// order. cancel (may be null) stops the scan and answers nothing; progress (may be null)
// follows it from 0 to 1.
std::vector<double> findSilenceTimes(SourceChannelProvider& provider, int64_t firstFrame, int64_t lastFrame,
                                     const SilenceSearch& search, const std::atomic<bool>* cancel = nullptr,
                                     std::atomic<double>* progress = nullptr);

}  // namespace wavomer
