#include "export/FormatCatalogue.h"

#include <plist/plist.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "export/ExportFolds.h"
#include "export/FormatCatalogueResources.h"
#include "media/MediaWriter.h"
#include "util/TextNumber.h"

namespace wavomer {

std::string formatShortName(const std::string& title) {
    static const struct {
        const char* title;
        const char* name;
    } kNames[] = {{"MP3 - MPEG Layer-3 Audio(*.mp3)", "mp3"},
                  {"AAC - Advanced Audio Coding(*.m4a)", "aac"},
                  {"M4B - Audiobook (AAC)(*.m4b)", "m4b"},
                  {"Apple Lossless - ALAC Audio(*.m4a)", "alac"},
                  {"FLAC - Free Lossless Audio Codec(*.flac)", "flac"},
                  {"WAV - Waveform Audio(*.wav)", "wav"},
                  {"AIFF - Audio Interchange File Format(*.aiff)", "aiff"},
                  {"OGG - Ogg Vorbis Audio(*.ogg)", "ogg"},
                  {"Opus - Opus Audio(*.opus)", "opus"},
                  {"WMA - Windows Media Audio(*.wma)", "wma"},
                  {"AC3 - Dolby Digital Audio(*.ac3)", "ac3"},
                  {"MP2 - MPEG Layer-2 Audio(*.mp2)", "mp2"},
                  {"iTunes", "itunes"},
                  {"Ringtone", "ringtone"}};
    for (const auto& entry : kNames)
        if (title == entry.title) return entry.name;
    return {};
}

namespace {

// The catalogue is our own text, but a plist is still read defensively: a node of an
// unexpected type becomes none.
CoderValue fromPlist(plist_t node) {
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return CoderValue(value != 0);
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        return CoderValue(static_cast<int64_t>(value));
    }
    case PLIST_REAL: {
        double value = 0.0;
        plist_get_real_val(node, &value);
        return CoderValue(value);
    }
    case PLIST_STRING: {
        char* text = nullptr;
        plist_get_string_val(node, &text);
        CoderValue value(std::string(text ? text : ""));
        std::free(text);
        return value;
    }
    case PLIST_ARRAY: {
        CoderList list;
        for (uint32_t i = 0, n = plist_array_get_size(node); i < n; ++i)
            list.push_back(fromPlist(plist_array_get_item(node, i)));
        return CoderValue(std::move(list));
    }
    case PLIST_DICT: {
        CoderDictionary dictionary;
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        while (true) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, iter, &key, &value);
            if (!key) break;
            dictionary.emplace(key, fromPlist(value));
            std::free(key);
        }
        std::free(iter);
        return CoderValue(std::move(dictionary));
    }
    default:
        return CoderValue();
    }
}

const CoderDictionary* dictionaryAt(const CoderDictionary& dictionary, const std::string& key) {
    auto found = dictionary.find(key);
    return found == dictionary.end() ? nullptr : found->second.asDictionary();
}

std::optional<std::string> stringAt(const CoderDictionary& dictionary, const std::string& key) {
    auto found = dictionary.find(key);
    std::string text;
    if (found == dictionary.end() || !found->second.asString(text)) return std::nullopt;
    return text;
}

}  // namespace

const char* formatMenuName(FormatMenuKind kind) {
    switch (kind) {
    case FormatMenuKind::formatMenu: return "formatMenu";
    case FormatMenuKind::menuFor46Track: return "menuFor46Track";
    case FormatMenuKind::menuForAll: return "menuForAll";
    }
    return "formatMenu";
}

// --- the catalogue -------------------------------------------------------------------

FormatCatalogue::FormatCatalogue(CoderDictionary formatInfo, CoderDictionary formatData,
                                 CoderDictionary formatMenus)
    : formatInfo_(std::move(formatInfo)), formatData_(std::move(formatData)), formatMenus_(std::move(formatMenus)) {}

const FormatCatalogue& FormatCatalogue::builtIn() {
    // The texts are compiled in and checked by the tests; one that did not parse would
    // leave its part of the catalogue empty.
    auto parsed = [](const std::string& text) {
        Outcome<CoderDictionary> dictionary = dictionaryFromXmlPlist(text);
        return dictionary ? std::move(*dictionary) : CoderDictionary();
    };
    static const FormatCatalogue catalogue(parsed(builtInFormatInfoText()), parsed(builtInFormatDataText()),
                                           parsed(builtInFormatMenusText()));
    return catalogue;
}

Outcome<CoderDictionary> FormatCatalogue::dictionaryFromXmlPlist(const std::string& text) {
    plist_t root = nullptr;
    plist_from_xml(text.data(), static_cast<uint32_t>(text.size()), &root);
    if (!root) return Failure::because("not an XML property list");
    CoderValue value = fromPlist(root);
    plist_free(root);
    const CoderDictionary* dictionary = value.asDictionary();
    if (!dictionary) return Failure::because("the property list does not hold a dictionary");
    return *dictionary;
}

const CoderDictionary* FormatCatalogue::formatRecord(const std::string& title) const {
    return dictionaryAt(formatInfo_, title);
}

std::vector<std::string> FormatCatalogue::menu(FormatMenuKind kind) const {
    std::vector<std::string> titles;
    auto found = formatMenus_.find(formatMenuName(kind));
    const CoderList* list = found == formatMenus_.end() ? nullptr : found->second.asList();
    if (!list) return titles;
    for (const CoderValue& item : *list) {
        std::string title;
        if (item.asString(title)) titles.push_back(title);
    }
    return titles;
}

FormatMenuKind FormatCatalogue::menuKindFor(size_t trackCount, int64_t exportChannelType) {
    size_t n = (exportChannelType == 1 || exportChannelType == 2) ? 1 : trackCount;
    if (n <= 2) return FormatMenuKind::formatMenu;
    if (n == 4 || n == 6) return FormatMenuKind::menuFor46Track;
    return FormatMenuKind::menuForAll;
}

std::string FormatCatalogue::pathExtention(const std::string& title) const {
    const CoderDictionary* record = formatRecord(title);
    return record ? stringAt(*record, "PathExtention").value_or("") : "";
}

std::optional<std::string> FormatCatalogue::getCodecWithFormat(const std::string& title) const {
    const CoderDictionary* record = formatRecord(title);
    const CoderDictionary* codec = record ? dictionaryAt(*record, "Codec") : nullptr;
    return codec ? stringAt(*codec, "Default") : std::nullopt;
}

const CoderDictionary* FormatCatalogue::choiceList(const std::string& listKey, const std::string& title) const {
    const CoderDictionary* record = formatRecord(title);
    return record ? dictionaryAt(*record, listKey) : nullptr;
}

std::vector<std::string> FormatCatalogue::showTitles(const std::string& listKey, const std::string& title) const {
    std::vector<std::string> titles;
    const CoderDictionary* list = choiceList(listKey, title);
    auto values = list ? list->find("ValueArray") : CoderDictionary::const_iterator{};
    const CoderList* entries = list && values != list->end() ? values->second.asList() : nullptr;
    if (!entries) return titles;
    for (const CoderValue& entry : *entries) {
        const CoderDictionary* item = entry.asDictionary();
        if (auto show = item ? stringAt(*item, "Show") : std::nullopt) titles.push_back(*show);
    }
    return titles;
}

std::optional<std::string> FormatCatalogue::defaultShow(const std::string& listKey, const std::string& title) const {
    const CoderDictionary* list = choiceList(listKey, title);
    return list ? stringAt(*list, "Default") : std::nullopt;
}

std::optional<CoderValue> FormatCatalogue::getValueWithString(const std::string& show, const std::string& listKey,
                                                              const std::string& title) const {
    const CoderDictionary* list = choiceList(listKey, title);
    auto values = list ? list->find("ValueArray") : CoderDictionary::const_iterator{};
    const CoderList* entries = list && values != list->end() ? values->second.asList() : nullptr;
    if (!entries) return std::nullopt;
    for (const CoderValue& entry : *entries) {
        const CoderDictionary* item = entry.asDictionary();
        if (!item || stringAt(*item, "Show") != show) continue;
        auto value = item->find("Value");
        return value == item->end() ? CoderValue() : value->second;
    }
    return std::nullopt;
}

int32_t FormatCatalogue::maxChannels(const std::string& title) const {
    const CoderDictionary* record = formatRecord(title);
    auto found = record ? record->find("MaxChannels") : CoderDictionary::const_iterator{};
    int32_t channels = 2;
    if (record && found != record->end()) found->second.asInt32(channels);
    return channels;
}

CoderDictionary FormatCatalogue::getFormatDicWithdefaultFormat(const std::string& title) const {
    CoderDictionary settings{{"FormatName", CoderValue(title)}};
    const CoderDictionary* record = formatRecord(title);
    if (!record) return settings;
    settings["OutputPathExtention"] = CoderValue(pathExtention(title));
    auto defaultOf = [&](const std::string& key) -> CoderValue {
        const CoderDictionary* list = dictionaryAt(*record, key);
        auto found = list ? list->find("Default") : CoderDictionary::const_iterator{};
        return list && found != list->end() ? found->second : CoderValue();
    };
    bool isVideo = false;
    auto video = record->find("IsVideo");
    if (video != record->end()) video->second.asBool(isVideo);
    if (isVideo)
        for (const char* key : {"VideoCodec", "FrameRate", "Resolution", "VideoBitRate"}) settings[key] = defaultOf(key);
    for (const char* key : {"Codec", "SampleRate", "Channel", "BitRate"}) settings[key] = defaultOf(key);
    return settings;
}

std::optional<std::string> FormatCatalogue::getDefualtFormatImage(const std::string& title) const {
    for (const auto& [category, value] : formatData_) {
        const CoderDictionary* group = value.asDictionary();
        auto items = group ? group->find("ItemsArray") : CoderDictionary::const_iterator{};
        const CoderList* list = group && items != group->end() ? items->second.asList() : nullptr;
        if (!list) continue;
        for (const CoderValue& entry : *list) {
            const CoderDictionary* item = entry.asDictionary();
            if (item && stringAt(*item, "Title") == title) return stringAt(*item, "ImageName");
        }
    }
    return std::nullopt;
}

// --- popups --------------------------------------------------------------------------

std::optional<std::string> PopupModel::selectedTitle() const {
    if (!selected || *selected >= titles.size()) return std::nullopt;
    return titles[*selected];
}

bool PopupModel::selectItemWithTitle(const std::string& title) {
    for (size_t i = 0; i < titles.size(); ++i)
        if (titles[i] == title) {
            selected = i;
            return true;
        }
    return false;
}

// --- the export options ------------------------------------------------------------

ExportOptionsModel::ExportOptionsModel(const FormatCatalogue& catalogue, MediaWriterEngine* capabilities)
    : catalogue_(catalogue), capabilities_(capabilities) {}

void ExportOptionsModel::setTrackCount(size_t count) {
    trackCount_ = count;
    updateFormatMenu();
}

void ExportOptionsModel::exportChannelTypeChanged(int64_t exportChannelType) {
    exportChannelType_ = exportChannelType;
    updateFormatMenu();
}

int32_t ExportOptionsModel::outputChannels() const {
    return exportOutputChannels(exportChannelType_, static_cast<int64_t>(trackCount_));
}

bool ExportOptionsModel::takes(const std::string& title, const std::string& rateShow) const {
    const int32_t channels = outputChannels();
    if (channels < 1 || channels > catalogue_.maxChannels(title)) return false;
    if (!capabilities_) return true;
    auto codec = catalogue_.getCodecWithFormat(title);
    auto value = catalogue_.getValueWithString(rateShow, FormatCatalogue::kSampleRateKey, title);
    double rate = 0.0;
    if (!codec || !value || !value->asDouble(rate)) return false;
    return capabilities_->canEncode(*codec, catalogue_.pathExtention(title), static_cast<int32_t>(std::trunc(rate)),
                                    channels);
}

std::vector<std::string> ExportOptionsModel::offeredRates(const std::string& title) const {
    std::vector<std::string> rates;
    for (const std::string& show : catalogue_.showTitles(FormatCatalogue::kSampleRateKey, title))
        if (takes(title, show)) rates.push_back(show);
    return rates;
}

bool ExportOptionsModel::offersAnyRate(const std::string& title) const {
    // Stops at the first rate the encoder takes: each probe may open an encoder.
    const std::vector<std::string> shows = catalogue_.showTitles(FormatCatalogue::kSampleRateKey, title);
    return std::any_of(shows.begin(), shows.end(), [&](const std::string& show) { return takes(title, show); });
}

void ExportOptionsModel::updateFormatMenu() {
    currentMenu_ = FormatCatalogue::menuKindFor(trackCount_, exportChannelType_);
    formatButton_ = PopupModel{};
    for (const std::string& title : catalogue_.menu(currentMenu_))
        if (offersAnyRate(title)) formatButton_.titles.push_back(title);
    if (formatButton_.titles.empty()) {
        sampleRateButton_ = PopupModel{};
        bitRateButton_ = PopupModel{};
        useITunesFormat_ = false;
        return;
    }
    formatChangedAction(formatButton_.titles.front());
}

bool ExportOptionsModel::formatChangedAction(const std::string& title) {
    if (!formatButton_.selectItemWithTitle(title)) return false;
    updateAllComboBoxesWithFormat(title);
    useITunesFormat_ = title == "iTunes" || title == "Ringtone";
    return true;
}

void ExportOptionsModel::updateAllComboBoxesWithFormat(const std::string& title) {
    setPopButton(sampleRateButton_, offeredRates(title),
                 catalogue_.defaultShow(FormatCatalogue::kSampleRateKey, title), false);
    setPopButton(bitRateButton_, catalogue_.showTitles(FormatCatalogue::kBitRateKey, title),
                 catalogue_.defaultShow(FormatCatalogue::kBitRateKey, title), true);
}

void ExportOptionsModel::setPopButton(PopupModel& popup, const std::vector<std::string>& titles,
                                      const std::optional<std::string>& defaultSelect, bool isBitRate) {
    popup = PopupModel{};
    if (isBitRate && trackCount_ == 1) {
        for (const std::string& title : titles)
            if (leadingIntegerValue(title) <= 128) popup.titles.push_back(title);
        if (!popup.titles.empty()) popup.selected = popup.titles.size() - 1;
        return;
    }
    popup.titles = titles;
    // A default left out (a rate the encoder cannot take) falls back to the first title.
    if (!defaultSelect || !popup.selectItemWithTitle(*defaultSelect))
        if (!popup.titles.empty()) popup.selected = 0;
}

std::optional<double> ExportOptionsModel::getValueWithType(const std::string& listKey,
                                                           const std::string& title) const {
    const PopupModel& popup = listKey == FormatCatalogue::kSampleRateKey ? sampleRateButton_ : bitRateButton_;
    auto show = popup.selectedTitle();
    if (!show) return std::nullopt;
    auto value = catalogue_.getValueWithString(*show, listKey, title);
    double number = 0.0;
    if (!value || !value->asDouble(number)) return std::nullopt;
    return number;
}

FormatEncoderSettings ExportOptionsModel::encoderSettings() const {
    FormatEncoderSettings settings;
    auto title = formatButton_.selectedTitle();
    if (!title) return settings;
    settings.formatTitle = *title;
    settings.codecName = getCodecWithFormat(*title).value_or("");
    settings.pathExtention = catalogue_.pathExtention(*title);
    // The catalogue gives the sample rate in Hz and the bit rate in kbit/s, both as
    // floats; the encoder takes truncated integers and bit/s.
    float sampleRate = static_cast<float>(getValueWithType(FormatCatalogue::kSampleRateKey, *title).value_or(0.0));
    float bitRate = static_cast<float>(getValueWithType(FormatCatalogue::kBitRateKey, *title).value_or(0.0));
    settings.sampleRate = static_cast<int32_t>(std::trunc(sampleRate));
    settings.bitRate = static_cast<int32_t>(std::trunc(1000 * bitRate));
    settings.useITunesFormat = useITunesFormat_;
    return settings;
}

}  // namespace wavomer
