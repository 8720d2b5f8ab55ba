#include "ProjectInfo.h"

#include <sys/stat.h>

#include <cstdio>

#include "Json.h"
#include "archive/ProjectArchive.h"

namespace wavomer::cli {

namespace {

std::string archivePathFor(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return archive::projectArchivePath(path);
    return path;
}

std::string jsonValue(const CoderValue& value);

std::string jsonList(const CoderList& list) {
    std::string out = "[";
    for (size_t i = 0; i < list.size(); ++i) out += (i ? ", " : "") + jsonValue(list[i]);
    return out + "]";
}

std::string jsonDictionary(const CoderDictionary& dictionary) {
    JsonObject object;
    for (const auto& [key, value] : dictionary) object.raw(key, jsonValue(value));
    return object.str();
}

// Every kind a section's values can take; records and colours do not occur in a
// section and print as their class name and components for completeness.
std::string jsonValue(const CoderValue& value) {
    if (auto b = std::get_if<bool>(&value.value)) return *b ? "true" : "false";
    if (auto i = std::get_if<int32_t>(&value.value)) return std::to_string(*i);
    if (auto l = std::get_if<int64_t>(&value.value)) return std::to_string(*l);
    if (auto d = std::get_if<double>(&value.value)) return jsonNumber(*d);
    if (auto s = std::get_if<std::string>(&value.value)) return jsonString(*s);
    if (auto list = value.asList()) return jsonList(*list);
    if (auto dictionary = value.asDictionary()) return jsonDictionary(*dictionary);
    if (auto object = value.asObject(); object && *object) return jsonString((*object)->coderClassName());
    if (auto color = value.asColor())
        return jsonList(CoderList{color->red, color->green, color->blue, color->alpha});
    return "null";
}

std::string sectionJson(const AudioSection& section) {
    JsonObject object;
    for (const std::string& key : section.allCoderKeys()) object.raw(key, jsonValue(section.valueForKey(key)));
    return object.str();
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
