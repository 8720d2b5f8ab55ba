#include "data/VCMovie.h"

#include <algorithm>
#include <cctype>

#include "util/Log.h"
#include "util/PathUtil.h"

namespace wavomer {

std::unique_ptr<VCMovie> VCMovie::movieWithPath(MediaEngine& engine, const std::string& path, std::string* reason) {
    if (lowercasePathExtension(path) == "vob") {
        logLine("ignore vob");
        if (reason) *reason = "DVD video objects are not imported";
        return nullptr;
    }
    std::string error;
    auto source = engine.mediaWithPath(path, &error);
    if (!source) {
        if (reason) *reason = error.empty() ? "not a media file" : error;
        return nullptr;
    }
    if (source->isDRM()) {
        logLine("ignore drm");
        if (reason) *reason = "the file is copy-protected";
        return nullptr;
    }
    auto movie = source->createMovie();
    if (!movie || (movie->audios().empty() && movie->videos().empty())) {
        if (reason) *reason = "the file holds neither audio nor video";
        return nullptr;
    }
    std::unique_ptr<VCMovie> result(new VCMovie());
    result->source_ = std::move(source);
    result->movie_ = std::move(movie);
    return result;
}

}  // namespace wavomer
