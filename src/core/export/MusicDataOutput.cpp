#include "export/MusicDataOutput.h"

#include <cmath>

#include "export/ExportFolds.h"
#include "media/MediaEngine.h"
#include "util/Log.h"

namespace wavomer {

void MusicDataOutput::configOutputFormat(const TSFFAudioFormat& format) {
    audioFormat_ = format;
    need_mix_out_audio = false;
    if (forceMixOutputAudio()) {
        if (audioSampleChannels() > 0) need_mix_out_audio = true;
        else logLine("error fix me");
    }
}

void MusicDataOutput::setCurrentTime(int64_t time) {
    offset_frame = static_cast<int64_t>(std::trunc(ts_ff_time_to_double(time) * 44100));
}

bool MusicDataOutput::readSample(float* buffer, int32_t frames) {
    readSampleHelper(buffer, frames);
    offset_frame += frames;
    return false;
}

void MusicDataOutput::readSampleHelper(float* buffer, int32_t frames) {
    if (!delegate) return;
    if (need_mix_out_audio)
        exportFoldMixed(*delegate, buffer, frames, audioOutputChannels(), offset_frame, scratch_);
    else
        exportFoldUnmixed(*delegate, buffer, frames, audioOutputChannels(), offset_frame, scratch_);
    sanitizeExportSamples(buffer, static_cast<int64_t>(frames) * audioOutputChannels());
}

int64_t MusicDataOutput::audioSampleChannels() const { return delegate ? delegate->audioSampleChannels() : 0; }

int32_t MusicDataOutput::audioOutputChannels() const {
    return layouts_.channelLayoutChannels(audioFormat_.channel_layout);
}

bool MusicDataOutput::forceMixOutputAudio() const { return delegate && delegate->forceMixOutputAudio(); }

int32_t MusicDataOutput::readSample(float* buffer, int32_t channel, int32_t frames, int64_t offset) {
    return delegate ? delegate->readSample(buffer, channel, frames, offset) : 0;
}

}  // namespace wavomer
