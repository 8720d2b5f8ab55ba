// wavomer-cli export and formats, end to end: a project made with the edit command
// from a WAV written by the test, exported and decoded back with ffmpeg.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/TestSupport.h"

using wavomer::test::lines;
using wavomer::test::runCommand;
using wavomer::test::ScratchDir;
using wavomer::test::shellQuote;

namespace {

class CliExport : public ::testing::Test {
protected:
    void SetUp() override {
        env = "XDG_CACHE_HOME=" + shellQuote(dir.file("cache")) + " ";
        project = makeProject(10.0, "tone.wav", "p.wvmp");
    }

    // A stereo tone of the given length imported into a new project (two tracks), with
    // markers at 3 s and 6 s, saved as a project folder.
    std::string makeProject(double seconds, const std::string& wavName, const std::string& projectName) {
        const std::string wav = dir.file(wavName);
        std::vector<float> frames;
        for (int i = 0; i < static_cast<int>(44100 * seconds); ++i) {
            frames.push_back(0.25f);
            frames.push_back(-0.5f);
        }
        wavomer::test::writeWav16(wav, 2, 44100, frames);
        const std::string path = dir.file(projectName);
        std::ofstream(dir.file("script.txt"))
            << "import \"" << wav << "\"\ncursor 3\nadd-marker\ncursor 6\nadd-marker\nsave " << path << "\n";
        std::string out, err;
        EXPECT_EQ(runCommand(env + shellQuote(WAVOMER_CLI_PATH) + " edit " + shellQuote(dir.file("script.txt")), &out,
                             &err),
                  0)
            << err;
        return path;
    }

    int cli(const std::string& arguments, std::string* out, std::string* err) {
        return runCommand(env + shellQuote(WAVOMER_CLI_PATH) + " " + arguments, out, err);
    }

    static std::string probe(const std::string& path, const std::string& entries) {
        std::string out;
        runCommand("ffprobe -v error -show_entries " + entries + " -of default=nw=1:nk=1 " + shellQuote(path), &out);
        while (!out.empty() && out.back() == '\n') out.pop_back();
        return out;
    }

    static int64_t decodedFrames(const std::string& path, int channels) {
        std::string raw = path + ".raw";
        runCommand("ffmpeg -v error -y -i " + shellQuote(path) + " -f f32le -acodec pcm_f32le " + shellQuote(raw));
        auto bytes = std::filesystem::file_size(raw);
        std::filesystem::remove(raw);
        return static_cast<int64_t>(bytes / sizeof(float) / channels);
    }

    ScratchDir dir;
    std::string env;
    std::string project;
};

const char* const kWav = "\"WAV - Waveform Audio(*.wav)\"";

}  // namespace

TEST_F(CliExport, AnExportPrintsTheFileItWroteWithTheProjectsLengthInWholeBlocks) {
    std::string out, err;
    ASSERT_EQ(cli("export " + shellQuote(project) + " -d " + shellQuote(dir.file("out")) + " --format " + kWav, &out,
                  &err),
              0)
        << err;
    ASSERT_EQ(lines(out), std::vector<std::string>{dir.file("out/Audio.wav")});
    EXPECT_EQ(probe(dir.file("out/Audio.wav"), "stream=channels"), "2");
    EXPECT_EQ(decodedFrames(dir.file("out/Audio.wav"), 2), 431 * 1024);
    EXPECT_TRUE(err.empty()) << "no progress bar when stderr is not a terminal: " << err;
}

TEST_F(CliExport, ExportingAgainNeverOverwritesAndNumbersTheNewFile) {
    std::string out, err;
    const std::string args = "export " + shellQuote(project) + " -d " + shellQuote(dir.file("out"));
    ASSERT_EQ(cli(args, &out, &err), 0) << err;
    ASSERT_EQ(cli(args, &out, &err), 0) << err;
    EXPECT_EQ(lines(out), std::vector<std::string>{dir.file("out/Audio_1.mp3")});
    EXPECT_TRUE(std::filesystem::exists(dir.file("out/Audio.mp3")));
}

TEST_F(CliExport, SplittingAtTheMarkersWritesOneFilePerSegment) {
    std::string out, err;
    ASSERT_EQ(cli("export " + shellQuote(project) + " -d " + shellQuote(dir.file("out")) + " --format " + kWav +
                      " --split-at-markers",
                  &out, &err),
              0)
        << err;
    auto written = lines(out);
    ASSERT_EQ(written, (std::vector<std::string>{dir.file("out/Audio.wav"), dir.file("out/Audio_1.wav"),
                                                 dir.file("out/Audio_2.wav")}));
    // Exactly the frames between the markers: 3 s, 3 s and 4 s.
    EXPECT_EQ(decodedFrames(written[0], 2), 132300);
    EXPECT_EQ(decodedFrames(written[1], 2), 132300);
    EXPECT_EQ(decodedFrames(written[2], 2), 176400);
}

TEST_F(CliExport, SplitPiecesAreNumberedInTheirTagsAndNamesAndLosslessOnesTake24Bits) {
    // Five pieces: markers at 2, 4, 6 and 8 s of a 10-second project, the one at 4 s named.
    const std::string wav = dir.file("five.wav");
    wavomer::test::writeWav16(wav, 1, 44100, std::vector<float>(441000, 0.25f));
    const std::string five = dir.file("five.wvmp");
    std::ofstream(dir.file("five.txt")) << "import \"" << wav << "\"\ncursor 2\nadd-marker\ncursor 4\nadd-marker\n"
                                        << "cursor 6\nadd-marker\ncursor 8\nadd-marker\n"
                                        << "name-marker 1 \"Second Song\"\nsave " << five << "\n";
    std::string out, err;
    ASSERT_EQ(cli("edit " + shellQuote(dir.file("five.txt")), &out, &err), 0) << err;
    ASSERT_EQ(cli("export " + shellQuote(five) + " -d " + shellQuote(dir.file("out")) +
                      " --format 'FLAC - Free Lossless Audio Codec(*.flac)' --split-at-markers --name ' Side/A '"
                      " --number-files --bit-depth 24 --artist Someone",
                  &out, &err),
              0)
        << err;
    const auto written = lines(out);
    ASSERT_EQ(written.size(), 5u);
    // The piece that starts at the named marker (4 s) is named and titled after it.
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(written[i], dir.file("out/0" + std::to_string(i + 1) + (i == 2 ? " Second Song.flac" : " Side-A.flac")));
        EXPECT_EQ(probe(written[i], "format_tags=title"), i == 2 ? "Second Song" : "");
        EXPECT_EQ(probe(written[i], "format_tags=track"), std::to_string(i + 1));
        EXPECT_EQ(probe(written[i], "format_tags=TRACKTOTAL"), "5");
        EXPECT_EQ(probe(written[i], "format_tags=artist"), "Someone");
        EXPECT_EQ(probe(written[i], "stream=bits_per_raw_sample"), "24");
    }
    // A number the user gave is kept on every piece.
    ASSERT_EQ(cli("export " + shellQuote(five) + " -d " + shellQuote(dir.file("given")) + " --format " + kWav +
                      " --split-at-markers --track 7/9",
                  &out, &err),
              0)
        << err;
    EXPECT_EQ(probe(dir.file("given/Audio_4.wav"), "format_tags=track"), "7");  // WAV keeps no total
    // WAV and AIFF at 24 bits are 24-bit PCM; the default stays 16; lossy formats refuse it.
    ASSERT_EQ(cli("export " + shellQuote(five) + " -d " + shellQuote(dir.file("deep")) + " --format " + kWav +
                      " --bit-depth 24",
                  &out, &err),
              0)
        << err;
    EXPECT_EQ(probe(dir.file("deep/Audio.wav"), "stream=codec_name"), "pcm_s24le");
    ASSERT_EQ(cli("export " + shellQuote(five) + " -d " + shellQuote(dir.file("deep")) +
                      " --format 'AIFF - Audio Interchange File Format(*.aiff)' --bit-depth 24",
                  &out, &err),
              0)
        << err;
    EXPECT_EQ(probe(dir.file("deep/Audio.aiff"), "stream=codec_name"), "pcm_s24be");
    EXPECT_EQ(probe(written[0], "stream=bits_per_raw_sample"), "24");
    ASSERT_EQ(cli("export " + shellQuote(five) + " -d " + shellQuote(dir.file("deep")) + " --format " + kWav, &out,
                  &err),
              0);
    EXPECT_EQ(probe(dir.file("deep/Audio_1.wav"), "stream=codec_name"), "pcm_s16le");
    EXPECT_EQ(cli("export " + shellQuote(five) + " -d " + shellQuote(dir.file("deep")) + " --bit-depth 24", &out, &err),
              2);
    EXPECT_NE(err.find("--bit-depth is for FLAC, WAV and AIFF"), std::string::npos) << err;
}

TEST_F(CliExport, AProjectWithoutTracksFailsWithAMessageAndWritesNothing) {
    const std::string empty = dir.file("empty.wvmp");
    std::ofstream(dir.file("empty.txt")) << "select-tracks 0 1\ndelete-tracks\nsave " << empty << "\n";
    std::string out, err;
    ASSERT_EQ(cli("edit " + shellQuote(dir.file("empty.txt")), &out, &err), 0) << err;
    for (const char* extra : {"", " --split-at-markers", " --channels stereo"}) {
        SCOPED_TRACE(extra);
        EXPECT_EQ(cli("export " + shellQuote(empty) + " -d " + shellQuote(dir.file("out")) + extra, &out, &err), 1);
        EXPECT_TRUE(out.empty()) << out;
        EXPECT_EQ(lines(err), std::vector<std::string>{"wavomer-cli: " + empty +
                                                       ": the project has no tracks, there is nothing to export"});
        EXPECT_FALSE(std::filesystem::exists(dir.file("out")));
    }
    // Tracks with nothing on them: the window's Export is disabled, and so is this one.
    const std::string silent = dir.file("silent.wvmp");
    std::ofstream(dir.file("silent.txt")) << "save " << silent << "\n";
    ASSERT_EQ(cli("edit " + shellQuote(dir.file("silent.txt")), &out, &err), 0) << err;
    EXPECT_EQ(cli("export " + shellQuote(silent) + " -d " + shellQuote(dir.file("out")), &out, &err), 1);
    EXPECT_EQ(lines(err), std::vector<std::string>{"wavomer-cli: " + silent + ": the project is empty, there is nothing to export"});
    EXPECT_FALSE(std::filesystem::exists(dir.file("out")));
}

TEST_F(CliExport, ABadCoverOrTagNumberIsAOneLineErrorNeverACrash) {
    std::filesystem::create_directory(dir.file("folder"));
    std::ofstream(dir.file("text.png")) << "not a picture";
    std::ofstream(dir.file("locked.jpg")) << "x";
    std::filesystem::permissions(dir.file("locked.jpg"), std::filesystem::perms::none);
    const bool root = ::geteuid() == 0;
    struct Case {
        std::string cover, reason;
    };
    std::vector<Case> cases = {{dir.file("folder"), "Is a directory"},
                               {dir.file("missing.jpg"), "No such file or directory"},
                               {"/dev/null", "not a regular file"},
                               {dir.file("text.png"), "not a picture that can be decoded"}};
    if (!root) cases.push_back({dir.file("locked.jpg"), "Permission denied"});
    std::string out, err;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cover);
        EXPECT_EQ(cli("export " + shellQuote(project) + " -d " + shellQuote(dir.file("out")) + " --cover " +
                          shellQuote(c.cover),
                      &out, &err),
                  1);
        EXPECT_EQ(lines(err), std::vector<std::string>{"wavomer-cli: " + c.cover + ": " + c.reason});
    }
    for (const char* option : {"--year 20245", "--track 12345", "--track 1/99999", "--disc 10000", "--bpm 00120"}) {
        SCOPED_TRACE(option);
        EXPECT_EQ(cli("export " + shellQuote(project) + " -d " + shellQuote(dir.file("out")) + " " + option, &out,
                      &err),
                  2);
        EXPECT_NE(err.find("at most 4 digits"), std::string::npos) << err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("out")));
}

TEST_F(CliExport, ACoverInAnyPictureFormatIsStoredAsPng) {
    for (const char* ext : {"jpg", "bmp", "gif", "webp", "png"}) {
        SCOPED_TRACE(ext);
        const std::string picture = dir.file(std::string("cover.") + ext);
        ASSERT_TRUE(wavomer::test::ffmpeg("-f lavfi -i color=c=red:s=16x8 -frames:v 1 " + shellQuote(picture)));
        const std::string folder = dir.file(std::string("out-") + ext);
        std::string out, err;
        ASSERT_EQ(cli("export " + shellQuote(project) + " -d " + shellQuote(folder) + " --format " +
                          "\"FLAC - Free Lossless Audio Codec(*.flac)\" --cover " + shellQuote(picture),
                      &out, &err),
                  0)
            << err;
        // The picture comes back as a PNG of the same size and colour.
        const std::string flac = folder + "/Audio.flac";
        EXPECT_EQ(probe(flac, "stream=codec_name"), "flac\npng");
        EXPECT_EQ(probe(flac, "stream=width"), "16");
        const std::string raw = dir.file("pixel.raw");
        runCommand("ffmpeg -v error -y -i " + shellQuote(flac) + " -map 0:v -frames:v 1 -f rawvideo -pix_fmt rgb24 " +
                   shellQuote(raw));
        std::ifstream in(raw, std::ios::binary);
        unsigned char pixel[3] = {};
        in.read(reinterpret_cast<char*>(pixel), 3);
        EXPECT_GT(pixel[0], 230);
        EXPECT_LT(pixel[1], 25);
        EXPECT_LT(pixel[2], 25);
    }
}

TEST_F(CliExport, AHugeVolumeIsExportedToMp3WithoutAnAbort) {
    const std::string loud = dir.file("loud.wvmp");
    std::ofstream(dir.file("loud.txt")) << "select-all\nvolume 1e40\nsave " << loud << "\n";
    std::string out, err;
    ASSERT_EQ(cli("edit " + shellQuote(project) + " " + shellQuote(dir.file("loud.txt")), &out, &err), 0) << err;
    ASSERT_EQ(cli("export " + shellQuote(loud) + " -d " + shellQuote(dir.file("out")), &out, &err), 0) << err;
    EXPECT_EQ(lines(out), std::vector<std::string>{dir.file("out/Audio.mp3")});
    EXPECT_EQ(probe(dir.file("out/Audio.mp3"), "stream=codec_name"), "mp3");
}

TEST_F(CliExport, TheChannelsOptionMixesToMono) {
    std::string out, err;
    ASSERT_EQ(cli("export " + shellQuote(project) + " -d " + shellQuote(dir.file("out")) + " --format " + kWav +
                      " --channels mono",
                  &out, &err),
              0)
        << err;
    EXPECT_EQ(probe(dir.file("out/Audio.wav"), "stream=channels"), "1");
}

TEST_F(CliExport, ATrackWithNothingOnItTakesNoChannelAndNoShareOfTheMix) {
    // A mono take in a new project: it lands on track 1, and track 2 stays blank.
    const std::string wav = dir.file("voice.wav");
    wavomer::test::writeWav16(wav, 1, 44100, std::vector<float>(44100, 0.5f));
    const std::string voice = dir.file("voice.wvmp");
    std::ofstream(dir.file("voice.txt")) << "import \"" << wav << "\"\nprint\nsave " << voice << "\n";
    std::string out, err;
    ASSERT_EQ(cli("edit " + shellQuote(dir.file("voice.txt")), &out, &err), 0) << err;
    ASSERT_NE(out.find("\"isBlankSection\": true"), std::string::npos) << out;
    // Each channel type, decoded by ffmpeg: its channels, and the level of each.
    for (const auto& [channels, written] : std::vector<std::pair<std::string, int>>{
             {"tracks", 1}, {"stereo", 2}, {"mono", 1}}) {
        const std::string folder = dir.file("out-" + channels);
        ASSERT_EQ(cli("export " + shellQuote(voice) + " -d " + shellQuote(folder) + " --format " + kWav +
                          " --channels " + channels,
                      &out, &err),
                  0)
            << err;
        const std::string file = folder + "/Audio.wav";
        EXPECT_EQ(probe(file, "stream=channels"), std::to_string(written)) << channels;
        std::string levels;
        runCommand("ffmpeg -v info -i " + shellQuote(file) + " -af aformat=sample_fmts=flt,astats=metadata=0 -f null - 2>&1 | "
                   "grep 'Max level' | head -" + std::to_string(written), &levels);
        for (const std::string& line : lines(levels))
            EXPECT_NEAR(std::stod(line.substr(line.rfind(' ') + 1)), 0.5, 0.001) << channels << ": " << line;
        EXPECT_EQ(lines(levels).size(), static_cast<size_t>(written)) << levels;
    }
    ASSERT_EQ(cli("formats " + shellQuote(voice), &out, &err), 0) << err;
    // Offered as for one track: mono bit rates, up to 128 kbps.
    EXPECT_NE(lines(out)[0].find("\"bitRate\": \"128 kbps\""), std::string::npos) << lines(out)[0];
}

TEST_F(CliExport, TagsGivenOnTheCommandLineAreInTheFile) {
    std::string out, err;
    ASSERT_EQ(cli("export " + shellQuote(project) + " -d " + shellQuote(dir.file("out")) +
                      " --bit-rate 128 --title 'A Title' --artist Someone --track 3/12 --year 2024",
                  &out, &err),
              0)
        << err;
    const std::string file = dir.file("out/Audio.mp3");
    EXPECT_EQ(probe(file, "format_tags=title"), "A Title");
    EXPECT_EQ(probe(file, "format_tags=artist"), "Someone");
    EXPECT_EQ(probe(file, "format_tags=track"), "3/12");
    EXPECT_EQ(probe(file, "format_tags=date"), "2024");
    EXPECT_EQ(probe(file, "stream=bit_rate"), "128000");
}

TEST_F(CliExport, WithoutTagOptionsTheFileStaysAsTheEncoderWroteIt) {
    // No tag set to write: the file is not opened again (which would also strip the
    // encoder's own INFO chunk).
    std::string out, err;
    ASSERT_EQ(cli("export " + shellQuote(project) + " -d " + shellQuote(dir.file("out")) + " --format " + kWav, &out,
                  &err),
              0)
        << err;
    EXPECT_EQ(probe(dir.file("out/Audio.wav"), "format_tags=encoder").rfind("Lavf", 0), 0u);
}

TEST_F(CliExport, FormatsListsWhatTheExportOffersWithDefaults) {
    std::string out, err;
    ASSERT_EQ(cli("formats " + shellQuote(project), &out, &err), 0) << err;
    auto listed = lines(out);
    ASSERT_EQ(listed.size(), 14u);
    EXPECT_NE(listed[0].find("\"title\": \"MP3 - MPEG Layer-3 Audio(*.mp3)\""), std::string::npos) << listed[0];
    EXPECT_NE(listed[0].find("\"bitRate\": \"192 kbps\""), std::string::npos) << listed[0];
    EXPECT_NE(listed[0].find("\"name\": \"mp3\""), std::string::npos) << listed[0];
    ASSERT_EQ(cli("formats " + shellQuote(project) + " --channels mono", &out, &err), 0) << err;
    EXPECT_EQ(lines(out).size(), 14u);
}

TEST_F(CliExport, AnOutputFolderThatCannotBeMadeFailsNamingTheFile) {
    std::ofstream(dir.file("blocker")) << "x";
    std::string out, err;
    EXPECT_EQ(cli("export " + shellQuote(project) + " -d " + shellQuote(dir.file("blocker/out")), &out, &err), 1);
    EXPECT_NE(err.find(dir.file("blocker/out/Audio.mp3")), std::string::npos) << err;
    EXPECT_TRUE(out.empty());
}

TEST_F(CliExport, AFormatThatIsNotOfferedIsRefused) {
    std::string out, err;
    EXPECT_EQ(cli("export " + shellQuote(project) + " -d " + shellQuote(dir.file("out")) + " --format Nope", &out, &err),
              2);
    EXPECT_NE(err.find("Nope"), std::string::npos);
    EXPECT_NE(err.find("offered: mp3, aac, "), std::string::npos) << err;
    EXPECT_EQ(cli("export " + shellQuote(project) + " -d " + shellQuote(dir.file("out")) + " --bit-rate 7", &out, &err),
              2);
    EXPECT_FALSE(std::filesystem::exists(dir.file("out")));
    // A short name in any case stands for its title.
    ASSERT_EQ(cli("export " + shellQuote(project) + " -d " + shellQuote(dir.file("out")) + " --format FLAC", &out, &err),
              0)
        << err;
    EXPECT_EQ(lines(out), std::vector<std::string>{dir.file("out/Audio.flac")});
}

TEST_F(CliExport, CtrlCCancelsAndLeavesNoFile) {
    const std::string longProject = makeProject(240.0, "long.wav", "long.wvmp");
    std::string out, err;
    const std::string command = "(" + env + shellQuote(WAVOMER_CLI_PATH) + " export " + shellQuote(longProject) +
                                " -d " + shellQuote(dir.file("out")) + " & pid=$!; sleep 0.7; kill -INT $pid; wait $pid)";
    EXPECT_EQ(runCommand(command, &out, &err), 130) << err;
    EXPECT_NE(err.find("cancelled"), std::string::npos) << err;
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("out")));
}

TEST_F(CliExport, SplitPiecesEncodedInParallelAreByteForByteThoseOfOneAtATime) {
    auto bytes = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    for (const std::string format : {"flac", "mp3"}) {
        std::vector<std::string> written[2];
        for (int run = 0; run < 2; ++run) {
            std::string out, err;
            const std::string folder = dir.file(format + std::to_string(run));
            ASSERT_EQ(cli("export " + shellQuote(project) + " -d " + shellQuote(folder) + " --format " + format +
                              " --split-at-markers --number-files --artist Band --jobs " + (run == 0 ? "1" : "3"),
                          &out, &err),
                      0)
                << err;
            written[run] = lines(out);
        }
        ASSERT_EQ(written[0].size(), 3u);
        ASSERT_EQ(written[1].size(), 3u);
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(written[0][i].substr(written[0][i].rfind('/')), written[1][i].substr(written[1][i].rfind('/')));
            EXPECT_TRUE(bytes(written[0][i]) == bytes(written[1][i])) << written[1][i];
        }
    }
    std::string out, err;
    EXPECT_EQ(cli("export " + shellQuote(project) + " -d " + shellQuote(dir.file("x")) + " --jobs 0", &out, &err), 2);
}
