// The cover picture conversion as the core sees it: any picture the media engine can
// decode (JPEG, BMP, GIF, WebP, PNG, ...) becomes PNG data, the one form a tag set
// keeps its cover in. The FFmpeg adapter (src/media) implements it.
//
// Threads: any thread; a converter keeps no state between calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace wavomer {

class CoverImageConverter {
public:
    virtual ~CoverImageConverter() = default;
    // The picture in the file at path as PNG data: PNG data as it is, any other picture
    // decoded and encoded anew. False, with a reason, when the file holds no picture
    // that can be decoded.
    virtual bool pngFromImageFile(const std::string& path, std::vector<uint8_t>& png, std::string& reason) = 0;
};

}  // namespace wavomer
