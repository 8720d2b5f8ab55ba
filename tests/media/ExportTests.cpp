// Exports through the FFmpeg writer, decoded back with the ffmpeg command: lengths in
// whole blocks, channel counts per channel type, WAV samples against the fold, every
// catalogue format at every channel count its menu offers, and the writer's promise
// that a failed or cancelled file leaves nothing behind.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <fstream>

#include "FFmpegMovieFileOutput.h"
#include "data/AudioWaveData.h"
#include "export/ExportFolds.h"
#include "export/FormatCatalogue.h"
#include "export/ProjectExporter.h"
#include "support/SampleFiles.h"
#include "support/TestSupport.h"

using namespace wavomer;
using wavomer::test::ScratchDir;
using wavomer::test::runCommand;
using wavomer::test::shellQuote;

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Decoded {
    int channels = 0;
    int sampleRate = 0;
    std::vector<float> samples;  // interleaved
    int64_t frames() const { return channels ? static_cast<int64_t>(samples.size()) / channels : 0; }
};

Decoded decode(const std::string& path) {
    Decoded d;
    std::string out;
    runCommand("ffprobe -v error -select_streams a:0 -show_entries stream=channels,sample_rate -of csv=p=0 " +
                   shellQuote(path),
               &out);
    std::sscanf(out.c_str(), "%d,%d", &d.sampleRate, &d.channels);
    const std::string raw = path + ".raw";
    if (runCommand("ffmpeg -v error -y -i " + shellQuote(path) + " -f f32le -acodec pcm_f32le " + shellQuote(raw)) != 0)
        return d;
    std::ifstream in(raw, std::ios::binary | std::ios::ate);
    d.samples.resize(static_cast<size_t>(in.tellg()) / sizeof(float));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(d.samples.data()), static_cast<std::streamsize>(d.samples.size() * sizeof(float)));
    std::remove(raw.c_str());
    return d;
}

std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (dirent* entry = ::readdir(dir))
            if (std::strcmp(entry->d_name, ".") && std::strcmp(entry->d_name, "..")) names.push_back(entry->d_name);
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

float toneValue(int track, int64_t frame) {
    return static_cast<float>(0.3 * std::sin(2 * kPi * (220.0 * (track + 1)) * frame / 44100.0));
}

class MediaExportTest : public ::testing::Test {
protected:
    void SetUp() override { AudioWaveDataCache::share().removeAll(); }
    void TearDown() override { AudioWaveDataCache::share().removeAll(); }

    // Track t holds a tone of 220 × (t + 1) Hz for the given seconds.
    std::vector<TrackPtr> toneTracks(int count, double seconds) {
        std::vector<TrackPtr> tracks;
        for (int t = 0; t < count; ++t) {
            const std::string path = dir.file("tone" + std::to_string(sources_++) + ".data");
            wavomer::test::writeSampleFile(path, 1, static_cast<int64_t>(seconds * 44100) + 4096,
                                           [t](int, int64_t k) { return toneValue(t, k); });
            tracks.push_back(wavomer::test::trackOf({wavomer::test::placedSection(path, 0.0, seconds, 0.0)}));
        }
        return tracks;
    }

    ExportRequest requestFor(const std::string& title, int64_t channelType = 0, int32_t trackCount = 2) {
        ExportOptionsModel options(FormatCatalogue::builtIn(), &engine);
        options.setTrackCount(static_cast<size_t>(trackCount));
        options.exportChannelTypeChanged(channelType);
        EXPECT_TRUE(options.formatChangedAction(title)) << title << " is not offered";
        ExportRequest r;
        r.outputFolder = dir.file("out");
        r.format = options.encoderSettings();
        r.exportChannelType = channelType;
        return r;
    }

    static ExportSnapshot snapshotOf(std::vector<TrackPtr> tracks, double end, std::vector<double> marks = {}) {
        ExportSnapshot s;
        s.tracks = TrackSnapshot(std::move(tracks));
        s.endTime = end;
        s.markerTimes = std::move(marks);
        return s;
    }

    ScratchDir dir;
    FFmpegMediaWriterEngine engine;
    int sources_ = 0;
};

const char* const kWav = "WAV - Waveform Audio(*.wav)";

}  // namespace

// --- lengths, channels and samples -------------------------------------------------------

TEST_F(MediaExportTest, TenSecondsBecome431WholeBlocksInTheFile) {
    ProjectExporter exporter(engine, nullptr);
    auto snapshot = snapshotOf(toneTracks(2, 10.0), 10.0);
    ExportReport outcome = exporter.run(requestFor(kWav), snapshot);
    ASSERT_TRUE(outcome.ok()) << outcome.error();
    Decoded d = decode(outcome.writtenPaths.at(0));
    EXPECT_EQ(d.channels, 2);
    EXPECT_EQ(d.sampleRate, 44100);
    EXPECT_EQ(d.frames(), 431 * 1024);
}

TEST_F(MediaExportTest, EachChannelTypeWritesItsChannelCount) {
    const std::pair<int64_t, int> expected[] = {{0, 3}, {1, 2}, {2, 1}};
    for (auto [type, channels] : expected) {
        ProjectExporter exporter(engine, nullptr);
        auto snapshot = snapshotOf(toneTracks(3, 0.5), 0.5);
        ExportReport outcome = exporter.run(requestFor(kWav, type, 3), snapshot);
        ASSERT_TRUE(outcome.ok()) << outcome.error();
        EXPECT_EQ(decode(outcome.writtenPaths.at(0)).channels, channels) << "channel type " << type;
    }
}

TEST_F(MediaExportTest, AWavExportHoldsTheFoldsSamplesTo16Bits) {
    for (int64_t type : {0, 1}) {
        auto tracks = toneTracks(2, 1.0);
        ProjectExporter exporter(engine, nullptr);
        auto snapshot = snapshotOf(tracks, 1.0);
        ExportReport outcome = exporter.run(requestFor(kWav, type), snapshot);
        ASSERT_TRUE(outcome.ok()) << outcome.error();
        Decoded d = decode(outcome.writtenPaths.at(0));
        ASSERT_EQ(d.channels, 2);
        ASSERT_EQ(d.frames(), 44 * 1024);

        TrackSnapshot reference(tracks);
        std::vector<float> expected(static_cast<size_t>(d.frames()) * 2), scratch;
        if (type == 0) exportFoldUnmixed(reference, expected.data(), static_cast<int32_t>(d.frames()), 2, 0, scratch);
        else exportFoldMixed(reference, expected.data(), static_cast<int32_t>(d.frames()), 2, 0, scratch);
        float worst = 0.0f;
        for (size_t i = 0; i < expected.size(); ++i) worst = std::max(worst, std::fabs(expected[i] - d.samples[i]));
        EXPECT_LE(worst, 1.0f / 32768) << "channel type " << type;
    }
}

TEST_F(MediaExportTest, ThePiecesOfASplitExportAddUpToThePlainExportSampleForSample) {
    for (const char* title : {kWav, "FLAC - Free Lossless Audio Codec(*.flac)"}) {
        SCOPED_TRACE(title);
        auto tracks = toneTracks(2, 10.0);
        ProjectExporter exporter(engine, nullptr);
        auto plainSnapshot = snapshotOf(tracks, 10.0);
        ExportReport plain = exporter.run(requestFor(title), plainSnapshot);
        ASSERT_TRUE(plain.ok()) << plain.error();
        auto r = requestFor(title);
        r.convertUseMarker = true;
        auto snapshot = snapshotOf(tracks, 10.0, {0.0, 3.0, 6.0, 10.0});
        ExportReport split = exporter.run(r, snapshot);
        ASSERT_TRUE(split.ok()) << split.error();
        ASSERT_EQ(split.writtenPaths.size(), 3u);

        const int64_t expected[] = {132300, 132300, 176400};
        std::vector<float> joined;
        for (size_t i = 0; i < 3; ++i) {
            Decoded piece = decode(split.writtenPaths[i]);
            ASSERT_EQ(piece.channels, 2);
            EXPECT_EQ(piece.frames(), expected[i]) << "piece " << i;
            joined.insert(joined.end(), piece.samples.begin(), piece.samples.end());
        }
        // The plain export keeps its whole blocks: the project and then silence.
        Decoded whole = decode(plain.writtenPaths.at(0));
        ASSERT_EQ(whole.frames(), 431 * 1024);
        ASSERT_EQ(joined.size(), size_t{441000} * 2);
        size_t differing = 0;
        for (size_t i = 0; i < joined.size(); ++i) differing += joined[i] != whole.samples[i];
        EXPECT_EQ(differing, 0u);
        for (size_t i = joined.size(); i < whole.samples.size(); ++i) ASSERT_EQ(whole.samples[i], 0.0f) << i;
        // The third piece starts at 6 s exactly.
        EXPECT_NEAR(joined[2 * 264600], toneValue(0, 6 * 44100), 1.0 / 32768);
    }
}

// --- one channel per track ------------------------------------------------------------------

namespace {

// The amplitude of a frequency in one channel (Goertzel over the whole channel but its
// first and last tenth, where encoders fade in and out).
double amplitudeAt(const Decoded& d, int channel, double frequency) {
    const int64_t from = d.frames() / 10, to = d.frames() - d.frames() / 10;
    const double w = 2 * kPi * frequency / d.sampleRate, coefficient = 2 * std::cos(w);
    double s1 = 0, s2 = 0;
    for (int64_t k = from; k < to; ++k) {
        const double s0 = d.samples[static_cast<size_t>(k * d.channels + channel)] + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
    return 2 * std::sqrt(std::max(power, 0.0)) / static_cast<double>(to - from);
}

}  // namespace

TEST_F(MediaExportTest, EveryTrackOfATracksExportKeepsItsToneOnItsOwnChannel) {
    // Tones from 500 Hz up in steps of 350 Hz: well above any low-frequency channel's band.
    auto frequency = [](int track) { return 500.0 + 350.0 * track; };
    const float level = 0.3f;
    for (const char* title : {"AAC - Advanced Audio Coding(*.m4a)", "FLAC - Free Lossless Audio Codec(*.flac)"}) {
        for (int count : {3, 6}) {
            SCOPED_TRACE(std::string(title) + " with " + std::to_string(count) + " tracks");
            std::vector<TrackPtr> tracks;
            for (int t = 0; t < count; ++t) {
                const std::string path = dir.file("t" + std::to_string(sources_++) + ".data");
                wavomer::test::writeSampleFile(path, 1, 44100 + 4096, [&](int, int64_t k) {
                    return static_cast<float>(level * std::sin(2 * kPi * frequency(t) * k / 44100.0));
                });
                tracks.push_back(wavomer::test::trackOf({wavomer::test::placedSection(path, 0.0, 1.0, 0.0)}));
            }
            ProjectExporter exporter(engine, nullptr);
            auto snapshot = snapshotOf(tracks, 1.0);
            ExportReport outcome = exporter.run(requestFor(title, 0, count), snapshot);
            ASSERT_TRUE(outcome.ok()) << outcome.error();
            Decoded d = decode(outcome.writtenPaths.at(0));
            ASSERT_EQ(d.channels, count);
            for (int c = 0; c < count; ++c)
                for (int t = 0; t < count; ++t) {
                    const double a = amplitudeAt(d, c, frequency(t));
                    if (c == t) EXPECT_NEAR(a, level, 0.03) << "track " << t << " on its channel";
                    else EXPECT_LT(a, 0.01) << "track " << t << " heard on channel " << c;
                }
            // No channel is labelled as the subwoofer.
            std::string layout;
            runCommand("ffprobe -v error -select_streams a:0 -show_entries stream=channel_layout -of csv=p=0 " +
                           shellQuote(outcome.writtenPaths[0]),
                       &layout);
            EXPECT_EQ(layout.find("LFE"), std::string::npos) << layout;
            EXPECT_EQ(layout.find(".1"), std::string::npos) << layout;
        }
    }
}

TEST_F(MediaExportTest, AFormatThatWouldMakeATrackTheSubwooferIsNotOfferedForThatCount) {
    ExportOptionsModel options(FormatCatalogue::builtIn(), &engine);
    options.setTrackCount(6);
    // AC-3 holds five full-range channels, Vorbis and ALAC put a low-frequency one
    // into every layout of six.
    EXPECT_EQ(options.formatButton().titles,
              (std::vector<std::string>{"AAC - Advanced Audio Coding(*.m4a)", "M4B - Audiobook (AAC)(*.m4b)",
                                        "FLAC - Free Lossless Audio Codec(*.flac)", kWav,
                                        "AIFF - Audio Interchange File Format(*.aiff)",
                                        "Opus - Opus Audio(*.opus)", "iTunes"}));
    for (int count : {3, 4, 5}) {
        options.setTrackCount(static_cast<size_t>(count));
        const auto& titles = options.formatButton().titles;
        EXPECT_NE(std::find(titles.begin(), titles.end(), "AC3 - Dolby Digital Audio(*.ac3)"), titles.end()) << count;
        EXPECT_NE(std::find(titles.begin(), titles.end(), "OGG - Ogg Vorbis Audio(*.ogg)"), titles.end()) << count;
    }
    for (int count : {7, 8}) {
        options.setTrackCount(static_cast<size_t>(count));
        const auto& titles = options.formatButton().titles;
        EXPECT_EQ(std::find(titles.begin(), titles.end(), "OGG - Ogg Vorbis Audio(*.ogg)"), titles.end()) << count;
        EXPECT_NE(std::find(titles.begin(), titles.end(), "Opus - Opus Audio(*.opus)"), titles.end()) << count;
    }
}

// --- every format -------------------------------------------------------------------------

TEST_F(MediaExportTest, EveryOfferedFormatWritesAFileFfmpegDecodes) {
    const FormatCatalogue& catalogue = FormatCatalogue::builtIn();
    struct Case {
        int tracks;
        FormatMenuKind menu;
    };
    for (Case c : {Case{2, FormatMenuKind::formatMenu}, Case{1, FormatMenuKind::formatMenu},
                   Case{6, FormatMenuKind::menuFor46Track}, Case{4, FormatMenuKind::menuFor46Track},
                   Case{3, FormatMenuKind::menuForAll}, Case{5, FormatMenuKind::menuForAll}}) {
        ExportOptionsModel options(catalogue, &engine);
        options.setTrackCount(static_cast<size_t>(c.tracks));
        ASSERT_EQ(options.currentMenu(), c.menu);
        ASSERT_FALSE(options.formatButton().titles.empty());
        for (const std::string& title : options.formatButton().titles) {
            SCOPED_TRACE(title + " with " + std::to_string(c.tracks) + " tracks");
            ProjectExporter exporter(engine, nullptr);
            auto snapshot = snapshotOf(toneTracks(c.tracks, 1.0), 1.0);
            ExportReport outcome = exporter.run(requestFor(title, 0, c.tracks), snapshot);
            ASSERT_TRUE(outcome.ok()) << outcome.error();
            Decoded d = decode(outcome.writtenPaths.at(0));
            EXPECT_EQ(d.channels, c.tracks);
            ASSERT_GT(d.sampleRate, 0);
            const double seconds = static_cast<double>(d.frames()) / d.sampleRate;
            EXPECT_NEAR(seconds, 44 * 1024 / 44100.0, 0.08);
        }
    }
}

TEST_F(MediaExportTest, TwoAndFourTracksAreOfferedEveryFormatOfTheirMenus) {
    ExportOptionsModel options(FormatCatalogue::builtIn(), &engine);
    options.setTrackCount(2);
    EXPECT_EQ(options.formatButton().titles, FormatCatalogue::builtIn().menu(FormatMenuKind::formatMenu));
    options.setTrackCount(4);
    EXPECT_EQ(options.formatButton().titles, FormatCatalogue::builtIn().menu(FormatMenuKind::menuFor46Track));
    for (const std::string& title : FormatCatalogue::builtIn().menu(FormatMenuKind::formatMenu)) {
        options.setTrackCount(2);
        ASSERT_TRUE(options.formatChangedAction(title));
        EXPECT_EQ(options.sampleRateButton().titles, FormatCatalogue::builtIn().showTitles("SampleRate", title))
            << title << ": every listed rate is one the encoder takes";
    }
}

TEST_F(MediaExportTest, OpusIsResampledTo48000Hz) {
    ProjectExporter exporter(engine, nullptr);
    auto snapshot = snapshotOf(toneTracks(2, 2.0), 2.0);
    ExportReport outcome = exporter.run(requestFor("Opus - Opus Audio(*.opus)"), snapshot);
    ASSERT_TRUE(outcome.ok()) << outcome.error();
    Decoded d = decode(outcome.writtenPaths.at(0));
    EXPECT_EQ(d.sampleRate, 48000);
    EXPECT_NEAR(static_cast<double>(d.frames()) / 48000, 87 * 1024 / 44100.0, 0.03);
}

TEST_F(MediaExportTest, NineTracksAreOfferedOnlyUncompressedFormatsAndWriteNineChannels) {
    ExportOptionsModel options(FormatCatalogue::builtIn(), &engine);
    options.setTrackCount(9);
    EXPECT_EQ(options.formatButton().titles,
              (std::vector<std::string>{kWav, "AIFF - Audio Interchange File Format(*.aiff)"}));
    ProjectExporter exporter(engine, nullptr);
    auto snapshot = snapshotOf(toneTracks(9, 0.3), 0.3);
    ExportReport outcome = exporter.run(requestFor(kWav, 0, 9), snapshot);
    ASSERT_TRUE(outcome.ok()) << outcome.error();
    EXPECT_EQ(decode(outcome.writtenPaths.at(0)).channels, 9);
}

TEST_F(MediaExportTest, ADamagedOrHugeVolumeNeverReachesTheEncoderAsANonFiniteSample) {
    // NaN aborts LAME outright; 1e40 overflows to infinity on the way to float.
    for (double volume : {std::nan(""), 1e40, -HUGE_VAL}) {
        SCOPED_TRACE(volume);
        auto tracks = toneTracks(2, 1.0);
        tracks[0]->sectionArray().front()->volumeValue = volume;
        ProjectExporter exporter(engine, nullptr);
        auto snapshot = snapshotOf(tracks, 1.0);
        ExportReport outcome = exporter.run(requestFor("MP3 - MPEG Layer-3 Audio(*.mp3)"), snapshot);
        ASSERT_TRUE(outcome.ok()) << outcome.error();
        Decoded d = decode(outcome.writtenPaths.at(0));
        ASSERT_EQ(d.channels, 2);
        EXPECT_GT(d.frames(), 44100);
        for (float v : d.samples) ASSERT_TRUE(std::isfinite(v));
    }
}

// --- nothing partial, ever ---------------------------------------------------------------

TEST_F(MediaExportTest, AFolderThatCannotBeCreatedFailsNamingTheFileAndLeavesNothing) {
    std::ofstream(dir.file("blocker")) << "a file where the folder should be";
    ProjectExporter exporter(engine, nullptr);
    auto r = requestFor(kWav);
    r.outputFolder = dir.file("blocker/out");
    auto snapshot = snapshotOf(toneTracks(2, 1.0), 1.0);
    ExportReport outcome = exporter.run(r, snapshot);
    EXPECT_TRUE(outcome.failed());
    EXPECT_NE(outcome.error().find(dir.file("blocker/out/Audio.wav")), std::string::npos) << outcome.error();
    EXPECT_TRUE(outcome.writtenPaths.empty());
}

TEST_F(MediaExportTest, AnUnknownCodecFailsBeforeAnythingIsWritten) {
    ProjectExporter exporter(engine, nullptr);
    auto r = requestFor(kWav);
    r.format.codecName = "no-such-codec";
    auto snapshot = snapshotOf(toneTracks(1, 1.0), 1.0);
    ExportReport outcome = exporter.run(r, snapshot);
    EXPECT_TRUE(outcome.failed());
    EXPECT_NE(outcome.error().find("Audio.wav"), std::string::npos) << outcome.error();
    EXPECT_TRUE(folderEntries(dir.file("out")).empty());
}

TEST(MediaWriter, AFileAppearsUnderItsNameOnlyWhenItIsComplete) {
    ScratchDir dir;
    FFmpegMediaWriterEngine engine;
    auto writer = engine.newMovieFileOutput();
    TSFFMovieFileOutputFormat format = ts_get_default_movie_file_ouput_format();
    format.audio_codec_id = ts_get_codec_id_by_name("flac");
    writer->setPath(dir.file("a.flac"));
    writer->setMovieFormat(format);
    ASSERT_TRUE(writer->openAudio()) << writer->lastError();
    ASSERT_TRUE(writer->startOutput()) << writer->lastError();
    std::vector<float> block(2048, 0.25f);
    for (int i = 0; i < 50; ++i) ASSERT_TRUE(writer->writeAudioData(block.data(), 1024));
    std::vector<std::string> during = folderEntries(dir.path());
    ASSERT_EQ(during.size(), 1u);
    EXPECT_EQ(during[0].rfind(".a.flac.part-", 0), 0u) << during[0];
    ASSERT_TRUE(writer->stopOutput()) << writer->lastError();
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"a.flac"});
}

TEST(MediaWriter, TheHookBeforePublishingSeesTheCompleteFileUnderItsTemporaryName) {
    ScratchDir dir;
    FFmpegMediaWriterEngine engine;
    auto writer = engine.newMovieFileOutput();
    TSFFMovieFileOutputFormat format = ts_get_default_movie_file_ouput_format();
    format.audio_codec_id = ts_get_codec_id_by_name("flac");
    writer->setPath(dir.file("d.flac"));
    writer->setMovieFormat(format);
    std::string seen;
    bool finalNameFree = false;
    writer->setBeforePublish([&](const std::string& temporaryPath) {
        seen = temporaryPath;
        finalNameFree = !std::filesystem::exists(dir.file("d.flac"));
        std::string probed;
        runCommand("ffprobe -v error -show_entries format=duration -of csv=p=0 " + shellQuote(temporaryPath), &probed);
        EXPECT_NEAR(std::stod(probed.empty() ? "0" : probed), 20 * 1024 / 44100.0, 0.01) << "not complete yet";
    });
    ASSERT_TRUE(writer->openAudio() && writer->startOutput()) << writer->lastError();
    std::vector<float> block(2048, 0.25f);
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(writer->writeAudioData(block.data(), 1024));
    ASSERT_TRUE(writer->stopOutput()) << writer->lastError();
    EXPECT_NE(seen, dir.file("d.flac"));
    EXPECT_EQ(seen.rfind(dir.file(".d.flac.part-"), 0), 0u) << seen;
    EXPECT_TRUE(finalNameFree);
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"d.flac"});
}

TEST(MediaWriter, AnAbortedOrDroppedWriterLeavesNothing) {
    ScratchDir dir;
    FFmpegMediaWriterEngine engine;
    TSFFMovieFileOutputFormat format = ts_get_default_movie_file_ouput_format();
    format.audio_codec_id = ts_get_codec_id_by_name("libmp3lame");
    format.audio_bit_rate = 128000;
    std::vector<float> block(2048, 0.1f);
    for (bool abort : {true, false}) {
        auto writer = engine.newMovieFileOutput();
        writer->setPath(dir.file("b.mp3"));
        writer->setMovieFormat(format);
        ASSERT_TRUE(writer->openAudio() && writer->startOutput()) << writer->lastError();
        ASSERT_TRUE(writer->writeAudioData(block.data(), 1024));
        if (abort) writer->abortOutput();
        writer.reset();
        EXPECT_TRUE(folderEntries(dir.path()).empty());
    }
}

TEST(MediaWriter, AFileThatAppearsMeanwhileIsNeverOverwritten) {
    ScratchDir dir;
    FFmpegMediaWriterEngine engine;
    auto writer = engine.newMovieFileOutput();
    TSFFMovieFileOutputFormat format = ts_get_default_movie_file_ouput_format();
    format.audio_codec_id = ts_get_codec_id_by_name("pcm_s16le");
    writer->setPath(dir.file("c.wav"));
    writer->setMovieFormat(format);
    ASSERT_TRUE(writer->openAudio() && writer->startOutput());
    std::ofstream(dir.file("c.wav")) << "the user's own";
    std::vector<float> block(2048, 0.1f);
    ASSERT_TRUE(writer->writeAudioData(block.data(), 1024));
    EXPECT_FALSE(writer->stopOutput());
    EXPECT_NE(writer->lastError().find("c.wav"), std::string::npos);
    std::ifstream in(dir.file("c.wav"));
    std::string text;
    std::getline(in, text);
    EXPECT_EQ(text, "the user's own");
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"c.wav"});
}

TEST(MediaWriter, TheHelpersNameLayoutsAndCodecs) {
    EXPECT_EQ(ts_get_channel_layout_nb_channels(ts_get_channel_layout_by_name("mono")), 1);
    EXPECT_EQ(ts_get_channel_layout_nb_channels(ts_get_channel_layout_by_name("stereo")), 2);
    for (int n = 1; n <= 62; ++n) {
        const int64_t layout = ts_get_default_channel_layout(n);
        EXPECT_EQ(ts_get_channel_layout_nb_channels(layout), n);
        // One channel per track: none of them is a low-frequency channel.
        if (n > 2) EXPECT_EQ(layout & (ts_get_channel_layout_by_name("2.1") ^ ts_get_channel_layout_by_name("stereo")), 0) << n;
    }
    EXPECT_EQ(ts_get_default_channel_layout(6), ts_get_channel_layout_by_name("6.0"));
    EXPECT_EQ(ts_get_default_channel_layout(0), 0);
    EXPECT_EQ(ts_get_default_channel_layout(63), 0);
    EXPECT_NE(ts_get_codec_id_by_name("libmp3lame"), 0);
    EXPECT_EQ(ts_get_codec_id_by_name("no-such-codec"), 0);
    TSFFMovieFileOutputFormat format = ts_get_default_movie_file_ouput_format();
    EXPECT_EQ(format.sample_rate, 44100);
    EXPECT_EQ(format.channel_layout, ts_get_channel_layout_by_name("stereo"));
}

TEST_F(MediaExportTest, ACancelledExportLeavesNoFileAtAll) {
    ProjectExporter exporter(engine, nullptr);
    auto snapshot = snapshotOf(toneTracks(2, 20.0), 20.0);
    std::atomic<bool> done{false};
    ASSERT_TRUE(exporter.start(requestFor("FLAC - Free Lossless Audio Codec(*.flac)"), std::move(snapshot),
                               [&](const ExportReport& o) {
                                   EXPECT_TRUE(o.cancelled());
                                   done = true;
                               }));
    while (exporter.progressValue() < 0.05f && exporter.isRunning()) std::this_thread::yield();
    exporter.cancel();
    exporter.wait();
    EXPECT_TRUE(done);
    EXPECT_TRUE(folderEntries(dir.file("out")).empty());
}
