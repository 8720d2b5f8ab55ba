// wavomer-cli export and formats, end to end: a project made with the edit command
// from a WAV written by the test, exported and decoded back with ffmpeg.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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
    // Each piece holds exactly the frames between its markers (3 s, 6 s, 10 s).
    EXPECT_EQ(decodedFrames(written[0], 2), 132300);
    EXPECT_EQ(decodedFrames(written[1], 2), 132300);
    EXPECT_EQ(decodedFrames(written[2], 2), 176400);
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
    ASSERT_EQ(listed.size(), 13u);
    EXPECT_NE(listed[0].find("\"title\": \"MP3 - MPEG Layer-3 Audio(*.mp3)\""), std::string::npos) << listed[0];
    EXPECT_NE(listed[0].find("\"bitRate\": \"192 kbps\""), std::string::npos) << listed[0];
    ASSERT_EQ(cli("formats " + shellQuote(project) + " --channels mono", &out, &err), 0) << err;
    EXPECT_EQ(lines(out).size(), 13u);
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
    EXPECT_EQ(cli("export " + shellQuote(project) + " -d " + shellQuote(dir.file("out")) + " --bit-rate 7", &out, &err),
              2);
    EXPECT_FALSE(std::filesystem::exists(dir.file("out")));
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
