// MusicDataOutput: the sample source of an export. It turns the source channels (one
// per track) into interleaved 1024-frame blocks in the output's channel layout, by the
// export folds: averaged to one signal copied to every output channel when the export
// mixes, otherwise one channel per track; a NaN or infinite sample becomes 0 and a huge
// one is clipped (sanitizeExportSamples). It keeps one read position (offset_frame, in
// 44100 Hz frames) that each block advances.
//
// Threads: configured and read on the export thread; the delegate is read there too.
//
// Invariants: need_mix_out_audio is true only when the delegate forces a mix and has at
// least one track; the scratch grows on the first block and is then reused.
#pragma once

#include <cstdint>
#include <vector>

#include "media/MediaWriter.h"
#include "render/SourceChannelProvider.h"

namespace wavomer {

// What the sample source asks its delegate (the window, the command-line tool, a test):
// the source channels, and whether the export mixes them (exportChannelType 1 or 2).
class MusicDataOutputDelegate : public SourceChannelProvider {
public:
    virtual bool forceMixOutputAudio() = 0;
};

// The source of a conversion as the driver sees it.
class ConverterSampleSource {
public:
    virtual ~ConverterSampleSource() = default;
    virtual void configOutputFormat(const TSFFAudioFormat& format) = 0;
    // Media time (ts_default_time_base() ticks per second).
    virtual void setCurrentTime(int64_t time) = 0;
    // The same in 44100 Hz frames, without a round trip through media time.
    virtual void setCurrentFrame(int64_t frame) = 0;
    virtual void flushOperation() {}
    // Fills frames interleaved frames in the configured format; answers whether the
    // source has ended (the export never reads that answer).
    virtual bool readSample(float* buffer, int32_t frames) = 0;
};

class MusicDataOutput final : public ConverterSampleSource {
public:
    // layouts answers the channel count of a layout.
    explicit MusicDataOutput(const MediaWriterEngine& layouts) : layouts_(layouts) {}

    MusicDataOutputDelegate* delegate = nullptr;

    // Stores the format and decides mixing; a forced mix without tracks logs
    // "error fix me" and leaves mixing off.
    void configOutputFormat(const TSFFAudioFormat& format) override;
    void setCurrentTime(int64_t time) override;
    void setCurrentFrame(int64_t frame) override { offset_frame = frame; }
    void flushOperation() override {}
    // One block of frames from offset_frame on; advances it; answers false.
    bool readSample(float* buffer, int32_t frames) override;
    void readSampleHelper(float* buffer, int32_t frames);

    int64_t audioSampleChannels() const;
    int32_t audioOutputChannels() const;
    bool forceMixOutputAudio() const;
    int32_t readSample(float* buffer, int32_t channel, int32_t frames, int64_t offset);

    const TSFFAudioFormat& audioFormat() const { return audioFormat_; }
    bool needMixOutAudio() const { return need_mix_out_audio; }
    int64_t offsetFrame() const { return offset_frame; }

private:
    const MediaWriterEngine& layouts_;
    TSFFAudioFormat audioFormat_;
    int64_t offset_frame = 0;
    bool need_mix_out_audio = false;
    std::vector<float> scratch_;
};

}  // namespace wavomer
