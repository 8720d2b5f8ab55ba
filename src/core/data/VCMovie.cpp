#include "data/VCMovie.h"

#include <algorithm>
#include <cctype>

#include "util/Log.h"
#include "util/PathUtil.h"

namespace wavomer {

Outcome<std::unique_ptr<VCMovie>> VCMovie::movieWithPath(MediaEngine& engine, const std::string& path) {
    if (lowercasePathExtension(path) == "vob") {
        logLine("ignore vob");
        return Failure::at(path, "DVD video objects are not imported");
    }
    auto source = engine.mediaWithPath(path);
    if (!source) return source.failure().reason.empty() ? Failure::at(path, "not a media file") : source.failure();
    if ((*source)->isDRM()) {
        logLine("ignore drm");
        return Failure::at(path, "the file is copy-protected");
    }
    auto movie = (*source)->createMovie();
    if (!movie || (movie->audios().empty() && movie->videos().empty()))
        return Failure::at(path, "the file holds neither audio nor video");
    std::unique_ptr<VCMovie> result(new VCMovie());
    result->source_ = std::move(*source);
    result->movie_ = std::move(movie);
    return result;
}

}  // namespace wavomer
