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
    JsonObject root;
    root.raw("tracks", tracksJson(project.tracks));
    root.raw("markers", markersJson(project.markers));
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
