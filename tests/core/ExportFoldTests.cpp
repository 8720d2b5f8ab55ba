// The export pipeline without an encoder: the two folds, the sample source, the
// converter's block loop (whole blocks, progress, cancel, failures) and the project
// exporter (naming, marker splits, snapshots, tagging). A writer that keeps what it is
// given in memory stands in for the media engine.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <bit>
#include <cmath>
#include <fstream>
#include <map>
#include <mutex>

#include "data/AudioWaveData.h"
#include "export/ExportFolds.h"
#include "export/MusicConverter.h"
#include "export/MusicDataOutput.h"
#include "export/ProjectExporter.h"
#include "export/TagWriter.h"
#include "export/TrackSnapshot.h"
#include "media/MediaEngine.h"
#include "support/SampleFiles.h"
#include "support/TestSupport.h"

using namespace wavomer;
using wavomer::test::ScratchDir;

namespace {

// --- a writer that keeps everything ----------------------------------------------------

struct WrittenFile {
    TSFFMovieFileOutputFormat format;
    TSFFAudioFormat input;
    std::vector<float> samples;  // interleaved, as written
    int32_t blocks = 0;
};

struct WriterLog {
    std::mutex lock;
    std::map<std::string, WrittenFile> files;  // complete files only
    std::vector<std::string> aborted;
    bool failOpen = false;
    std::string failWritePath;  // the one file whose writes fail (no space left)
    int failWriteAfterBlocks = -1;
    // Called after each block is written (to cancel from "another thread" mid-file).
    std::function<void(int32_t block)> afterBlock;
};

class MemoryWriter final : public TSFFMovieFileOutput {
public:
    explicit MemoryWriter(WriterLog& log) : log_(log) { input_.channel_layout = 3; }
    void setPath(const std::string& path) override { path_ = path; }
    const std::string& path() const override { return path_; }
    void setMovieFormat(const TSFFMovieFileOutputFormat& format) override { file_.format = format; }
    const TSFFMovieFileOutputFormat& movieFormat() const override { return file_.format; }
    TSFFAudioFormat audioInputFormat() const override { return input_; }
    void setAudioInputFormat(const TSFFAudioFormat& format) override { input_ = format; }
    bool openAudio() override {
        if (log_.failOpen) {
            error_ = path_ + ": the encoder refuses";
            return false;
        }
        open_ = true;
        return true;
    }
    bool isAudioOpen() const override { return open_; }
    bool startOutput() override { return open_; }
    bool writeAudioData(const float* data, int32_t frames) override {
        if ((log_.failWriteAfterBlocks >= 0 && file_.blocks >= log_.failWriteAfterBlocks) ||
            (!log_.failWritePath.empty() && path_ == log_.failWritePath && file_.blocks >= 2)) {
            error_ = path_ + ": No space left on device";
            return false;
        }
        const int channels = std::popcount(static_cast<uint64_t>(input_.channel_layout));
        file_.samples.insert(file_.samples.end(), data, data + static_cast<size_t>(frames) * channels);
        ++file_.blocks;
        if (log_.afterBlock) log_.afterBlock(file_.blocks);
        return true;
    }
    void setBeforePublish(BeforePublish hook) override { beforePublish_ = std::move(hook); }
    bool stopOutput() override {
        file_.input = input_;
        std::ofstream(path_) << "x";
        if (beforePublish_) beforePublish_(path_);
        std::lock_guard<std::mutex> guard(log_.lock);
        log_.files[path_] = file_;
        return true;
    }
    void abortOutput() override {
        std::lock_guard<std::mutex> guard(log_.lock);
        log_.aborted.push_back(path_);
    }
    const std::string& lastError() const override { return error_; }

private:
    WriterLog& log_;
    std::string path_;
    std::string error_;
    TSFFAudioFormat input_;
    WrittenFile file_;
    bool open_ = false;
    BeforePublish beforePublish_;
};

// Layouts are masks with one bit per channel: mono 4, stereo 3, else the first n bits.
class MemoryWriterEngine final : public MediaWriterEngine {
public:
    std::unique_ptr<TSFFMovieFileOutput> newMovieFileOutput() override { return std::make_unique<MemoryWriter>(log); }
    TSFFMovieFileOutputFormat defaultMovieFileOutputFormat() const override {
        TSFFMovieFileOutputFormat f{};
        f.channel_layout = 3;
        f.sample_rate = 44100;
        return f;
    }
    int32_t codecIdByName(const std::string& name) const override { return name.empty() ? 0 : 86017; }
    int64_t channelLayoutByName(const std::string& name) const override {
        return name == "mono" ? 4 : name == "stereo" ? 3 : 0;
    }
    int64_t defaultChannelLayout(int32_t channels) const override {
        if (channels == 1) return 4;
        return channels > 0 ? static_cast<int64_t>((uint64_t{1} << channels) - 1) : 0;
    }
    int32_t channelLayoutChannels(int64_t layout) const override {
        return std::popcount(static_cast<uint64_t>(layout));
    }
    bool canEncode(const std::string&, const std::string&, int32_t, int32_t) override { return true; }
    WriterLog log;
};

// --- sources ---------------------------------------------------------------------------

// Channel c at frame f reads c + f / 1e6 (exact enough in float for small f).
class StairProvider final : public MusicDataOutputDelegate {
public:
    StairProvider(int64_t channels, bool mix) : channels_(channels), mix_(mix) {}
    int64_t audioSampleChannels() override { return channels_; }
    int32_t readSample(float* buffer, int32_t channel, int32_t frames, int64_t offset) override {
        for (int32_t i = 0; i < frames; ++i) buffer[i] = value(channel, offset + i);
        return 0;
    }
    bool forceMixOutputAudio() override { return mix_; }
    static float value(int64_t channel, int64_t frame) {
        return static_cast<float>(channel) + static_cast<float>(frame % 1000) / 1000.0f;
    }

private:
    int64_t channels_;
    bool mix_;
};

class RecordingTagWriter final : public TagWriter {
public:
    Outcome<Tagging> setId3InfoToOutputPath(const std::string& path, const ID3TagInfo& tags,
                                            const std::string& extension) override {
        tagged.push_back({path, tags.title.value_or("")});
        return Tagging::written;
    }
    std::vector<std::pair<std::string, std::string>> tagged;
};

bool fileExists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override { AudioWaveDataCache::share().removeAll(); }
    void TearDown() override { AudioWaveDataCache::share().removeAll(); }

    // A track of one constant-value source of the given length, placed at 0.
    TrackPtr constantTrack(float value, double seconds) {
        const std::string path = dir.file("src" + std::to_string(sources_++) + ".data");
        wavomer::test::writeSampleFile(path, 1, static_cast<int64_t>(std::ceil(seconds * 44100)) + 2048,
                                       [value](int, int64_t) { return value; });
        return wavomer::test::trackOf({wavomer::test::placedSection(path, 0.0, seconds, 0.0)});
    }

    ExportRequest request(bool split = false, int64_t channelType = 0) {
        ExportRequest r;
        r.outputFolder = dir.file("out");
        r.format.formatTitle = "WAV";
        r.format.codecName = "pcm_s16le";
        r.format.pathExtention = "wav";
        r.format.sampleRate = 44100;
        r.exportChannelType = channelType;
        r.convertUseMarker = split;
        return r;
    }

    static ExportSnapshot snapshotOf(std::vector<TrackPtr> tracks, std::vector<double> markers, double end) {
        ExportSnapshot s;
        s.tracks = TrackSnapshot(std::move(tracks));
        s.markerTimes = std::move(markers);
        s.endTime = end;
        return s;
    }

    ScratchDir dir;
    MemoryWriterEngine engine;
    int sources_ = 0;
};

}  // namespace

// --- the folds ---------------------------------------------------------------------------

TEST(ExportFolds, AnUnmixedFoldWritesOneChannelPerTrackInTrackOrder) {
    StairProvider four(4, false);
    std::vector<float> out(4 * 300, -1.0f), scratch;
    exportFoldUnmixed(four, out.data(), 300, 4, 5000, scratch);
    for (int j = 0; j < 300; ++j)
        for (int c = 0; c < 4; ++c) ASSERT_EQ(out[j * 4 + c], StairProvider::value(c, 5000 + j)) << j << " " << c;
}

TEST(ExportFolds, AMonoMixIsTheSingleprecisionSumOfTheTracksDividedByTheirCount) {
    StairProvider three(3, true);
    std::vector<float> out(512, 0.0f), scratch;
    exportFoldMixed(three, out.data(), 512, 1, 77, scratch);
    for (int j = 0; j < 512; ++j) {
        float sum = 0.0f;
        for (int c = 0; c < 3; ++c) sum += StairProvider::value(c, 77 + j);
        ASSERT_EQ(out[j], sum / 3.0f) << j;
    }
}

TEST(ExportFolds, AMixMatchesSummingEachInterleavedFrameBitForBit) {
    // Values of every scale and sign, negative zeros and infinities among them: the
    // order of the additions and the zero they start from show in the bits.
    class OddValues final : public SourceChannelProvider {
    public:
        int64_t audioSampleChannels() override { return 7; }
        int32_t readSample(float* buffer, int32_t channel, int32_t frames, int64_t offset) override {
            for (int32_t i = 0; i < frames; ++i) buffer[i] = value(channel, offset + i);
            return 0;
        }
        static float value(int32_t channel, int64_t frame) {
            if (frame % 13 == 0) return -0.0f;  // a frame of negative zeros mixes to +0
            uint32_t h = static_cast<uint32_t>(frame * 2654435761u) ^ static_cast<uint32_t>(channel * 40503u);
            switch (h % 11) {
                case 0: return -0.0f;
                case 1: return 0.0f;
                case 2: return h % 3 == 0 ? INFINITY : 1e30f;
                default: return std::ldexp(static_cast<float>(h % 2000) - 1000.0f, static_cast<int>(h % 40) - 30);
            }
        }
    } source;
    for (int32_t outputs : {1, 2, 3}) {
        std::vector<float> out(static_cast<size_t>(777) * outputs), scratch;
        exportFoldMixed(source, out.data(), 777, outputs, 123456, scratch);
        for (int32_t j = 0; j < 777; ++j) {
            float sum = 0.0f;
            for (int32_t c = 0; c < 7; ++c) sum += OddValues::value(c, 123456 + j);
            const float mono = sum / 7.0f;
            for (int32_t o = 0; o < outputs; ++o)
                ASSERT_EQ(std::bit_cast<uint32_t>(out[static_cast<size_t>(j) * outputs + o]),
                          std::bit_cast<uint32_t>(mono))
                    << "frame " << j << " of " << outputs;
        }
    }
}

TEST(ExportFolds, AStereoMixPutsTheSameAverageOnBothChannels) {
    StairProvider two(2, true);
    std::vector<float> out(2 * 64, 0.0f), scratch;
    exportFoldMixed(two, out.data(), 64, 2, 0, scratch);
    for (int j = 0; j < 64; ++j) {
        const float expected = (StairProvider::value(0, j) + StairProvider::value(1, j)) / 2.0f;
        ASSERT_EQ(out[j * 2], expected);
        ASSERT_EQ(out[j * 2 + 1], expected);
    }
}

TEST(ExportFolds, AFoldOverNoTracksLeavesTheBufferSilent) {
    StairProvider none(0, true);
    std::vector<float> out(2 * 16, 0.0f), scratch;
    exportFoldMixed(none, out.data(), 16, 2, 0, scratch);
    exportFoldUnmixed(none, out.data(), 16, 2, 0, scratch);
    for (float v : out) EXPECT_EQ(v, 0.0f);
}

TEST(ExportFolds, BlocksOfAnySizeGiveTheSameValuesAsOneBlock) {
    StairProvider three(3, true);
    std::vector<float> whole(3000 * 2), scratch;
    exportFoldMixed(three, whole.data(), 3000, 2, 10, scratch);
    std::vector<float> pieces(3000 * 2);
    int32_t done = 0;
    for (int32_t size : {1, 7, 1024, 13, 555, 1400}) {
        exportFoldMixed(three, pieces.data() + done * 2, size, 2, 10 + done, scratch);
        done += size;
    }
    ASSERT_EQ(done, 3000);
    EXPECT_EQ(whole, pieces);
}

// --- the sample source ------------------------------------------------------------------

TEST(MusicDataOutputTest, AForcedMixWithoutTracksLeavesMixingOff) {
    MemoryWriterEngine engine;
    StairProvider none(0, true);
    MusicDataOutput output(engine);
    output.delegate = &none;
    output.configOutputFormat(TSFFAudioFormat{kTSSampleFormatFloat, 3, 44100});
    EXPECT_FALSE(output.needMixOutAudio());
    StairProvider two(2, true);
    output.delegate = &two;
    output.configOutputFormat(TSFFAudioFormat{kTSSampleFormatFloat, 3, 44100});
    EXPECT_TRUE(output.needMixOutAudio());
    EXPECT_EQ(output.audioOutputChannels(), 2);
}

TEST(MusicDataOutputTest, SettingTheTimePlacesTheReadAndEachBlockAdvancesIt) {
    MemoryWriterEngine engine;
    StairProvider one(1, false);
    MusicDataOutput output(engine);
    output.delegate = &one;
    output.configOutputFormat(TSFFAudioFormat{kTSSampleFormatFloat, 4, 44100});
    output.setCurrentTime(ts_double_to_time(3.0));
    EXPECT_EQ(output.offsetFrame(), 3 * 44100);
    std::vector<float> block(1024);
    EXPECT_FALSE(output.readSample(block.data(), 1024));
    EXPECT_EQ(block[5], StairProvider::value(0, 3 * 44100 + 5));
    EXPECT_EQ(output.offsetFrame(), 3 * 44100 + 1024);
}

// --- the converter ----------------------------------------------------------------------

TEST(MusicConverterTest, TheDefaultFormatIsStereoAt44100HzAnd192kbits) {
    MemoryWriterEngine engine;
    MusicConverter converter(engine);
    EXPECT_EQ(converter.movieFormat.channel_layout, 3);
    EXPECT_EQ(converter.movieFormat.sample_rate, 44100);
    EXPECT_EQ(converter.movieFormat.audio_bit_rate, 192000);
    EXPECT_EQ(converter.movieFormat.audio_codec_id, 0);
    EXPECT_EQ(converter.gap, 0.0);
}

TEST(MusicConverterTest, TenSecondsAreWrittenAs431WholeBlocks) {
    MemoryWriterEngine engine;
    StairProvider two(2, false);
    MusicDataOutput output(engine);
    output.delegate = &two;
    MusicConverter converter(engine);
    converter.supportMutilChannels = true;
    ScratchDir dir;
    const std::string path = dir.file("a.wav");
    ASSERT_TRUE(converter.startConverterMusic(output, 0.0f, 10.0f, 0.0f, 0.0f, path).ok());
    const WrittenFile& file = engine.log.files.at(path);
    EXPECT_EQ(file.blocks, 431);
    EXPECT_EQ(file.samples.size(), 431u * 1024u * 2u);
    EXPECT_EQ(converter.progress(), 1.0);
    EXPECT_DOUBLE_EQ(converter.convertingTime(), 431.0 * 1024 / 44100);
    // The last block runs past the end: its frames come from the tracks beyond it.
    EXPECT_EQ(file.samples[(431 * 1024 - 1) * 2 + 1], StairProvider::value(1, 431 * 1024 - 1));
}

TEST(MusicConverterTest, ASegmentStartsAtItsOwnFrame) {
    MemoryWriterEngine engine;
    StairProvider one(1, false);
    MusicDataOutput output(engine);
    output.delegate = &one;
    MusicConverter converter(engine);
    converter.supportMutilChannels = true;
    converter.movieFormat.channel_layout = 4;
    ScratchDir dir;
    ASSERT_TRUE(converter.startConverterMusic(output, 3.0f, 6.0f, 0.0f, 0.0f, dir.file("b.wav")).ok());
    const WrittenFile& file = engine.log.files.at(dir.file("b.wav"));
    EXPECT_EQ(file.blocks, (3 * 44100 + 1023) / 1024);
    EXPECT_EQ(file.samples[0], StairProvider::value(0, 3 * 44100));
    EXPECT_EQ(file.input.channel_layout, 4) << "the writer's input takes the output's layout";
    EXPECT_EQ(output.offsetFrame(), 0) << "the source is rewound after the item";
}

TEST(MusicConverterTest, ACancelStopsAfterTheCurrentBlockAndDropsTheFile) {
    MemoryWriterEngine engine;
    StairProvider two(2, false);
    MusicDataOutput output(engine);
    output.delegate = &two;
    MusicConverter converter(engine);
    converter.supportMutilChannels = true;
    int32_t blocksSeen = 0;
    engine.log.afterBlock = [&](int32_t block) {
        blocksSeen = block;
        if (block == 10) converter.cancel();
    };
    ScratchDir dir;
    Outcome<> result = converter.startConverterMusic(output, 0.0f, 10.0f, 0.0f, 0.0f, dir.file("c.wav"));
    EXPECT_TRUE(result.cancelled());
    EXPECT_EQ(blocksSeen, 10);
    EXPECT_TRUE(engine.log.files.empty());
    ASSERT_EQ(engine.log.aborted.size(), 1u);
    EXPECT_EQ(engine.log.aborted[0], dir.file("c.wav"));
}

TEST(MusicConverterTest, AWriterThatCannotOpenFailsNamingTheFile) {
    MemoryWriterEngine engine;
    engine.log.failOpen = true;
    StairProvider two(2, false);
    MusicDataOutput output(engine);
    output.delegate = &two;
    MusicConverter converter(engine);
    ScratchDir dir;
    Outcome<> result = converter.startConverterMusic(output, 0.0f, 1.0f, 0.0f, 0.0f, dir.file("d.wav"));
    EXPECT_TRUE(!result.ok() && !result.cancelled());
    EXPECT_NE(result.error().find(dir.file("d.wav")), std::string::npos);
    EXPECT_TRUE(engine.log.files.empty());
}

TEST(MusicConverterTest, AFailedWriteEndsTheFileWithNothingLeft) {
    MemoryWriterEngine engine;
    engine.log.failWriteAfterBlocks = 3;
    StairProvider two(2, false);
    MusicDataOutput output(engine);
    output.delegate = &two;
    MusicConverter converter(engine);
    ScratchDir dir;
    Outcome<> result = converter.startConverterMusic(output, 0.0f, 1.0f, 0.0f, 0.0f, dir.file("e.wav"));
    EXPECT_TRUE(!result.ok() && !result.cancelled());
    EXPECT_NE(result.error().find("No space left"), std::string::npos);
    EXPECT_EQ(engine.log.aborted.size(), 1u);
}

// --- the project exporter -------------------------------------------------------------

TEST_F(ExportTest, AnExportRendersEveryTrackAsItsOwnChannel) {
    ProjectExporter exporter(engine, nullptr);
    auto snapshot = snapshotOf({constantTrack(0.25f, 2.0), constantTrack(-0.5f, 2.0), constantTrack(0.125f, 1.0)}, {},
                               2.0);
    ExportReport outcome = exporter.run(request(), snapshot);
    ASSERT_TRUE(outcome.ok()) << outcome.error();
    ASSERT_EQ(outcome.writtenPaths, std::vector<std::string>{dir.file("out/Audio.wav")});
    const WrittenFile& file = engine.log.files.at(outcome.writtenPaths[0]);
    EXPECT_EQ(std::popcount(static_cast<uint64_t>(file.format.channel_layout)), 3);
    EXPECT_EQ(file.samples[0], 0.25f);
    EXPECT_EQ(file.samples[1], -0.5f);
    EXPECT_EQ(file.samples[2], 0.125f);
    EXPECT_EQ(file.samples[3 * 44100 * 3 / 2 + 2], 0.0f) << "the short track is silent after its end";
    EXPECT_EQ(file.format.sample_rate, 44100);
    EXPECT_EQ(file.format.audio_codec_id, 86017);
}

TEST_F(ExportTest, StereoAndMonoExportsCarryTheAverageOfAllTracks) {
    for (int64_t type : {1, 2}) {
        MemoryWriterEngine local;
        ProjectExporter exporter(local, nullptr);
        auto snapshot = snapshotOf({constantTrack(0.25f, 1.0), constantTrack(-0.5f, 1.0), constantTrack(1.0f, 1.0)},
                                   {}, 1.0);
        ExportReport outcome = exporter.run(request(false, type), snapshot);
        ASSERT_TRUE(outcome.ok());
        const WrittenFile& file = local.log.files.at(outcome.writtenPaths[0]);
        const int channels = type == 1 ? 2 : 1;
        ASSERT_EQ(std::popcount(static_cast<uint64_t>(file.format.channel_layout)), channels);
        const float average = (0.25f + -0.5f + 1.0f) / 3.0f;
        for (int c = 0; c < channels; ++c) EXPECT_EQ(file.samples[100 * channels + c], average);
    }
}

TEST_F(ExportTest, RepeatedExportsIntoOneFolderNeverReuseAName) {
    ProjectExporter exporter(engine, nullptr);
    std::vector<std::string> names;
    for (int i = 0; i < 3; ++i) {
        auto snapshot = snapshotOf({constantTrack(0.1f, 0.5)}, {}, 0.5);
        ExportReport outcome = exporter.run(request(), snapshot);
        ASSERT_TRUE(outcome.ok());
        names.push_back(outcome.writtenPaths.at(0));
    }
    EXPECT_EQ(names, (std::vector<std::string>{dir.file("out/Audio.wav"), dir.file("out/Audio_1.wav"),
                                               dir.file("out/Audio_2.wav")}));
}

TEST_F(ExportTest, MarkersAtThreeAndSixSecondsSplitTenSecondsIntoThreeFiles) {
    ProjectExporter exporter(engine, nullptr);
    auto snapshot = snapshotOf({constantTrack(0.5f, 10.0)}, {0.0, 3.0, 6.0, 10.0}, 10.0);
    ExportReport outcome = exporter.run(request(true), snapshot);
    ASSERT_TRUE(outcome.ok());
    ASSERT_EQ(outcome.writtenPaths, (std::vector<std::string>{dir.file("out/Audio.wav"), dir.file("out/Audio_1.wav"),
                                                              dir.file("out/Audio_2.wav")}));
    // Exactly the frames between two markers: the last block of each piece is cut.
    EXPECT_EQ(engine.log.files.at(outcome.writtenPaths[0]).samples.size(), 3u * 44100);
    EXPECT_EQ(engine.log.files.at(outcome.writtenPaths[1]).samples.size(), 3u * 44100);
    EXPECT_EQ(engine.log.files.at(outcome.writtenPaths[2]).samples.size(), 4u * 44100);
    EXPECT_EQ(engine.log.files.at(outcome.writtenPaths[2]).blocks, (4 * 44100 + 1023) / 1024);
    EXPECT_EQ(exporter.totalConvertCount(), 3);
    EXPECT_EQ(exporter.finishedCount(), 3);
    EXPECT_FLOAT_EQ(exporter.progressValue(), 1.0f);
}

TEST_F(ExportTest, APieceStartsOnTheFrameOfItsMarkerTimeInDoublePrecision) {
    // Late in a long project single precision is off by several frames.
    ExportSnapshot snapshot;
    snapshot.markerTimes = {4000.123, 4000.2};
    snapshot.endTime = 4000.2;
    ProjectExporter exporter(engine, nullptr);
    snapshot.tracks = TrackSnapshot({constantTrack(0.5f, 0.1)});
    ExportReport outcome = exporter.run(request(true), snapshot);
    ASSERT_TRUE(outcome.ok()) << outcome.error();
    const WrittenFile& file = engine.log.files.at(outcome.writtenPaths.at(0));
    const int64_t first = std::llround(4000.123 * 44100), last = std::llround(4000.2 * 44100);
    EXPECT_EQ(static_cast<int64_t>(file.samples.size()), last - first);
}

TEST(MusicConverterTest, AFrameRangeHoldsExactlyItsFramesFromItsFirstOn) {
    MemoryWriterEngine engine;
    StairProvider one(1, false);
    MusicDataOutput output(engine);
    output.delegate = &one;
    MusicConverter converter(engine);
    converter.supportMutilChannels = true;
    converter.movieFormat.channel_layout = 4;
    ScratchDir dir;
    const int64_t first = 176405424;  // 4000.123 s
    ASSERT_TRUE(converter.convertFrameRange(output, first, 3000, dir.file("r.wav")).ok());
    const WrittenFile& file = engine.log.files.at(dir.file("r.wav"));
    ASSERT_EQ(file.samples.size(), 3000u);
    EXPECT_EQ(file.blocks, 3);
    for (int64_t k : {int64_t{0}, int64_t{1023}, int64_t{2999}})
        EXPECT_EQ(file.samples[static_cast<size_t>(k)], StairProvider::value(0, first + k)) << k;
    EXPECT_DOUBLE_EQ(converter.progress(), 1.0);
}

TEST_F(ExportTest, AProjectWithoutTracksFailsAndWritesNothing) {
    for (bool split : {false, true}) {
        ProjectExporter exporter(engine, nullptr);
        auto snapshot = snapshotOf({}, {0.0, 1.0}, 0.0);
        ExportReport outcome = exporter.run(request(split), snapshot);
        EXPECT_TRUE(outcome.failed()) << "split " << split;
        EXPECT_NE(outcome.error().find("no tracks"), std::string::npos) << outcome.error();
        EXPECT_TRUE(outcome.writtenPaths.empty());
        EXPECT_TRUE(engine.log.files.empty());
        EXPECT_TRUE(engine.log.aborted.empty()) << "no writer was even opened";
    }
}

TEST(ExportFolds, NonFiniteSamplesNeverLeaveTheSampleSource) {
    // A source that yields NaN, both infinities and an ordinary value in turn.
    class Damaged final : public MusicDataOutputDelegate {
    public:
        explicit Damaged(bool mix) : mix_(mix) {}
        int64_t audioSampleChannels() override { return 2; }
        int32_t readSample(float* buffer, int32_t channel, int32_t frames, int64_t offset) override {
            const float values[] = {std::nanf(""), HUGE_VALF, -HUGE_VALF, 0.25f};
            for (int32_t i = 0; i < frames; ++i) buffer[i] = channel == 0 ? values[(offset + i) % 4] : 0.5f;
            return 0;
        }
        bool forceMixOutputAudio() override { return mix_; }

    private:
        bool mix_;
    };
    MemoryWriterEngine engine;
    for (bool mix : {false, true}) {
        Damaged damaged(mix);
        MusicDataOutput output(engine);
        output.delegate = &damaged;
        TSFFAudioFormat format;
        format.channel_layout = 3;
        output.configOutputFormat(format);
        std::vector<float> block(2 * 8, 7.0f);
        output.readSample(block.data(), 8);
        for (size_t i = 0; i < block.size(); ++i) EXPECT_TRUE(std::isfinite(block[i])) << "mix " << mix << " at " << i;
        if (!mix) {
            EXPECT_EQ(block[0], 0.0f);
            EXPECT_EQ(block[6], 0.25f);
            EXPECT_EQ(block[1], 0.5f);
        } else {
            EXPECT_EQ(block[0], 0.0f);
            EXPECT_EQ(block[6], (0.25f + 0.5f) / 2);
        }
    }
    std::vector<float> values = {1.0f, std::nanf(""), -HUGE_VALF, 3.0f, 1e38f, -2e30f};
    EXPECT_EQ(sanitizeExportSamples(values.data(), 6), 4);
    EXPECT_EQ(values, (std::vector<float>{1.0f, 0.0f, 0.0f, 3.0f, kLargestExportSample, -kLargestExportSample}));
}

TEST_F(ExportTest, MarkersCloserThanAMillisecondEndTheSplit) {
    ProjectExporter exporter(engine, nullptr);
    auto snapshot = snapshotOf({constantTrack(0.5f, 10.0)}, {0.0, 3.0, 3.0005, 6.0, 10.0}, 10.0);
    ExportReport outcome = exporter.run(request(true), snapshot);
    ASSERT_TRUE(outcome.ok());
    EXPECT_EQ(outcome.writtenPaths.size(), 1u);
    EXPECT_EQ(exporter.totalConvertCount(), 4);
}

TEST_F(ExportTest, TheSnapshotRendersTheProjectAsItWasWhenTheExportBegan) {
    TrackPtr live = constantTrack(0.25f, 1.0);
    ExportSnapshot snapshot;
    snapshot.tracks = TrackSnapshot::take({live});
    snapshot.endTime = 1.0;
    live->setSectionArray({AudioSection::blankSectionWithTrackStartTime(0.0, 1.0)});
    ProjectExporter exporter(engine, nullptr);
    ExportReport outcome = exporter.run(request(), snapshot);
    ASSERT_TRUE(outcome.ok());
    EXPECT_EQ(engine.log.files.at(outcome.writtenPaths[0]).samples[1000], 0.25f);
    EXPECT_NE(snapshot.tracks.tracks()[0], live);
}

TEST_F(ExportTest, ACancelDuringASplitEndsTheRemainingSegmentsAndKeepsFinishedFiles) {
    RecordingTagWriter tags;
    ProjectExporter exporter(engine, &tags);
    int files = 0;
    engine.log.afterBlock = [&](int32_t block) {
        if (block == 1 && ++files == 2) exporter.cancel();
    };
    auto r = request(true);
    auto info = std::make_shared<ID3TagInfo>();
    info->title = "Song";
    r.tags = info;
    auto snapshot = snapshotOf({constantTrack(0.5f, 10.0)}, {0.0, 3.0, 6.0, 10.0}, 10.0);
    ExportReport outcome = exporter.run(r, snapshot);
    EXPECT_TRUE(outcome.cancelled());
    EXPECT_EQ(outcome.writtenPaths, std::vector<std::string>{dir.file("out/Audio.wav")});
    EXPECT_EQ(engine.log.files.size(), 1u);
    EXPECT_EQ(engine.log.aborted, std::vector<std::string>{dir.file("out/Audio_1.wav")});
    ASSERT_EQ(tags.tagged.size(), 1u) << "only complete files are tagged";
    EXPECT_EQ(tags.tagged[0].first, dir.file("out/Audio.wav"));
}

TEST_F(ExportTest, AFailureNamesTheFileAndLeavesTheFinishedSegmentsTagged) {
    RecordingTagWriter tags;
    ProjectExporter exporter(engine, &tags);
    int files = 0;
    engine.log.afterBlock = [&](int32_t block) {
        if (block == 1 && ++files == 2) engine.log.failWriteAfterBlocks = 1;
    };
    auto r = request(true);
    r.tags = std::make_shared<ID3TagInfo>();
    auto snapshot = snapshotOf({constantTrack(0.5f, 10.0)}, {0.0, 3.0, 6.0, 10.0}, 10.0);
    ExportReport outcome = exporter.run(r, snapshot);
    EXPECT_TRUE(outcome.failed());
    EXPECT_NE(outcome.error().find(dir.file("out/Audio_1.wav")), std::string::npos) << outcome.error();
    EXPECT_EQ(outcome.writtenPaths, std::vector<std::string>{dir.file("out/Audio.wav")});
    EXPECT_EQ(tags.tagged.size(), 1u);
}

TEST_F(ExportTest, EverySegmentGetsTheSameTags) {
    RecordingTagWriter tags;
    ProjectExporter exporter(engine, &tags);
    auto r = request(true);
    auto info = std::make_shared<ID3TagInfo>();
    info->title = "Same";
    r.tags = info;
    auto snapshot = snapshotOf({constantTrack(0.5f, 3.0)}, {0.0, 1.0, 2.0, 3.0}, 3.0);
    ExportReport outcome = exporter.run(r, snapshot);
    ASSERT_TRUE(outcome.ok());
    ASSERT_EQ(tags.tagged.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(tags.tagged[i].first, outcome.writtenPaths[i]);
        EXPECT_EQ(tags.tagged[i].second, "Same");
    }
}

TEST_F(ExportTest, ABackgroundExportReportsItsOutcomeAndCanBeWaitedFor) {
    ProjectExporter exporter(engine, nullptr);
    std::atomic<bool> called{false};
    ExportReport seen;
    ASSERT_TRUE(exporter.start(request(), snapshotOf({constantTrack(0.5f, 2.0)}, {}, 2.0), [&](const ExportReport& o) {
        seen = o;
        called = true;
    }));
    exporter.wait();
    EXPECT_TRUE(called);
    EXPECT_TRUE(seen.ok());
    EXPECT_TRUE(fileExists(dir.file("out/Audio.wav")));
    EXPECT_FALSE(exporter.isRunning());
}

TEST_F(ExportTest, ANameTakenOnDiskIsSkipped) {
    ProjectExporter exporter(engine, nullptr);
    ASSERT_EQ(::mkdir(dir.file("out").c_str(), 0755), 0);
    std::ofstream(dir.file("out/Audio.wav")) << "taken";
    EXPECT_EQ(exporter.getOutputPath(dir.file("out"), "Audio", "wav"), dir.file("out/Audio_1.wav"));
    EXPECT_EQ(exporter.getOutputPath(dir.file("out"), "Audio", "wav"), dir.file("out/Audio_2.wav"));
}

// --- split pieces encoded in parallel ---------------------------------------------------

namespace {

class LockedTagWriter final : public TagWriter {
public:
    Outcome<Tagging> setId3InfoToOutputPath(const std::string& path, const ID3TagInfo& tags,
                                            const std::string&) override {
        std::lock_guard<std::mutex> guard(lock);
        tagged[path.substr(path.rfind('/') + 1)] = tags.title.value_or("") + " " + std::to_string(tags.track);
        return Tagging::written;
    }
    std::mutex lock;
    std::map<std::string, std::string> tagged;  // file name: title and track
};

}  // namespace

class ParallelExport : public ExportTest {
protected:
    ExportSnapshot fivePieces() {
        auto snapshot = snapshotOf({constantTrack(0.5f, 10.0), constantTrack(-0.25f, 10.0)}, {0.0, 2.0, 3.5, 6.0, 8.0, 10.0}, 10.0);
        snapshot.markerNames = {std::nullopt, std::string("Two"), std::nullopt, std::nullopt, std::nullopt, std::nullopt};
        return snapshot;
    }
};

TEST_F(ParallelExport, WorkersWriteTheFilesOneWorkerWritesWithTheSameNamesSamplesAndTags) {
    std::map<std::string, std::vector<float>> written[2];
    std::map<std::string, std::string> tagged[2];
    for (int run = 0; run < 2; ++run) {
        MemoryWriterEngine own;
        LockedTagWriter tags;
        ProjectExporter exporter(own, &tags);
        auto r = request(true);
        r.outputFolder = dir.file("out" + std::to_string(run));
        r.jobs = run == 0 ? 1 : 3;
        r.numberPieceNames = true;
        auto snapshot = fivePieces();
        ExportReport outcome = exporter.run(r, snapshot);
        ASSERT_TRUE(outcome.ok()) << outcome.error();
        ASSERT_EQ(outcome.writtenPaths.size(), 5u);
        for (const std::string& path : outcome.writtenPaths)
            written[run][path.substr(path.rfind('/') + 1)] = own.log.files.at(path).samples;
        tagged[run] = tags.tagged;
        EXPECT_EQ(exporter.finishedCount(), 5);
    }
    EXPECT_EQ(written[0], written[1]);
    EXPECT_EQ(tagged[0], tagged[1]);
    EXPECT_EQ(tagged[1]["02 Two.wav"], "Two 2");
}

TEST_F(ParallelExport, AFailingPieceIsNamedAndACancelStopsEveryWorkerLeavingNoPartialFile) {
    auto r = request(true);
    r.jobs = 2;
    {
        MemoryWriterEngine own;
        own.log.failWritePath = dir.file("out/Audio_2.wav");
        ProjectExporter exporter(own, nullptr);
        auto snapshot = fivePieces();
        ExportReport outcome = exporter.run(r, snapshot);
        ASSERT_TRUE(outcome.failed());
        EXPECT_NE(outcome.error().find("Audio_2.wav"), std::string::npos) << outcome.error();
        EXPECT_NE(outcome.error().find("No space left"), std::string::npos) << outcome.error();
        for (const std::string& path : outcome.writtenPaths) EXPECT_TRUE(own.log.files.count(path)) << path;
        EXPECT_LT(outcome.writtenPaths.size(), 5u) << "the pieces after the failure were not begun";
    }
    MemoryWriterEngine own;
    ProjectExporter exporter(own, nullptr);
    std::atomic<int> blocks{0};
    own.log.afterBlock = [&](int32_t) {
        if (++blocks == 40) exporter.cancel();
    };
    r.outputFolder = dir.file("cancelled");
    auto snapshot = fivePieces();
    ExportReport outcome = exporter.run(r, snapshot);
    EXPECT_TRUE(outcome.cancelled());
    std::lock_guard<std::mutex> guard(own.log.lock);
    EXPECT_FALSE(own.log.aborted.empty()) << "the files in progress were dropped";
    for (const std::string& path : own.log.aborted) EXPECT_FALSE(own.log.files.count(path)) << path;
    EXPECT_EQ(outcome.writtenPaths.size(), own.log.files.size()) << "every complete file is reported";
}
