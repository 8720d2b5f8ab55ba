// The media engine on FFmpeg: opens media files with libavformat, decodes the
// selected audio stream with libavcodec and delivers it through libswresample as
// interleaved 32-bit float frames at 44100 Hz with the channel count asked for.
//
// Threads: an engine may be shared; each opened source is used by one thread.
// FFmpeg's own log is silenced: problems are collected and reported by the caller.
#pragma once

#include <memory>
#include <string>

#include "media/MediaEngine.h"

namespace wavomer {

class FFmpegMediaEngine : public MediaEngine {
public:
    FFmpegMediaEngine();
    Outcome<std::unique_ptr<TSMediaSource>> mediaWithPath(const std::string& path) override;
};

// "Invalid data found when processing input" for an FFmpeg error code.
std::string ffmpegErrorText(int code);

}  // namespace wavomer
