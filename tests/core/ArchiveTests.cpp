// The keyed archive codec: round trips of every kind of value, the layout the
// writer produces, archives another archiver could have written (built here by hand
// with libplist), and the archives the reader must refuse.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "ArchiveTestSupport.h"
#include "HandArchive.h"
#include "archive/KeyedArchive.h"

using namespace wavomer;
using namespace wavomer::test;
using archive::decodeKeyedArchive;
using archive::encodeKeyedArchive;

namespace {

const std::vector<std::string> kEveryKindKeys = {
    "absent", "yes",   "no",     "small",  "negative", "int32Max", "int32Min", "wide",      "wideNegative",
    "whole",  "fraction", "tiny", "huge",  "negativeZero", "infinity", "ascii", "unicode", "notUtf8", "empty",
    "list",   "dictionary", "child", "color", "translucentColor"};

std::shared_ptr<TestRecord> everyKindRecord() {
    auto child = std::make_shared<TestRecord>("Child", std::vector<std::string>{"name", "count"});
    child->values["name"] = "inner";
    child->values["count"] = int32_t{3};
    auto record = std::make_shared<TestRecord>("Everything", kEveryKindKeys);
    auto& v = record->values;
    v["absent"] = CoderValue();
    v["yes"] = true;
    v["no"] = false;
    v["small"] = int32_t{7};
    v["negative"] = int32_t{-70000};
    v["int32Max"] = std::numeric_limits<int32_t>::max();
    v["int32Min"] = std::numeric_limits<int32_t>::min();
    v["wide"] = int64_t{5'000'000'000};
    v["wideNegative"] = int64_t{-5'000'000'000};
    v["whole"] = 2.0;
    v["fraction"] = 0.1;
    v["tiny"] = 5e-324;
    v["huge"] = 1.7976931348623157e308;
    v["negativeZero"] = -0.0;
    v["infinity"] = std::numeric_limits<double>::infinity();
    v["ascii"] = "/tmp/ImportAudio_1700000000.123456.data";
    v["unicode"] = "Caf\xC3\xA9 \xF0\x9F\x8E\xB5 \xE6\x97\xA5\xE6\x9C\xAC";
    v["notUtf8"] = "/home/\xFF\xFEname/\xC3(\xED\xA0\x80.data";  // a file name in no UTF-8 at all
    v["empty"] = "";
    v["list"] = CoderList{int32_t{1}, "two", CoderList{3.5, CoderValue()}, CoderDictionary{}};
    v["dictionary"] = CoderDictionary{{"name", "Reverb"}, {"wet", 0.25}, {"mix", int32_t{40}}, {"on", true}};
    v["child"] = CoderObject(child);
    v["color"] = CoderColor{0.054901960784313725, 0.5490196078431373, 0.5882352941176471, 1.0};
    v["translucentColor"] = CoderColor{1.0, 0.0, 0.5, 0.25};
    return record;
}

archive::ClassFactory everyKindFactory() {
    return testRecordFactory({{"Everything", kEveryKindKeys}, {"Child", {"name", "count"}}});
}

Outcome<archive::RootEntries> decode(const std::vector<uint8_t>& bytes, const archive::ClassFactory& factory) {
    return decodeKeyedArchive(bytes.data(), bytes.size(), factory);
}

bool containsBytes(const std::vector<uint8_t>& haystack, const std::vector<uint8_t>& needle) {
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

TestRecord& decodedRecord(const Outcome<archive::RootEntries>& result, const char* key = "root") {
    const CoderValue* value = archive::findRootValue((*result), key);
    EXPECT_TRUE(value && value->asObject() && *value->asObject());
    return static_cast<TestRecord&>(**value->asObject());
}

}  // namespace

// ---------------------------------------------------------------------------
// Round trips

TEST(KeyedArchiveRoundTrip, EveryKindOfValueComesBackExactly) {
    auto record = everyKindRecord();
    auto bytes = encodeKeyedArchive({{"root", CoderValue(CoderObject(record))}});
    auto result = decode(bytes, everyKindFactory());
    ASSERT_TRUE(result.ok()) << result.error();
    ASSERT_EQ((*result).size(), 1u);
    EXPECT_EQ((*result)[0].first, "root");
    EXPECT_TRUE(sameValue(CoderValue(CoderObject(record)), (*result)[0].second));
}

TEST(KeyedArchiveRoundTrip, DecodingCallsDidDecodeOncePerRecordAfterItsKeys) {
    auto bytes = encodeKeyedArchive({{"root", CoderValue(CoderObject(everyKindRecord()))}});
    auto result = decode(bytes, everyKindFactory());
    ASSERT_TRUE(result.ok()) << result.error();
    TestRecord& record = decodedRecord(result);
    EXPECT_EQ(record.didDecodeCalls, 1);
    EXPECT_EQ(static_cast<TestRecord&>(**record.values["child"].asObject()).didDecodeCalls, 1);
}

TEST(KeyedArchiveRoundTrip, RootEntriesComeBackInWritingOrder) {
    auto bytes = encodeKeyedArchive({{"zeta", int32_t{1}}, {"alpha", int32_t{2}}, {"mid", CoderValue()}});
    auto result = decode(bytes, nullptr);
    ASSERT_TRUE(result.ok()) << result.error();
    ASSERT_EQ((*result).size(), 3u);
    EXPECT_EQ((*result)[0].first, "zeta");
    EXPECT_EQ((*result)[1].first, "alpha");
    EXPECT_EQ((*result)[2].first, "mid");
    EXPECT_TRUE((*result)[2].second.isNull());
}

TEST(KeyedArchiveRoundTrip, AWideIntegerThatFitsThirtyTwoBitsReadsBackAsThirtyTwoBits) {
    auto bytes = encodeKeyedArchive({{"n", int64_t{42}}});
    auto result = decode(bytes, nullptr);
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_TRUE(sameValue((*result)[0].second, CoderValue(int32_t{42})));
}

TEST(KeyedArchiveRoundTrip, ARecordOfAnUnknownClassReadsAsAbsent) {
    auto bytes = encodeKeyedArchive({{"root", CoderValue(CoderObject(everyKindRecord()))}});
    auto result = decode(bytes, testRecordFactory({}));
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_TRUE((*result)[0].second.isNull());
}

TEST(KeyedArchiveRoundTrip, AKeyTheRecordDoesNotListIsIgnoredAndAMissingKeyIsNotSet) {
    auto writer = std::make_shared<TestRecord>("R", std::vector<std::string>{"a", "stale"});
    writer->values["a"] = 1.5;
    writer->values["stale"] = "old";
    auto bytes = encodeKeyedArchive({{"root", CoderValue(CoderObject(writer))}});
    auto result = decode(bytes, testRecordFactory({{"R", {"a", "b"}}}));
    ASSERT_TRUE(result.ok()) << result.error();
    TestRecord& record = decodedRecord(result);
    EXPECT_EQ(record.values.size(), 1u);
    EXPECT_TRUE(sameValue(record.values["a"], CoderValue(1.5)));
}

// ---------------------------------------------------------------------------
// What the writer produces

TEST(KeyedArchiveWriting, TheArchiveHasTheKeyedArchiverFrame) {
    auto bytes = encodeKeyedArchive({{"root", int32_t{1}}});
    ASSERT_GE(bytes.size(), 8u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 8), "bplist00");
    ParsedPlist plist(bytes);
    ASSERT_TRUE(plist.node);
    EXPECT_EQ(stringOf(plist_dict_get_item(plist.node, "$archiver")), "NSKeyedArchiver");
    uint64_t version = 0;
    plist_get_uint_val(plist_dict_get_item(plist.node, "$version"), &version);
    EXPECT_EQ(version, 100000u);
    EXPECT_EQ(stringOf(plist.object(0)), "$null");
    EXPECT_EQ(plist_get_node_type(plist_dict_get_item(plist_dict_get_item(plist.node, "$top"), "root")), PLIST_UID);
}

TEST(KeyedArchiveWriting, ScalarsAreReferencesToNumberObjectsOfTheirOwnType) {
    auto record = std::make_shared<TestRecord>("R", std::vector<std::string>{"d", "i", "b", "s", "none"});
    record->values = {{"d", 2.0}, {"i", int32_t{-3}}, {"b", true}, {"s", "text"}};
    ParsedPlist plist(encodeKeyedArchive({{"root", CoderValue(CoderObject(record))}}));
    plist_t node = plist.topObject("root");
    for (const char* key : {"d", "i", "b", "s", "none"})
        EXPECT_EQ(plist_get_node_type(plist_dict_get_item(node, key)), PLIST_UID) << key;
    EXPECT_EQ(plist_get_node_type(plist.field(node, "d")), PLIST_REAL);
    EXPECT_EQ(plist_get_node_type(plist.field(node, "i")), PLIST_UINT);
    EXPECT_EQ(plist_get_node_type(plist.field(node, "b")), PLIST_BOOLEAN);
    EXPECT_EQ(plist_get_node_type(plist.field(node, "s")), PLIST_STRING);
    EXPECT_EQ(ParsedPlist::uidOf(plist_dict_get_item(node, "none")), 0u);
    uint64_t negative = 0;
    plist_get_uint_val(plist.field(node, "i"), &negative);
    EXPECT_EQ(static_cast<int64_t>(negative), -3);
}

TEST(KeyedArchiveWriting, WholeDoublesAreEightByteReals) {
    auto bytes = encodeKeyedArchive({{"root", CoderList{2.0, 0.5, 1.0}}});
    // Marker 0x23 (8-byte real) followed by 2.0, 0.5 and 1.0 in big-endian IEEE 754.
    EXPECT_TRUE(containsBytes(bytes, {0x23, 0x40, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(containsBytes(bytes, {0x23, 0x3F, 0xE0, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(containsBytes(bytes, {0x23, 0x3F, 0xF0, 0, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(containsBytes(bytes, {0x22, 0x40, 0, 0, 0}));  // 2.0 as a 4-byte real
}

TEST(KeyedArchiveWriting, RecordsNameTheirClassWithCodingBaseAndShareOneClassRecord) {
    auto a = std::make_shared<TestRecord>("AudioSection", std::vector<std::string>{"x"});
    auto b = std::make_shared<TestRecord>("AudioSection", std::vector<std::string>{"x"});
    a->values["x"] = 1.0;
    b->values["x"] = 2.0;
    ParsedPlist plist(encodeKeyedArchive({{"root", CoderList{CoderObject(a), CoderObject(b)}}}));
    plist_t list = plist.topObject("root");
    EXPECT_EQ(plist.className(list), "NSArray");
    plist_t items = plist_dict_get_item(list, "NS.objects");
    ASSERT_EQ(plist_array_get_size(items), 2u);
    plist_t first = plist.object(ParsedPlist::uidOf(plist_array_get_item(items, 0)));
    plist_t second = plist.object(ParsedPlist::uidOf(plist_array_get_item(items, 1)));
    EXPECT_EQ(ParsedPlist::uidOf(plist_dict_get_item(first, "$class")),
              ParsedPlist::uidOf(plist_dict_get_item(second, "$class")));
    plist_t classes = plist_dict_get_item(plist.field(first, "$class"), "$classes");
    ASSERT_EQ(plist_array_get_size(classes), 3u);
    EXPECT_EQ(stringOf(plist_array_get_item(classes, 0)), "AudioSection");
    EXPECT_EQ(stringOf(plist_array_get_item(classes, 1)), "CodingBase");
    EXPECT_EQ(stringOf(plist_array_get_item(classes, 2)), "NSObject");
    plist_t listClasses = plist_dict_get_item(plist.field(list, "$class"), "$classes");
    ASSERT_EQ(plist_array_get_size(listClasses), 2u);
    EXPECT_EQ(stringOf(plist_array_get_item(listClasses, 1)), "NSObject");
}

TEST(KeyedArchiveWriting, DictionariesAreNSDictionaryRecordsWithKeysAndObjects) {
    ParsedPlist plist(encodeKeyedArchive({{"root", CoderDictionary{{"name", "Delay"}, {"time", 0.3}}}}));
    plist_t dict = plist.topObject("root");
    EXPECT_EQ(plist.className(dict), "NSDictionary");
    plist_t keys = plist_dict_get_item(dict, "NS.keys");
    plist_t values = plist_dict_get_item(dict, "NS.objects");
    ASSERT_EQ(plist_array_get_size(keys), 2u);
    ASSERT_EQ(plist_array_get_size(values), 2u);
    EXPECT_EQ(stringOf(plist.object(ParsedPlist::uidOf(plist_array_get_item(keys, 0)))), "name");
    EXPECT_EQ(stringOf(plist.object(ParsedPlist::uidOf(plist_array_get_item(values, 0)))), "Delay");
    EXPECT_EQ(stringOf(plist.object(ParsedPlist::uidOf(plist_array_get_item(keys, 1)))), "time");
}

TEST(KeyedArchiveWriting, AColourIsAnNSColorRecordWithCalibratedRgbText) {
    ParsedPlist plist(encodeKeyedArchive({{"opaque", CoderColor{0.5, 0.25, 1.0, 1.0}},
                                          {"translucent", CoderColor{0.5, 0.25, 1.0, 0.75}}}));
    auto text = [&](const char* key) {
        plist_t color = plist.topObject(key);
        EXPECT_EQ(plist.className(color), "NSColor");
        uint64_t space = 0;
        plist_get_uint_val(plist_dict_get_item(color, "NSColorSpace"), &space);
        EXPECT_EQ(space, 1u);
        char* bytes = nullptr;
        uint64_t length = 0;
        plist_get_data_val(plist_dict_get_item(color, "NSRGB"), &bytes, &length);
        std::string out(bytes, length);
        free(bytes);
        return out;
    };
    EXPECT_EQ(text("opaque"), std::string("0.5 0.25 1\0", 11));
    EXPECT_EQ(text("translucent"), std::string("0.5 0.25 1 0.75\0", 16));
}

TEST(KeyedArchiveWriting, TheSameValuesGiveTheSameBytes) {
    auto first = encodeKeyedArchive({{"root", CoderValue(CoderObject(everyKindRecord()))}});
    auto second = encodeKeyedArchive({{"root", CoderValue(CoderObject(everyKindRecord()))}});
    EXPECT_EQ(first, second);
}

TEST(KeyedArchiveWriting, EqualScalarsAndStringsAreStoredOnce) {
    CoderList many;
    for (int i = 0; i < 100; ++i) many.push_back(CoderList{0.25, "/same/path.data", int32_t{7}});
    auto bytes = encodeKeyedArchive({{"root", many}});
    ParsedPlist plist(bytes);
    // $null, the outer list, its class, 100 inner lists, one 0.25, one path, one 7.
    EXPECT_EQ(plist_array_get_size(plist.objects()), 1u + 1u + 1u + 100u + 3u);
}

TEST(KeyedArchiveWriting, ARecordThatContainsItselfIsWrittenWithTheInnerAppearanceAbsent) {
    auto record = std::make_shared<TestRecord>("Loop", std::vector<std::string>{"self", "n"});
    record->values["self"] = CoderObject(record);
    record->values["n"] = int32_t{1};
    auto bytes = encodeKeyedArchive({{"root", CoderValue(CoderObject(record))}});
    record->values.clear();  // breaks the reference cycle for the leak checker
    auto result = decode(bytes, testRecordFactory({{"Loop", {"self", "n"}}}));
    ASSERT_TRUE(result.ok()) << result.error();
    TestRecord& decoded = decodedRecord(result);
    EXPECT_TRUE(decoded.values["self"].isNull());
    EXPECT_TRUE(sameValue(decoded.values["n"], CoderValue(int32_t{1})));
}
