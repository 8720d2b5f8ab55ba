// The cover picture conversion as the core sees it: any picture the media engine can
// decode (JPEG, BMP, GIF, WebP, PNG, ...) becomes PNG data, the one form a tag set
// keeps its cover in. The FFmpeg adapter (src/media) implements it.
//
// Threads: any thread; a converter keeps no state between calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "util/Outcome.h"

namespace wavomer {

class CoverImageConverter {
public:
    virtual ~CoverImageConverter() = default;
    // The picture in the file at path as PNG data: PNG data as it is, any other picture
    // decoded and encoded anew; a failure about path when it holds no picture that can
    // be decoded.
    virtual Outcome<std::vector<uint8_t>> pngFromImageFile(const std::string& path) = 0;
};

}  // namespace wavomer
