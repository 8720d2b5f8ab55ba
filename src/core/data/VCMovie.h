// VCMovie: opens a media file for decoding, refusing what the editor does not
// import: DVD video objects (extension "vob" in any letter case), protected files,
// and files with neither audio nor video.
//
// Threads: made and used on the import thread.
#pragma once

#include <memory>
#include <string>

#include "media/MediaEngine.h"

namespace wavomer {

class VCMovie {
public:
    // nullptr (with the reason) for a refused or unreadable file.
    static Outcome<std::unique_ptr<VCMovie>> movieWithPath(MediaEngine& engine, const std::string& path);

    TSFFMovie& movie() { return *movie_; }

private:
    VCMovie() = default;
    std::unique_ptr<TSMediaSource> source_;
    std::unique_ptr<TSFFMovie> movie_;
};

}  // namespace wavomer
