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

Outcome<std::string> projectInfoJson(const std::string& path) {
    Outcome<archive::DecodedProject> project = archive::readProjectFile(archivePathFor(path));
    if (!project) return project.failure();
    JsonObject root;
    root.raw("tracks", tracksJson(project->tracks));
    root.raw("markers", markersJson(project->markers));
    root.raw("markerNames", markerNamesJson(project->markers));
    return root.str();
}

int runProjectInfo(const std::string& path) {
    Outcome<std::string> json = projectInfoJson(path);
    if (!json) {
        std::fprintf(stderr, "wavomer-cli: %s\n", json.error().c_str());  // the failure names the file
        return 1;
    }
    std::printf("%s\n", json->c_str());
    return 0;
}

}  // namespace wavomer::cli
