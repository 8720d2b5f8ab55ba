// The format catalogue and the export options: the compiled-in catalogue matches its
// resource files, the menu follows the track count and channel type, the popups are
// filled by the one-track rule, and the values for the encoder come from the selection.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "config/UserConfig.h"
#include "export/FormatCatalogue.h"
#include "export/FormatCatalogueResources.h"
#include "media/MediaWriter.h"
#include "support/TestSupport.h"
#include "util/TextNumber.h"

using namespace wavomer;

namespace {

const char* const kMp3 = "MP3 - MPEG Layer-3 Audio(*.mp3)";
const char* const kWav = "WAV - Waveform Audio(*.wav)";
const char* const kOpus = "Opus - Opus Audio(*.opus)";

std::string resourceText(const std::string& name) {
    const std::string root = WAVOMER_SOURCE_DIR;
    std::ifstream in(root + "/resources/formats/" + name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

CoderValue choices(std::vector<std::pair<std::string, double>> entries, const std::string& defaultShow) {
    CoderList list;
    for (auto& [show, value] : entries)
        list.push_back(CoderValue(CoderDictionary{{"Show", CoderValue(show)}, {"Value", CoderValue(value)}}));
    return CoderValue(CoderDictionary{{"ValueArray", CoderValue(list)}, {"Default", CoderValue(defaultShow)}});
}

// A small hand-made catalogue: one format with a bit-rate list of 64, 128, 192 and 320
// whose default is 192, and a title listed twice.
FormatCatalogue handCatalogue() {
    CoderDictionary record{
        {"PathExtention", CoderValue("xyz")},
        {"Codec", CoderValue(CoderDictionary{{"Default", CoderValue("xcodec")}})},
        {"SampleRate", choices({{"44100 Hz", 44100.0}, {"48000 Hz", 48000.0}}, "48000 Hz")},
        {"BitRate", choices({{"64 kbps", 64.0}, {"128 kbps", 128.0}, {"192 kbps", 192.0}, {"192 kbps", 999.0},
                             {"320 kbps", 320.0}},
                            "192 kbps")},
        {"MaxChannels", CoderValue(int64_t{8})},
    };
    CoderDictionary menus{{"formatMenu", CoderValue(CoderList{CoderValue("X"), CoderValue("Ringtone")})},
                          {"menuFor46Track", CoderValue(CoderList{CoderValue("X")})},
                          {"menuForAll", CoderValue(CoderList{CoderValue("X")})}};
    CoderDictionary ringtone = record;
    ringtone["MaxChannels"] = CoderValue(int64_t{2});
    return FormatCatalogue(CoderDictionary{{"X", CoderValue(record)}, {"Ringtone", CoderValue(ringtone)}}, {}, menus);
}

// An encoder that takes at most two channels, and only 48000 Hz for "xcodec".
class PickyEngine final : public MediaWriterEngine {
public:
    std::unique_ptr<TSFFMovieFileOutput> newMovieFileOutput() override { return nullptr; }
    TSFFMovieFileOutputFormat defaultMovieFileOutputFormat() const override { return {}; }
    int32_t codecIdByName(const std::string&) const override { return 1; }
    int64_t channelLayoutByName(const std::string&) const override { return 3; }
    int64_t defaultChannelLayout(int32_t) const override { return 3; }
    int32_t channelLayoutChannels(int64_t) const override { return 2; }
    bool canEncode(const std::string& codec, const std::string&, int32_t rate, int32_t channels) override {
        return channels <= 2 && (codec != "xcodec" || rate == 48000);
    }
};

}  // namespace

// --- the catalogue ------------------------------------------------------------------------

TEST(FormatCatalogueResources, TheCompiledInTextIsTheResourceFilesText) {
    EXPECT_EQ(std::string(builtInFormatInfoText()), resourceText("FormatInfo.plist"));
    EXPECT_EQ(std::string(builtInFormatDataText()), resourceText("FormatData.plist"));
    EXPECT_EQ(std::string(builtInFormatMenusText()), resourceText("FormatMenus.plist"));
}

TEST(FormatCatalogueContents, EveryMenuTitleHasACompleteRecord) {
    const FormatCatalogue& catalogue = FormatCatalogue::builtIn();
    for (auto kind : {FormatMenuKind::formatMenu, FormatMenuKind::menuFor46Track, FormatMenuKind::menuForAll}) {
        ASSERT_FALSE(catalogue.menu(kind).empty()) << formatMenuName(kind);
        for (const std::string& title : catalogue.menu(kind)) {
            SCOPED_TRACE(title);
            EXPECT_FALSE(catalogue.pathExtention(title).empty());
            EXPECT_TRUE(catalogue.getCodecWithFormat(title));
            for (const char* key : {"SampleRate", "BitRate"}) {
                auto shows = catalogue.showTitles(key, title);
                ASSERT_FALSE(shows.empty()) << key;
                auto def = catalogue.defaultShow(key, title);
                ASSERT_TRUE(def);
                EXPECT_NE(std::find(shows.begin(), shows.end(), *def), shows.end()) << key;
            }
            EXPECT_TRUE(catalogue.getDefualtFormatImage(title));
        }
    }
}

TEST(FormatCatalogueContents, TheCatalogueHoldsTheFormatsTheProgramPromises) {
    const FormatCatalogue& catalogue = FormatCatalogue::builtIn();
    std::map<std::string, std::pair<std::string, std::string>> expected{
        {kMp3, {"mp3", "libmp3lame"}},
        {"AAC - Advanced Audio Coding(*.m4a)", {"m4a", "aac"}},
        {"Apple Lossless - ALAC Audio(*.m4a)", {"m4a", "alac"}},
        {"FLAC - Free Lossless Audio Codec(*.flac)", {"flac", "flac"}},
        {kWav, {"wav", "pcm_s16le"}},
        {"AIFF - Audio Interchange File Format(*.aiff)", {"aiff", "pcm_s16be"}},
        {"OGG - Ogg Vorbis Audio(*.ogg)", {"ogg", "libvorbis"}},
        {kOpus, {"opus", "libopus"}},
        {"WMA - Windows Media Audio(*.wma)", {"wma", "wmav2"}},
        {"AC3 - Dolby Digital Audio(*.ac3)", {"ac3", "ac3"}},
        {"MP2 - MPEG Layer-2 Audio(*.mp2)", {"mp2", "mp2"}},
        {"iTunes", {"m4a", "aac"}},
        {"Ringtone", {"m4r", "aac"}},
    };
    for (const auto& [title, extensionAndCodec] : expected) {
        EXPECT_EQ(catalogue.pathExtention(title), extensionAndCodec.first) << title;
        EXPECT_EQ(catalogue.getCodecWithFormat(title), extensionAndCodec.second) << title;
    }
    EXPECT_EQ(catalogue.menu(FormatMenuKind::formatMenu).front(), kMp3);
    EXPECT_EQ(catalogue.showTitles("SampleRate", kOpus), std::vector<std::string>{"48000 Hz"});
}

TEST(FormatCatalogueContents, TheMenusForManyChannelsHoldOnlyFormatsThatTakeThem) {
    const FormatCatalogue& catalogue = FormatCatalogue::builtIn();
    for (const std::string& title : catalogue.menu(FormatMenuKind::menuFor46Track))
        EXPECT_GE(catalogue.maxChannels(title), 6) << title;
    for (const std::string& title : catalogue.menu(FormatMenuKind::menuForAll))
        EXPECT_GE(catalogue.maxChannels(title), 3) << title;
    for (const std::string& title : catalogue.menu(FormatMenuKind::formatMenu))
        EXPECT_GE(catalogue.maxChannels(title), 2) << title;
}

TEST(FormatCatalogueLookups, ATitleListedTwiceResolvesToTheFirstEntrysValue) {
    FormatCatalogue catalogue = handCatalogue();
    double value = 0.0;
    ASSERT_TRUE(catalogue.getValueWithString("192 kbps", "BitRate", "X")->asDouble(value));
    EXPECT_EQ(value, 192.0);
    EXPECT_FALSE(catalogue.getValueWithString("193 kbps", "BitRate", "X"));
    EXPECT_FALSE(catalogue.getValueWithString("192 kbps", "BitRate", "missing"));
}

TEST(FormatCatalogueLookups, TheSettingsDictionaryHoldsTheDefaultsOfEachList) {
    CoderDictionary settings = FormatCatalogue::builtIn().getFormatDicWithdefaultFormat(kMp3);
    std::string text;
    ASSERT_TRUE(settings["FormatName"].asString(text));
    EXPECT_EQ(text, kMp3);
    ASSERT_TRUE(settings["OutputPathExtention"].asString(text));
    EXPECT_EQ(text, "mp3");
    ASSERT_TRUE(settings["Codec"].asString(text));
    EXPECT_EQ(text, "libmp3lame");
    ASSERT_TRUE(settings["SampleRate"].asString(text));
    EXPECT_EQ(text, "44100 Hz");
    ASSERT_TRUE(settings["BitRate"].asString(text));
    EXPECT_EQ(text, "192 kbps");
    EXPECT_EQ(settings.count("VideoCodec"), 0u);
}

TEST(FormatCatalogueLookups, TheConfigurationsDefaultFormatIsTheMp3FormatsSettings) {
    wavomer::test::ScratchDir dir;
    UserConfig config(dir.file("user.config"));
    CoderDictionary format = config.defaultFormatDic();
    std::string codec;
    ASSERT_TRUE(format["Codec"].asString(codec));
    EXPECT_EQ(codec, "libmp3lame");
    EXPECT_FALSE(config.formatData.empty());
    EXPECT_FALSE(config.formatList.empty());
}

// --- choosing the menu ------------------------------------------------------------------

TEST(FormatMenuChoice, TheMenuFollowsTheTrackCountUnlessTheExportMixes) {
    EXPECT_EQ(FormatCatalogue::menuKindFor(1, 0), FormatMenuKind::formatMenu);
    EXPECT_EQ(FormatCatalogue::menuKindFor(2, 0), FormatMenuKind::formatMenu);
    EXPECT_EQ(FormatCatalogue::menuKindFor(3, 0), FormatMenuKind::menuForAll);
    EXPECT_EQ(FormatCatalogue::menuKindFor(4, 0), FormatMenuKind::menuFor46Track);
    EXPECT_EQ(FormatCatalogue::menuKindFor(5, 0), FormatMenuKind::menuForAll);
    EXPECT_EQ(FormatCatalogue::menuKindFor(5, 1), FormatMenuKind::formatMenu);
    EXPECT_EQ(FormatCatalogue::menuKindFor(6, 2), FormatMenuKind::formatMenu);
    EXPECT_EQ(FormatCatalogue::menuKindFor(6, 0), FormatMenuKind::menuFor46Track);
    EXPECT_EQ(FormatCatalogue::menuKindFor(9, 0), FormatMenuKind::menuForAll);
}

TEST(ExportOptions, FiveTracksOfferMenuForAllUnmixedAndFormatMenuMixed) {
    ExportOptionsModel options(FormatCatalogue::builtIn());
    options.setTrackCount(5);
    EXPECT_EQ(options.currentMenu(), FormatMenuKind::menuForAll);
    EXPECT_EQ(options.formatButton().selectedTitle(), options.formatButton().titles.front());
    options.exportChannelTypeChanged(1);
    EXPECT_EQ(options.currentMenu(), FormatMenuKind::formatMenu);
    EXPECT_EQ(options.formatButton().selectedTitle(), kMp3);
}

TEST(ExportOptions, NineTracksOfferOnlyFormatsThatHoldNineChannels) {
    ExportOptionsModel options(FormatCatalogue::builtIn());
    options.setTrackCount(9);
    ASSERT_FALSE(options.formatButton().titles.empty());
    for (const std::string& title : options.formatButton().titles)
        EXPECT_GE(FormatCatalogue::builtIn().maxChannels(title), 9) << title;
}

TEST(ExportOptions, OneTrackShowsOnlyBitRatesUpTo128WithTheLastSelected) {
    FormatCatalogue catalogue = handCatalogue();
    ExportOptionsModel options(catalogue);
    options.setTrackCount(1);
    EXPECT_EQ(options.bitRateButton().titles, (std::vector<std::string>{"64 kbps", "128 kbps"}));
    EXPECT_EQ(options.bitRateButton().selectedTitle(), "128 kbps");
    options.setTrackCount(2);
    EXPECT_EQ(options.bitRateButton().titles.size(), 5u);
    EXPECT_EQ(options.bitRateButton().selectedTitle(), "192 kbps");
    EXPECT_EQ(options.sampleRateButton().selectedTitle(), "48000 Hz");
}

TEST(ExportOptions, SelectingRingtoneSetsTheMusicPlayerFlagAndAnythingElseClearsIt) {
    FormatCatalogue catalogue = handCatalogue();
    ExportOptionsModel options(catalogue);
    options.setTrackCount(2);
    EXPECT_FALSE(options.useITunesFormat());
    EXPECT_TRUE(options.formatChangedAction("Ringtone"));
    EXPECT_TRUE(options.useITunesFormat());
    EXPECT_TRUE(options.formatChangedAction("X"));
    EXPECT_FALSE(options.useITunesFormat());
    EXPECT_FALSE(options.formatChangedAction("not offered"));
}

TEST(ExportOptions, TheEncoderGetsTruncatedRatesAndBitsPerSecond) {
    FormatCatalogue catalogue = handCatalogue();
    ExportOptionsModel options(catalogue);
    options.setTrackCount(2);
    ASSERT_TRUE(options.selectSampleRate("44100 Hz"));
    ASSERT_TRUE(options.selectBitRate("320 kbps"));
    FormatEncoderSettings settings = options.encoderSettings();
    EXPECT_EQ(settings.formatTitle, "X");
    EXPECT_EQ(settings.codecName, "xcodec");
    EXPECT_EQ(settings.pathExtention, "xyz");
    EXPECT_EQ(settings.sampleRate, 44100);
    EXPECT_EQ(settings.bitRate, 320000);
    EXPECT_FALSE(options.selectBitRate("321 kbps"));
}

TEST(ExportOptions, AFormatTheEncoderCannotWriteIsNotOffered) {
    FormatCatalogue catalogue = handCatalogue();
    PickyEngine picky;
    ExportOptionsModel options(catalogue, &picky);
    options.setTrackCount(2);
    EXPECT_EQ(options.sampleRateButton().titles, std::vector<std::string>{"48000 Hz"});
    options.setTrackCount(3);
    EXPECT_TRUE(options.formatButton().titles.empty());
    EXPECT_EQ(options.encoderSettings().codecName, "");
}

TEST(ExportOptions, AMissingTitleGivesEmptyPopupsAndZeroValues) {
    FormatCatalogue catalogue = handCatalogue();
    ExportOptionsModel options(catalogue);
    options.updateAllComboBoxesWithFormat("missing");
    EXPECT_TRUE(options.sampleRateButton().titles.empty());
    EXPECT_FALSE(options.getValueWithType("SampleRate", "missing"));
    EXPECT_FALSE(options.getCodecWithFormat("missing"));
}

TEST(ExportOptions, APopupTitlesIntegerValueIsItsLeadingNumber) {
    EXPECT_EQ(leadingIntegerValue("128 kbps"), 128);
    EXPECT_EQ(leadingIntegerValue("Lossless"), 0);
    EXPECT_EQ(leadingIntegerValue(" 64"), 64);
    EXPECT_EQ(leadingIntegerValue("-40 Hz"), -40);
    EXPECT_EQ(leadingIntegerValue("99999999999 Hz"), 2147483647);
    EXPECT_EQ(leadingIntegerValue("-99999999999"), -2147483647 - 1);
}
