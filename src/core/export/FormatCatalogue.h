// The output format catalogue and the export options over it.
//
// FormatCatalogue reads the catalogue dictionaries: "FormatInfo" (format records by
// title: "PathExtention", "Codec"/"Default", the choice lists "SampleRate", "BitRate"
// and "Channel", each {"ValueArray": [{"Show", "Value"}...], "Default": show}, and our
// own "MaxChannels"), "FormatData" (categories with "ItemsArray" of {"Title",
// "ImageName"}) and the three format menus. It answers the lookups the configuration
// and the export make (codec name, a value for a shown title, the settings dictionary
// of a format, its icon).
//
// ExportOptionsModel is the export options panel without widgets: it chooses the
// format menu from the track count and the channel type, fills the format, sample-rate
// and bit-rate popups, follows the user's choices, and hands the export the values for
// the encoder. A format (or a sample rate of one) that the encoder cannot write with the
// export's channel count is left out of the popups instead of producing a broken file.
//
// Threads: a catalogue is immutable and may be shared; builtIn() is safe from any
// thread. An options model belongs to the thread that shows the panel.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "coding/CodingBase.h"
#include "util/Outcome.h"

namespace wavomer {

class MediaWriterEngine;

enum class FormatMenuKind { formatMenu, menuFor46Track, menuForAll };
// "formatMenu", "menuFor46Track" or "menuForAll".
const char* formatMenuName(FormatMenuKind kind);

// The short name a format title goes by on the command line ("mp3", "flac", "itunes",
// ...), or empty for a title the catalogue does not hold.
std::string formatShortName(const std::string& title);

class FormatCatalogue {
public:
    static constexpr const char* kSampleRateKey = "SampleRate";
    static constexpr const char* kBitRateKey = "BitRate";
    static constexpr const char* kChannelKey = "Channel";

    FormatCatalogue() = default;
    FormatCatalogue(CoderDictionary formatInfo, CoderDictionary formatData, CoderDictionary formatMenus);

    // The catalogue compiled into the program, parsed once.
    static const FormatCatalogue& builtIn();
    // An XML property list's top dictionary.
    static Outcome<CoderDictionary> dictionaryFromXmlPlist(const std::string& text);

    const CoderDictionary& formatInfo() const { return formatInfo_; }
    const CoderDictionary& formatData() const { return formatData_; }
    const CoderDictionary& formatMenus() const { return formatMenus_; }

    // The record of a title; nullptr when the catalogue has none.
    const CoderDictionary* formatRecord(const std::string& title) const;
    // A menu's titles in their order.
    std::vector<std::string> menu(FormatMenuKind kind) const;
    // n := tracks (1 for a mixed export); n <= 2 formatMenu, 4 or 6 menuFor46Track,
    // any other count menuForAll.
    static FormatMenuKind menuKindFor(size_t trackCount, int64_t exportChannelType);

    std::string pathExtention(const std::string& title) const;
    std::optional<std::string> getCodecWithFormat(const std::string& title) const;
    // The "Show" titles of a list, in order; its "Default".
    std::vector<std::string> showTitles(const std::string& listKey, const std::string& title) const;
    std::optional<std::string> defaultShow(const std::string& listKey, const std::string& title) const;
    // The "Value" of the first entry whose "Show" is show.
    std::optional<CoderValue> getValueWithString(const std::string& show, const std::string& listKey,
                                                 const std::string& title) const;
    // The most channels the format's codec holds (the catalogue's "MaxChannels"; 2
    // when it says nothing).
    int32_t maxChannels(const std::string& title) const;
    // The settings dictionary of a format: "FormatName", "OutputPathExtention", the
    // four video defaults for a video format, and the "Default" of "Codec",
    // "SampleRate", "Channel" and "BitRate".
    CoderDictionary getFormatDicWithdefaultFormat(const std::string& title) const;
    // The image named by the first item with that title in any category.
    std::optional<std::string> getDefualtFormatImage(const std::string& title) const;

private:
    const CoderDictionary* choiceList(const std::string& listKey, const std::string& title) const;

    CoderDictionary formatInfo_;
    CoderDictionary formatData_;
    CoderDictionary formatMenus_;
};

// A popup's contents: its titles and the selected one.
struct PopupModel {
    std::vector<std::string> titles;
    std::optional<size_t> selected;

    std::optional<std::string> selectedTitle() const;
    // Selects the first item with that title; false (selection unchanged) when none.
    bool selectItemWithTitle(const std::string& title);
};

// What the export hands the encoder for the chosen format.
struct FormatEncoderSettings {
    std::string formatTitle;
    std::string codecName;      // empty when the catalogue has none
    std::string pathExtention;  // without the dot
    int32_t sampleRate = 0;     // trunc of the selected "Value"; 0 when none
    int32_t bitRate = 0;        // trunc(1000 x the selected kbit/s "Value"); 0 when none
    bool useITunesFormat = false;
};

class ExportOptionsModel {
public:
    // capabilities may be null: then a format is offered when its "MaxChannels" holds
    // the export's channel count, at every listed rate.
    explicit ExportOptionsModel(const FormatCatalogue& catalogue, MediaWriterEngine* capabilities = nullptr);

    // The project's track count and the channel popup (0 one channel per track, 1
    // stereo mix, 2 mono mix); both rebuild the format menu.
    void setTrackCount(size_t count);
    void exportChannelTypeChanged(int64_t exportChannelType);
    size_t trackCount() const { return trackCount_; }
    int64_t exportChannelType() const { return exportChannelType_; }
    // Channels of the written files: the track count, 2 or 1.
    int32_t outputChannels() const;

    // Chooses the menu, selects its first offered item and refills the popups.
    void updateFormatMenu();
    // The user picked a format: false when that title is not offered.
    bool formatChangedAction(const std::string& title);
    // Refills the sample-rate and bit-rate popups for a title.
    void updateAllComboBoxesWithFormat(const std::string& title);
    bool selectSampleRate(const std::string& show) { return sampleRateButton_.selectItemWithTitle(show); }
    bool selectBitRate(const std::string& show) { return bitRateButton_.selectItemWithTitle(show); }

    FormatMenuKind currentMenu() const { return currentMenu_; }
    const PopupModel& formatButton() const { return formatButton_; }
    const PopupModel& sampleRateButton() const { return sampleRateButton_; }
    const PopupModel& bitRateButton() const { return bitRateButton_; }
    bool useITunesFormat() const { return useITunesFormat_; }

    std::optional<std::string> getCodecWithFormat(const std::string& title) const {
        return catalogue_.getCodecWithFormat(title);
    }
    // The "Value" of the entry selected in the popup of listKey ("SampleRate" or
    // "BitRate") for the title; none when nothing matches.
    std::optional<double> getValueWithType(const std::string& listKey, const std::string& title) const;
    // The selected format's values for the encoder.
    FormatEncoderSettings encoderSettings() const;

    const FormatCatalogue& catalogue() const { return catalogue_; }

private:
    bool takes(const std::string& title, const std::string& rateShow) const;
    std::vector<std::string> offeredRates(const std::string& title) const;
    // True when at least one of the title's sample rates is offered.
    bool offersAnyRate(const std::string& title) const;
    void setPopButton(PopupModel& popup, const std::vector<std::string>& titles,
                      const std::optional<std::string>& defaultSelect, bool isBitRate);

    const FormatCatalogue& catalogue_;
    MediaWriterEngine* capabilities_;
    size_t trackCount_ = 2;
    int64_t exportChannelType_ = 0;
    FormatMenuKind currentMenu_ = FormatMenuKind::formatMenu;
    PopupModel formatButton_;
    PopupModel sampleRateButton_;
    PopupModel bitRateButton_;
    bool useITunesFormat_ = false;
};

}  // namespace wavomer
