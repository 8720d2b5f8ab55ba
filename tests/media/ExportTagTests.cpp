// Tags written after an export, read back with TagLib for every format that carries
// them: every field, the cover as PNG, and no value at all for a number left at 0.
#include <gtest/gtest.h>

#include <taglib/aifffile.h>
#include <taglib/asffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>

#include "FFmpegMovieFileOutput.h"
#include "TagLibTagWriter.h"
#include "data/AudioWaveData.h"
#include "export/ProjectExporter.h"
#include "support/SampleFiles.h"
#include "support/TestSupport.h"

using namespace wavomer;
using wavomer::test::ScratchDir;

namespace {

// A 1 × 1 PNG (its bytes only matter as a cover that comes back unchanged).
const std::vector<uint8_t> kPng = {0x89, 'P', 'N', 'G', 0x0d, 0x0a, 0x1a, 0x0a, 0, 0, 0, 0x0d, 'I', 'H', 'D', 'R',
                                   0, 0, 0, 1, 0, 0, 0, 1, 8, 6, 0, 0, 0, 0x1f, 0x15, 0xc4, 0x89};

std::shared_ptr<ID3TagInfo> fullTags() {
    auto tags = std::make_shared<ID3TagInfo>();
    tags->image = kPng;
    tags->title = "Tïtle";
    tags->artist = "Artist";
    tags->album = "Album";
    tags->year = 2024;
    tags->comment = "Comment";
    tags->track = 3;
    tags->totalTrack = 12;
    tags->genre = "Jazz";
    tags->group = "Group";
    tags->composer = "Composer";
    tags->disc = 1;
    tags->totalDisc = 2;
    tags->bpm = 120;
    return tags;
}

std::string joined(const TagLib::PropertyMap& map, const char* key) {
    auto found = map.find(key);
    return found == map.end() ? std::string() : found->second.toString(";").to8Bit(true);
}

// The cover as the file's own tag format keeps it.
std::vector<uint8_t> coverOf(const std::string& path, const std::string& ext) {
    auto toVector = [](const TagLib::ByteVector& b) { return std::vector<uint8_t>(b.begin(), b.end()); };
    auto fromId3 = [&](TagLib::ID3v2::Tag* tag) -> std::vector<uint8_t> {
        if (!tag) return {};
        auto frames = tag->frameList("APIC");
        if (frames.isEmpty()) return {};
        auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frames.front());
        return picture && picture->mimeType() == "image/png" ? toVector(picture->picture()) : std::vector<uint8_t>{};
    };
    if (ext == "mp3" || ext == "mp2") {
        TagLib::MPEG::File f(path.c_str());
        return fromId3(f.ID3v2Tag());
    }
    if (ext == "wav") {
        TagLib::RIFF::WAV::File f(path.c_str());
        return fromId3(f.ID3v2Tag());
    }
    if (ext == "aiff") {
        TagLib::RIFF::AIFF::File f(path.c_str());
        return fromId3(f.tag());
    }
    if (ext == "m4a" || ext == "m4b" || ext == "m4r") {
        TagLib::MP4::File f(path.c_str());
        auto covers = f.tag()->item("covr").toCoverArtList();
        return covers.isEmpty() || covers.front().format() != TagLib::MP4::CoverArt::PNG
                   ? std::vector<uint8_t>{}
                   : toVector(covers.front().data());
    }
    if (ext == "flac") {
        TagLib::FLAC::File f(path.c_str());
        auto pictures = f.pictureList();
        return pictures.isEmpty() ? std::vector<uint8_t>{} : toVector(pictures.front()->data());
    }
    if (ext == "ogg" || ext == "opus") {
        std::unique_ptr<TagLib::File> f;
        if (ext == "ogg") f = std::make_unique<TagLib::Ogg::Vorbis::File>(path.c_str());
        else f = std::make_unique<TagLib::Ogg::Opus::File>(path.c_str());
        auto* comment = dynamic_cast<TagLib::Ogg::XiphComment*>(f->tag());
        auto pictures = comment ? comment->pictureList() : TagLib::List<TagLib::FLAC::Picture*>();
        return pictures.isEmpty() ? std::vector<uint8_t>{} : toVector(pictures.front()->data());
    }
    if (ext == "wma") {
        TagLib::ASF::File f(path.c_str());
        auto pictures = f.tag()->attribute("WM/Picture");
        return pictures.isEmpty() ? std::vector<uint8_t>{} : toVector(pictures.front().toPicture().picture());
    }
    return {};
}

class ExportTagTest : public ::testing::Test {
protected:
    void SetUp() override { AudioWaveDataCache::share().removeAll(); }
    void TearDown() override { AudioWaveDataCache::share().removeAll(); }

    ExportReport exportWith(const std::string& title, std::shared_ptr<ID3TagInfo> tags, bool split = false) {
        const std::string source = dir.file("s" + std::to_string(count_++) + ".data");
        wavomer::test::writeSampleFile(source, 1, 44100 * 3, [](int, int64_t k) { return (k % 100) / 400.0f; });
        auto section = AudioSection::sectionWithPath(source);
        section->endTime = section->trackEndTime = 3.0;
        auto track = std::make_shared<AudioTrack>();
        track->setSectionArray({section});
        ExportOptionsModel options(FormatCatalogue::builtIn(), &engine);
        options.setTrackCount(1);
        EXPECT_TRUE(options.formatChangedAction(title));
        ExportRequest request;
        request.outputFolder = dir.file("out");
        request.format = options.encoderSettings();
        request.tags = std::move(tags);
        request.convertUseMarker = split;
        ExportSnapshot snapshot;
        snapshot.tracks = TrackSnapshot({track});
        snapshot.endTime = 3.0;
        snapshot.markerTimes = {0.0, 1.0, 2.0, 3.0};
        ProjectExporter exporter(engine, &writer);
        return exporter.run(request, snapshot);
    }

    ScratchDir dir;
    FFmpegMediaWriterEngine engine;
    TagLibTagWriter writer;
    int count_ = 0;
};

}  // namespace

TEST_F(ExportTagTest, EveryTaggableFormatReadsBackEveryField) {
    for (const std::string& title : FormatCatalogue::builtIn().menu(FormatMenuKind::formatMenu)) {
        const std::string ext = FormatCatalogue::builtIn().pathExtention(title);
        if (ext == "ac3") continue;
        SCOPED_TRACE(title);
        ExportReport outcome = exportWith(title, fullTags());
        ASSERT_TRUE(outcome.ok()) << outcome.error();
        ASSERT_TRUE(outcome.warnings.empty()) << outcome.warnings.front();
        const std::string path = outcome.writtenPaths.at(0);
        TagLib::FileRef ref(path.c_str());
        ASSERT_FALSE(ref.isNull());
        TagLib::Tag* tag = ref.tag();
        EXPECT_EQ(tag->title().to8Bit(true), "Tïtle");
        EXPECT_EQ(tag->artist().to8Bit(true), "Artist");
        EXPECT_EQ(tag->album().to8Bit(true), "Album");
        EXPECT_EQ(tag->year(), 2024u);
        EXPECT_EQ(tag->track(), 3u);
        EXPECT_EQ(tag->genre().to8Bit(true), "Jazz");
        EXPECT_EQ(tag->comment().to8Bit(true), "Comment");
        TagLib::PropertyMap props = ref.file()->properties();
        EXPECT_EQ(joined(props, "COMPOSER"), "Composer");
        if (ext != "wma") {
            EXPECT_EQ(joined(props, "BPM"), "120");
            EXPECT_EQ(joined(props, "DISCNUMBER").substr(0, 1), "1");
        }
        EXPECT_EQ(coverOf(path, ext), kPng);
    }
}

TEST_F(ExportTagTest, TheTotalsAndTheGroupingLandInEachFormatsOwnFields) {
    {
        ExportReport o = exportWith("MP3 - MPEG Layer-3 Audio(*.mp3)", fullTags());
        TagLib::MPEG::File f(o.writtenPaths.at(0).c_str());
        auto* id3 = f.ID3v2Tag();
        ASSERT_TRUE(id3);
        EXPECT_EQ(id3->frameList("TRCK").front()->toString().to8Bit(), "3/12");
        EXPECT_EQ(id3->frameList("TPOS").front()->toString().to8Bit(), "1/2");
        EXPECT_EQ(id3->frameList("TIT1").front()->toString().to8Bit(), "Group");
    }
    {
        ExportReport o = exportWith("AAC - Advanced Audio Coding(*.m4a)", fullTags());
        TagLib::MP4::File f(o.writtenPaths.at(0).c_str());
        EXPECT_EQ(f.tag()->item("trkn").toIntPair().second, 12);
        EXPECT_EQ(f.tag()->item("disk").toIntPair().second, 2);
        EXPECT_EQ(f.tag()->item("\251grp").toStringList().toString().to8Bit(), "Group");
        EXPECT_EQ(f.tag()->item("tmpo").toInt(), 120);
    }
    {
        ExportReport o = exportWith("FLAC - Free Lossless Audio Codec(*.flac)", fullTags());
        TagLib::FLAC::File f(o.writtenPaths.at(0).c_str());
        auto fields = f.xiphComment()->fieldListMap();
        EXPECT_EQ(fields["TRACKTOTAL"].toString().to8Bit(), "12");
        EXPECT_EQ(fields["DISCTOTAL"].toString().to8Bit(), "2");
        EXPECT_EQ(fields["GROUPING"].toString().to8Bit(), "Group");
    }
}

TEST_F(ExportTagTest, NumbersLeftAtZeroWriteNoValue) {
    auto tags = std::make_shared<ID3TagInfo>();
    tags->title = "Only a title";
    for (const char* title : {"MP3 - MPEG Layer-3 Audio(*.mp3)", "AAC - Advanced Audio Coding(*.m4a)",
                              "FLAC - Free Lossless Audio Codec(*.flac)", "WMA - Windows Media Audio(*.wma)"}) {
        SCOPED_TRACE(title);
        ExportReport o = exportWith(title, tags);
        ASSERT_TRUE(o.ok()) << o.error();
        TagLib::FileRef ref(o.writtenPaths.at(0).c_str());
        EXPECT_EQ(ref.tag()->title().to8Bit(), "Only a title");
        TagLib::PropertyMap props = ref.file()->properties();
        for (const char* key : {"TRACKNUMBER", "DISCNUMBER", "DATE", "BPM", "TRACKTOTAL", "DISCTOTAL"})
            EXPECT_EQ(props.find(key), props.end()) << key << " = " << joined(props, key);
    }
}

TEST_F(ExportTagTest, EveryPieceOfASplitExportGetsTheSameTags) {
    ExportReport o = exportWith("OGG - Ogg Vorbis Audio(*.ogg)", fullTags(), true);
    ASSERT_TRUE(o.ok()) << o.error();
    ASSERT_EQ(o.writtenPaths.size(), 3u);
    for (const std::string& path : o.writtenPaths) {
        TagLib::FileRef ref(path.c_str());
        EXPECT_EQ(ref.tag()->title().to8Bit(true), "Tïtle") << path;
        EXPECT_EQ(ref.tag()->track(), 3u) << path;
    }
}

TEST_F(ExportTagTest, AFormatThatHoldsNoTagsIsWrittenWithAWarningNamingWhatWasLeftOut) {
    auto tags = std::make_shared<ID3TagInfo>();
    tags->title = "T";
    tags->year = 1999;
    ExportReport o = exportWith("AC3 - Dolby Digital Audio(*.ac3)", tags);
    ASSERT_TRUE(o.ok()) << o.error();
    ASSERT_EQ(o.writtenPaths.size(), 1u);
    ASSERT_EQ(o.warnings.size(), 1u);
    const std::string& warning = o.warnings[0];
    EXPECT_EQ(warning.rfind(o.writtenPaths[0] + ": ", 0), 0u) << warning;
    EXPECT_NE(warning.find("title, year"), std::string::npos) << warning;
    EXPECT_EQ(warning.find("artist"), std::string::npos) << warning;
}

TEST_F(ExportTagTest, AWavFileCarriesItsTagsInTheRiffInfoListToo) {
    ExportReport o = exportWith("WAV - Waveform Audio(*.wav)", fullTags());
    ASSERT_TRUE(o.ok()) << o.error();
    TagLib::RIFF::WAV::File f(o.writtenPaths.at(0).c_str());
    ASSERT_TRUE(f.hasInfoTag());
    TagLib::RIFF::Info::Tag* info = f.InfoTag();
    auto field = [&](const char* id) { return info->fieldText(id).to8Bit(true); };
    EXPECT_EQ(field("INAM"), "Tïtle");
    EXPECT_EQ(field("IART"), "Artist");
    EXPECT_EQ(field("IPRD"), "Album");
    EXPECT_EQ(field("IGNR"), "Jazz");
    EXPECT_EQ(field("ICMT"), "Comment");
    EXPECT_EQ(field("ICRD"), "2024");
    EXPECT_EQ(field("ITRK"), "3");
    EXPECT_TRUE(f.hasID3v2Tag()) << "the ID3 chunk stays";
    // An independent reader finds them too.
    std::string out;
    wavomer::test::runCommand("ffprobe -v error -show_entries format_tags=title,artist,album -of default=nw=1 " +
                                  wavomer::test::shellQuote(o.writtenPaths[0]),
                              &out);
    EXPECT_NE(out.find("Artist"), std::string::npos) << out;
    EXPECT_NE(out.find("Album"), std::string::npos) << out;
}
