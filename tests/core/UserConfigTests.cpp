// The user configuration: its defaults on first run, the file it writes, and how it
// reads files from other versions, incomplete files and broken ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>

#include "archive/KeyedArchive.h"
#include "util/AppIdentity.h"
#include "util/StandardPaths.h"
#include "config/UserConfig.h"
#include "support/TestSupport.h"

namespace wavomer {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kStoredKeys = {
    "version",          "defaultFormat",      "audioDeviceName",      "computerAudioDeviceName",
    "micAudioRecorderEnable", "computerAudioRecorderEnable", "micAudioRecorderVolume",
    "computerAudioRecorderVolume", "recordAudioSources", "recordSources", "autoFilter",
    "defaultFilterSeconds", "autoSplit",     "defaultSplitMilliSeconds", "waveColor"};
// Stored only when they hold something (a first run's file has the fifteen alone).
const std::vector<std::string> kOptionalKeys = {"fitProjectOnOpen", "recentProjects", "lastExportFolder",
                                                "lastExportChannels", "lastExportBitDepth", "lastExportLoudness",
                                                "lastExportTruePeak", "lastExportLoudnessPerPiece"};

// A record of class "UserConfig" with whatever keys a test gives it: stands for a
// file written by another version of the program, or for reading back which keys a
// file holds.
class HandMadeRecord : public CodingBase {
public:
    HandMadeRecord(std::string className, std::vector<std::string> keys)
        : className_(std::move(className)), keys_(std::move(keys)) {}
    std::string coderClassName() const override { return className_; }
    std::vector<std::string> allCoderKeys() const override { return keys_; }
    CoderValue valueForKey(const std::string& key) const override {
        auto found = values.find(key);
        return found == values.end() ? CoderValue() : found->second;
    }
    void setValueForKey(const std::string& key, const CoderValue& value) override {
        if (!value.isNull()) values[key] = value;
    }
    std::map<std::string, CoderValue> values;

private:
    std::string className_;
    std::vector<std::string> keys_;
};

class UserConfigTest : public ::testing::Test {
protected:
    void SetUp() override {
        home = scratch.file("home");
        environment.emplace(home, scratch.path());
        configPath = scratch.file("settings/user.config");
    }
    void TearDown() override { environment.reset(); }

    void writeRecord(const std::shared_ptr<HandMadeRecord>& record, const std::string& rootKey = "root") {
        std::vector<uint8_t> bytes = archive::encodeKeyedArchive({{rootKey, CoderValue(CoderObject(record))}});
        fs::create_directories(fs::path(configPath).parent_path());
        ASSERT_OK(archive::writeFileAtomically(configPath, bytes));
    }

    // The keys and values the file holds, read through a record that asks for the
    // stored keys and for a few that must not be there.
    std::shared_ptr<HandMadeRecord> readBackFile() {
        Outcome<std::vector<uint8_t>> read = archive::readWholeFile(configPath);
        EXPECT_TRUE(read) << read.error();
        const std::vector<uint8_t> bytes = read ? *read : std::vector<uint8_t>();
        std::vector<std::string> asked = kStoredKeys;
        asked.insert(asked.end(), {"recordOutputPath", "recentUsedFormat", "showRingtoneFile", "formatList", "formatData"});
        auto decoded = archive::decodeKeyedArchive(bytes.data(), bytes.size(), [&](const std::string& name) -> CoderObject {
            if (name == "UserConfig") return std::make_shared<HandMadeRecord>(name, asked);
            return nullptr;
        });
        EXPECT_TRUE(decoded.ok()) << decoded.error();
        if (!decoded.ok() || (*decoded).empty()) return nullptr;
        EXPECT_EQ((*decoded).front().first, "root");
        const CoderObject* object = (*decoded).front().second.asObject();
        return object ? std::dynamic_pointer_cast<HandMadeRecord>(*object) : nullptr;
    }

    void writeBytes(const std::string& bytes) {
        fs::create_directories(fs::path(configPath).parent_path());
        std::ofstream(configPath, std::ios::binary) << bytes;
    }

    test::ScratchDir scratch;
    std::string home;
    std::string configPath;
    std::optional<test::HomeEnvironment> environment;
};

void expectDefaults(const UserConfig& config) {
    EXPECT_EQ(config.version, "1");
    EXPECT_FALSE(config.defaultFormat);
    EXPECT_FALSE(config.audioDeviceName);
    EXPECT_FALSE(config.computerAudioDeviceName);
    EXPECT_TRUE(config.micAudioRecorderEnable);
    EXPECT_FALSE(config.computerAudioRecorderEnable);
    EXPECT_EQ(config.micAudioRecorderVolume, 1.0);
    EXPECT_EQ(config.computerAudioRecorderVolume, 1.0);
    EXPECT_FALSE(config.recordAudioSources);
    EXPECT_FALSE(config.recordSources);
    EXPECT_FALSE(config.autoFilter);
    EXPECT_EQ(config.defaultFilterSeconds, 5);
    EXPECT_TRUE(config.autoSplit);
    EXPECT_EQ(config.defaultSplitMilliSeconds, 150);
    EXPECT_EQ(config.waveColor, UserConfig::defaultWaveColor());
}

// --- first run ---------------------------------------------------------------------------

TEST_F(UserConfigTest, AFirstRunWithoutAFileHasTheDefaults) {
    UserConfig config(configPath);
    Outcome<UserConfig::Loaded> result = config.load();
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_EQ(*result, UserConfig::Loaded::missing);
    expectDefaults(config);
    EXPECT_FALSE(config.recentUsedFormat);
    EXPECT_FALSE(config.showRingtoneFile);
}

TEST_F(UserConfigTest, TheDefaultWaveColourIs14_140_150) {
    CoderColor color = UserConfig::defaultWaveColor();
    EXPECT_EQ(std::lround(color.red * 255), 14);
    EXPECT_EQ(std::lround(color.green * 255), 140);
    EXPECT_EQ(std::lround(color.blue * 255), 150);
    EXPECT_EQ(color.alpha, 1.0);
}

TEST_F(UserConfigTest, RecordingsGoToTheDefaultOutputFolder) {
    UserConfig config(configPath);
    EXPECT_EQ(config.recordOutputPath, home + "/Music/" + kBundleIdentifier);
    EXPECT_TRUE(FileManagerExtention::isDirectoryAtPath(config.recordOutputPath));
}

TEST_F(UserConfigTest, ItListsExactlyTheFifteenStoredKeysInOrderThenTheOptionalOnes) {
    std::vector<std::string> keys = kStoredKeys;
    keys.insert(keys.end(), kOptionalKeys.begin(), kOptionalKeys.end());
    EXPECT_EQ(UserConfig(configPath).allCoderKeys(), keys);
    EXPECT_EQ(UserConfig(configPath).coderClassName(), "UserConfig");
}

TEST_F(UserConfigTest, TheFileOfAFirstRunHoldsTheDefaultsUnderTheFifteenKeys) {
    UserConfig config(configPath);
    Outcome<> saved = config.save();
    ASSERT_TRUE(saved.ok()) << saved.error();
    auto record = readBackFile();
    ASSERT_TRUE(record);
    std::vector<std::string> present;
    for (const auto& [key, value] : record->values) present.push_back(key);
    std::vector<std::string> expected = kStoredKeys;
    // Absent values are stored as none and so read back as missing.
    for (const char* none : {"defaultFormat", "audioDeviceName", "computerAudioDeviceName", "recordAudioSources",
                             "recordSources"})
        expected.erase(std::find(expected.begin(), expected.end(), none));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(present, expected);

    bool flag = false;
    int32_t number = 0;
    double real = 0;
    std::string text;
    ASSERT_TRUE(record->valueForKey("version").asString(text));
    EXPECT_EQ(text, "1");
    ASSERT_TRUE(record->valueForKey("micAudioRecorderEnable").asBool(flag));
    EXPECT_TRUE(flag);
    ASSERT_TRUE(record->valueForKey("autoSplit").asBool(flag));
    EXPECT_TRUE(flag);
    ASSERT_TRUE(record->valueForKey("autoFilter").asBool(flag));
    EXPECT_FALSE(flag);
    ASSERT_TRUE(record->valueForKey("defaultSplitMilliSeconds").asInt32(number));
    EXPECT_EQ(number, 150);
    ASSERT_TRUE(record->valueForKey("defaultFilterSeconds").asInt32(number));
    EXPECT_EQ(number, 5);
    ASSERT_TRUE(record->valueForKey("micAudioRecorderVolume").asDouble(real));
    EXPECT_EQ(real, 1.0);
    CoderValue storedColor = record->valueForKey("waveColor");
    const CoderColor* color = storedColor.asColor();
    ASSERT_TRUE(color);
    EXPECT_NEAR(color->red, 14 / 255.0, 1e-6);
    EXPECT_NEAR(color->green, 140 / 255.0, 1e-6);
    EXPECT_NEAR(color->blue, 150 / 255.0, 1e-6);
}

TEST_F(UserConfigTest, TheRecentProjectsAreTheTenNewestOnceEachAndOutliveARun) {
    UserConfig config(configPath);
    for (int i = 0; i < 12; ++i) config.rememberRecentProject("/p/" + std::to_string(i) + ".wvmp");
    config.rememberRecentProject("/p/5.wvmp");
    ASSERT_EQ(config.recentProjects.size(), 10u);
    EXPECT_EQ(config.recentProjects[0], "/p/5.wvmp");
    EXPECT_EQ(config.recentProjects[1], "/p/11.wvmp");
    EXPECT_EQ(std::count(config.recentProjects.begin(), config.recentProjects.end(), "/p/5.wvmp"), 1);
    EXPECT_EQ(config.recentProjects.back(), "/p/2.wvmp");  // 0 and 1 fell off
    config.fitProjectOnOpen = true;
    config.lastExportFolder = "/music/out";
    config.lastExportChannels = 2;
    config.lastExportBitDepth = 24;
    config.lastExportLoudness = -14.0;
    config.lastExportTruePeak = -2.0;
    config.lastExportLoudnessPerPiece = true;
    ASSERT_TRUE(config.save().ok());
    UserConfig again(configPath);
    ASSERT_TRUE(again.load().ok());
    EXPECT_EQ(again.recentProjects, config.recentProjects);
    EXPECT_TRUE(again.fitProjectOnOpen);
    EXPECT_EQ(again.lastExportFolder, config.lastExportFolder);
    EXPECT_EQ(again.lastExportChannels, 2);
    EXPECT_EQ(again.lastExportBitDepth, 24);
    EXPECT_EQ(again.lastExportLoudness, -14.0);
    EXPECT_EQ(again.lastExportTruePeak, -2.0);
    EXPECT_TRUE(again.lastExportLoudnessPerPiece);
}

TEST_F(UserConfigTest, SavingCreatesTheMissingConfigurationFolder) {
    UserConfig config;
    EXPECT_EQ(config.savePath(), home + "/.config/" + kBundleIdentifier + "/user.config");
    ASSERT_TRUE(config.save().ok());
    EXPECT_TRUE(fs::is_regular_file(config.savePath()));
}

TEST_F(UserConfigTest, SavingWhereNoFolderCanBeMadeFailsWithAReason) {
    std::ofstream(scratch.file("blocker")) << "a file, not a folder";
    UserConfig config(scratch.file("blocker/user.config"));
    Outcome<> result = config.save();
    EXPECT_FALSE(result.ok());
    EXPECT_FALSE(result.error().empty());
}

// --- round trip ----------------------------------------------------------------------------

TEST_F(UserConfigTest, EveryStoredValueComesBackAfterSaveAndLoad) {
    UserConfig config(configPath);
    config.version = "2";
    config.defaultFormat = CoderDictionary{{"FormatName", CoderValue("WAV")}, {"BitRate", CoderValue(int32_t(320))}};
    config.audioDeviceName = "USB Microphone";
    config.computerAudioDeviceName = "Monitor of Built-in Audio";
    config.micAudioRecorderEnable = false;
    config.computerAudioRecorderEnable = true;
    config.micAudioRecorderVolume = 0.25;
    config.computerAudioRecorderVolume = 0.75;
    config.recordAudioSources = CoderList{CoderValue("mic"), CoderValue("computer")};
    config.recordSources = CoderList{CoderValue(int32_t(1))};
    config.autoFilter = true;
    config.defaultFilterSeconds = 9;
    config.autoSplit = false;
    config.defaultSplitMilliSeconds = 300;
    config.waveColor = CoderColor{0.25, 0.5, 0.75, 0.5};
    config.recordOutputPath = "/not/stored";
    config.showRingtoneFile = true;
    ASSERT_TRUE(config.save().ok());

    UserConfig reloaded(configPath);
    Outcome<UserConfig::Loaded> result = reloaded.load();
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_EQ(*result, UserConfig::Loaded::fromFile);
    EXPECT_EQ(reloaded.version, "2");
    ASSERT_TRUE(reloaded.defaultFormat);
    std::string name;
    ASSERT_TRUE(reloaded.defaultFormat->at("FormatName").asString(name));
    EXPECT_EQ(name, "WAV");
    int32_t bitRate = 0;
    ASSERT_TRUE(reloaded.defaultFormat->at("BitRate").asInt32(bitRate));
    EXPECT_EQ(bitRate, 320);
    EXPECT_EQ(reloaded.audioDeviceName, "USB Microphone");
    EXPECT_EQ(reloaded.computerAudioDeviceName, "Monitor of Built-in Audio");
    EXPECT_FALSE(reloaded.micAudioRecorderEnable);
    EXPECT_TRUE(reloaded.computerAudioRecorderEnable);
    EXPECT_EQ(reloaded.micAudioRecorderVolume, 0.25);
    EXPECT_EQ(reloaded.computerAudioRecorderVolume, 0.75);
    ASSERT_TRUE(reloaded.recordAudioSources);
    ASSERT_EQ(reloaded.recordAudioSources->size(), 2u);
    ASSERT_TRUE((*reloaded.recordAudioSources)[1].asString(name));
    EXPECT_EQ(name, "computer");
    ASSERT_TRUE(reloaded.recordSources);
    EXPECT_EQ(reloaded.recordSources->size(), 1u);
    EXPECT_TRUE(reloaded.autoFilter);
    EXPECT_EQ(reloaded.defaultFilterSeconds, 9);
    EXPECT_FALSE(reloaded.autoSplit);
    EXPECT_EQ(reloaded.defaultSplitMilliSeconds, 300);
    EXPECT_NEAR(reloaded.waveColor.red, 0.25, 1e-6);
    EXPECT_NEAR(reloaded.waveColor.green, 0.5, 1e-6);
    EXPECT_NEAR(reloaded.waveColor.blue, 0.75, 1e-6);
    EXPECT_NEAR(reloaded.waveColor.alpha, 0.5, 1e-6);
    EXPECT_EQ(reloaded.recordOutputPath, home + "/Music/" + kBundleIdentifier);
    EXPECT_FALSE(reloaded.showRingtoneFile);
}

TEST_F(UserConfigTest, SavingTwiceGivesTheSameBytes) {
    UserConfig config(configPath);
    config.audioDeviceName = "Mic";
    ASSERT_TRUE(config.save().ok());
    Outcome<std::vector<uint8_t>> first = archive::readWholeFile(configPath);
    ASSERT_TRUE(first) << first.error();
    ASSERT_TRUE(config.save().ok());
    Outcome<std::vector<uint8_t>> second = archive::readWholeFile(configPath);
    ASSERT_TRUE(second) << second.error();
    EXPECT_EQ(*first, *second);
}

// --- files from other versions ------------------------------------------------------------

TEST_F(UserConfigTest, KeysTheProgramDoesNotKnowAreIgnored) {
    auto record = std::make_shared<HandMadeRecord>("UserConfig",
                                                   std::vector<std::string>{"futureKey", "autoSplit", "anotherKey"});
    record->values["futureKey"] = CoderValue("from a later version");
    record->values["autoSplit"] = CoderValue(false);
    record->values["anotherKey"] = CoderValue(CoderList{CoderValue(1.5)});
    writeRecord(record);
    UserConfig config(configPath);
    Outcome<UserConfig::Loaded> result = config.load();
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_EQ(*result, UserConfig::Loaded::fromFile);
    EXPECT_FALSE(config.autoSplit);
    EXPECT_TRUE(config.valueForKey("futureKey").isNull());
}

TEST_F(UserConfigTest, KeysMissingFromTheFileKeepTheirValues) {
    auto record = std::make_shared<HandMadeRecord>("UserConfig", std::vector<std::string>{"defaultSplitMilliSeconds"});
    record->values["defaultSplitMilliSeconds"] = CoderValue(int32_t(400));
    writeRecord(record);
    UserConfig config(configPath);
    config.defaultFilterSeconds = 12;
    ASSERT_TRUE(config.load().ok());
    EXPECT_EQ(config.defaultSplitMilliSeconds, 400);
    EXPECT_EQ(config.defaultFilterSeconds, 12);
    EXPECT_TRUE(config.autoSplit);
    EXPECT_EQ(config.waveColor, UserConfig::defaultWaveColor());
}

TEST_F(UserConfigTest, NumbersStoredInOtherShapesAreRead) {
    auto record = std::make_shared<HandMadeRecord>(
        "UserConfig", std::vector<std::string>{"micAudioRecorderEnable", "micAudioRecorderVolume", "defaultFilterSeconds"});
    record->values["micAudioRecorderEnable"] = CoderValue(int32_t(0));
    record->values["micAudioRecorderVolume"] = CoderValue(int64_t(2));
    record->values["defaultFilterSeconds"] = CoderValue(int64_t(8));
    writeRecord(record);
    UserConfig config(configPath);
    ASSERT_TRUE(config.load().ok());
    EXPECT_FALSE(config.micAudioRecorderEnable);
    EXPECT_EQ(config.micAudioRecorderVolume, 2.0);
    EXPECT_EQ(config.defaultFilterSeconds, 8);
}

TEST_F(UserConfigTest, ARootStoredUnderAnotherSingleKeyIsRead) {
    auto record = std::make_shared<HandMadeRecord>("UserConfig", std::vector<std::string>{"autoFilter"});
    record->values["autoFilter"] = CoderValue(true);
    writeRecord(record, "config");
    UserConfig config(configPath);
    ASSERT_TRUE(config.load().ok());
    EXPECT_TRUE(config.autoFilter);
}

// --- broken files ---------------------------------------------------------------------------

TEST_F(UserConfigTest, AFileThatIsNotAnArchiveKeepsTheValuesAndSaysWhy) {
    writeBytes("this is not a property list at all");
    UserConfig config(configPath);
    config.defaultFilterSeconds = 12;
    Outcome<UserConfig::Loaded> result = config.load();
    EXPECT_FALSE(result.ok());
    EXPECT_FALSE(result.error().empty());
    EXPECT_EQ(config.defaultFilterSeconds, 12);
    config.defaultFilterSeconds = 5;
    expectDefaults(config);
}

TEST_F(UserConfigTest, ATruncatedFileKeepsTheDefaults) {
    UserConfig written(configPath);
    written.autoSplit = false;
    written.defaultSplitMilliSeconds = 999;
    ASSERT_TRUE(written.save().ok());
    Outcome<std::vector<uint8_t>> bytes = archive::readWholeFile(configPath);
    ASSERT_TRUE(bytes) << bytes.error();
    writeBytes(std::string(bytes->begin(), bytes->begin() + static_cast<long>(bytes->size() / 2)));
    UserConfig config(configPath);
    Outcome<UserConfig::Loaded> result = config.load();
    EXPECT_FALSE(result.ok());
    EXPECT_FALSE(result.error().empty());
    expectDefaults(config);
}

TEST_F(UserConfigTest, AnEmptyFileKeepsTheDefaults) {
    writeBytes("");
    UserConfig config(configPath);
    EXPECT_FALSE(config.load().ok());
    expectDefaults(config);
}

TEST_F(UserConfigTest, AValueOfTheWrongTypeRejectsTheWholeFile) {
    auto record = std::make_shared<HandMadeRecord>(
        "UserConfig", std::vector<std::string>{"defaultFilterSeconds", "autoSplit", "waveColor"});
    record->values["defaultFilterSeconds"] = CoderValue(int32_t(7));
    record->values["autoSplit"] = CoderValue("yes");
    writeRecord(record);
    UserConfig config(configPath);
    Outcome<UserConfig::Loaded> result = config.load();
    EXPECT_FALSE(result.ok());
    EXPECT_NE(result.error().find("autoSplit"), std::string::npos) << result.error();
    expectDefaults(config);
}

TEST_F(UserConfigTest, AFileWhoseRootIsNotAConfigurationIsRejected) {
    auto record = std::make_shared<HandMadeRecord>("AudioTrack", std::vector<std::string>{"sectionArray"});
    record->values["sectionArray"] = CoderValue(CoderList{});
    writeRecord(record);
    UserConfig config(configPath);
    Outcome<UserConfig::Loaded> result = config.load();
    EXPECT_FALSE(result.ok());
    EXPECT_FALSE(result.error().empty());
    expectDefaults(config);
}

TEST_F(UserConfigTest, AFolderInPlaceOfTheFileIsUnreadable) {
    fs::create_directories(configPath);
    UserConfig config(configPath);
    Outcome<UserConfig::Loaded> result = config.load();
    EXPECT_FALSE(result.ok());
    EXPECT_FALSE(result.error().empty());
}

// --- the default format ---------------------------------------------------------------------

TEST_F(UserConfigTest, WithoutAStoredFormatTheDefaultFormatIsMp3) {
    UserConfig config(configPath);
    CoderDictionary format = config.defaultFormatDic();
    std::string name;
    ASSERT_TRUE(format["FormatName"].asString(name));
    EXPECT_EQ(name, "MP3 - MPEG Layer-3 Audio(*.mp3)");
}

TEST_F(UserConfigTest, AChosenDefaultFormatIsKeptAndStored) {
    UserConfig config(configPath);
    config.setDefaultFormatDic({{"FormatName", CoderValue("FLAC")}});
    ASSERT_TRUE(config.save().ok());
    UserConfig reloaded(configPath);
    ASSERT_TRUE(reloaded.load().ok());
    std::string name;
    ASSERT_TRUE(reloaded.defaultFormatDic()["FormatName"].asString(name));
    EXPECT_EQ(name, "FLAC");
}

// --- lookups --------------------------------------------------------------------------------

TEST_F(UserConfigTest, UndefinedKeysAnswerNoneAndAreNotSet) {
    UserConfig config(configPath);
    EXPECT_TRUE(config.valueForKey("noSuchKey").isNull());
    EXPECT_TRUE(config.valueForKey("recordOutputPath").isNull());
    config.setValueForKey("noSuchKey", CoderValue(int32_t(3)));
    config.setValueForKey("autoSplit", CoderValue("not a boolean"));
    EXPECT_TRUE(config.autoSplit);
}

TEST_F(UserConfigTest, TheSharedConfigurationIsOneObjectStoredInTheConfigurationFolder) {
    UserConfig& first = UserConfig::share();
    UserConfig& second = UserConfig::share();
    EXPECT_EQ(&first, &second);
    std::string suffix = std::string("/") + kBundleIdentifier + "/user.config";
    ASSERT_GE(first.savePath().size(), suffix.size());
    EXPECT_EQ(first.savePath().substr(first.savePath().size() - suffix.size()), suffix);
}

}  // namespace
}  // namespace wavomer
