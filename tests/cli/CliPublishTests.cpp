// Exports ready to publish, end to end through wavomer-cli: loudness normalisation
// measured on the written files by FFmpeg's ebur128 filter, and chapters at the markers
// read back from each container.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "support/TestSupport.h"

using wavomer::test::lines;
using wavomer::test::runCommand;
using wavomer::test::ScratchDir;
using wavomer::test::shellQuote;

namespace {

class CliPublish : public ::testing::Test {
protected:
    void SetUp() override { env = "XDG_CACHE_HOME=" + shellQuote(dir.file("cache")) + " "; }

    // A project made by the edit script from media FFmpeg generates; script lines follow the import.
    std::string makeProject(const std::string& name, const std::string& lavfi, const std::string& script) {
        const std::string media = dir.file(name + ".wav");
        EXPECT_TRUE(wavomer::test::ffmpeg("-f lavfi -i \"" + lavfi + "\" -ac 2 -ar 44100 " + shellQuote(media)));
        const std::string path = dir.file(name + ".wvmp");
        std::ofstream(dir.file(name + ".txt")) << "import \"" << media << "\"\n" << script << "save " << path << "\n";
        std::string out, err;
        EXPECT_EQ(cli("edit " + shellQuote(dir.file(name + ".txt")), &out, &err), 0) << err;
        return path;
    }

    int cli(const std::string& arguments, std::string* out, std::string* err) {
        return runCommand(env + shellQuote(WAVOMER_CLI_PATH) + " " + arguments, out, err);
    }

    // FFmpeg's reading of a file: integrated loudness (LUFS) and true peak (dBTP).
    static std::pair<double, double> ffmpegLoudness(const std::string& path) {
        std::string report;
        runCommand("ffmpeg -hide_banner -nostats -i " + shellQuote(path) + " -af ebur128=peak=true -f null - 2>&1",
                   &report);
        const size_t summary = report.rfind("Summary:");
        if (summary == std::string::npos) return {999.0, 999.0};
        auto after = [&](const std::string& key) {
            const size_t at = report.find(key, summary);
            return at == std::string::npos ? 999.0 : std::stod(report.substr(at + key.size()));
        };
        return {after("I:"), after("Peak:")};
    }

    ScratchDir dir;
    std::string env;
};

// Pink noise below 12 kHz (where music has its energy; MP2's band limit alone takes half
// a LU from full-band noise) with a short burst near full scale every second: its true
// peak is far above what a gain to a loud target leaves room for.
const char* const kBursts =
    "anoisesrc=d=12:a=0.1:c=pink:seed=7,lowpass=f=12000[n];aevalsrc=0.9*sin(2*PI*3000*t)*lt(mod(t\\,1)\\,0.003):d=12[b];"
    "[n][b]amix=inputs=2:normalize=0";

}  // namespace

TEST_F(CliPublish, NormalisedExportsMeetTheTargetAndCeilingInEveryOfferedFormat) {
    const std::string project = makeProject("bursts", kBursts, "");
    const std::vector<std::string> lossless = {"alac", "flac", "wav", "aiff"};
    for (const std::string format : {"mp3", "aac", "m4b", "alac", "flac", "wav", "aiff", "ogg", "opus", "wma", "ac3", "mp2"}) {
        const std::string folder = dir.file("out-" + format);
        std::string out, err;
        ASSERT_EQ(cli("export " + shellQuote(project) + " -d " + shellQuote(folder) + " --channels stereo --format " +
                          format + " --loudness -14 --true-peak -1",
                      &out, &err),
                  0)
            << format << ": " << err;
        const bool exact = std::find(lossless.begin(), lossless.end(), format) != lossless.end();
        const auto [integrated, truePeak] = ffmpegLoudness(lines(out).at(0));
        EXPECT_NEAR(integrated, -14.0, exact ? 0.2 : 0.5) << format;
        EXPECT_LE(truePeak, -1.0 + (exact ? 0.1 : 0.5)) << format;
    }
}

TEST_F(CliPublish, PiecesKeepTheirLevelsTogetherOrEachReachTheTargetAndSilenceOrABadTargetIsNeverGained) {
    // A loud first half and a quiet second half, split at the marker between them.
    const std::string project = makeProject(
        "halves", "aevalsrc=if(lt(t\\,4)\\,0.3\\,0.03)*sin(2*PI*440*t):d=8", "cursor 4\nadd-marker\n");
    std::string out, err;
    const std::string split = "export " + shellQuote(project) + " --format wav --split-at-markers --loudness -20 -d ";
    ASSERT_EQ(cli(split + shellQuote(dir.file("whole")), &out, &err), 0) << err;
    const auto whole = lines(out);
    ASSERT_EQ(whole.size(), 2u);
    EXPECT_NEAR(ffmpegLoudness(whole[0]).first - ffmpegLoudness(whole[1]).first, 20.0, 0.3) << "one gain for both";
    ASSERT_EQ(cli(split + shellQuote(dir.file("pieces")) + " --loudness-mode pieces", &out, &err), 0) << err;
    for (const std::string& piece : lines(out)) EXPECT_NEAR(ffmpegLoudness(piece).first, -20.0, 0.2) << piece;

    const std::string silence = makeProject("silence", "anullsrc=d=3", "");
    ASSERT_EQ(cli("export " + shellQuote(silence) + " --format wav --loudness -16 -d " + shellQuote(dir.file("s")), &out,
                  &err),
              0);
    EXPECT_NE(err.find("too quiet to measure"), std::string::npos) << err;
    EXPECT_EQ(lines(out).size(), 1u);

    for (const std::string bad : {"--loudness 5", "--loudness nan", "--loudness -16 --true-peak 3",
                                  "--loudness -16 --loudness-mode album", "--true-peak -2"}) {
        EXPECT_EQ(cli("export " + shellQuote(project) + " -d " + shellQuote(dir.file("bad")) + " " + bad, &out, &err), 2)
            << bad;
        EXPECT_NE(err.find("wavomer-cli export: "), std::string::npos) << err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("bad")));
}

TEST_F(CliPublish, ChaptersAtTheMarkersReadBackFromEveryContainerWithTheirTimesAndTitles) {
    const std::string project = makeProject("talk", "sine=f=330:d=10",
                                            "cursor 3\nadd-marker\ncursor 6.25\nadd-marker\n"
                                            "name-marker 0 \"Ouvertüre – 序曲\"\n");
    const std::vector<std::string> expected = {"0.000 Chapter 1", "3.000 Ouvertüre – 序曲", "6.250 Chapter 3"};
    for (const std::string format : {"mp3", "aac", "m4b", "flac", "ogg", "opus", "wav"}) {
        const std::string folder = dir.file("ch-" + format);
        std::string out, err;
        // The audiobook format carries its chapters without being asked.
        ASSERT_EQ(cli("export " + shellQuote(project) + " -d " + shellQuote(folder) + " --format " + format +
                          (format == "m4b" ? "" : " --chapters") + " --title Book",
                      &out, &err),
                  0)
            << format << ": " << err;
        const std::string file = lines(out).at(0);
        std::string probe;
        runCommand("ffprobe -v error -show_chapters -of compact=p=0 " + shellQuote(file), &probe);
        std::vector<std::string> got;
        for (const std::string& line : lines(probe)) {
            const size_t start = line.find("start_time="), title = line.find("tag:title=");
            if (start == std::string::npos) continue;
            char at[16];
            std::snprintf(at, sizeof at, "%.3f", std::stod(line.substr(start + 11)));
            got.push_back(std::string(at) + " " + (title == std::string::npos ? "" : line.substr(title + 10)));
        }
        EXPECT_EQ(got, expected) << format << "\n" << probe;
        std::ifstream in(file, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (format == "aac" || format == "m4b") {
            // Both kinds of MPEG-4 chapters: the Nero list and the QuickTime chapter track.
            EXPECT_NE(bytes.find("chpl"), std::string::npos) << format;
            EXPECT_NE(bytes.find("chap"), std::string::npos) << format;
        }
        if (format == "wav") {
            // A RIFF walk: the cue points and their labels, and a RIFF size that covers them.
            ASSERT_GE(bytes.size(), 12u);
            auto le32 = [&](size_t at) {
                return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])) |
                       static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
                       static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
                       static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
            };
            EXPECT_EQ(le32(4) + 8u, bytes.size());
            std::vector<uint32_t> cues;
            std::vector<std::string> labels;
            for (size_t at = 12; at + 8 <= bytes.size();) {
                const std::string id = bytes.substr(at, 4);
                const uint32_t size = le32(at + 4);
                if (id == "cue ")
                    for (uint32_t i = 0; i < le32(at + 8); ++i) cues.push_back(le32(at + 12 + 24 * i + 20));
                if (id == "LIST" && bytes.substr(at + 8, 4) == "adtl")
                    for (size_t sub = at + 12; sub + 8 <= at + 8 + size;) {
                        if (bytes.substr(sub, 4) == "labl") labels.push_back(bytes.substr(sub + 12).c_str());
                        sub += 8 + ((le32(sub + 4) + 1) & ~1u);
                    }
                at += 8 + ((size + 1) & ~1u);
            }
            EXPECT_EQ(cues, (std::vector<uint32_t>{0, 132300, 275625}));
            EXPECT_EQ(labels, (std::vector<std::string>{"Chapter 1", "Ouvertüre – 序曲", "Chapter 3"}));
        }
    }
}
