// The tag set record, the conversions of the tag dialog's fields, and the rule of its
// numeric fields.
#include <gtest/gtest.h>

#include "archive/KeyedArchive.h"
#include "model/ID3TagInfo.h"

namespace wavomer {
namespace {

// A tag set's values are none, strings or 64-bit integers; shows one for comparing.
std::string describe(const CoderValue& value) {
    if (value.isNull()) return "none";
    if (auto text = std::get_if<std::string>(&value.value)) return "string " + *text;
    if (auto number = std::get_if<int64_t>(&value.value)) return "integer " + std::to_string(*number);
    if (auto number = std::get_if<int32_t>(&value.value)) return "integer " + std::to_string(*number);
    return "other";
}

TEST(ID3TagInfoRecord, ANewTagSetHasNoStringsNoImageAndZeroNumbers) {
    ID3TagInfo tags;
    EXPECT_FALSE(tags.image);
    EXPECT_FALSE(tags.title);
    EXPECT_FALSE(tags.artist);
    EXPECT_FALSE(tags.album);
    EXPECT_FALSE(tags.comment);
    EXPECT_FALSE(tags.genre);
    EXPECT_FALSE(tags.group);
    EXPECT_FALSE(tags.composer);
    EXPECT_EQ(tags.year, 0u);
    EXPECT_EQ(tags.track, 0u);
    EXPECT_EQ(tags.totalTrack, 0u);
    EXPECT_EQ(tags.disc, 0u);
    EXPECT_EQ(tags.totalDisc, 0u);
    EXPECT_EQ(tags.bpm, 0u);
}

TEST(ID3TagInfoRecord, ListsItsFourteenKeysInOrder) {
    ID3TagInfo tags;
    EXPECT_EQ(tags.coderClassName(), "ID3TagInfo");
    EXPECT_EQ(tags.allCoderKeys(),
              (std::vector<std::string>{"image", "title", "artist", "album", "year", "comment", "track", "totalTrack",
                                        "genre", "group", "composer", "disc", "totalDisc", "bpm"}));
}

TEST(ID3TagInfoRecord, AnswersEveryKeyItSetsAndIgnoresUnknownKeys) {
    ID3TagInfo tags;
    tags.setValueForKey("title", CoderValue("Song"));
    tags.setValueForKey("year", CoderValue(int32_t(2024)));
    tags.setValueForKey("bpm", CoderValue(int64_t(128)));
    tags.setValueForKey("disc", CoderValue(2.0));
    tags.setValueForKey("unknownKey", CoderValue("ignored"));
    EXPECT_EQ(tags.title, "Song");
    EXPECT_EQ(tags.year, 2024u);
    EXPECT_EQ(tags.bpm, 128u);
    EXPECT_EQ(tags.disc, 2u);
    std::string title;
    ASSERT_TRUE(tags.valueForKey("title").asString(title));
    EXPECT_EQ(title, "Song");
    EXPECT_EQ(std::get<int64_t>(tags.valueForKey("year").value), 2024);
    EXPECT_TRUE(tags.valueForKey("artist").isNull());
    EXPECT_TRUE(tags.valueForKey("unknownKey").isNull());
}

TEST(ID3TagInfoRecord, KeepsAValueWhenGivenOneOfTheWrongType) {
    ID3TagInfo tags;
    tags.title = "Kept";
    tags.track = 3;
    tags.setValueForKey("title", CoderValue(int32_t(5)));
    tags.setValueForKey("track", CoderValue("seven"));
    EXPECT_EQ(tags.title, "Kept");
    EXPECT_EQ(tags.track, 3u);
}

TEST(ID3TagInfoRecord, ReadsNumbersAsUnsigned32Bit) {
    ID3TagInfo tags;
    tags.setValueForKey("year", CoderValue(int32_t(-1)));
    EXPECT_EQ(tags.year, 4294967295u);
    tags.setValueForKey("track", CoderValue(int64_t(4294967295)));
    EXPECT_EQ(tags.track, 4294967295u);
    EXPECT_EQ(std::get<int64_t>(tags.valueForKey("track").value), 4294967295);
    tags.setValueForKey("bpm", CoderValue(int64_t(1) << 40));
    EXPECT_EQ(tags.bpm, 0u);
}

TEST(ID3TagInfoRecord, NoneClearsAString) {
    ID3TagInfo tags;
    tags.genre = "Jazz";
    tags.setValueForKey("genre", CoderValue());
    EXPECT_FALSE(tags.genre);
}

TEST(ID3TagInfoRecord, SurvivesARoundTripThroughTheArchiveExceptForThePicture) {
    auto tags = std::make_shared<ID3TagInfo>();
    tags->title = "Title";
    tags->artist = "Artist";
    tags->album = "";
    tags->comment = "caf\u00e9";
    tags->year = 1999;
    tags->track = 4;
    tags->totalTrack = 12;
    tags->disc = 1;
    tags->totalDisc = 2;
    tags->bpm = 4294967295u;
    tags->composer = "Composer";
    std::vector<uint8_t> bytes = archive::encodeKeyedArchive({{"root", CoderValue(CoderObject(tags))}});
    Outcome<archive::RootEntries> decoded = archive::decodeKeyedArchive(
        bytes.data(), bytes.size(), [](const std::string& name) -> CoderObject {
            return name == "ID3TagInfo" ? std::make_shared<ID3TagInfo>() : nullptr;
        });
    ASSERT_TRUE(decoded.ok()) << decoded.error();
    ASSERT_EQ((*decoded).size(), 1u);
    const CoderObject* object = (*decoded)[0].second.asObject();
    ASSERT_TRUE(object);
    auto copy = std::dynamic_pointer_cast<ID3TagInfo>(*object);
    ASSERT_TRUE(copy);
    for (const std::string& key : tags->allCoderKeys()) {
        EXPECT_EQ(describe(copy->valueForKey(key)), describe(tags->valueForKey(key))) << key;
    }
    EXPECT_EQ(copy->album, "");
    EXPECT_FALSE(copy->genre);
}

// --- the dialog's fields ---------------------------------------------------------------

TEST(ID3Fields, AnEmptyNumberFieldStoresZero) {
    EXPECT_EQ(id3NumberFromFieldText(""), 0u);
    EXPECT_EQ(id3NumberFromFieldText("2024"), 2024u);
    EXPECT_EQ(id3NumberFromFieldText(" 7"), 7u);
    EXPECT_EQ(id3NumberFromFieldText("-1"), 4294967295u);
}

TEST(ID3Fields, ZeroShowsAsAnEmptyFieldAndOtherNumbersInDecimal) {
    EXPECT_EQ(id3FieldTextFromNumber(0), "");
    EXPECT_EQ(id3FieldTextFromNumber(7), "7");
    EXPECT_EQ(id3FieldTextFromNumber(4294967295u), "4294967295");
}

TEST(ID3Fields, NoneShowsAsAnEmptyStringAndAnEmptyStringStaysAString) {
    EXPECT_EQ(stringNoneNil(std::nullopt), "");
    EXPECT_EQ(stringNoneNil(std::optional<std::string>("x")), "x");
    ID3TagInfo tags;
    tags.title = std::string("");  // what Apply stores for an empty title field
    EXPECT_TRUE(tags.title.has_value());
    EXPECT_FALSE(tags.valueForKey("title").isNull());
}

TEST(CustomDigitFomatter, StartsWithAMaximumOfFourCharacters) {
    EXPECT_EQ(CustomDigitFomatter().maxLength, 4);
}

TEST(CustomDigitFomatter, AcceptsTheFourDigitsOfAYear) {
    CustomDigitFomatter formatter;
    std::string error;
    EXPECT_TRUE(formatter.isPartialStringValid("2", "2", &error));
    EXPECT_TRUE(formatter.isPartialStringValid("2024", "4", &error));
    EXPECT_TRUE(formatter.isEditValid("202", "2024", &error));
    EXPECT_TRUE(error.empty());
}

TEST(CustomDigitFomatter, RefusesAFifthDigitWithoutAnError) {
    CustomDigitFomatter formatter;
    std::string error;
    EXPECT_FALSE(formatter.isPartialStringValid("20245", "5", &error));
    EXPECT_FALSE(formatter.isEditValid("2024", "20245", &error));
    EXPECT_TRUE(error.empty());
}

TEST(CustomDigitFomatter, RefusesALetterWithNotNumber) {
    CustomDigitFomatter formatter;
    std::string error;
    EXPECT_FALSE(formatter.isPartialStringValid("20a", "a", &error));
    EXPECT_EQ(error, "not number");
    error.clear();
    EXPECT_FALSE(formatter.isEditValid("20", "2x0", &error));
    EXPECT_EQ(error, "not number");
    error.clear();
    EXPECT_FALSE(formatter.isEditValid("", "\u0661", &error));  // a digit of another script
    EXPECT_EQ(error, "not number");
}

TEST(CustomDigitFomatter, AcceptsDeletingAndPastingDigits) {
    CustomDigitFomatter formatter;
    std::string error;
    EXPECT_TRUE(formatter.isEditValid("2024", "204", &error));
    EXPECT_TRUE(formatter.isEditValid("2024", "", &error));
    EXPECT_TRUE(formatter.isEditValid("", "12", &error));
    EXPECT_TRUE(formatter.isEditValid("11", "111", &error));
    EXPECT_FALSE(formatter.isEditValid("", "12345", &error));
    EXPECT_TRUE(error.empty());
}

TEST(CustomDigitFomatter, ConvertsNothing) {
    CustomDigitFomatter formatter;
    EXPECT_EQ(formatter.stringForObjectValue("0042"), "0042");
    EXPECT_EQ(formatter.objectValueForString("0042"), "0042");
}

}  // namespace
}  // namespace wavomer
