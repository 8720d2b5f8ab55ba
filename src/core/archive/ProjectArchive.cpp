#include "archive/ProjectArchive.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace wavomer::archive {

namespace {

// A finite number: NaN and the infinities are damage in a project (no time, level
// or setting can be one), and would travel on into the mix and the encoders.
bool isNumber(const CoderValue& value) {
    double number = 0.0;
    return !std::holds_alternative<std::string>(value.value) && value.asDouble(number) && std::isfinite(number);
}

// A stored path is used as a file name and compared by its last component: a NUL
// would cut it short where the system reads it ("/etc/passwd\0/x.data" opens
// /etc/passwd), and no file this program writes has a line break in its name.
bool isPlainPath(const std::string& path) {
    return path.find_first_of(std::string_view("\0\n\r", 3)) == std::string::npos;
}

template <typename Model>
bool isListOf(const CoderValue& value) {
    const CoderList* list = value.asList();
    if (!list) return false;
    return std::all_of(list->begin(), list->end(), [](const CoderValue& item) {
        const CoderObject* object = item.asObject();
        return object && std::dynamic_pointer_cast<Model>(*object);
    });
}

template <typename Model>
std::vector<std::shared_ptr<Model>> listOf(const CoderValue& value) {
    std::vector<std::shared_ptr<Model>> out;
    for (const CoderValue& item : *value.asList()) out.push_back(std::dynamic_pointer_cast<Model>(*item.asObject()));
    return out;
}

enum class SectionField { Path, Integer, Number, Boolean, Effect, Other };

// The kind of an AudioSection key; called for every value of every section, so it
// tells the keys apart by length before comparing any text.
SectionField sectionField(std::string_view key) {
    switch (key.size()) {
    case 6: return key == "isMute" ? SectionField::Boolean : SectionField::Other;
    case 7: return key == "channel" ? SectionField::Integer : key == "endTime" ? SectionField::Number : SectionField::Other;
    case 8: return key == "fadeMode" ? SectionField::Integer : SectionField::Other;
    case 9:
        if (key == "audioPath") return SectionField::Path;
        if (key == "startTime") return SectionField::Number;
        return key == "effectDic" ? SectionField::Effect : SectionField::Other;
    case 11: return key == "volumeValue" ? SectionField::Number : SectionField::Other;
    case 12: return key == "trackEndTime" || key == "fadeDuration" ? SectionField::Number : SectionField::Other;
    case 14:
        if (key == "trackStartTime" || key == "customFadeStop") return SectionField::Number;
        return key == "isBlankSection" || key == "isNoiseSection" ? SectionField::Boolean : SectionField::Other;
    case 15: return key == "customFadeStart" ? SectionField::Number : SectionField::Other;
    case 19: return key == "fadeStartTimeOffset" ? SectionField::Number : SectionField::Other;
    default: return SectionField::Other;
    }
}

std::string wrongType(std::string_view className, std::string_view key, const char* wanted) {
    return std::string(className) + "." + std::string(key) + " is not " + wanted;
}

std::string checkSectionValue(const std::string& key, const CoderValue& value) {
    constexpr std::string_view cls = "AudioSection";
    switch (sectionField(key)) {
    case SectionField::Path: {
        const std::string* path = std::get_if<std::string>(&value.value);
        if (!path) return wrongType(cls, key, "a string");
        return isPlainPath(*path) ? std::string() : std::string(cls) + "." + key + " holds a NUL or a line break";
    }
    case SectionField::Integer: {
        int32_t ignored = 0;
        return !std::holds_alternative<std::string>(value.value) && value.asInt32(ignored)
                   ? std::string()
                   : wrongType(cls, key, "a 32-bit integer");
    }
    case SectionField::Number: return isNumber(value) ? std::string() : wrongType(cls, key, "a finite number");
    case SectionField::Boolean: return isNumber(value) ? std::string() : wrongType(cls, key, "a boolean");
    case SectionField::Effect: {
        const CoderDictionary* dictionary = value.asDictionary();
        if (!dictionary) return wrongType(cls, key, "a dictionary");
        for (const auto& [name, setting] : *dictionary) {
            if (name == "name") {
                if (!std::holds_alternative<std::string>(setting.value))
                    return wrongType(cls, "effectDic.name", "a string");
            } else if (!isNumber(setting)) {
                return wrongType(cls, "effectDic." + name, "a finite number");
            }
        }
        return std::string();
    }
    case SectionField::Other: return std::string();
    }
    return std::string();
}

}  // namespace

ClassFactory modelClassFactory(ClassFactory extra) {
    return [extra = std::move(extra)](const std::string& className) -> CoderObject {
        if (className == "AudioSection") return AudioSection::section();
        if (className == "AudioTrack") return std::make_shared<AudioTrack>();
        if (className == "MarkerItem") return std::make_shared<MarkerItem>();
        return extra ? extra(className) : nullptr;
    };
}

std::string checkModelValue(const std::string& className, const std::string& key, const CoderValue& value) {
    if (value.isNull()) return std::string();
    const std::string_view cls = className;
    if (cls == "AudioSection") return checkSectionValue(key, value);
    if (cls == "AudioTrack" && std::string_view(key) == "sectionArray")
        return isListOf<AudioSection>(value) ? std::string()
                                             : "AudioTrack.sectionArray is not a list of AudioSection records";
    if (cls == "MarkerItem" && std::string_view(key) == "markerTime")
        return isNumber(value) ? std::string() : wrongType(cls, key, "a finite number");
    if (cls == "MarkerItem" && std::string_view(key) == "markerName")
        return std::holds_alternative<std::string>(value.value) ? std::string() : wrongType(cls, key, "a string");
    return std::string();
}

std::vector<uint8_t> encodeProject(const std::vector<TrackPtr>& tracks, const std::vector<MarkerPtr>& markers) {
    CoderList trackList(tracks.begin(), tracks.end());
    CoderList markerList(markers.begin(), markers.end());
    return encodeKeyedArchive({{kTrackArrayKey, std::move(trackList)}, {kMarkArrayKey, std::move(markerList)}});
}

Outcome<DecodedProject> decodeProject(const uint8_t* bytes, size_t size) {
    Outcome<RootEntries> decoded = decodeKeyedArchive(bytes, size, modelClassFactory(), checkModelValue);
    if (!decoded) return decoded.failure();
    const CoderValue* tracks = findRootValue(*decoded, kTrackArrayKey);
    const CoderValue* markers = findRootValue(*decoded, kMarkArrayKey);
    if (tracks && !tracks->isNull() && !isListOf<AudioTrack>(*tracks))
        return Failure::because("\"audioTrackArray\" is not a list of AudioTrack records");
    if (markers && !markers->isNull() && !isListOf<MarkerItem>(*markers))
        return Failure::because("\"markArray\" is not a list of MarkerItem records");
    // An absent value under a root key reads as an empty list, as the platform's
    // unarchiver hands back nil for it.
    DecodedProject project;
    project.hasTracks = tracks != nullptr;
    project.hasMarkers = markers != nullptr;
    if (tracks && !tracks->isNull()) project.tracks = listOf<AudioTrack>(*tracks);
    if (markers && !markers->isNull()) project.markers = listOf<MarkerItem>(*markers);
    return project;
}

std::string projectArchivePath(const std::string& projectFolder) {
    if (!projectFolder.empty() && projectFolder.back() == '/') return projectFolder + "project.plist";
    return projectFolder + "/project.plist";
}

Outcome<DecodedProject> readProjectFile(const std::string& archivePath) {
    Outcome<std::vector<uint8_t>> bytes = readWholeFile(archivePath);
    if (!bytes) return bytes.failure();
    Outcome<DecodedProject> project = decodeProject(bytes->data(), bytes->size());
    if (!project) {
        Failure failure = project.failure();
        failure.path = archivePath;
        return failure;
    }
    return project;
}

Outcome<> writeProjectFile(const std::string& archivePath, const std::vector<TrackPtr>& tracks,
                           const std::vector<MarkerPtr>& markers) {
    return writeFileAtomically(archivePath, encodeProject(tracks, markers));
}

std::vector<uint8_t> encodeClipboardPayload(const std::vector<SectionArray>& payload) {
    CoderList entries;
    entries.reserve(payload.size());
    for (const SectionArray& sections : payload) entries.emplace_back(CoderList(sections.begin(), sections.end()));
    return encodeKeyedArchive({{kClipboardRootKey, std::move(entries)}});
}

Outcome<std::vector<SectionArray>> decodeClipboardPayload(const uint8_t* bytes, size_t size) {
    Outcome<RootEntries> decoded = decodeKeyedArchive(bytes, size, modelClassFactory(), checkModelValue);
    if (!decoded) return decoded.failure();
    const CoderValue* root = findRootValue(*decoded, kClipboardRootKey);
    const CoderList* entries = root ? root->asList() : nullptr;
    if (!entries || !std::all_of(entries->begin(), entries->end(), isListOf<AudioSection>))
        return Failure::because("the clipboard payload is not a list of lists of AudioSection records");
    std::vector<SectionArray> payload;
    for (const CoderValue& entry : *entries) payload.push_back(listOf<AudioSection>(entry));
    return payload;
}

}  // namespace wavomer::archive
