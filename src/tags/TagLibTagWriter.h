// The tag writer on TagLib. The kind of tag follows the file's extension: ID3v2.4 for
// MP3, MP2, WAV and AIFF; MP4 atoms for M4A and M4R; Xiph comments (with a picture
// block) for FLAC, Ogg Vorbis and Opus; ASF attributes for WMA. Other files (AC3) are
// left as they are and answered as unsupported.
//
// Threads: one call at a time per file; separate files may be tagged concurrently.
#pragma once

#include "export/TagWriter.h"

namespace wavomer {

class TagLibTagWriter final : public TagWriter {
public:
    Outcome<Tagging> setId3InfoToOutputPath(const std::string& path, const ID3TagInfo& tags,
                                          const std::string& extension) override;
};

}  // namespace wavomer
