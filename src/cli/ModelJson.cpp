#include "ModelJson.h"

#include "Json.h"

namespace wavomer::cli {

namespace {

std::string jsonList(const CoderList& list) { return jsonArray(list, jsonValue); }

std::string jsonDictionary(const CoderDictionary& dictionary) {
    JsonObject object;
    for (const auto& [key, value] : dictionary) object.raw(key, jsonValue(value));
    return object.str();
}

}  // namespace

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

std::string tracksJson(const std::vector<TrackPtr>& tracks) {
    return jsonArray(tracks, [](const TrackPtr& track) {
        JsonObject object;
        object.raw("sections", jsonArray(track->sectionArray(), [](const SectionPtr& s) { return sectionJson(*s); }));
        return object.str();
    });
}

std::string markersJson(const std::vector<MarkerPtr>& markers) {
    return jsonArray(markers, [](const MarkerPtr& m) { return jsonNumber(m->markerTime); });
}

std::string markerNamesJson(const std::vector<MarkerPtr>& markers) {
    return jsonArray(markers, [](const MarkerPtr& m) {
        return m->markerName ? jsonString(*m->markerName) : std::string("null");
    });
}

}  // namespace wavomer::cli
