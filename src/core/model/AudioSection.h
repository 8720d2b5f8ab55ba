// AudioSection: one piece of a track. It plays channel `channel` of the sample data
// file `audioPath` from source time startTime to endTime, placed on the timeline
// from trackStartTime to trackEndTime, with its own volume, fade, mute flag and
// effect settings. Blank sections fill gaps, mute sections are inserted silence,
// noise sections loop the noise source every 51.0 s.
//
// Threads: the archived fields are set on the main thread. Audio reads
// (getAudioSamleWithTimeInTrack with draw NO) run on one reader thread at a time
// (playback or export) and own the open file and the read-ahead block; waveform
// reads (draw YES) run on the main thread and touch only the shared envelope.
//
// Invariants: a copy never shares the open sample data file or the read-ahead
// block; the envelope (audioWaveData) is shared by every section of one source.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/AudioSampleData.h"
#include "data/AudioWaveData.h"
#include "coding/CodingBase.h"

namespace wavomer {

class AudioEffectProcessor;

// Feeds an effect stream from one channel of a sample data file, frame after frame.
class SampleDataEffectInput;

// A section's effect settings: "name" (a string) plus the effect's parameters (numbers).
using EffectDic = CoderDictionary;

class AudioSection : public CodingBase {
public:
    // The noise source is looped with this period (seconds).
    static constexpr double kNoiseLoopSeconds = 51.0;

    AudioSection();
    ~AudioSection() override;

    static std::shared_ptr<AudioSection> section();
    static std::shared_ptr<AudioSection> sectionWithPath(const std::string& path);
    static std::shared_ptr<AudioSection> blankSectionWithTrackStartTime(double trackStart, double trackEnd);
    // The copy: same archived values and envelope, no open file, no read-ahead block.
    std::shared_ptr<AudioSection> copy() const;

    // Archived properties, in the order of allCoderKeys.
    std::optional<std::string> audioPath;
    int32_t channel = 0;
    double startTime = 0.0;
    double endTime = 0.0;
    double trackStartTime = 0.0;
    double trackEndTime = 0.0;
    bool isMute = false;
    int32_t fadeMode = 0;
    double customFadeStart = 1.0;
    double customFadeStop = 1.0;
    double fadeStartTimeOffset = 0.0;
    double fadeDuration = 1.0;
    double volumeValue = 1.0;
    std::optional<EffectDic> effectDic;
    bool isBlankSection = false;
    bool isNoiseSection = false;

    // Sets the effect settings. The read-ahead block and effect stream made with the
    // old ones are dropped, so the next read is processed with the new ones.
    void setEffectDic(std::optional<EffectDic> dic);

    // Source handling. A new path drops the envelope, open file and read-ahead block
    // of the old one.
    void updateAudioPath(const std::string& path);
    void updateRecordSectionWithNewPath(const std::string& path);
    void updateAudioPathWithDocumentPath(const std::string& documentPath);
    void loadAudioWaveData();
    void loadAudioSampleData();
    void clearAudioSampleData();
    bool isAudioSampleDataLoaded() const { return audioDataLoadState; }
    double sectionDuration() const;

    // Sampling. t is a timeline time, s a source time, both in seconds.
    float getAudioSamleWithTimeInTrack(double t, bool isDrawWave);
    float getSampleValueWithTime(double s, bool isDrawWave);
    float getSampleWaveAtTime(double s) const;
    // The largest waveform value of the envelope points of timeline times [from, to),
    // at least the point at from, as getAudioSamleWithTimeInTrack draws each of them.
    float wavePeakInTrack(double from, double to);
    // The audio values of consecutive timeline frames from firstFrame on, for as
    // long as this section covers them (at most frames): each value exactly as
    // getAudioSamleWithTimeInTrack gives it. Answers how many were filled.
    int32_t fillTrackSamples(float* out, int64_t firstFrame, int32_t frames);

    const std::shared_ptr<AudioWaveData>& audioWaveData() const { return audioWaveData_; }
    void setAudioWaveData(std::shared_ptr<AudioWaveData> data) { audioWaveData_ = std::move(data); }
    AudioSampleData* audioSampleData() const { return audioSampleData_.get(); }
    // The read-ahead block: processed samples from source frame cacheOffset on.
    const std::vector<float>& cacheData() const { return cacheData_; }
    int64_t cacheOffset() const { return cacheOffset_; }

    // CodingBase
    std::string coderClassName() const override { return "AudioSection"; }
    std::vector<std::string> allCoderKeys() const override;
    CoderValue valueForKey(const std::string& key) const override;
    void setValueForKey(const std::string& key, const CoderValue& value) override;
    void didDecode() override { loadAudioWaveData(); }

    // Read-ahead block lengths in frames, without and with an effect.
    static constexpr int64_t kReadAheadFrames = 2048;
    static constexpr int64_t kEffectReadAheadFrames = 20480;

private:
    // The bodies of the two sampling calls, inlined into the block fill.
    float valueAt(double t, bool isDrawWave);
    float rawValueAt(double s, bool isDrawWave);
    // A sample already at volume, faded as the section's fade has it at timeline time t.
    float applyFade(float v, double t) const;
    // Fills count frames from firstFrame on, whose source frames are frame + shift,
    // through the read-ahead block: shape(to, from, run, frame) writes run values.
    template <class Shape>
    int32_t fillShifted(float* out, int64_t firstFrame, int32_t count, int64_t shift, Shape shape);
    void refillReadAhead(int64_t frameIndex);
    void readUnprocessed(int64_t frameIndex, int64_t frames);
    void dropEffectStream();
    void dropReadAhead();

    bool audioDataLoadState = false;
    std::unique_ptr<AudioSampleData> audioSampleData_;
    std::shared_ptr<AudioWaveData> audioWaveData_;
    std::vector<float> cacheData_;
    int64_t cacheOffset_ = 0;
    // The effect stream of consecutive read-ahead blocks: it goes on while reads
    // continue where the last block ended with the same settings, so filters and
    // reverb tails run across block boundaries instead of restarting.
    std::unique_ptr<AudioEffectProcessor> effectProcessor_;
    std::unique_ptr<SampleDataEffectInput> effectInput_;
    EffectDic effectProcessorDic_;
    int64_t effectNextFrame_ = -1;
};

using SectionPtr = std::shared_ptr<AudioSection>;
using SectionArray = std::vector<SectionPtr>;

}  // namespace wavomer
