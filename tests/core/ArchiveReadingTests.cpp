// Reading keyed archives that another archiver could have written (built by hand
// with libplist in each of the shapes the reader accepts), and refusing the ones
// that are damaged, hostile or not archives at all.
#include <gtest/gtest.h>

#include <limits>

#include "ArchiveTestSupport.h"
#include "HandArchive.h"
#include "archive/BinaryPlistWriter.h"
#include "archive/KeyedArchive.h"

using namespace wavomer;
using namespace wavomer::test;
using archive::decodeKeyedArchive;
using H = HandArchive;

namespace {

Outcome<archive::RootEntries> decode(const std::vector<uint8_t>& bytes, const archive::ClassFactory& factory = nullptr) {
    return decodeKeyedArchive(bytes.data(), bytes.size(), factory);
}

TestRecord& rootRecord(const Outcome<archive::RootEntries>& result) {
    const CoderValue* value = archive::findRootValue((*result), "root");
    EXPECT_TRUE(value && value->asObject() && *value->asObject());
    return static_cast<TestRecord&>(**value->asObject());
}

const std::vector<std::string> kScalarKeys = {"d", "f", "i", "b", "s"};

// A record "R" with a double, a double that fits a float, an integer, a boolean and
// a string, stored inline or as references to objects.
void putScalarRecord(HandArchive& a, bool inlineScalars) {
    auto put = [&](plist_t node) { return inlineScalars ? node : H::uid(a.add(node)); };
    uint64_t record = a.record("R", {{"d", put(H::real(0.1))},
                                     {"f", put(H::real(2.0))},
                                     {"i", put(H::integer(7))},
                                     {"b", put(H::boolean(true))},
                                     {"s", put(H::string("/a/b.data"))}});
    a.top("root", H::uid(record));
}

std::vector<uint8_t> scalarArchive(bool inlineScalars) {
    HandArchive a;
    putScalarRecord(a, inlineScalars);
    return a.binary();
}

void expectScalars(const Outcome<archive::RootEntries>& result) {
    ASSERT_TRUE(result.ok()) << result.error();
    TestRecord& r = rootRecord(result);
    EXPECT_TRUE(sameValue(r.values["d"], CoderValue(0.1)));
    EXPECT_TRUE(sameValue(r.values["f"], CoderValue(2.0)));
    EXPECT_TRUE(sameValue(r.values["i"], CoderValue(int32_t{7})));
    EXPECT_TRUE(sameValue(r.values["b"], CoderValue(true)));
    EXPECT_TRUE(sameValue(r.values["s"], CoderValue("/a/b.data")));
}

std::string errorOf(const std::vector<uint8_t>& bytes, const archive::ClassFactory& factory = nullptr) {
    auto result = decode(bytes, factory);
    EXPECT_FALSE(result.ok());
    EXPECT_FALSE(result.error().empty());
    return result.error();
}

// Lists nested depth deep: each NSArray record holds the next one.
std::vector<uint8_t> nestedLists(int depth) {
    HandArchive a;
    std::vector<uint64_t> slots;
    for (int i = 0; i < depth; ++i) slots.push_back(a.reserve());
    for (int i = 0; i < depth; ++i) {
        std::vector<uint64_t> items;
        if (i + 1 < depth) items.push_back(slots[i + 1]);
        a.set(slots[i], a.recordNode("NSArray", {{"NS.objects", H::uidArray(items)}}));
    }
    a.top("root", H::uid(slots[0]));
    return a.binary();
}

}  // namespace

// ---------------------------------------------------------------------------
// Shapes the reader accepts

TEST(KeyedArchiveReading, ScalarsStoredInlineInTheRecordAreRead) {
    expectScalars(decode(scalarArchive(true), testRecordFactory({{"R", kScalarKeys}})));
}

TEST(KeyedArchiveReading, ScalarsStoredAsReferencesToObjectsAreRead) {
    expectScalars(decode(scalarArchive(false), testRecordFactory({{"R", kScalarKeys}})));
}

TEST(KeyedArchiveReading, TheXmlFormWithCFUIDDictionariesIsRead) {
    for (bool inlineScalars : {true, false}) {
        HandArchive a;
        putScalarRecord(a, inlineScalars);
        std::vector<uint8_t> xml = a.xml();
        ASSERT_NE(std::string(xml.begin(), xml.end()).find("CF$UID"), std::string::npos);
        expectScalars(decode(xml, testRecordFactory({{"R", kScalarKeys}})));
    }
}

TEST(KeyedArchiveReading, IntegersOfEveryWidthAndNegativeOnesAreRead) {
    const std::vector<int64_t> values = {0, 255, 300, 70000, 4'000'000'000, 5'000'000'000'000, -1, -70000,
                                         std::numeric_limits<int64_t>::min(), std::numeric_limits<int32_t>::min()};
    HandArchive a;
    std::vector<uint64_t> items;
    for (int64_t v : values) items.push_back(a.add(H::integer(v)));
    a.top("root", H::uid(a.list(items)));
    auto result = decode(a.binary());
    ASSERT_TRUE(result.ok()) << result.error();
    const CoderList& list = *(*result)[0].second.asList();
    ASSERT_EQ(list.size(), values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        const bool fits = values[i] >= std::numeric_limits<int32_t>::min() && values[i] <= std::numeric_limits<int32_t>::max();
        CoderValue expected = fits ? CoderValue(static_cast<int32_t>(values[i])) : CoderValue(values[i]);
        EXPECT_TRUE(sameValue(list[i], expected, "value " + std::to_string(values[i])));
    }
}

TEST(KeyedArchiveReading, NSStringAndNSMutableStringRecordsReadAsStrings) {
    HandArchive a;
    uint64_t plain = a.record("NSString", {{"NS.string", H::string("one")}});
    uint64_t mutableOne = a.record("NSMutableString", {{"NS.string", H::string("Caf\xC3\xA9")}});
    a.top("root", H::uid(a.list({plain, mutableOne})));
    auto result = decode(a.binary());
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_TRUE(sameValue((*result)[0].second, CoderValue(CoderList{"one", "Caf\xC3\xA9"})));
}

TEST(KeyedArchiveReading, MutableListsAndDictionariesAreRead) {
    HandArchive a;
    uint64_t name = a.add(H::string("name"));
    uint64_t gain = a.add(H::string("gain"));
    uint64_t reverb = a.add(H::string("Reverb"));
    uint64_t half = a.add(H::real(0.5));
    uint64_t dict = a.record("NSMutableDictionary",
                             {{"NS.keys", H::uidArray({name, gain})}, {"NS.objects", H::uidArray({reverb, half})}});
    a.top("root", H::uid(a.list({dict}, "NSMutableArray")));
    auto result = decode(a.binary());
    ASSERT_TRUE(result.ok()) << result.error();
    CoderValue expected = CoderList{CoderDictionary{{"name", "Reverb"}, {"gain", 0.5}}};
    EXPECT_TRUE(sameValue((*result)[0].second, expected));
}

TEST(KeyedArchiveReading, AnNSColorRecordReadsFromItsComponentText) {
    HandArchive a;
    uint64_t rgb = a.record("NSColor", {{"NSColorSpace", H::integer(1)},
                                        {"NSRGB", H::data(std::string("0.0549 0.549 0.588\0", 19))}});
    uint64_t rgba = a.record("NSColor", {{"NSColorSpace", H::integer(2)}, {"NSRGB", H::data("1 0 0 0.5")}});
    uint64_t grey = a.record("NSColor", {{"NSColorSpace", H::integer(3)},
                                         {"NSWhite", H::data(std::string("0.25\0", 5))}});
    uint64_t referenced = a.record("NSColor", {{"NSColorSpace", H::uid(a.add(H::integer(1)))},
                                               {"NSRGB", H::uid(a.add(H::string("0 1 0")))}});
    a.top("root", H::uid(a.list({rgb, rgba, grey, referenced})));
    auto result = decode(a.binary());
    ASSERT_TRUE(result.ok()) << result.error();
    CoderValue expected = CoderList{CoderColor{0.0549, 0.549, 0.588, 1.0}, CoderColor{1, 0, 0, 0.5},
                                    CoderColor{0.25, 0.25, 0.25, 1.0}, CoderColor{0, 1, 0, 1}};
    EXPECT_TRUE(sameValue((*result)[0].second, expected));
}

TEST(KeyedArchiveReading, AColourWithoutReadableComponentsReadsAsAbsent) {
    HandArchive a;
    uint64_t named = a.record("NSColor", {{"NSColorSpace", H::integer(6)}, {"NSColorName", H::string("textColor")}});
    a.top("root", H::uid(named));
    auto result = decode(a.binary());
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_TRUE((*result)[0].second.isNull());
}

TEST(KeyedArchiveReading, ValuesSharedBySeveralReferencesReadEqualEverywhere) {
    HandArchive a;
    uint64_t number = a.add(H::real(1.25));
    uint64_t inner = a.list({number, number});
    a.top("root", H::uid(a.list({inner, inner, number})));
    auto result = decode(a.binary());
    ASSERT_TRUE(result.ok()) << result.error();
    CoderValue expected = CoderList{CoderList{1.25, 1.25}, CoderList{1.25, 1.25}, 1.25};
    EXPECT_TRUE(sameValue((*result)[0].second, expected));
}

TEST(KeyedArchiveReading, AbsentValuesAreTheNullReferenceOrAMissingKey) {
    HandArchive a;
    uint64_t record = a.record("R", {{"d", H::uid(0)}});
    a.top("root", H::uid(record));
    auto result = decode(a.binary(), testRecordFactory({{"R", kScalarKeys}}));
    ASSERT_TRUE(result.ok()) << result.error();
    TestRecord& r = rootRecord(result);
    ASSERT_EQ(r.values.count("d"), 1u);
    EXPECT_TRUE(r.values["d"].isNull());
    EXPECT_EQ(r.values.count("i"), 0u);
}

TEST(KeyedArchiveReading, AnUnknownClassInsideAListReadsAsAbsentAndTheRestStays) {
    HandArchive a;
    uint64_t unknown = a.record("SomethingElse", {{"x", H::integer(1)}});
    a.top("root", H::uid(a.list({unknown, a.add(H::integer(2))})));
    auto result = decode(a.binary());
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_TRUE(sameValue((*result)[0].second, CoderValue(CoderList{CoderValue(), int32_t{2}})));
}

TEST(KeyedArchiveReading, NestingUpToTheLimitIsRead) {
    auto result = decode(nestedLists(archive::kMaxArchiveNesting));
    EXPECT_TRUE(result.ok()) << result.error();
}

// ---------------------------------------------------------------------------
// Archives the reader refuses

TEST(KeyedArchiveRejection, EmptyInputAndTextThatIsNoPropertyListAreRefused) {
    EXPECT_EQ(errorOf({}), "empty file");
    std::string text = "this is not a property list";
    EXPECT_EQ(errorOf(std::vector<uint8_t>(text.begin(), text.end())), "not a property list");
    std::string xmlish = "<html><body>hello</body></html>";
    errorOf(std::vector<uint8_t>(xmlish.begin(), xmlish.end()));
}

TEST(KeyedArchiveRejection, EveryTruncationOfAnArchiveIsRefused) {
    auto bytes = archive::encodeKeyedArchive({{"root", CoderList{1.5, "text", CoderDictionary{{"k", true}}}}});
    for (size_t n = 0; n < bytes.size(); ++n) {
        std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(n));
        auto result = decode(prefix);
        EXPECT_FALSE(result.ok()) << "prefix of " << n << " bytes";
    }
}

TEST(KeyedArchiveRejection, APropertyListThatIsNoKeyedArchiveIsRefused) {
    plist_t dict = plist_new_dict();
    plist_dict_set_item(dict, "hello", plist_new_uint(1));
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(dict, &bytes, &length);
    std::vector<uint8_t> data(bytes, bytes + length);
    plist_to_bin_free(bytes);
    plist_free(dict);
    EXPECT_NE(errorOf(data).find("$objects"), std::string::npos);
}

TEST(KeyedArchiveRejection, ARecordThatContainsItselfIsRefusedAsACycle) {
    HandArchive a;
    uint64_t slot = a.reserve();
    a.set(slot, a.recordNode("R", {{"d", H::uid(slot)}}));
    a.top("root", H::uid(slot));
    EXPECT_NE(errorOf(a.binary(), testRecordFactory({{"R", kScalarKeys}})).find("cycle"), std::string::npos);
}

TEST(KeyedArchiveRejection, AListThatContainsItselfFurtherDownIsRefusedAsACycle) {
    HandArchive a;
    uint64_t outer = a.reserve();
    uint64_t inner = a.list({outer});
    a.set(outer, a.recordNode("NSArray", {{"NS.objects", H::uidArray({inner})}}));
    a.top("root", H::uid(outer));
    EXPECT_NE(errorOf(a.binary()).find("cycle"), std::string::npos);
}

TEST(KeyedArchiveRejection, AReferenceBeyondTheObjectsIsRefused) {
    HandArchive a;
    a.top("root", H::uid(a.list({999})));
    EXPECT_NE(errorOf(a.binary()).find("999"), std::string::npos);
}

TEST(KeyedArchiveRejection, NestingBeyondTheLimitIsRefused) {
    EXPECT_NE(errorOf(nestedLists(archive::kMaxArchiveNesting + 1)).find("nested too deeply"), std::string::npos);
}

TEST(KeyedArchiveRejection, DeeplyNestedXmlIsRefusedBeforeItIsParsed) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\">";
    for (int i = 0; i < 100000; ++i) xml += "<array>";
    for (int i = 0; i < 100000; ++i) xml += "</array>";
    xml += "</plist>";
    EXPECT_NE(errorOf(std::vector<uint8_t>(xml.begin(), xml.end())).find("nested too deeply"), std::string::npos);
}

TEST(KeyedArchiveRejection, ListsSharedOverAndOverAreRefusedInsteadOfExpanded) {
    // Each list holds the next one twice: 2^60 values if followed naively.
    HandArchive a;
    uint64_t next = a.add(H::integer(1));
    for (int i = 0; i < 60; ++i) next = a.list({next, next});
    a.top("root", H::uid(next));
    EXPECT_NE(errorOf(a.binary()).find("expands"), std::string::npos);
}

TEST(KeyedArchiveRejection, ContainersSharedInsideTheFileAreNeverExpanded) {
    // Plain arrays sharing their children at the property-list level: a tree reader
    // would copy 2^60 nodes. Unreferenced, they cost nothing; referenced, they are
    // refused as something no keyed archive holds.
    for (bool referenced : {false, true}) {
        archive::BinaryPlistWriter w;
        const auto root = w.reserveDict();
        std::vector<archive::BinaryPlistWriter::Ref> objects = {w.string("$null")};
        auto leaf = w.integer(1);
        auto shared = leaf;
        for (int i = 0; i < 60; ++i) shared = w.array({shared, shared});
        objects.push_back(shared);
        auto top = w.dict({{w.string("root"), w.uid(referenced ? 1 : 0)}});
        w.setDict(root, {{w.string("$top"), top}, {w.string("$objects"), w.array(objects)}});
        auto result = decode(w.finish(root));
        EXPECT_EQ(result.ok(), !referenced) << result.error();
    }
}

TEST(KeyedArchiveRejection, DamagedStructureIsRefusedWithAReason) {
    {
        HandArchive a;  // a record without a class
        plist_t record = plist_new_dict();
        plist_dict_set_item(record, "x", H::integer(1));
        a.top("root", H::uid(a.add(record)));
        EXPECT_NE(errorOf(a.binary()).find("no class"), std::string::npos);
    }
    {
        HandArchive a;  // a class record without a name
        plist_t cls = plist_new_dict();
        plist_dict_set_item(cls, "$classes", plist_new_array());
        uint64_t classId = a.add(cls);
        plist_t record = plist_new_dict();
        plist_dict_set_item(record, "$class", H::uid(classId));
        a.top("root", H::uid(a.add(record)));
        EXPECT_NE(errorOf(a.binary()).find("class name"), std::string::npos);
    }
    {
        HandArchive a;  // a dictionary whose key is a number
        uint64_t key = a.add(H::integer(5));
        uint64_t value = a.add(H::integer(6));
        a.top("root", H::uid(a.record("NSDictionary", {{"NS.keys", H::uidArray({key})},
                                                       {"NS.objects", H::uidArray({value})}})));
        EXPECT_NE(errorOf(a.binary()).find("not a string"), std::string::npos);
    }
    {
        HandArchive a;  // keys and values of different lengths
        uint64_t key = a.add(H::string("k"));
        a.top("root", H::uid(a.record("NSDictionary", {{"NS.keys", H::uidArray({key})},
                                                       {"NS.objects", H::uidArray({})}})));
        EXPECT_NE(errorOf(a.binary()).find("unequal"), std::string::npos);
    }
    {
        HandArchive a;  // a list whose members are not a list
        a.top("root", H::uid(a.record("NSArray", {{"NS.objects", H::integer(3)}})));
        EXPECT_NE(errorOf(a.binary()).find("member list"), std::string::npos);
    }
    {
        HandArchive a;  // an NSString record without text
        a.top("root", H::uid(a.record("NSString", {{"NS.string", H::integer(3)}})));
        EXPECT_NE(errorOf(a.binary()).find("no text"), std::string::npos);
    }
}

TEST(KeyedArchiveRejection, InputOverTheSizeLimitIsRefusedUnread) {
    std::vector<uint8_t> huge(archive::kMaxArchiveBytes + 1, 0);
    std::copy_n("bplist00", 8, huge.begin());
    EXPECT_EQ(errorOf(huge), "larger than 64 MiB");
}

TEST(KeyedArchiveRejection, ATrailerClaimingAnAbsurdNumberOfObjectsIsRefused) {
    auto bytes = archive::encodeKeyedArchive({{"root", int32_t{1}}});
    const size_t countAt = bytes.size() - 24;
    for (int i = 0; i < 8; ++i) bytes[countAt + i] = i == 3 ? 0x01 : 0x00;  // 2^32 objects
    EXPECT_NE(errorOf(bytes).find("absurd"), std::string::npos);
}

TEST(KeyedArchiveRejection, ArbitraryByteFlipsNeverCrashTheReader) {
    auto bytes = archive::encodeKeyedArchive(
        {{"root", CoderList{1.5, "text", CoderDictionary{{"k", true}}, CoderColor{0.1, 0.2, 0.3, 1.0}}}});
    // Every single-byte change to every position: each decode either succeeds or says why not.
    for (size_t i = 0; i < bytes.size(); ++i) {
        for (uint8_t value : {uint8_t{0x00}, uint8_t{0xFF}, uint8_t{0x0F}, uint8_t{0x80}, uint8_t{0xD1}}) {
            auto changed = bytes;
            changed[i] = value;
            auto result = decode(changed);
            EXPECT_TRUE(result.ok() || !result.error().empty()) << "byte " << i;
        }
    }
}
