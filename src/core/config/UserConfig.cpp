#include "config/UserConfig.h"

#include "export/LoudnessNormaliser.h"

#include <algorithm>

#include <cerrno>
#include <sys/stat.h>

#include "archive/KeyedArchive.h"
#include "util/StandardPaths.h"
#include "export/FormatCatalogue.h"
#include "util/Log.h"

namespace wavomer {

namespace {

const char* const kRootKey = "root";

// The record a file is decoded into: a copy of the current values, so that keys the
// file lacks keep them, which remembers every stored key that came with a value of
// the wrong type. Nothing reaches the live object unless the whole file is usable.
class DecodingUserConfig : public UserConfig {
public:
    explicit DecodingUserConfig(const UserConfig& current) : UserConfig(current) {}

    void setValueForKey(const std::string& key, const CoderValue& value) override {
        if (!assignStoredValue(key, value)) rejectedKeys.push_back(key);
    }

    std::vector<std::string> rejectedKeys;
};

// An optional property: none clears it, a value of its type (given, or null when
// the stored value has another type) replaces it.
template <typename T>
bool assignOptional(std::optional<T>& property, const CoderValue& value, const T* given) {
    if (value.isNull()) {
        property.reset();
        return true;
    }
    if (!given) return false;
    property = *given;
    return true;
}

bool assignOptionalString(std::optional<std::string>& property, const CoderValue& value) {
    std::string text;
    return assignOptional(property, value, value.asString(text) ? &text : nullptr);
}

// A scalar given as none counts as absent: the property keeps its value.
template <typename Read>
bool assignScalar(const CoderValue& value, Read read) {
    return value.isNull() || read();
}

}  // namespace

UserConfig& UserConfig::share() {
    static UserConfig* const instance = [] {
        auto* config = new UserConfig();
        config->lastLoadResult_ = config->load();
        if (!config->lastLoadResult_)
            logLine("user.config unreadable, defaults kept: %s", config->lastLoadResult_.error().c_str());
        return config;
    }();
    return *instance;
}

UserConfig::UserConfig() : UserConfig(FileManagerExtention::applicationSupportPath() + "/user.config") {}

UserConfig::UserConfig(std::string savePath) : savePath_(std::move(savePath)) {
    recordOutputPath = FileManagerExtention::defaultOutputPath();
    formatData = FormatCatalogue::builtIn().formatInfo();
    formatList = FormatCatalogue::builtIn().formatData();
}

CoderColor UserConfig::defaultWaveColor() {
    return CoderColor{0.054901960784313725, 0.5490196078431373, 0.5882352941176471, 1.0};
}

CoderDictionary UserConfig::defaultFormatDic() const {
    if (defaultFormat) return *defaultFormat;
    return FormatCatalogue(formatData, formatList, {}).getFormatDicWithdefaultFormat(kFallbackFormatName);
}

void UserConfig::setDefaultFormatDic(CoderDictionary format) { defaultFormat = std::move(format); }

std::vector<std::string> UserConfig::allCoderKeys() const {
    return {"version",
            "defaultFormat",
            "audioDeviceName",
            "computerAudioDeviceName",
            "micAudioRecorderEnable",
            "computerAudioRecorderEnable",
            "micAudioRecorderVolume",
            "computerAudioRecorderVolume",
            "recordAudioSources",
            "recordSources",
            "autoFilter",
            "defaultFilterSeconds",
            "autoSplit",
            "defaultSplitMilliSeconds",
            "waveColor",
            "fitProjectOnOpen",
            "recentProjects",
            "lastExportFolder",
            "lastExportChannels",
            "lastExportBitDepth",
            "lastExportLoudness",
            "lastExportTruePeak",
            "lastExportLoudnessPerPiece"};
}

CoderValue UserConfig::valueForKey(const std::string& key) const {
    auto optionalString = [](const std::optional<std::string>& s) { return s ? CoderValue(*s) : CoderValue(); };
    auto optionalList = [](const std::optional<CoderList>& l) { return l ? CoderValue(*l) : CoderValue(); };
    if (key == "version") return CoderValue(version);
    if (key == "defaultFormat") return defaultFormat ? CoderValue(*defaultFormat) : CoderValue();
    if (key == "audioDeviceName") return optionalString(audioDeviceName);
    if (key == "computerAudioDeviceName") return optionalString(computerAudioDeviceName);
    if (key == "micAudioRecorderEnable") return CoderValue(micAudioRecorderEnable);
    if (key == "computerAudioRecorderEnable") return CoderValue(computerAudioRecorderEnable);
    if (key == "micAudioRecorderVolume") return CoderValue(micAudioRecorderVolume);
    if (key == "computerAudioRecorderVolume") return CoderValue(computerAudioRecorderVolume);
    if (key == "recordAudioSources") return optionalList(recordAudioSources);
    if (key == "recordSources") return optionalList(recordSources);
    if (key == "autoFilter") return CoderValue(autoFilter);
    if (key == "defaultFilterSeconds") return CoderValue(defaultFilterSeconds);
    if (key == "autoSplit") return CoderValue(autoSplit);
    if (key == "defaultSplitMilliSeconds") return CoderValue(defaultSplitMilliSeconds);
    if (key == "waveColor") return CoderValue(waveColor);
    // Keys beyond the fifteen are optional: stored only when they hold something, so a
    // file of a first run holds the fifteen alone.
    if (key == "fitProjectOnOpen") return fitProjectOnOpen ? CoderValue(true) : CoderValue();
    if (key == "lastExportFolder") return optionalString(lastExportFolder);
    if (key == "lastExportChannels") return lastExportChannels != 0 ? CoderValue(lastExportChannels) : CoderValue();
    if (key == "lastExportBitDepth") return lastExportBitDepth != 16 ? CoderValue(lastExportBitDepth) : CoderValue();
    if (key == "lastExportLoudness") return lastExportLoudness ? CoderValue(*lastExportLoudness) : CoderValue();
    if (key == "lastExportTruePeak") return lastExportTruePeak != -1.0 ? CoderValue(lastExportTruePeak) : CoderValue();
    if (key == "lastExportLoudnessPerPiece") return lastExportLoudnessPerPiece ? CoderValue(true) : CoderValue();
    if (key == "recentProjects") {
        if (recentProjects.empty()) return {};
        CoderList list;
        for (const std::string& folder : recentProjects) list.emplace_back(folder);
        return CoderValue(std::move(list));
    }
    return {};
}

void UserConfig::setValueForKey(const std::string& key, const CoderValue& value) { assignStoredValue(key, value); }

bool UserConfig::assignStoredValue(const std::string& key, const CoderValue& value) {
    if (key == "version") {
        return assignScalar(value, [&] { return value.asString(version); });
    }
    if (key == "defaultFormat") return assignOptional(defaultFormat, value, value.asDictionary());
    if (key == "audioDeviceName") return assignOptionalString(audioDeviceName, value);
    if (key == "computerAudioDeviceName") return assignOptionalString(computerAudioDeviceName, value);
    if (key == "micAudioRecorderEnable")
        return assignScalar(value, [&] { return value.asBool(micAudioRecorderEnable); });
    if (key == "computerAudioRecorderEnable")
        return assignScalar(value, [&] { return value.asBool(computerAudioRecorderEnable); });
    if (key == "micAudioRecorderVolume")
        return assignScalar(value, [&] { return value.asDouble(micAudioRecorderVolume); });
    if (key == "computerAudioRecorderVolume")
        return assignScalar(value, [&] { return value.asDouble(computerAudioRecorderVolume); });
    if (key == "recordAudioSources") return assignOptional(recordAudioSources, value, value.asList());
    if (key == "recordSources") return assignOptional(recordSources, value, value.asList());
    if (key == "autoFilter") return assignScalar(value, [&] { return value.asBool(autoFilter); });
    if (key == "defaultFilterSeconds")
        return assignScalar(value, [&] { return value.asInt32(defaultFilterSeconds); });
    if (key == "autoSplit") return assignScalar(value, [&] { return value.asBool(autoSplit); });
    if (key == "defaultSplitMilliSeconds")
        return assignScalar(value, [&] { return value.asInt32(defaultSplitMilliSeconds); });
    if (key == "fitProjectOnOpen") return assignScalar(value, [&] { return value.asBool(fitProjectOnOpen); });
    if (key == "lastExportFolder") return assignOptionalString(lastExportFolder, value);
    // A stored choice the program does not offer is dropped, not taken.
    if (key == "lastExportChannels")
        return assignScalar(value, [&] {
            int32_t read = 0;
            if (!value.asInt32(read) || read < 0 || read > 2) return false;
            lastExportChannels = read;
            return true;
        });
    if (key == "lastExportBitDepth")
        return assignScalar(value, [&] {
            int32_t read = 0;
            if (!value.asInt32(read) || (read != 16 && read != 24)) return false;
            lastExportBitDepth = read;
            return true;
        });
    if (key == "lastExportLoudness" || key == "lastExportTruePeak")
        return assignScalar(value, [&] {
            double read = 0.0;
            if (!value.asDouble(read)) return false;
            const bool loudness = key == "lastExportLoudness";
            if (!loudnessTargetProblem(loudness ? read : -16.0, loudness ? -1.0 : read).empty()) return false;
            if (loudness) lastExportLoudness = read;
            else lastExportTruePeak = read;
            return true;
        });
    if (key == "lastExportLoudnessPerPiece")
        return assignScalar(value, [&] { return value.asBool(lastExportLoudnessPerPiece); });
    if (key == "recentProjects") {
        const CoderList* list = value.asList();
        if (!list) return assignScalar(value, [] { return false; });
        recentProjects.clear();
        for (const CoderValue& entry : *list) {
            std::string folder;
            if (entry.asString(folder) && !folder.empty() && recentProjects.size() < kRecentProjects)
                recentProjects.push_back(folder);
        }
        return true;
    }
    if (key == "waveColor") {
        return assignScalar(value, [&] {
            const CoderColor* color = value.asColor();
            if (!color) return false;
            waveColor = *color;
            return true;
        });
    }
    return true;
}

void UserConfig::rememberRecentProject(const std::string& folder) {
    if (folder.empty()) return;
    recentProjects.erase(std::remove(recentProjects.begin(), recentProjects.end(), folder), recentProjects.end());
    recentProjects.insert(recentProjects.begin(), folder);
    if (recentProjects.size() > kRecentProjects) recentProjects.resize(kRecentProjects);
}

Outcome<> UserConfig::save() const {
    const std::string folder = FileManagerExtention::stringByDeletingLastPathComponent(savePath_);
    if (!folder.empty() && !FileManagerExtention::createDirectoryAtPathIfCan(folder))
        return Failure::at(folder, "cannot create the folder");
    // The archive holds the object by shared pointer; this one is owned elsewhere.
    CoderObject self(const_cast<UserConfig*>(this), [](CodingBase*) {});
    std::vector<uint8_t> bytes = archive::encodeKeyedArchive({{kRootKey, CoderValue(self)}});
    return archive::writeFileAtomically(savePath_, bytes);
}

Outcome<UserConfig::Loaded> UserConfig::load() {
    struct stat st;
    if (::stat(savePath_.c_str(), &st) != 0 && errno == ENOENT) return Loaded::missing;

    Outcome<std::vector<uint8_t>> bytes = archive::readWholeFile(savePath_);
    if (!bytes) return bytes.failure();

    const UserConfig& current = *this;
    archive::ClassFactory factory = [&current](const std::string& className) -> CoderObject {
        if (className == "UserConfig") return std::make_shared<DecodingUserConfig>(current);
        return nullptr;
    };
    Outcome<archive::RootEntries> decoded = archive::decodeKeyedArchive(bytes->data(), bytes->size(), factory);
    if (!decoded) return Failure::at(savePath_, decoded.failure().reason);

    // The root object is stored under "root"; an archive with a single root entry of
    // another name is taken too.
    const CoderValue* root = nullptr;
    for (const auto& [key, value] : (*decoded))
        if (key == kRootKey) root = &value;
    if (!root && (*decoded).size() == 1) root = &(*decoded).front().second;
    if (!root) return Failure::at(savePath_, "the archive holds no root object");
    const CoderObject* object = root->asObject();
    auto* stored = object ? dynamic_cast<DecodingUserConfig*>(object->get()) : nullptr;
    if (!stored) return Failure::at(savePath_, "the root object is not a UserConfig record");
    if (!stored->rejectedKeys.empty())
        return Failure::at(savePath_, "the value of \"" + stored->rejectedKeys.front() + "\" has the wrong type");

    for (const std::string& key : allCoderKeys()) assignStoredValue(key, stored->valueForKey(key));
    return Loaded::fromFile;
}

}  // namespace wavomer
