// Decoding media files into sample data files through FFmpeg: channel order,
// lengths, refusals and damaged input. Fixtures are made here, by our own WAV
// writer or by the ffmpeg command.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <fstream>

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

    GenerateResult convert(const std::string& media, const std::string& out) {
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
    GenerateResult r = convert(wav, dir.file("ramp.data"));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.channels, 2);
    EXPECT_EQ(r.frames, frames);  // 1.5 s: 65 blocks of 1024 written, 66150 frames kept
    EXPECT_DOUBLE_EQ(r.duration, 1.5);
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
    GenerateResult r = convert(flac, dir.file("tone.data"));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.channels, 1);
    EXPECT_NEAR(static_cast<double>(r.frames), 88200.0, 2.0);
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
    GenerateResult r = convert(mka, dir.file("three.data"));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.channels, 3);
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
        GenerateResult r = convert(media, dir.file("whole.data"));
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_GE(r.frames, decoded) << media;
        auto tail = readChannel(dir.file("whole.data"), 0, 3 * 44100 - 3000, 2000);
        float peak = 0;
        for (float v : tail) peak = std::max(peak, std::fabs(v));
        EXPECT_GT(peak, 0.05f) << media;
    }
}

// The frames FFmpeg's own decoder gives for a file at 44100 Hz, per channel.
int64_t ffmpegFrames(const std::string& media, int channels) {
    std::string out;
    if (wavomer::test::runCommand("ffmpeg -v quiet -i " + wavomer::test::shellQuote(media) +
                                      " -ar 44100 -f f32le - | wc -c",
                                  &out) != 0)
        return -1;
    return std::stoll(out) / 4 / channels;
}

TEST_F(GenerationTest, AnImportIsAsLongAsTheAudioThatDecodes) {
    // A cut Matroska file states 4 s in its header and holds about 2 s; it keeps what
    // decoded, says so, and pads nothing.
    std::string full = dir.file("full.mka");
    std::string cut = dir.file("cut.mka");
    ASSERT_TRUE(ffmpeg("-f lavfi -i sine=frequency=440:duration=4 -c:a pcm_s16le " + shellQuote(full)));
    ASSERT_EQ(wavomer::test::runCommand("head -c 200000 " + shellQuote(full) + " > " + shellQuote(cut)), 0);
    GenerateResult r = convert(cut, dir.file("cut.data"));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.frames, ffmpegFrames(cut, 1));
    EXPECT_LT(r.frames, 3 * 44100);
    EXPECT_FALSE(r.warning.empty());

    // Encoder delay and padding go as FFmpeg's decoder drops them; VBR without a
    // Xing header, cut MP3 and FLAC, raw ADTS: each as long as FFmpeg decodes it.
    const std::string tone = "-f lavfi -i sine=frequency=1000:duration=6 -ac 2 ";
    struct Case { std::string name, args; long cutBytes; };
    const std::vector<Case> cases = {
        {"lame.mp3", "-c:a libmp3lame -b:a 128k", 0},
        {"vbr-noxing.mp3", "-c:a libmp3lame -q:a 4 -write_xing 0", 0},
        {"cut.mp3", "-c:a libmp3lame -b:a 128k", 20000},
        {"cut.flac", "-c:a flac", 60000},
        {"raw.aac", "-c:a aac -b:a 128k -f adts", 0},
        {"tone.opus", "-c:a libopus -b:a 96k", 0},
    };
    for (const Case& c : cases) {
        std::string media = dir.file(c.name);
        ASSERT_TRUE(ffmpeg(tone + c.args + " " + shellQuote(media))) << c.name;
        if (c.cutBytes > 0)
            ASSERT_EQ(::truncate(media.c_str(), c.cutBytes), 0);
        GenerateResult g = convert(media, dir.file(c.name + ".data"));
        ASSERT_TRUE(g.ok) << c.name << ": " << g.error;
        EXPECT_EQ(g.frames, ffmpegFrames(media, 2)) << c.name;
    }
}

TEST_F(GenerationTest, RefusedFilesReportWhyAndLeaveNoFile) {
    std::vector<float> samples(4410, 0.25f);
    std::string vob = dir.file("movie.VOB");
    wavomer::test::writeWavFloat(vob, 1, 44100, samples);
    std::string out = dir.file("refused.data");
    GenerateResult r = convert(vob, out);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("DVD"), std::string::npos);
    EXPECT_FALSE(exists(out));

    std::string silentVideo = dir.file("video-only.mkv");
    ASSERT_TRUE(ffmpeg("-f lavfi -i color=size=32x32:duration=1 -c:v ffv1 " + shellQuote(silentVideo)));
    r = convert(silentVideo, out);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "the file holds no audio");
    EXPECT_FALSE(exists(out));
}

TEST_F(GenerationTest, BrokenInputFailsWithAReasonAndNeverHangs) {
    std::string out = dir.file("broken.data");
    std::string missing = dir.file("missing.wav");
    GenerateResult r = convert(missing, out);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
    EXPECT_FALSE(exists(out));

    std::string empty = dir.file("empty.mp3");
    { std::ofstream f(empty); }
    r = convert(empty, out);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(exists(out));

    std::string text = dir.file("notes.bin");
    {
        std::ofstream f(text);
        for (int i = 0; i < 1000; ++i) f << "this is not audio at all " << i << "\n";
    }
    r = convert(text, out);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(exists(out));

    std::string unreadable = dir.file("locked.wav");
    wavomer::test::writeWavFloat(unreadable, 1, 44100, std::vector<float>(441, 0.1f));
    ::chmod(unreadable.c_str(), 0);
    if (::access(unreadable.c_str(), R_OK) != 0) {  // root reads everything
        r = convert(unreadable, out);
        EXPECT_FALSE(r.ok);
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
    GenerateResult r = convert(truncated, dir.file("t.data"));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_GT(r.frames, 44100);

    // Overwrite the middle with garbage.
    std::string corrupt = dir.file("corrupt.mp3");
    ASSERT_EQ(wavomer::test::runCommand("cp " + shellQuote(mp3) + " " + shellQuote(corrupt)), 0);
    {
        std::fstream f(corrupt, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(st.st_size / 3);
        for (int i = 0; i < 4000; ++i) f.put(static_cast<char>((i * 7919) & 0xff));
    }
    r = convert(corrupt, dir.file("c.data"));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_GT(r.frames, 3 * 44100);
}

TEST_F(GenerationTest, AnUnwritableDestinationFailsWithoutAFile) {
    std::string wav = dir.file("ok.wav");
    wavomer::test::writeWavFloat(wav, 1, 44100, std::vector<float>(4410, 0.1f));
    GenerateResult r = convert(wav, dir.file("no/such/folder/out.data"));
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("cannot create"), std::string::npos);
}

TEST_F(GenerationTest, ImportFileNamesAreNewForEveryConversion) {
    std::string wav = dir.file("ok.wav");
    wavomer::test::writeWavFloat(wav, 1, 44100, std::vector<float>(4410, 0.1f));
    GenerateResult first, second;
    std::string a = getNewPathFromOriginalMusicPath(engine, wav, dir.path(), &first);
    std::string b = getNewPathFromOriginalMusicPath(engine, wav, dir.path(), &second);
    EXPECT_TRUE(first.ok);
    EXPECT_TRUE(second.ok);
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

TEST_F(GenerationTest, FillAudioTakesOneChannelOutOfInterleavedFrames) {
    const float interleaved[] = {0, 10, 20, 1, 11, 21, 2, 12, 22};
    float out[3];
    AudioChannelsGenerator::fillAudio(out, 3, 1, 3, interleaved);
    EXPECT_EQ(out[0], 10);
    EXPECT_EQ(out[1], 11);
    EXPECT_EQ(out[2], 12);
}

TEST(MediaTime, SecondsConvertToTicksByTruncation) {
    EXPECT_EQ(ts_default_time_base(), 1000000);
    EXPECT_EQ(ts_double_to_time(1.5), 1500000);
    EXPECT_EQ(ts_double_to_time(0.0000019), 1);
    EXPECT_EQ(ts_double_to_time(-0.0000019), -1);
    EXPECT_DOUBLE_EQ(ts_ff_time_to_double(2500000), 2.5);
}
