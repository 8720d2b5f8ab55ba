// UserConfig: the user's settings that outlive a project (recording device and
// output folder, recording sources and levels, auto filter and auto split, the default
// output format, the waveform colour) and the output format catalogue. One object per
// process (share()); it is read from "user.config" in the application-support folder
// when first used and written back when the program quits.
//
// Threads: the main thread changes it; other threads may read it while no window
// changes it (the export thread reads the catalogue). share() itself is safe from any
// thread.
//
// Invariants: allCoderKeys() lists exactly the 15 stored keys, in their fixed order;
// the other properties (recordOutputPath, recentUsedFormat, showRingtoneFile, the
// catalogue) are never written. load() assigns either every key the file holds or
// nothing: an unreadable or malformed file leaves every value as it was.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "coding/CodingBase.h"
#include "util/Outcome.h"

namespace wavomer {

class UserConfig : public CodingBase {
public:
    // What a load found. A file that exists but could not be used is a failure, and
    // the values stay as they were.
    enum class Loaded {
        fromFile,  // the file was read and its values are in place
        missing,   // no file (first run): the defaults stay
    };

    // The process-wide configuration: defaults, then the stored file over them. Made on
    // first use and never released. If the file was unreadable, lastLoadResult() says why.
    static UserConfig& share();

    // The defaults, saving to applicationSupportPath() + "/user.config". Reads nothing.
    UserConfig();
    // The defaults, saving to and loading from the given file instead.
    explicit UserConfig(std::string savePath);

    // --- stored -------------------------------------------------------------------
    std::string version = "1";
    std::optional<CoderDictionary> defaultFormat;
    std::optional<std::string> audioDeviceName;
    std::optional<std::string> computerAudioDeviceName;
    bool micAudioRecorderEnable = true;
    bool computerAudioRecorderEnable = false;
    double micAudioRecorderVolume = 1.0;
    double computerAudioRecorderVolume = 1.0;
    std::optional<CoderList> recordAudioSources;
    std::optional<CoderList> recordSources;
    bool autoFilter = false;
    int32_t defaultFilterSeconds = 5;
    bool autoSplit = true;
    int32_t defaultSplitMilliSeconds = 150;
    CoderColor waveColor = defaultWaveColor();
    bool fitProjectOnOpen = false;  // an opened project is zoomed to fit the window
    std::vector<std::string> recentProjects;  // project folders opened or saved, newest first
    // The last export's choices, offered again by the next one.
    std::optional<std::string> lastExportFolder;
    int32_t lastExportChannels = 0;   // 0 one channel per track, 1 stereo mix, 2 mono mix
    int32_t lastExportBitDepth = 16;  // of the lossless formats that offer a choice
    std::optional<double> lastExportLoudness;  // LUFS of the loudness normalisation; none when off
    double lastExportTruePeak = -1.0;          // its true-peak ceiling, dBTP
    bool lastExportLoudnessPerPiece = false;   // split pieces each normalised on their own

    // --- not stored ---------------------------------------------------------------
    std::string recordOutputPath;  // the default output folder
    std::optional<CoderList> recentUsedFormat;
    bool showRingtoneFile = false;
    CoderDictionary formatList;  // the catalogue's "FormatData"
    CoderDictionary formatData;  // the catalogue's "FormatInfo"

    // Puts folder first in the recent projects (once), keeping the ten newest.
    static constexpr size_t kRecentProjects = 10;
    void rememberRecentProject(const std::string& folder);

    // The waveform colour on first run: 14, 140, 150 of 255, opaque.
    static CoderColor defaultWaveColor();
    // The name of the format used when no default format was ever chosen.
    static constexpr const char* kFallbackFormatName = "MP3 - MPEG Layer-3 Audio(*.mp3)";

    // defaultFormat, or the settings of the MP3 format when none is stored (from the
    // catalogue in formatData, which the constructor fills from the compiled-in one).
    CoderDictionary defaultFormatDic() const;
    void setDefaultFormatDic(CoderDictionary format);

    const std::string& savePath() const { return savePath_; }
    void setSavePath(std::string path) { savePath_ = std::move(path); }

    // Writes the stored keys to savePath() atomically, creating its folder if needed.
    Outcome<> save() const;
    // Reads savePath() over the current values (see the invariants above).
    Outcome<Loaded> load();
    // The result of the load share() did on first use.
    const Outcome<Loaded>& lastLoadResult() const { return lastLoadResult_; }

    std::string coderClassName() const override { return "UserConfig"; }
    std::vector<std::string> allCoderKeys() const override;
    // Unknown keys answer none.
    CoderValue valueForKey(const std::string& key) const override;
    // Unknown keys and values of the wrong type are ignored; none clears an optional
    // property and leaves any other as it is.
    void setValueForKey(const std::string& key, const CoderValue& value) override;

protected:
    // Sets one stored key; false when the key is stored but the value has a type it
    // cannot take (true for unknown keys, which are simply ignored).
    bool assignStoredValue(const std::string& key, const CoderValue& value);

private:
    std::string savePath_;
    Outcome<Loaded> lastLoadResult_{Loaded::missing};
};

}  // namespace wavomer
