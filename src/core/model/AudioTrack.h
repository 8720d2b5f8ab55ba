// AudioTrack: an ordered list of sections, adjacent, starting at 0.0. It answers the
// audio value and the waveform value at a timeline frame through the section that
// covers it, caching the section last used for each so that the common read is a
// range test plus an index into the section's read-ahead block.
//
// Threads: sectionArray is replaced on the main thread (setSectionArray, which clears
// the caches first). readSamplePointAtOffset runs on the one audio reader (playback or
// export); readWavePointAtOffset on the main thread. Each keeps its own cached section.
//
// Invariants: at most one sample data file per track is open (that of
// currentUsedSection); track_end_time is negative whenever it is not known.
#pragma once

#include <cstdint>
#include <memory>

#include "model/AudioSection.h"
#include "coding/CodingBase.h"

namespace wavomer {

class AudioTrack : public CodingBase {
public:
    AudioTrack();
    ~AudioTrack() override;

    const SectionArray& sectionArray() const { return sectionArray_; }
    // Replaces the whole list; the caches are cleared first.
    void setSectionArray(SectionArray sections);

    void clearTrackCache();
    double trackEndTime();

    float readSamplePointAtOffset(int64_t frameOffset);
    float readWavePointAtOffset(int64_t frameOffset);
    // The largest waveform value over timeline times [from, to): every envelope point of
    // every section the span meets, at least the point at from. Main thread, as the
    // point read; consecutive spans walk the list from where the last one ended.
    float readWavePeak(double from, double to);
    // out[i] = readSamplePointAtOffset(frameOffset + i) for i in [0, frames), walking
    // the sections once per block instead of once per frame; the values are the same.
    void readSamplesAtOffset(float* out, int32_t frames, int64_t frameOffset);

    const SectionPtr& currentUsedSection() const { return currentUsedSection_; }
    const SectionPtr& lastWaveSection() const { return lastWaveSection_; }

    // Set by the window; never archived.
    void* waveView = nullptr;

    // CodingBase
    std::string coderClassName() const override { return "AudioTrack"; }
    std::vector<std::string> allCoderKeys() const override { return {"sectionArray"}; }
    CoderValue valueForKey(const std::string& key) const override;
    void setValueForKey(const std::string& key, const CoderValue& value) override;

private:
    // The section covering time t: the cached one if it covers t, else the first in
    // list order; nullptr when none does.
    const SectionPtr* findSection(double t, const SectionPtr& cached) const;

    SectionArray sectionArray_;
    SectionPtr currentUsedSection_;
    SectionPtr lastWaveSection_;
    size_t lastPeakIndex_ = 0;
    double track_end_time = -1.0;
};

using TrackPtr = std::shared_ptr<AudioTrack>;

// Source channel `channel` of a track list, as renderers read it: the track of that
// index clamped into the list, and silence when the list is empty.
void readTrackChannel(const std::vector<TrackPtr>& tracks, float* buffer, int32_t channel, int32_t frames,
                      int64_t offset);

}  // namespace wavomer
