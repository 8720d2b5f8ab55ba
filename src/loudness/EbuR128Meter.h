// EbuR128Meter: the loudness of interleaved 32-bit float frames as ITU-R BS.1770-4 and
// EBU R128 define it, measured by libebur128: integrated loudness (LUFS, gated), loudness
// range (LU), true peak (dBTP, 4x oversampled) and sample peak (dBFS), every channel
// weighted 1.0 (the export fold has no surround or low-frequency channels).
//
// Threads: one meter per thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>
#include <string>

#include "export/LoudnessNormaliser.h"
#include "render/SourceChannelProvider.h"

namespace wavomer {


class EbuR128Meter final : public LoudnessMeter {
public:
    // What a meter measures: every figure; the integrated loudness, the range and the
    // sample peak; the true peak alone (with the sample peak, which it never falls under);
    // or the integrated loudness alone.
    enum class Figures { all, loudness, truePeak, integrated };

    EbuR128Meter(int channels, int sampleRate, Figures figures = Figures::all);
    ~EbuR128Meter();
    EbuR128Meter(const EbuR128Meter&) = delete;
    EbuR128Meter& operator=(const EbuR128Meter&) = delete;

    // False when the library could not be set up for these channels (then nothing is measured).
    bool ok() const { return state_ != nullptr; }
    bool addFrames(const float* interleaved, int64_t frames) override;
    // The figures it measures (the others absent).
    Loudness result() const override;
    // The largest true peak of any channel (linear: 1.0 is 0 dBTP) over the frames of the
    // last addFrames alone; 0 without the true peak.
    double lastTruePeak() const;

private:
    friend class EbuR128Meters;
    void* state_ = nullptr;  // the library's ebur128_state (an unnamed struct, so not declared here)
    int channels_ = 0;
    Figures figures_ = Figures::all;
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
//
// With threads above 1 the fold is read by that many threads (see readSourcePlanes), and
// the true peak, the costly part, is measured beside the loudness by that many meters of
// its own, each taking slices of every block as they come (the meter's interpolator
// remembers 13 frames, so each slice is preceded by the 64 frames before it, whose peaks
// are not counted): the figures are exactly those of one meter over the whole fold.
std::optional<Loudness> measureFoldLoudness(SourceChannelProvider& tracks, int64_t first, int64_t last,
                                            int64_t exportChannelType, const std::atomic<bool>* cancel = nullptr,
                                            std::atomic<double>* progress = nullptr, int threads = 1);

}  // namespace wavomer
