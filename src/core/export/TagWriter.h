// The tag writer as the export sees it: writes a tag set (title, artist, album, year,
// track and disc numbers with totals, genre, comment, composer, grouping, BPM and the
// cover picture as PNG) into a finished output file, in whatever tag format that
// kind of file carries. TagLib implements it (src/tags).
//
// Threads: called on the export thread, one file at a time.
//
// Invariants: a number of 0 means "not set" and writes no value; a string that is
// none writes nothing.
#pragma once

#include <string>

#include "model/ID3TagInfo.h"
#include "util/Outcome.h"

namespace wavomer {

enum class Tagging {
    written,
    unsupported,  // a kind of file the tag writer does not tag (left as it is)
};

class TagWriter {
public:
    virtual ~TagWriter() = default;
    // Sets, in this order: total tracks, title, artist, album, genre, year, track,
    // comment, picture, composer, grouping, disc, total discs, BPM; then saves. The
    // kind of file is told by `extension` ("mp3", "m4a", ...), not by the path, which
    // may be a temporary name.
    // A failure is about path.
    virtual Outcome<Tagging> setId3InfoToOutputPath(const std::string& path, const ID3TagInfo& tags,
                                                  const std::string& extension) = 0;
};

}  // namespace wavomer
