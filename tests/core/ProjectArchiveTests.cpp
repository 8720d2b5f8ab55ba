// The project archive ("project.plist") and the clipboard payload: round trips of
// tracks, sections and markers, the layout of their records, lenient reading of
// values stored in other shapes, and refusal of archives whose values have the
// wrong types.
#include <gtest/gtest.h>

#include "ArchiveTestSupport.h"
#include "HandArchive.h"
#include "archive/ProjectArchive.h"
#include "data/AudioSampleData.h"
#include "data/AudioWaveData.h"
#include "support/TestSupport.h"

using namespace wavomer;
using namespace wavomer::test;
using H = HandArchive;

namespace {

const std::vector<std::string> kSectionKeys = {
    "audioPath",       "channel",        "startTime",           "endTime",      "trackStartTime", "trackEndTime",
    "isMute",          "fadeMode",       "customFadeStart",     "customFadeStop", "fadeStartTimeOffset",
    "fadeDuration",    "volumeValue",    "effectDic",           "isBlankSection", "isNoiseSection"};

// A section whose every archived property differs from its default.
SectionPtr unusualSection(int seed) {
    auto s = AudioSection::section();
    s->audioPath = "/tmp/wavomer-none/ImportAudio_" + std::to_string(seed) + ".data";
    s->channel = 1 + seed % 2;
    s->startTime = 0.1 * seed;
    s->endTime = 0.1 * seed + 2.5;
    s->trackStartTime = 10.0 + seed;
    s->trackEndTime = 12.5 + seed;
    s->isMute = true;
    s->fadeMode = 3;
    s->customFadeStart = 0.2;
    s->customFadeStop = 0.8;
    s->fadeStartTimeOffset = 0.75;
    s->fadeDuration = 3.0;
    s->volumeValue = 1.0 / 3.0;
    s->effectDic = EffectDic{{"name", "Reverb"}, {"wetDryMix", 35.5}, {"preset", int32_t{4}}};
    s->isBlankSection = false;
    s->isNoiseSection = true;
    return s;
}

void expectSameSection(const AudioSection& a, const AudioSection& b) {
    for (const std::string& key : kSectionKeys) EXPECT_TRUE(sameValue(a.valueForKey(key), b.valueForKey(key), key));
}

std::vector<TrackPtr> sampleTracks() {
    auto first = std::make_shared<AudioTrack>();
    first->setSectionArray({unusualSection(1), AudioSection::blankSectionWithTrackStartTime(13.5, 20.0)});
    auto second = std::make_shared<AudioTrack>();
    second->setSectionArray({unusualSection(2)});
    auto empty = std::make_shared<AudioTrack>();
    return {first, second, empty};
}

std::vector<MarkerPtr> sampleMarkers() {
    return {MarkerItem::createMarkerWithTime(1.5), MarkerItem::createMarkerWithTime(1.5),
            MarkerItem::createMarkerWithTime(7.25)};
}

Outcome<archive::DecodedProject> decodeProject(const std::vector<uint8_t>& bytes) {
    return archive::decodeProject(bytes.data(), bytes.size());
}

// A project archive with one track holding one section record with the given fields.
std::vector<uint8_t> projectWithSectionFields(HandArchive& a, const H::Fields& fields) {
    uint64_t section = a.record("AudioSection", fields);
    uint64_t sections = a.list({section});
    uint64_t track = a.record("AudioTrack", {{"sectionArray", H::uid(sections)}});
    a.top("audioTrackArray", H::uid(a.list({track})));
    a.top("markArray", H::uid(a.list({})));
    return a.binary();
}

}  // namespace

// ---------------------------------------------------------------------------
// Round trips

TEST(ProjectArchiveRoundTrip, EveryTrackSectionAndMarkerComesBackWithEveryArchivedValue) {
    auto tracks = sampleTracks();
    auto markers = sampleMarkers();
    auto result = decodeProject(archive::encodeProject(tracks, markers));
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_TRUE(result->hasTracks);
    EXPECT_TRUE(result->hasMarkers);
    ASSERT_EQ(result->tracks.size(), tracks.size());
    for (size_t t = 0; t < tracks.size(); ++t) {
        const SectionArray& want = tracks[t]->sectionArray();
        const SectionArray& got = result->tracks[t]->sectionArray();
        ASSERT_EQ(got.size(), want.size()) << "track " << t;
        for (size_t s = 0; s < want.size(); ++s) expectSameSection(*want[s], *got[s]);
    }
    ASSERT_EQ(result->markers.size(), markers.size());
    for (size_t m = 0; m < markers.size(); ++m) EXPECT_EQ(result->markers[m]->markerTime, markers[m]->markerTime);
    EXPECT_NE(result->markers[0], result->markers[1]);  // two markers at one time stay two markers
}

TEST(ProjectArchiveRoundTrip, ABlankSectionKeepsItsAbsentPathAndEffect) {
    auto track = std::make_shared<AudioTrack>();
    track->setSectionArray({AudioSection::blankSectionWithTrackStartTime(0.0, 4.0)});
    auto result = decodeProject(archive::encodeProject({track}, {}));
    ASSERT_TRUE(result.ok()) << result.error();
    const AudioSection& s = *result->tracks[0]->sectionArray()[0];
    EXPECT_FALSE(s.audioPath.has_value());
    EXPECT_FALSE(s.effectDic.has_value());
    EXPECT_TRUE(s.isBlankSection);
    EXPECT_EQ(s.trackEndTime, 4.0);
}

TEST(ProjectArchiveRoundTrip, TheClipboardPayloadComesBackAsListsOfSections) {
    std::vector<SectionArray> payload = {{unusualSection(3), unusualSection(4)}, {unusualSection(5)}};
    auto bytes = archive::encodeClipboardPayload(payload);
    auto result = archive::decodeClipboardPayload(bytes.data(), bytes.size());
    ASSERT_TRUE(result.ok()) << result.error();
    ASSERT_EQ((*result).size(), 2u);
    ASSERT_EQ((*result)[0].size(), 2u);
    ASSERT_EQ((*result)[1].size(), 1u);
    expectSameSection(*payload[0][1], *(*result)[0][1]);
    expectSameSection(*payload[1][0], *(*result)[1][0]);
    // Every decode makes fresh sections.
    auto again = archive::decodeClipboardPayload(bytes.data(), bytes.size());
    EXPECT_NE((*again)[0][0], (*result)[0][0]);
}

TEST(ProjectArchiveRoundTrip, AFileWrittenToAProjectFolderReadsBack) {
    ScratchDir dir;
    const std::string path = archive::projectArchivePath(dir.path());
    EXPECT_EQ(path, dir.path() + "/project.plist");
    ASSERT_OK(archive::writeProjectFile(path, sampleTracks(), sampleMarkers()));
    auto result = archive::readProjectFile(path);
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_EQ(result->tracks.size(), 3u);
    EXPECT_EQ(result->markers.size(), 3u);
}

TEST(ProjectArchiveRoundTrip, DecodingASectionAttachesTheWaveDataOfItsFile) {
    ScratchDir dir;
    const std::string path = dir.file("ImportAudio_1.data");
    {
        auto data = AudioSampleData::dataForWritingAtPath(path);
        ASSERT_TRUE(data);
        data->setChannels(1);
        std::vector<float> block(1024, 0.5f);
        for (int64_t p = 0; p < 44100; p += 1024) data->writeSample(block.data(), 0, 1024, p);
        ASSERT_TRUE(data->closeData());
    }
    auto section = AudioSection::section();
    section->audioPath = path;
    section->endTime = 1.0;
    section->trackEndTime = 1.0;
    auto track = std::make_shared<AudioTrack>();
    track->setSectionArray({section});
    auto result = decodeProject(archive::encodeProject({track}, {}));
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_TRUE(result->tracks[0]->sectionArray()[0]->audioWaveData());
}

// ---------------------------------------------------------------------------
// Layout

TEST(ProjectArchiveWriting, RootKeysAreTheTrackListThenTheMarkerList) {
    ParsedPlist plist(archive::encodeProject(sampleTracks(), sampleMarkers()));
    plist_t top = plist_dict_get_item(plist.node, "$top");
    ASSERT_EQ(plist_dict_get_size(top), 2u);
    plist_dict_iter it = nullptr;
    plist_dict_new_iter(top, &it);
    std::vector<std::string> keys;
    for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(top, it, &key, &value);
        if (!key) break;
        keys.emplace_back(key);
        free(key);
    }
    free(it);
    EXPECT_EQ(keys, (std::vector<std::string>{"audioTrackArray", "markArray"}));
}

TEST(ProjectArchiveWriting, SectionRecordsHoldTheSixteenKeysAndMarkersTheirTime) {
    auto track = std::make_shared<AudioTrack>();
    track->setSectionArray({unusualSection(1)});
    ParsedPlist plist(archive::encodeProject({track}, {MarkerItem::createMarkerWithTime(2.0)}));
    plist_t trackList = plist.topObject("audioTrackArray");
    plist_t trackRecord = plist.object(ParsedPlist::uidOf(plist_array_get_item(plist_dict_get_item(trackList, "NS.objects"), 0)));
    EXPECT_EQ(plist.className(trackRecord), "AudioTrack");
    plist_t sectionList = plist.field(trackRecord, "sectionArray");
    EXPECT_EQ(plist.className(sectionList), "NSArray");
    plist_t section = plist.object(ParsedPlist::uidOf(plist_array_get_item(plist_dict_get_item(sectionList, "NS.objects"), 0)));
    EXPECT_EQ(plist.className(section), "AudioSection");
    EXPECT_EQ(plist_dict_get_size(section), 17u);
    for (const std::string& key : kSectionKeys) EXPECT_TRUE(plist_dict_get_item(section, key.c_str())) << key;
    EXPECT_EQ(plist.className(plist.field(section, "effectDic")), "NSDictionary");
    EXPECT_EQ(plist_get_node_type(plist.field(section, "channel")), PLIST_UINT);
    EXPECT_EQ(plist_get_node_type(plist.field(section, "isMute")), PLIST_BOOLEAN);
    EXPECT_EQ(plist_get_node_type(plist.field(section, "startTime")), PLIST_REAL);
    plist_t markerList = plist.topObject("markArray");
    plist_t marker = plist.object(ParsedPlist::uidOf(plist_array_get_item(plist_dict_get_item(markerList, "NS.objects"), 0)));
    EXPECT_EQ(plist.className(marker), "MarkerItem");
    EXPECT_EQ(plist_get_node_type(plist.field(marker, "markerTime")), PLIST_REAL);
}

// A marker record as a reader that knows no names sees it: its time alone.
class TimeOnlyMarker : public CodingBase {
public:
    std::string coderClassName() const override { return "MarkerItem"; }
    std::vector<std::string> allCoderKeys() const override { return {"markerTime"}; }
    CoderValue valueForKey(const std::string&) const override { return CoderValue(time); }
    void setValueForKey(const std::string&, const CoderValue& value) override { value.asDouble(time); }
    double time = -1.0;
};

TEST(ProjectArchiveWriting, AMarkersNameIsWrittenOnlyWhenItHasOneAndReadersThatKnowNoNamesReadTheRest) {
    auto named = MarkerItem::createMarkerWithTime(2.0);
    named->markerName = "Глава 2 — Ü";
    const std::vector<uint8_t> bytes = archive::encodeProject({}, {MarkerItem::createMarkerWithTime(1.0), named});
    ParsedPlist plist(bytes);
    plist_t list = plist_dict_get_item(plist.topObject("markArray"), "NS.objects");
    EXPECT_EQ(plist_dict_get_size(plist.object(ParsedPlist::uidOf(plist_array_get_item(list, 0)))), 2u);
    EXPECT_EQ(plist_dict_get_size(plist.object(ParsedPlist::uidOf(plist_array_get_item(list, 1)))), 3u);
    Outcome<archive::DecodedProject> back = archive::decodeProject(bytes.data(), bytes.size());
    ASSERT_TRUE(back.ok()) << back.error();
    ASSERT_EQ(back->markers.size(), 2u);
    EXPECT_FALSE(back->markers[0]->markerName);
    EXPECT_EQ(back->markers[1]->markerName, named->markerName);
    // A reader without names takes the times and nothing else.
    Outcome<archive::RootEntries> older = archive::decodeKeyedArchive(bytes.data(), bytes.size(), [](const std::string& name) -> CoderObject {
        return name == "MarkerItem" ? std::make_shared<TimeOnlyMarker>() : nullptr;
    });
    ASSERT_TRUE(older.ok()) << older.error();
    const CoderList* markers = archive::findRootValue(*older, "markArray")->asList();
    ASSERT_TRUE(markers && markers->size() == 2u);
    EXPECT_EQ(std::dynamic_pointer_cast<TimeOnlyMarker>(*(*markers)[1].asObject())->time, 2.0);
}

TEST(ProjectArchiveWriting, TheSameProjectGivesTheSameBytes) {
    EXPECT_EQ(archive::encodeProject(sampleTracks(), sampleMarkers()),
              archive::encodeProject(sampleTracks(), sampleMarkers()));
}

// ---------------------------------------------------------------------------
// Lenient reading

TEST(ProjectArchiveReading, NumbersStoredAsIntegersAndBooleansAsIntegersAreTaken) {
    HandArchive a;
    auto bytes = projectWithSectionFields(a, {{"startTime", H::integer(3)},
                                              {"isMute", H::integer(1)},
                                              {"fadeMode", H::uid(a.add(H::integer(2)))},
                                              {"volumeValue", H::uid(a.add(H::real(0.5)))},
                                              {"audioPath", H::uid(a.record("NSString", {{"NS.string", H::string("/x.data")}}))}});
    auto result = decodeProject(bytes);
    ASSERT_TRUE(result.ok()) << result.error();
    const AudioSection& s = *result->tracks[0]->sectionArray()[0];
    EXPECT_EQ(s.startTime, 3.0);
    EXPECT_TRUE(s.isMute);
    EXPECT_EQ(s.fadeMode, 2);
    EXPECT_EQ(s.volumeValue, 0.5);
    EXPECT_EQ(s.audioPath.value_or(""), "/x.data");
}

TEST(ProjectArchiveReading, MissingKeysKeepTheirDefaults) {
    HandArchive a;
    auto result = decodeProject(projectWithSectionFields(a, {{"endTime", H::real(2.0)}}));
    ASSERT_TRUE(result.ok()) << result.error();
    const AudioSection& s = *result->tracks[0]->sectionArray()[0];
    EXPECT_EQ(s.endTime, 2.0);
    EXPECT_EQ(s.fadeDuration, 1.0);
    EXPECT_EQ(s.customFadeStart, 1.0);
    EXPECT_EQ(s.volumeValue, 1.0);
    EXPECT_FALSE(s.audioPath.has_value());
}

TEST(ProjectArchiveReading, AnArchiveWithoutMarkersSaysSo) {
    auto bytes = archive::encodeKeyedArchive({{"audioTrackArray", CoderList{}}});
    auto result = decodeProject(bytes);
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_TRUE(result->hasTracks);
    EXPECT_FALSE(result->hasMarkers);
}

TEST(ProjectArchiveReading, TheXmlFormOfAProjectIsRead) {
    HandArchive a;
    uint64_t marker = a.record("MarkerItem", {{"markerTime", H::uid(a.add(H::real(4.5)))}});
    a.top("audioTrackArray", H::uid(a.list({})));
    a.top("markArray", H::uid(a.list({marker}, "NSMutableArray")));
    auto result = decodeProject(a.xml());
    ASSERT_TRUE(result.ok()) << result.error();
    ASSERT_EQ(result->markers.size(), 1u);
    EXPECT_EQ(result->markers[0]->markerTime, 4.5);
}

// ---------------------------------------------------------------------------
// Refusal

TEST(ProjectArchiveRejection, ValuesOfTheWrongTypeMakeTheProjectUnreadable) {
    {
        HandArchive a;
        auto result = decodeProject(projectWithSectionFields(a, {{"startTime", H::string("soon")}}));
        EXPECT_FALSE(result.ok());
        EXPECT_NE(result.error().find("AudioSection.startTime"), std::string::npos) << result.error();
    }
    {
        HandArchive a;
        auto result = decodeProject(projectWithSectionFields(a, {{"audioPath", H::real(1.0)}}));
        EXPECT_FALSE(result.ok());
        EXPECT_NE(result.error().find("audioPath"), std::string::npos) << result.error();
    }
    {
        HandArchive a;
        uint64_t bad = a.record("NSDictionary", {{"NS.keys", H::uidArray({a.add(H::string("name"))})},
                                                 {"NS.objects", H::uidArray({a.add(H::integer(5))})}});
        auto result = decodeProject(projectWithSectionFields(a, {{"effectDic", H::uid(bad)}}));
        EXPECT_FALSE(result.ok());
        EXPECT_NE(result.error().find("effectDic.name"), std::string::npos) << result.error();
    }
    {
        HandArchive a;
        uint64_t bad = a.record("NSDictionary", {{"NS.keys", H::uidArray({a.add(H::string("mix"))})},
                                                 {"NS.objects", H::uidArray({a.add(H::string("loud"))})}});
        auto result = decodeProject(projectWithSectionFields(a, {{"effectDic", H::uid(bad)}}));
        EXPECT_FALSE(result.ok());
        EXPECT_NE(result.error().find("effectDic.mix"), std::string::npos) << result.error();
    }
}

TEST(ProjectArchiveRejection, ListsHoldingTheWrongRecordsMakeTheProjectUnreadable) {
    {
        HandArchive a;  // a marker where a track belongs
        uint64_t marker = a.record("MarkerItem", {{"markerTime", H::real(1.0)}});
        a.top("audioTrackArray", H::uid(a.list({marker})));
        auto result = decodeProject(a.binary());
        EXPECT_FALSE(result.ok());
        EXPECT_NE(result.error().find("audioTrackArray"), std::string::npos) << result.error();
    }
    {
        HandArchive a;  // a track whose section list holds a marker
        uint64_t marker = a.record("MarkerItem", {{"markerTime", H::real(1.0)}});
        uint64_t track = a.record("AudioTrack", {{"sectionArray", H::uid(a.list({marker}))}});
        a.top("audioTrackArray", H::uid(a.list({track})));
        auto result = decodeProject(a.binary());
        EXPECT_FALSE(result.ok());
        EXPECT_NE(result.error().find("sectionArray"), std::string::npos) << result.error();
    }
    {
        HandArchive a;  // a section list that is a string
        uint64_t track = a.record("AudioTrack", {{"sectionArray", H::string("none")}});
        a.top("audioTrackArray", H::uid(a.list({track})));
        EXPECT_FALSE(decodeProject(a.binary()).ok());
    }
    {
        HandArchive a;  // a marker list that is a number
        a.top("audioTrackArray", H::uid(a.list({})));
        a.top("markArray", H::uid(a.add(H::integer(3))));
        auto result = decodeProject(a.binary());
        EXPECT_FALSE(result.ok());
        EXPECT_NE(result.error().find("markArray"), std::string::npos) << result.error();
    }
    {
        HandArchive a;  // a section of a class the program does not know
        uint64_t alien = a.record("AudioClip", {{"startTime", H::real(1.0)}});
        uint64_t track = a.record("AudioTrack", {{"sectionArray", H::uid(a.list({alien}))}});
        a.top("audioTrackArray", H::uid(a.list({track})));
        EXPECT_FALSE(decodeProject(a.binary()).ok());
    }
}

TEST(ProjectArchiveRejection, AClipboardPayloadOfAnotherShapeIsRefused) {
    auto flat = archive::encodeKeyedArchive({{"root", CoderList{CoderObject(unusualSection(1))}}});
    auto result = archive::decodeClipboardPayload(flat.data(), flat.size());
    EXPECT_FALSE(result.ok());
    auto missing = archive::encodeKeyedArchive({{"other", CoderList{}}});
    EXPECT_FALSE(archive::decodeClipboardPayload(missing.data(), missing.size()).ok());
}

TEST(ProjectArchiveRejection, AnUnreadableFileIsReportedWithItsPath) {
    ScratchDir dir;
    const std::string path = dir.file("project.plist");
    auto missing = archive::readProjectFile(path);
    EXPECT_FALSE(missing.ok());
    EXPECT_NE(missing.error().find(path), std::string::npos);
    ASSERT_OK(archive::writeFileAtomically(path, {'n', 'o', 'p', 'e'}));
    auto garbage = archive::readProjectFile(path);
    EXPECT_FALSE(garbage.ok());
    EXPECT_NE(garbage.error().find(path), std::string::npos);
    EXPECT_NE(garbage.error().find("not a property list"), std::string::npos);
}
