// The media engine's file writer as the core sees it: a writer takes blocks of
// interleaved 32-bit float frames in its input format and encodes them into one
// output file in the output format (codec, sample rate, bit rate, channel layout),
// plus the helpers that name codecs and channel layouts. The FFmpeg adapter
// (src/media) implements it; the export driver (core/export) only calls it.
//
// Threads: one writer is used by one thread (the export thread). The engine's
// helpers are safe from any thread.
//
// Invariants of a writer: nothing appears at path() until stopOutput() answers
// true; a writer that failed, was aborted or was dropped unfinished leaves nothing
// behind, neither the file nor a temporary one.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace wavomer {

// TSFFAudioFormat::sample_fmt of interleaved 32-bit float frames, the only input
// format the export ever hands a writer.
inline constexpr int32_t kTSSampleFormatFloat = 3;

struct TSFFAudioFormat {
    int32_t sample_fmt = kTSSampleFormatFloat;
    int64_t channel_layout = 0;
    int32_t sample_rate = 44100;
};

struct TSFFMovieFileOutputFormat {
    // Video settings: set only by ts_get_default_movie_file_ouput_format, never read
    // by an audio export.
    int32_t video_codec_id = 0;
    int32_t video_width = 0;
    int32_t video_height = 0;
    int32_t video_bit_rate = 0;
    int32_t video_frame_rate_num = 0;
    int32_t video_frame_rate_den = 0;
    float video_quality = 0.0f;

    int64_t channel_layout = 0;
    int32_t sample_rate = 0;
    int32_t audio_codec_id = 0;
    int32_t audio_bit_rate = 0;  // bit/s; 0 leaves the codec's own choice
    int32_t bits_per_sample = 0;  // 24 asks a codec of integer samples for 24 bits; 0 its own
};

// A chapter of an output file: frames of the 44100 Hz input, and its title.
struct MediaChapter {
    int64_t startFrame = 0;
    int64_t endFrame = 0;
    std::string title;
};

class TSFFMovieFileOutput {
public:
    virtual ~TSFFMovieFileOutput() = default;

    virtual void setPath(const std::string& path) = 0;
    virtual const std::string& path() const = 0;
    virtual void setMovieFormat(const TSFFMovieFileOutputFormat& format) = 0;
    virtual const TSFFMovieFileOutputFormat& movieFormat() const = 0;
    // Interleaved float at 44100 Hz in the default stereo layout until set.
    virtual TSFFAudioFormat audioInputFormat() const = 0;
    virtual void setAudioInputFormat(const TSFFAudioFormat& format) = 0;

    // Chapters the file is to carry, set before startOutput(); a container that holds
    // none leaves them out.
    virtual void setChapters(std::vector<MediaChapter> chapters) { (void)chapters; }

    // Prepares the encoder; false (with lastError()) when the codec cannot take the
    // format.
    virtual bool openAudio() = 0;
    virtual bool isAudioOpen() const = 0;
    // Creates the (temporary) output and writes the container's header.
    virtual bool startOutput() = 0;
    // One block of frames interleaved in the input format; false on a failure (the
    // writer is then done: every later call fails too).
    virtual bool writeAudioData(const float* interleaved, int32_t frames) = 0;
    // Runs on the complete file, under its temporary name, just before stopOutput puts
    // it at path(): what it adds (the tags) is in the file the moment anyone sees it.
    using BeforePublish = std::function<void(const std::string& temporaryPath)>;
    virtual void setBeforePublish(BeforePublish hook) = 0;
    // Ends the file and only then puts it at path(), never over an existing file.
    virtual bool stopOutput() = 0;
    // Drops everything written so far; nothing remains.
    virtual void abortOutput() = 0;

    // "PATH: reason" for the last failure, empty when none.
    virtual const std::string& lastError() const = 0;
};

class MediaWriterEngine {
public:
    virtual ~MediaWriterEngine() = default;

    virtual std::unique_ptr<TSFFMovieFileOutput> newMovieFileOutput() = 0;

    // The helpers below answer as their ts_ namesakes do.
    virtual TSFFMovieFileOutputFormat defaultMovieFileOutputFormat() const = 0;
    virtual int32_t codecIdByName(const std::string& name) const = 0;
    virtual int64_t channelLayoutByName(const std::string& name) const = 0;
    virtual int64_t defaultChannelLayout(int32_t channels) const = 0;
    virtual int32_t channelLayoutChannels(int64_t layout) const = 0;

    // True when a file with this extension can hold audio of the named codec at this
    // sample rate with this many channels (the format menus offer nothing else).
    virtual bool canEncode(const std::string& codecName, const std::string& extension, int32_t sampleRate,
                           int32_t channels) = 0;
};

// --- the media engine's helpers by their own names (implemented in src/media) --------

// Every field zero except the channel layout ("stereo") and the sample rate (44100).
TSFFMovieFileOutputFormat ts_get_default_movie_file_ouput_format();
// The codec id of an encoder name ("libmp3lame", "aac", "flac", ...); 0 when unknown.
int32_t ts_get_codec_id_by_name(const std::string& name);
// The layout named ("mono", "stereo", "5.1", ...); 0 when unknown.
int64_t ts_get_channel_layout_by_name(const std::string& name);
// The layout of that many channels when each carries a track of its own: mono,
// stereo, then layouts without a low-frequency channel (3.0, quad, 5.0, 6.0, 7.0,
// octagonal) and, beyond eight, the first positions that are not low-frequency; 0 for
// a count no layout can hold (above 62).
int64_t ts_get_default_channel_layout(int32_t channels);
int32_t ts_get_channel_layout_nb_channels(int64_t layout);

}  // namespace wavomer
