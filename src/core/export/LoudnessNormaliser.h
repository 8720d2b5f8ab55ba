// Loudness normalisation of an export: the meter it measures with (implemented on
// libebur128 in src/loudness), the gain that brings a measured integrated loudness to a
// target, a true-peak limiter that holds the gained signal under a ceiling, and the
// sample source that applies both to the export fold without moving anything in time.
//
// The limiter looks ahead: the gain it applies to a frame is the smoothed minimum of the
// gains the coming frames need, so it is already down when a peak arrives (attack over
// the look-ahead, a box-smoothed ramp) and recovers slowly afterwards (an exponential
// release), with no step anywhere that would click. Peaks are taken between the samples
// too, by 8x interpolation (finer than a 4x true-peak meter reads them, so that the meter
// finds none over). The source reads the
// look-ahead in advance when it is positioned, so its first output frame is the frame it
// was positioned at.
//
// Threads: a meter, a limiter and a source belong to one thread; the meter factory may
// be shared.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "export/MusicDataOutput.h"

namespace wavomer {

struct Loudness {
    // Absent where the audio holds nothing to measure (silence reads as minus infinity).
    std::optional<double> integrated;  // LUFS
    std::optional<double> range;       // LU
    std::optional<double> truePeak;    // dBTP
    std::optional<double> samplePeak;  // dBFS
};

class LoudnessMeter {
public:
    virtual ~LoudnessMeter() = default;
    virtual bool addFrames(const float* interleaved, int64_t frames) = 0;
    virtual Loudness result() const = 0;
};

class LoudnessMeters {
public:
    virtual ~LoudnessMeters() = default;
    // A meter of interleaved float frames; null when these channels cannot be measured.
    virtual std::unique_ptr<LoudnessMeter> meter(int channels, int sampleRate) = 0;
    // The loudness of what the meters measured, taken one after the other as one
    // programme (made by this factory, all of the same channels); the peaks are the
    // largest of them.
    virtual Loudness together(const std::vector<const LoudnessMeter*>& meters) = 0;
};

// Loudness normalisation as the export options ask for it.
struct LoudnessTarget {
    double integrated = -16.0;     // LUFS
    double truePeakCeiling = -1.0;  // dBTP
    bool perPiece = false;         // each split piece its own gain; else one gain for all
};

// Why a target cannot be used ("" when it can): a loudness that is not a number or not
// between -70 and -5 LUFS, a ceiling not between -20 and 0 dBTP.
std::string loudnessTargetProblem(double integrated, double truePeakCeiling);

// How one stretch of the export is normalised.
struct NormalisationGain {
    double decibels = 0.0;  // the gain towards the target; 0 when nothing could be measured
    bool limit = false;     // the gained true peak would pass the ceiling
    bool measured = false;  // false for silence or a signal too quiet to measure
};

// The gain that brings `measured` to the target, and whether the limiter must hold the
// gained true peak under the ceiling: by the true peak where it was measured, else by the
// sample peak and the most a point between samples can pass it (truePeakBound).
NormalisationGain normalisationGain(const Loudness& measured, const LoudnessTarget& target);
// How far (dB) a true peak, as the limiter reads it, can pass the sample peak at most.
double truePeakBound();

// The true peak of interleaved frames as the limiter reads it (8 points per sample),
// computed only between samples loud enough to pass the largest peak found so far, so
// that on most audio it costs little more than the sample peak.
class TruePeakReader {
public:
    explicit TruePeakReader(int32_t channels);
    void addFrames(const float* interleaved, int64_t frames);
    // The largest magnitude so far, as a factor; the last frames' points once finished.
    double peak();

private:
    void readUpTo(int64_t end);  // the points of frames [done_, end) of the buffer

    int32_t channels_;
    std::vector<float> buffer_;  // the frames not yet read, with the taps before them
    int64_t done_ = 0;           // frames of buffer_ whose points are read
    float largest_ = 0.0f;
};

class TruePeakLimiter {
public:
    static constexpr int32_t kLookAhead = 256;  // frames (5.8 ms at 44100 Hz)
    static constexpr int32_t kHalfTaps = 12;    // interpolation taps either side of a point

    TruePeakLimiter(int32_t channels, double ceilingDecibels, double sampleRate = 44100.0);
    // Frames in to frames out, delayed by latency() frames; in and out may be the same
    // buffer (each frame is taken in before the frame out is written over it).
    void process(const float* in, float* out, int32_t frames);
    void reset();
    int32_t latency() const { return kLookAhead + kHalfTaps; }
    // The smallest gain applied since the last reset (1 when the limiter never acted).
    float deepestGain() const { return deepest_; }

private:
    float peakAt(int64_t index) const;  // the true peak around input frame index (in history_)
    void push(const float* frame);

    int32_t channels_;
    float ceiling_;
    float releaseStep_;
    // The input (one frame per slot) for the interpolation and the delay.
    std::vector<float> history_;
    int64_t written_ = 0;  // input frames pushed since the reset
    // The gains each frame needs, the look-ahead minimum of them and its running average.
    std::vector<float> needed_;
    std::vector<int64_t> minimumQueue_;  // indices of needed_ whose gains increase
    size_t queueFront_ = 0;
    std::vector<float> smoothing_;
    double smoothingSum_ = 0.0;
    float release_ = 1.0f;
    float deepest_ = 1.0f;
};

// The export fold, gained and, where asked, limited: a source for the export driver in
// place of the fold itself.
class NormalisingSource final : public ConverterSampleSource {
public:
    explicit NormalisingSource(ConverterSampleSource& inner) : inner_(inner) {}

    // Applies from the next positioning on.
    void setGain(const NormalisationGain& gain, double truePeakCeiling, int32_t channels);

    void configOutputFormat(const TSFFAudioFormat& format) override { inner_.configOutputFormat(format); }
    void setCurrentTime(int64_t time) override;
    void setCurrentFrame(int64_t frame) override;
    bool readSample(float* buffer, int32_t frames) override;
    float deepestGain() const { return limiter_ ? limiter_->deepestGain() : 1.0f; }

private:
    void prime();

    ConverterSampleSource& inner_;
    float factor_ = 1.0f;
    int32_t channels_ = 0;
    std::unique_ptr<TruePeakLimiter> limiter_;
};

}  // namespace wavomer
