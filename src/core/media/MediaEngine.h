// The media engine as the core sees it: opening a media file, its audio and video
// media, selecting one audio stream, rewinding, and reading that stream as
// interleaved 32-bit float frames at 44100 Hz with a requested channel count; plus
// the time-base helpers. The FFmpeg adapter (src/media) implements it.
//
// Threads: one opened source and its movie are used by one thread at a time (the
// import thread). Opening is safe from any thread.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "util/Outcome.h"

namespace wavomer {

// Time: a signed tick count; ts_default_time_base() ticks per second.
int64_t ts_default_time_base();
double ts_ff_time_to_double(int64_t time);
// trunc(seconds x time base)
int64_t ts_double_to_time(double seconds);

class TSMedia;
class TSFFMovie;

// One audio stream of a media.
class TSAudioStream {
public:
    virtual ~TSAudioStream() = default;
    virtual TSMedia& media() = 0;
    virtual int32_t channels() const = 0;
    // The channel count the stream is delivered with from now on.
    virtual void setAudioResampleChannels(int32_t channels) = 0;
};

// A media of a movie: a set of streams of one kind, of which some are selected
// for decoding.
class TSMedia {
public:
    virtual ~TSMedia() = default;
    virtual std::vector<TSAudioStream*> audios() = 0;
    // The index of a stream in this media's stream list, or -1.
    virtual int32_t indexOfStream(const TSAudioStream* stream) const = 0;
    virtual void setSelectStreams(const std::set<int32_t>& indexes) = 0;
    virtual void updateSelectStreams() = 0;
    virtual TSFFMovie& movie() = 0;
};

class TSFFMovie {
public:
    virtual ~TSFFMovie() = default;
    virtual std::vector<TSMedia*> audios() = 0;
    virtual std::vector<TSMedia*> videos() = 0;
    // The container's stated duration in time-base ticks; 0 when it states none.
    virtual int64_t duration() const = 0;
    // The duration the audio streams themselves state (the longest), or the
    // container's when they state none; 0 when it is only guessed from the bitrate
    // and the file size. Audio ending well before it means the file is cut short.
    virtual int64_t statedAudioDuration() const { return duration(); }
    virtual void setDisableVideo(bool disable) = 0;
    virtual void setExportMovie(bool exportMovie) = 0;
    virtual void setCurrentTime(int64_t time) = 0;
    virtual void flushOperation() = 0;
    // Fills up to frames float frames of the selected stream of the stream's media,
    // one plane per channel (planes[c][0..frames)); answers the frames delivered,
    // fewer than asked only at the end of the stream (0 at the end or on failure).
    // Planes, because that is how the sample data file and most decoders hold them.
    virtual int32_t readAudioPlanes(TSAudioStream& stream, float* const* planes, int32_t frames) = 0;
    // Makes the next read of the selected stream start exactly at frame (counted at
    // the output rate), where the format promises that the samples from there are
    // those a decoding from the start gives: each of its frames decodes on its own,
    // and no rate is converted. False where it does not (nothing is to be read then).
    virtual bool startAudioAt(TSAudioStream& stream, int64_t frame) {
        (void)stream;
        (void)frame;
        return false;
    }
    // Problems met while decoding (damaged packets, read errors), for the caller to report.
    virtual std::string decodeProblems() const = 0;
};

// An opened media file.
class TSMediaSource {
public:
    virtual ~TSMediaSource() = default;
    virtual bool isDRM() const = 0;
    // Makes the movie over this source's media; nullptr if it has none.
    virtual std::unique_ptr<TSFFMovie> createMovie() = 0;
};

class MediaEngine {
public:
    virtual ~MediaEngine() = default;
    // A failure (about path) when the file cannot be opened as media.
    virtual Outcome<std::unique_ptr<TSMediaSource>> mediaWithPath(const std::string& path) = 0;
};

}  // namespace wavomer
