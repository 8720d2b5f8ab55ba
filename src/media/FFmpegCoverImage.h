// FFmpegCoverImageConverter: the cover picture conversion on FFmpeg. The picture is
// decoded by whatever image decoder FFmpeg probes for it, its first frame converted to
// 8-bit RGBA and encoded with FFmpeg's PNG encoder.
#pragma once

#include "media/CoverImage.h"

namespace wavomer {

class FFmpegCoverImageConverter final : public CoverImageConverter {
public:
    // Silences FFmpeg's log, as the media engines do: failures come back as reasons.
    FFmpegCoverImageConverter();
    Outcome<std::vector<uint8_t>> pngFromImageFile(const std::string& path) override;
};

}  // namespace wavomer
