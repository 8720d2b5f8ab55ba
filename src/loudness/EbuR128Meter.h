// EbuR128Meter: the loudness of interleaved 32-bit float frames as ITU-R BS.1770-4 and
// EBU R128 define it, measured by libebur128: integrated loudness (LUFS, gated), loudness
// range (LU), true peak (dBTP, 4x oversampled) and sample peak (dBFS), every channel
// weighted 1.0 (the export fold has no surround or low-frequency channels).
//
// Threads: one meter per thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include <memory>
#include <vector>

#include "export/LoudnessNormaliser.h"
#include "render/SourceChannelProvider.h"

namespace wavomer {

class EbuR128Meter final : public LoudnessMeter {
public:
    // integratedOnly measures the integrated loudness alone (the other figures stay
    // absent), which costs a fraction of the true peak's oversampling.
    EbuR128Meter(int channels, int sampleRate, bool integratedOnly = false);
    ~EbuR128Meter();
    EbuR128Meter(const EbuR128Meter&) = delete;
    EbuR128Meter& operator=(const EbuR128Meter&) = delete;

    // False when the library could not be set up for these channels (then nothing is measured).
    bool ok() const { return state_ != nullptr; }
    bool addFrames(const float* interleaved, int64_t frames) override;
    Loudness result() const override;

private:
    friend class EbuR128Meters;
    void* state_ = nullptr;  // the library's ebur128_state (an unnamed struct, so not declared here)
    int channels_ = 0;
    bool integratedOnly_ = false;
};

// The export's meters: one EbuR128Meter each, of the integrated loudness alone (the
// export reads the peaks itself).
class EbuR128Meters final : public LoudnessMeters {
public:
    std::unique_ptr<LoudnessMeter> meter(int channels, int sampleRate) override;
    Loudness together(const std::vector<const LoudnessMeter*>& meters) override;
};

// The loudness of frames [first, last) of the export fold of tracks (one channel per
// track, or the stereo or mono mix as exportChannelType says), read in the export's
// blocks. Nothing when cancel is raised or the channels cannot be measured; progress
// (may be null) follows the read from 0 to 1.
std::optional<Loudness> measureFoldLoudness(SourceChannelProvider& tracks, int64_t first, int64_t last,
                                            int64_t exportChannelType, const std::atomic<bool>* cancel = nullptr,
                                            std::atomic<double>* progress = nullptr, int readThreads = 1);

}  // namespace wavomer
