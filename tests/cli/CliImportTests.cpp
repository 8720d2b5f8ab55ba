// wavomer-cli import and info, end to end.
#include <gtest/gtest.h>

#include "support/TestSupport.h"

using wavomer::test::runCommand;
using wavomer::test::ScratchDir;
using wavomer::test::shellQuote;

namespace {
std::string cli() { return shellQuote(WAVOMER_CLI_PATH); }
}  // namespace

TEST(CliImport, ImportPrintsOneJsonLineAndInfoReadsTheHeaderBack) {
    ScratchDir dir;
    std::string wav = dir.file("in.wav");
    wavomer::test::writeWav16(wav, 2, 44100, std::vector<float>(44100 * 2 * 2, 0.25f));
    std::string out, err;
    std::string data = dir.file("out.data");
    ASSERT_EQ(runCommand(cli() + " import " + shellQuote(wav) + " -o " + shellQuote(data), &out, &err), 0) << err;
    EXPECT_EQ(out, "{\"path\": \"" + data + "\", \"channels\": 2, \"frames\": 88200, \"duration\": 2}\n");
    ASSERT_EQ(runCommand(cli() + " info " + shellQuote(data), &out, &err), 0) << err;
    EXPECT_EQ(out,
              "{\"channels\": 2, \"frames\": 88200, \"sampleRate\": 44100, \"pointsPerSecond\": 200, \"duration\": 2}\n");
}

TEST(CliImport, FailuresPrintOneLineNamingTheFileAndExitNonZero) {
    ScratchDir dir;
    std::string out, err;
    std::string missing = dir.file("missing.flac");
    EXPECT_NE(runCommand(cli() + " import " + shellQuote(missing) + " -o " + shellQuote(dir.file("x.data")), &out, &err), 0);
    EXPECT_TRUE(out.empty());
    EXPECT_NE(err.find(missing), std::string::npos);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);

    std::string notData = dir.file("plain.data");
    wavomer::test::writeWav16(notData, 1, 44100, std::vector<float>(100, 0.0f));
    EXPECT_NE(runCommand(cli() + " info " + shellQuote(notData), &out, &err), 0);
    EXPECT_NE(err.find("not a sample data file"), std::string::npos);

    EXPECT_NE(runCommand(cli() + " import", &out, &err), 0);
    EXPECT_NE(runCommand(cli() + " frobnicate", &out, &err), 0);
}
