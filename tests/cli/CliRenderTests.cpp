// wavomer-cli render: a saved project through the export fold into raw floats.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "support/TestSupport.h"

using wavomer::test::runCommand;
using wavomer::test::ScratchDir;
using wavomer::test::shellQuote;

namespace {

std::vector<float> readFloats(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<float> values(bytes.size() / 4);
    std::memcpy(values.data(), bytes.data(), values.size() * 4);
    return values;
}

}  // namespace

TEST(CliRender, TheExportFoldIsWrittenAsRawFloatsForEachChannelType) {
    ScratchDir dir;
    std::string env = "XDG_CACHE_HOME=" + shellQuote(dir.file("cache")) + " ";
    std::string cli = env + shellQuote(WAVOMER_CLI_PATH);
    std::string wav = dir.file("in.wav");
    std::vector<float> frames;
    for (int i = 0; i < 44100 * 3; ++i) {
        frames.push_back(0.5f);
        frames.push_back(0.25f);
    }
    wavomer::test::writeWavFloat(wav, 2, 44100, frames);
    std::string project = dir.file("p.wvmp");
    std::string script = dir.file("s.txt");
    std::ofstream(script) << "import \"" << wav << "\"\nselect-tracks 1 1\nselect 1 2\nmute\nsave " << project << "\n";
    std::string out, err;
    ASSERT_EQ(runCommand(cli + " edit " + shellQuote(script), &out, &err), 0) << err;

    std::string raw = dir.file("out.f32");
    ASSERT_EQ(runCommand(cli + " render " + shellQuote(project) + " -o " + shellQuote(raw), &out, &err), 0) << err;
    EXPECT_EQ(out, "{\"channels\": 2, \"frames\": 132300}\n");
    auto values = readFloats(raw);
    ASSERT_EQ(values.size(), 132300u * 2);
    EXPECT_EQ(values[0], 0.5f);
    EXPECT_EQ(values[1], 0.25f);
    EXPECT_EQ(values[2 * 66150 + 1], 0.0f);  // the muted second of track 1
    EXPECT_EQ(values[2 * 66150], 0.5f);

    ASSERT_EQ(runCommand(cli + " render " + shellQuote(project) + " -o " + shellQuote(raw) +
                             " --channels mono --from 1.5 --to 2.5", &out, &err), 0) << err;
    EXPECT_EQ(out, "{\"channels\": 1, \"frames\": 44100}\n");
    values = readFloats(raw);
    ASSERT_EQ(values.size(), 44100u);
    EXPECT_EQ(values[0], 0.25f);             // (0.5 + 0) / 2 inside the mute
    EXPECT_EQ(values[44099], 0.375f);        // (0.5 + 0.25) / 2 after it

    ASSERT_EQ(runCommand(cli + " render " + shellQuote(project) + " -o " + shellQuote(raw) + " --channels stereo",
                         &out, &err), 0);
    values = readFloats(raw);
    ASSERT_EQ(values.size(), 132300u * 2);
    EXPECT_EQ(values[0], values[1]);

    EXPECT_NE(runCommand(cli + " render " + shellQuote(project) + " -o " + shellQuote(dir.file("no/dir/x.f32")), &out,
                         &err), 0);
    EXPECT_NE(err.find("x.f32"), std::string::npos);
    EXPECT_NE(runCommand(cli + " render " + shellQuote(dir.file("none.wvmp")) + " -o " + shellQuote(raw), &out, &err), 0);
    EXPECT_NE(runCommand(cli + " render " + shellQuote(project) + " -o " + shellQuote(raw) + " --channels quad", &out,
                         &err), 0);
}

TEST(CliLoudness, TheFoldMeasuresAsFfmpegsFilterMeasuresTheSameAudioAndSilenceAsNull) {
    ScratchDir dir;
    const std::string env = "XDG_CACHE_HOME=" + shellQuote(dir.file("cache")) + " ";
    const std::string cli = env + shellQuote(WAVOMER_CLI_PATH);
    // Speech-like material: a tone whose level steps, then a quieter noise.
    const std::string media = dir.file("in.flac");
    ASSERT_TRUE(wavomer::test::ffmpeg("-f lavfi -i \"sine=f=997:d=6,volume='if(lt(t,3),0.3,0.05)':eval=frame\" -f lavfi -i "
                                      "\"anoisesrc=d=6:a=0.1:c=pink\" -filter_complex \"[0][1]concat=n=2:v=0:a=1,"
                                      "aformat=channel_layouts=stereo\" " + shellQuote(media)));
    const std::string project = dir.file("p.wvmp");
    std::ofstream(dir.file("s.txt")) << "import \"" << media << "\"\nsave " << project << "\n";
    std::string out, err;
    ASSERT_EQ(runCommand(cli + " edit " + shellQuote(dir.file("s.txt")), &out, &err), 0) << err;
    ASSERT_EQ(runCommand(cli + " loudness " + shellQuote(project) + " --channels stereo", &out, &err), 0) << err;
    auto number = [&](const std::string& key) {
        const size_t at = out.find("\"" + key + "\": ");
        return at == std::string::npos ? 999.0 : std::stod(out.substr(at + key.size() + 4));
    };
    // FFmpeg's filter over the same fold.
    ASSERT_EQ(runCommand(cli + " render " + shellQuote(project) + " --channels stereo -o " + shellQuote(dir.file("f.f32")),
                         nullptr, &err),
              0);
    std::string report;
    runCommand("ffmpeg -hide_banner -nostats -f f32le -ar 44100 -ac 2 -i " + shellQuote(dir.file("f.f32")) +
                   " -af ebur128=peak=true+sample -f null - 2>&1",
               &report);
    auto figure = [&](const std::string& label, size_t after) {
        const size_t at = report.find(label, after);
        return at == std::string::npos ? -999.0 : std::stod(report.substr(report.find_first_not_of(' ', at + label.size())));
    };
    const size_t summary = report.rfind("Summary:");
    ASSERT_NE(summary, std::string::npos) << report;
    EXPECT_NEAR(number("integrated"), figure("I:", summary), 0.1) << out;
    // FFmpeg's range counts its own histogram, about a unit from the standard's own.
    EXPECT_NEAR(number("range"), figure("LRA:", summary), 1.5) << out;
    EXPECT_NEAR(number("truePeak"), figure("Peak:", report.find("True peak:", summary)), 0.2) << out;
    EXPECT_NEAR(number("samplePeak"), figure("Peak:", report.find("Sample peak:", summary)), 0.1) << out;

    // Nothing to hear measures as nothing: null, never minus infinity or a number.
    std::ofstream(dir.file("q.txt")) << "import \"" << media << "\"\nselect-all\nmute\nsave " << dir.file("q.wvmp") << "\n";
    ASSERT_EQ(runCommand(cli + " edit " + shellQuote(dir.file("q.txt")), &out, &err), 0) << err;
    ASSERT_EQ(runCommand(cli + " loudness " + shellQuote(dir.file("q.wvmp")), &out, &err), 0) << err;
    EXPECT_EQ(out, "{\"integrated\": null, \"range\": null, \"truePeak\": null, \"samplePeak\": null}\n");
    EXPECT_EQ(runCommand(cli + " loudness " + shellQuote(project) + " --channels surround", &out, &err), 2);
}
