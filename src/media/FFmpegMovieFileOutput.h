// The file writer on FFmpeg: libavcodec encodes, libavformat writes the container
// chosen by the file's extension, libswresample turns the 44100 Hz interleaved float
// input into what the encoder takes (another rate such as Opus's 48000 Hz, integer
// PCM, planar samples) and an audio FIFO cuts it into the encoder's frame size.
//
// The file is written under a hidden temporary name in the destination folder and
// renamed to its path only once the trailer is written and the file is closed, so a
// reader never sees a partial file and a failure or cancel leaves nothing.
//
// Threads: a writer belongs to one thread; the engine may be shared.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>

#include "media/MediaWriter.h"

namespace wavomer {

class TSFFMovieFileOutputImpl;

class FFmpegMovieFileOutput final : public TSFFMovieFileOutput {
public:
    FFmpegMovieFileOutput();
    ~FFmpegMovieFileOutput() override;

    void setPath(const std::string& path) override;
    const std::string& path() const override;
    void setMovieFormat(const TSFFMovieFileOutputFormat& format) override;
    const TSFFMovieFileOutputFormat& movieFormat() const override;
    TSFFAudioFormat audioInputFormat() const override;
    void setAudioInputFormat(const TSFFAudioFormat& format) override;

    void setChapters(std::vector<MediaChapter> chapters) override;
    bool openAudio() override;
    bool isAudioOpen() const override;
    bool startOutput() override;
    bool writeAudioData(const float* interleaved, int32_t frames) override;
    void setBeforePublish(BeforePublish hook) override;
    bool stopOutput() override;
    void abortOutput() override;
    const std::string& lastError() const override;

private:
    std::unique_ptr<TSFFMovieFileOutputImpl> impl_;
};

class FFmpegMediaWriterEngine final : public MediaWriterEngine {
public:
    FFmpegMediaWriterEngine();

    std::unique_ptr<TSFFMovieFileOutput> newMovieFileOutput() override;
    TSFFMovieFileOutputFormat defaultMovieFileOutputFormat() const override;
    int32_t codecIdByName(const std::string& name) const override;
    int64_t channelLayoutByName(const std::string& name) const override;
    int64_t defaultChannelLayout(int32_t channels) const override;
    int32_t channelLayoutChannels(int64_t layout) const override;
    // Tries the encoder and the container for real; answers are remembered.
    bool canEncode(const std::string& codecName, const std::string& extension, int32_t sampleRate,
                   int32_t channels) override;

private:
    std::mutex lock_;
    std::map<std::tuple<std::string, std::string, int32_t, int32_t>, bool> known_;
};

}  // namespace wavomer
