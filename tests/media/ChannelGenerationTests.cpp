// Decoding media files into sample data files through FFmpeg: channel order,
// lengths, refusals and damaged input. Fixtures are made here, by our own WAV
// writer or by the ffmpeg command.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "FFmpegMediaEngine.h"
#include "data/AudioChannelsGenerator.h"
#include "data/AudioSampleData.h"
#include "data/VCMovie.h"
#include "support/TestSupport.h"
#include "util/Log.h"

using namespace wavomer;
using wavomer::test::ScratchDir;
using wavomer::test::ffmpeg;
using wavomer::test::shellQuote;

namespace {

class GenerationTest : public ::testing::Test {
protected:
    void SetUp() override { setLogEnabled(false); }
    void TearDown() override { setLogEnabled(true); }

    Outcome<GeneratedAudio> convert(const std::string& media, const std::string& out) {
        AudioChannelsGenerator generator(engine);
        generator.audioPath = media;
        return generator.generate(out);
    }

    std::vector<float> readChannel(const std::string& path, int channel, int64_t offset, int frames) {
        auto data = AudioSampleData::dataForReadingAtPath(path);
        std::vector<float> values(static_cast<size_t>(frames));
        if (data) data->readSample(values.data(), channel, frames, offset);
        return values;
    }

    bool exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

    // Frames per channel of `ffmpeg -i FILE -ar 44100 -f f32le -`.
    int64_t ffmpegFrames(const std::string& media) {
        std::string channels, bytes;
        wavomer::test::runCommand("ffprobe -v error -select_streams a:0 -show_entries stream=channels -of csv=p=0 " +
                                      shellQuote(media),
                                  &channels);
        wavomer::test::runCommand("ffmpeg -nostdin -v quiet -i " + shellQuote(media) + " -ar 44100 -f f32le - | wc -c",
                                  &bytes);
        const int n = std::atoi(channels.c_str());
        return n > 0 ? std::stoll(bytes) / 4 / n : -1;
    }

    static int64_t fileSize(const std::string& path) {
        struct stat st{};
        return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
    }

    static std::string readBytes(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }

    static void writeBytes(const std::string& path, const std::string& bytes) {
        std::ofstream f(path, std::ios::binary | std::ios::trunc);
        f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    FFmpegMediaEngine engine;
    ScratchDir dir;
};

// Distinct exactly representable values per channel: channel c, frame k.
float ramp(int c, int64_t k) { return static_cast<float>((k % 1000) - 500) / 1024.0f * (c == 0 ? 1.0f : -0.5f); }

}  // namespace

TEST_F(GenerationTest, AFloatWavDecodesSampleExactInBothChannels) {
    const int64_t frames = 44100 + 22050;
    std::vector<float> interleaved;
    for (int64_t k = 0; k < frames; ++k) {
        interleaved.push_back(ramp(0, k));
        interleaved.push_back(ramp(1, k));
    }
    std::string wav = dir.file("ramp.wav");
    wavomer::test::writeWavFloat(wav, 2, 44100, interleaved);
    Outcome<GeneratedAudio> r = convert(wav, dir.file("ramp.data"));
    ASSERT_TRUE(r.ok()) << r.error();
    EXPECT_EQ(r->channels, 2);
    EXPECT_EQ(r->frames, frames);  // 1.5 s: 65 blocks of 1024 written, 66150 frames kept
    EXPECT_DOUBLE_EQ(r->duration, 1.5);
    for (int c = 0; c < 2; ++c) {
        auto values = readChannel(dir.file("ramp.data"), c, 0, static_cast<int>(frames));
        for (int64_t k = 0; k < frames; ++k) ASSERT_EQ(values[k], ramp(c, k)) << c << " " << k;
    }
    auto past = readChannel(dir.file("ramp.data"), 0, frames, 100);
    for (float v : past) EXPECT_EQ(v, 0.0f);
}

TEST_F(GenerationTest, OtherRatesAreResampledTo44100) {
    std::string flac = dir.file("tone48k.flac");
    ASSERT_TRUE(ffmpeg("-f lavfi -i sine=frequency=1000:sample_rate=48000:duration=2 -ac 1 " + shellQuote(flac)));
    Outcome<GeneratedAudio> r = convert(flac, dir.file("tone.data"));
    ASSERT_TRUE(r.ok()) << r.error();
    EXPECT_EQ(r->channels, 1);
    EXPECT_NEAR(static_cast<double>(r->frames), 88200.0, 2.0);
    // The sine keeps its frequency: count zero crossings over one second.
    auto values = readChannel(dir.file("tone.data"), 0, 22050, 44100);
    int crossings = 0;
    for (size_t i = 1; i < values.size(); ++i)
        if ((values[i - 1] < 0) != (values[i] < 0)) ++crossings;
    EXPECT_NEAR(crossings, 2000, 4);
}

TEST_F(GenerationTest, EveryAudioStreamBecomesConsecutiveChannels) {
    std::string mka = dir.file("two-streams.mka");
    ASSERT_TRUE(ffmpeg("-f lavfi -i sine=frequency=300:duration=1 -f lavfi -i sine=frequency=900:duration=1 "
                       "-filter_complex \"[0:a][0:a]amerge=inputs=2[st]\" -map \"[st]\" -map 1:a -c:a pcm_f32le " +
                       shellQuote(mka)));
    Outcome<GeneratedAudio> r = convert(mka, dir.file("three.data"));
    ASSERT_TRUE(r.ok()) << r.error();
    EXPECT_EQ(r->channels, 3);
    auto left = readChannel(dir.file("three.data"), 0, 0, 44100);
    auto right = readChannel(dir.file("three.data"), 1, 0, 44100);
    auto mono = readChannel(dir.file("three.data"), 2, 0, 44100);
    EXPECT_EQ(left, right);
    int leftCrossings = 0, monoCrossings = 0;
    for (size_t i = 1; i < 44100; ++i) {
        if ((left[i - 1] < 0) != (left[i] < 0)) ++leftCrossings;
        if ((mono[i - 1] < 0) != (mono[i] < 0)) ++monoCrossings;
    }
    EXPECT_NEAR(leftCrossings, 600, 4);
    EXPECT_NEAR(monoCrossings, 1800, 4);
}

TEST_F(GenerationTest, AContainerThatStatesNoOrTooShortADurationIsImportedWhole) {
    // A Matroska stream written to a pipe states no duration; raw ADTS AAC states an
    // estimate shorter than what decodes.
    std::string piped = dir.file("piped.mka");
    std::string adts = dir.file("raw.aac");
    ASSERT_EQ(wavomer::test::runCommand("ffmpeg -nostdin -v error -f lavfi -i sine=frequency=440:duration=3 "
                                        "-c:a libvorbis -f matroska pipe:1 > " + shellQuote(piped)),
              0);
    ASSERT_TRUE(ffmpeg("-f lavfi -i sine=frequency=440:duration=3 -c:a aac -f adts " + shellQuote(adts)));
    for (const std::string& media : {piped, adts}) {
        std::string count;
        ASSERT_EQ(wavomer::test::runCommand("ffmpeg -nostdin -v error -i " + shellQuote(media) +
                                                " -f f32le -ac 1 -ar 44100 - | wc -c",
                                            &count),
                  0);
        const int64_t decoded = std::stoll(count) / 4;
        ASSERT_GT(decoded, 3 * 44100 - 2048);
        Outcome<GeneratedAudio> r = convert(media, dir.file("whole.data"));
        ASSERT_TRUE(r.ok()) << r.error();
        EXPECT_GE(r->frames, decoded) << media;
        auto tail = readChannel(dir.file("whole.data"), 0, 3 * 44100 - 3000, 2000);
        float peak = 0;
        for (float v : tail) peak = std::max(peak, std::fabs(v));
        EXPECT_GT(peak, 0.05f) << media;
    }
}

TEST_F(GenerationTest, AFileCutShortKeepsWhatDecodedAndWarns) {
    // A Matroska file states 4 s in its header; cut short, it holds about 2 s.
    std::string full = dir.file("full.mka");
    std::string cut = dir.file("cut.mka");
    ASSERT_TRUE(ffmpeg("-f lavfi -i sine=frequency=440:duration=4 -c:a pcm_s16le " + shellQuote(full)));
    ASSERT_EQ(wavomer::test::runCommand("head -c 200000 " + shellQuote(full) + " > " + shellQuote(cut)), 0);
    Outcome<GeneratedAudio> r = convert(cut, dir.file("cut.data"));
    ASSERT_TRUE(r.ok()) << r.error();
    EXPECT_EQ(r->frames, ffmpegFrames(cut));
    EXPECT_LT(r->frames, 3 * 44100);
    EXPECT_NE(r->warning.find("the audio ends at"), std::string::npos) << r->warning;
    auto tail = readChannel(dir.file("cut.data"), 0, r->frames - 1000, 1000);
    float peak = 0;
    for (float v : tail) peak = std::max(peak, std::fabs(v));
    EXPECT_GT(peak, 0.05f);
}

TEST_F(GenerationTest, AnImportIsExactlyAsLongAsFFmpegsOwnDecode) {
    // Encoder delay and padding are removed as FFmpeg's decoder removes them; a
    // duration the container states or guesses never pads the file with silence.
    const std::string sine = "-f lavfi -i sine=frequency=440:duration=6 -ac 2 ";
    // Silent for a second, then loud: a VBR file whose first frame makes the
    // bitrate guess of its length far too long.
    const std::string swell =
        "-f lavfi -i \"anoisesrc=duration=6:amplitude=0.5,volume=volume='if(lt(t,1),0,1)':eval=frame\" -ac 2 ";
    struct Case {
        std::string name, arguments;
        bool complete;
    };
    std::vector<Case> cases = {
        {"lame.mp3", sine + "-b:a 128k", true},
        {"plain.mp3", sine + "-b:a 128k -write_xing 0", true},
        {"vbr.mp3", swell + "-q:a 4", true},
        {"vbr-plain.mp3", swell + "-q:a 4 -write_xing 0", true},
        {"tone.flac", sine, true},
        {"adts.aac", "-f lavfi -i sine=frequency=440:duration=3 -c:a aac -f adts", true},
        {"alac.m4a", "-f lavfi -i sine=frequency=440:duration=3 -c:a alac", true},
        {"tone.opus", "-f lavfi -i sine=frequency=440:duration=3 -c:a libopus", true},
        {"movie.mp4", "-f lavfi -i testsrc=size=32x32:duration=4 -f lavfi -i sine=duration=3 -c:v mpeg4 -c:a aac", true},
    };
    for (const Case& c : cases) ASSERT_TRUE(ffmpeg(c.arguments + " " + shellQuote(dir.file(c.name)))) << c.name;

    // Cut short: the MP3's LAME header and the FLAC's STREAMINFO still state 6 s.
    for (const std::string name : {"lame.mp3", "tone.flac"}) {
        std::string cut = "cut-" + name;
        ASSERT_EQ(wavomer::test::runCommand("head -c " + std::to_string(fileSize(dir.file(name)) / 2) + " " +
                                            shellQuote(dir.file(name)) + " > " + shellQuote(dir.file(cut))),
                  0);
        cases.push_back({cut, "", false});
    }
    // Headers that lie: an MP3 whose LAME header claims 100000 frames (43 minutes)
    // and a FLAC whose STREAMINFO claims ten hours.
    {
        std::string bytes = readBytes(dir.file("lame.mp3"));
        size_t tag = bytes.find("Info");
        ASSERT_NE(tag, std::string::npos);
        ASSERT_TRUE(bytes[tag + 7] & 1);  // the frame count is present
        const uint32_t claimed = 100000;
        for (int i = 0; i < 4; ++i) bytes[tag + 8 + i] = static_cast<char>(claimed >> (24 - 8 * i));
        writeBytes(dir.file("liar.mp3"), bytes);
        cases.push_back({"liar.mp3", "", false});

        bytes = readBytes(dir.file("tone.flac"));
        ASSERT_EQ(bytes.substr(0, 4), "fLaC");
        // The 36-bit total sample count ends STREAMINFO's eight bytes at offset 18.
        const uint64_t total = uint64_t(10) * 3600 * 44100;
        for (int i = 0; i < 4; ++i) bytes[22 + i] = static_cast<char>(total >> (24 - 8 * i));
        bytes[21] = static_cast<char>((bytes[21] & 0xf0) | ((total >> 32) & 0x0f));
        writeBytes(dir.file("liar.flac"), bytes);
        cases.push_back({"liar.flac", "", false});
    }

    for (const Case& c : cases) {
        const std::string media = dir.file(c.name);
        const std::string out = dir.file(c.name + ".data");
        const int64_t expected = ffmpegFrames(media);
        ASSERT_GT(expected, 22050) << c.name;
        Outcome<GeneratedAudio> r = convert(media, out);
        ASSERT_TRUE(r.ok()) << c.name << ": " << r.error();
        EXPECT_EQ(r->frames, expected) << c.name;
        EXPECT_EQ(r->warning.empty(), c.complete) << c.name << ": " << r->warning;
        auto data = AudioSampleData::dataForReadingAtPath(out);
        ASSERT_TRUE(data);
        EXPECT_EQ(data->framePerChannel(), expected) << c.name;
        // The file holds the decoded frames and their envelope, nothing more.
        const int64_t plane = (expected * 4 + 4095) / 4096 * 4096;
        EXPECT_LE(fileSize(out), 4096 + r->channels * (plane + 2 * 4096 + (expected / 44100 + 1) * 800)) << c.name;
    }
}

TEST_F(GenerationTest, RefusedFilesReportWhyAndLeaveNoFile) {
    std::vector<float> samples(4410, 0.25f);
    std::string vob = dir.file("movie.VOB");
    wavomer::test::writeWavFloat(vob, 1, 44100, samples);
    std::string out = dir.file("refused.data");
    Outcome<GeneratedAudio> r = convert(vob, out);
    EXPECT_FALSE(r.ok());
    EXPECT_NE(r.error().find("DVD"), std::string::npos);
    EXPECT_FALSE(exists(out));

    std::string silentVideo = dir.file("video-only.mkv");
    ASSERT_TRUE(ffmpeg("-f lavfi -i color=size=32x32:duration=1 -c:v ffv1 " + shellQuote(silentVideo)));
    r = convert(silentVideo, out);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.failure().reason, "the file is Matroska / WebM with no audio stream");
    EXPECT_FALSE(exists(out));

    // Something that is no media at all is named as not audio.
    const std::string text = dir.file("notes.mp3");
    std::ofstream(text) << "just a few words, not audio";
    r = convert(text, out);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.failure().reason, "not an audio file");
    EXPECT_FALSE(exists(out));
}

TEST_F(GenerationTest, BrokenInputFailsWithAReasonAndNeverHangs) {
    std::string out = dir.file("broken.data");
    std::string missing = dir.file("missing.wav");
    Outcome<GeneratedAudio> r = convert(missing, out);
    EXPECT_FALSE(r.ok());
    EXPECT_FALSE(r.error().empty());
    EXPECT_FALSE(exists(out));

    std::string empty = dir.file("empty.mp3");
    { std::ofstream f(empty); }
    r = convert(empty, out);
    EXPECT_FALSE(r.ok());
    EXPECT_FALSE(exists(out));

    std::string text = dir.file("notes.bin");
    {
        std::ofstream f(text);
        for (int i = 0; i < 1000; ++i) f << "this is not audio at all " << i << "\n";
    }
    r = convert(text, out);
    EXPECT_FALSE(r.ok());
    EXPECT_FALSE(exists(out));

    std::string unreadable = dir.file("locked.wav");
    wavomer::test::writeWavFloat(unreadable, 1, 44100, std::vector<float>(441, 0.1f));
    ::chmod(unreadable.c_str(), 0);
    if (::access(unreadable.c_str(), R_OK) != 0) {  // root reads everything
        r = convert(unreadable, out);
        EXPECT_FALSE(r.ok());
    }
}

TEST_F(GenerationTest, ATruncatedOrCorruptFileKeepsWhatDecoded) {
    std::string mp3 = dir.file("tone.mp3");
    ASSERT_TRUE(ffmpeg("-f lavfi -i sine=frequency=440:duration=4 -ac 1 -b:a 128k " + shellQuote(mp3)));
    struct stat st{};
    ASSERT_EQ(::stat(mp3.c_str(), &st), 0);
    std::string truncated = dir.file("truncated.mp3");
    ASSERT_EQ(wavomer::test::runCommand("head -c " + std::to_string(st.st_size / 2) + " " + shellQuote(mp3) + " > " +
                                        shellQuote(truncated)),
              0);
    Outcome<GeneratedAudio> r = convert(truncated, dir.file("t.data"));
    ASSERT_TRUE(r.ok()) << r.error();
    EXPECT_GT(r->frames, 44100);

    // Overwrite the middle with garbage.
    std::string corrupt = dir.file("corrupt.mp3");
    ASSERT_EQ(wavomer::test::runCommand("cp " + shellQuote(mp3) + " " + shellQuote(corrupt)), 0);
    {
        std::fstream f(corrupt, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(st.st_size / 3);
        for (int i = 0; i < 4000; ++i) f.put(static_cast<char>((i * 7919) & 0xff));
    }
    r = convert(corrupt, dir.file("c.data"));
    ASSERT_TRUE(r.ok()) << r.error();
    EXPECT_GT(r->frames, 3 * 44100);
}

// The most a damaged file's import may add to the peak memory; AddressSanitizer's
// red zones and quarantine roughly double what the same buffers take.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kPeakGrowthLimitKiB = 96 * 1024;
#else
constexpr long kPeakGrowthLimitKiB = 40 * 1024;
#endif

TEST_F(GenerationTest, DamagedHeadersFailFastWithTheirReasonInBoundedMemory) {
    // Fuzzed WAV headers: a sample rate of 9.4 MHz, which no resampler is set up
    // for (trying again for every packet took a second each), a channel count no
    // resampler takes, and one no decoder takes (buffers for it were gigabytes).
    std::vector<float> samples(2 * 44100 * 2);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = std::sin(static_cast<double>(i) * 0.01) * 0.5f;
    struct Case {
        std::string name;
        int channels, rate;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {"fast.wav", 2, 9415748, "cannot convert audio of 2 channel(s) at 9415748 Hz"},
        {"wide.wav", 209, 44100, "cannot convert audio of 209 channel(s)"},
        {"huge.wav", 56834, 44100, "a stream claiming 56834 channels was left out"},
    };
    for (const Case& c : cases) {
        const std::string media = dir.file(c.name);
        wavomer::test::writeWav16(media, c.channels, c.rate, samples);
        const std::string out = dir.file(c.name + ".data");
        rusage before{};
        ::getrusage(RUSAGE_SELF, &before);
        Outcome<GeneratedAudio> r = convert(media, out);
        rusage after{};
        ::getrusage(RUSAGE_SELF, &after);
        EXPECT_FALSE(r.ok()) << c.name;
        EXPECT_NE(r.error().find(c.reason), std::string::npos) << c.name << ": " << r.error();
        EXPECT_FALSE(exists(out)) << c.name;
        EXPECT_LT(after.ru_maxrss - before.ru_maxrss, kPeakGrowthLimitKiB) << c.name << ": peak memory grew, in kB";
    }
}

TEST_F(GenerationTest, AnUnwritableDestinationFailsWithoutAFile) {
    std::string wav = dir.file("ok.wav");
    wavomer::test::writeWavFloat(wav, 1, 44100, std::vector<float>(4410, 0.1f));
    Outcome<GeneratedAudio> r = convert(wav, dir.file("no/such/folder/out.data"));
    EXPECT_FALSE(r.ok());
    EXPECT_NE(r.error().find("cannot create"), std::string::npos);
}

TEST_F(GenerationTest, ImportFileNamesAreNewForEveryConversion) {
    std::string wav = dir.file("ok.wav");
    wavomer::test::writeWavFloat(wav, 1, 44100, std::vector<float>(4410, 0.1f));
    Outcome<GeneratedAudio> first = getNewPathFromOriginalMusicPath(engine, wav, dir.path());
    Outcome<GeneratedAudio> second = getNewPathFromOriginalMusicPath(engine, wav, dir.path());
    ASSERT_TRUE(first.ok());
    ASSERT_TRUE(second.ok());
    const std::string a = first->path, b = second->path;
    EXPECT_NE(a, b);
    EXPECT_EQ(a.rfind(dir.path() + "/ImportAudio_", 0), 0u);
    EXPECT_EQ(a.substr(a.size() - 5), ".data");
    // Six decimals of seconds since 2001-01-01.
    std::string number = a.substr(dir.path().size() + 13, a.size() - dir.path().size() - 13 - 5);
    EXPECT_EQ(number.size() - number.find('.'), 7u);
    EXPECT_GT(std::stod(number), 8.0e8);
    EXPECT_TRUE(exists(a));
    EXPECT_TRUE(exists(b));
}

TEST_F(GenerationTest, ALongLosslessFileDecodedInTwoHalvesIsTheFileOfOneDecoding) {
    // FLAC and PCM decode in halves; damage before the middle makes the first decoding
    // go on alone, damage after it is met by the second, and reported the same.
    const std::string flac = dir.file("long.flac"), wav = dir.file("long.wav");
    ASSERT_TRUE(ffmpeg("-f lavfi -i anoisesrc=duration=75.3:amplitude=0.3:sample_rate=44100:seed=1 -f lavfi -i sine=duration=75.3 "
                       "-filter_complex amerge=inputs=2 -ac 2 " + shellQuote(flac)));
    ASSERT_TRUE(ffmpeg("-i " + shellQuote(flac) + " -t 70 -c:a pcm_s24le " + shellQuote(wav)));
    const int64_t size = fileSize(flac);
    auto damaged = [&](const std::string& name, double at) {
        std::string bytes = readBytes(flac);
        for (int i = 0; i < 4000; ++i) bytes[static_cast<size_t>(size * at) + i] = static_cast<char>((i * 7919) & 0xff);
        writeBytes(dir.file(name), bytes);
        return dir.file(name);
    };
    const struct {
        std::string media;
        bool halved;
    } cases[] = {{flac, true}, {wav, true}, {damaged("early.flac", 0.2), false}, {damaged("late.flac", 0.8), true}};
    for (const auto& k : cases) {
        AudioChannelsGenerator one(engine), halves(engine);
        one.audioPath = halves.audioPath = k.media;
        one.pipelined = false;
        Outcome<GeneratedAudio> a = one.generate(dir.file("one.data"));
        Outcome<GeneratedAudio> b = halves.generate(dir.file("halves.data"));
        ASSERT_TRUE(a.ok() && b.ok()) << k.media;
        EXPECT_EQ(halves.decodedInHalves(), k.halved) << k.media;
        EXPECT_EQ(a->warning, b->warning) << k.media;
        EXPECT_TRUE(readBytes(dir.file("one.data")) == readBytes(dir.file("halves.data"))) << k.media;
    }
}

TEST(MediaTime, SecondsConvertToTicksByTruncation) {
    EXPECT_EQ(ts_default_time_base(), 1000000);
    EXPECT_EQ(ts_double_to_time(1.5), 1500000);
    EXPECT_EQ(ts_double_to_time(0.0000019), 1);
    EXPECT_EQ(ts_double_to_time(-0.0000019), -1);
    EXPECT_DOUBLE_EQ(ts_ff_time_to_double(2500000), 2.5);
}
