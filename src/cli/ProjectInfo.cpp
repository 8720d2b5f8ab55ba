#include "ProjectInfo.h"

#include <sys/stat.h>

#include <cstdio>

#include "Json.h"
#include "ModelJson.h"
#include "archive/ProjectArchive.h"

namespace wavomer::cli {

namespace {

std::string archivePathFor(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return archive::projectArchivePath(path);
    return path;
}

}  // namespace

bool projectInfoJson(const std::string& path, std::string& json, std::string& error) {
    archive::ProjectDecodeResult project = archive::readProjectFile(archivePathFor(path));
    if (!project.ok) {
        error = project.error;
        return false;
    }
    std::string tracks = "[";
    for (size_t t = 0; t < project.tracks.size(); ++t) {
        std::string sections = "[";
        const SectionArray& list = project.tracks[t]->sectionArray();
        for (size_t s = 0; s < list.size(); ++s) sections += (s ? ", " : "") + sectionJson(*list[s]);
        JsonObject track;
        track.raw("sections", sections + "]");
        tracks += (t ? ", " : "") + track.str();
    }
    std::string markers = "[";
    for (size_t m = 0; m < project.markers.size(); ++m)
        markers += (m ? ", " : "") + jsonNumber(project.markers[m]->markerTime);
    JsonObject root;
    root.raw("tracks", tracks + "]");
    root.raw("markers", markers + "]");
    json = root.str();
    return true;
}

int runProjectInfo(const std::string& path) {
    std::string json;
    std::string error;
    if (!projectInfoJson(path, json, error)) {
        std::fprintf(stderr, "wavomer-cli: %s\n", error.c_str());  // the reason names the file
        return 1;
    }
    std::printf("%s\n", json.c_str());
    return 0;
}

}  // namespace wavomer::cli
