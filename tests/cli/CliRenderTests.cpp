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
