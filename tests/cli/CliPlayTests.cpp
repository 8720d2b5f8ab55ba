// wavomer-cli play, end to end on the silent device (so it runs in real time without a
// sound server): the position printed on each tick, the end of the project, --from, a
// selection loop for a number of seconds, and refused arguments.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/TestSupport.h"

using wavomer::test::runCommand;
using wavomer::test::ScratchDir;
using wavomer::test::shellQuote;

namespace {

class CliPlay : public ::testing::Test {
protected:
    void SetUp() override {
        env = "XDG_CACHE_HOME=" + shellQuote(dir.file("cache")) + " ";
        const std::string wav = dir.file("tone.wav");
        std::vector<float> frames(static_cast<size_t>(44100 * 0.8) * 2, 0.25f);
        wavomer::test::writeWav16(wav, 2, 44100, frames);
        project = dir.file("tone.wvmp");
        const std::string script = dir.file("make.txt");
        std::ofstream(script) << "import " << wav << "\nsave " << project << "\n";
        std::string out, err;
        ASSERT_EQ(runCommand(env + shellQuote(WAVOMER_CLI_PATH) + " edit " + shellQuote(script), &out, &err), 0) << err;
    }

    int play(const std::string& arguments, std::string* err = nullptr) {
        std::string ignored;
        return runCommand(env + shellQuote(WAVOMER_CLI_PATH) + " play " + arguments, &out, err ? err : &ignored);
    }

    // Each tick's line: its position and whether it still plays.
    struct Tick {
        double position;
        bool playing;
    };
    std::vector<Tick> ticks() const {
        std::vector<Tick> result;
        std::istringstream lines(out);
        std::string line;
        while (std::getline(lines, line)) {
            const size_t at = line.find("\"position\": ");
            EXPECT_NE(at, std::string::npos) << line;
            if (at == std::string::npos) continue;
            result.push_back({std::stod(line.substr(at + 12)), line.find("\"state\": \"playing\"") != std::string::npos});
        }
        return result;
    }

    ScratchDir dir;
    std::string env;
    std::string project;
    std::string out;
};

TEST_F(CliPlay, PrintsThePositionOnEachTickAndEndsRewoundAtTheEnd) {
    ASSERT_EQ(play(shellQuote(project) + " --silent"), 0);
    auto all = ticks();
    ASSERT_GE(all.size(), 5u);
    ASSERT_LE(all.size(), 20u);
    for (size_t i = 0; i + 1 < all.size(); ++i) {
        EXPECT_TRUE(all[i].playing);
        if (i > 0) {
            EXPECT_GE(all[i].position, all[i - 1].position);
        }
    }
    EXPECT_FALSE(all.back().playing);
    EXPECT_EQ(all.back().position, 0.0);
}

TEST_F(CliPlay, FromStartsAtTheGivenSecond) {
    ASSERT_EQ(play(shellQuote(project) + " --from 0.5 --silent"), 0);
    auto all = ticks();
    ASSERT_GE(all.size(), 2u);
    EXPECT_GE(all.front().position, 0.5);
    EXPECT_LT(all.size(), 10u);
}

TEST_F(CliPlay, ALoopStaysInsideTheSelectionAndEndsAfterTheGivenSeconds) {
    ASSERT_EQ(play(shellQuote(project) + " --loop 0.2 0.45 --seconds 1.2 --silent"), 0);
    auto all = ticks();
    ASSERT_GE(all.size(), 10u);
    int backwards = 0;
    for (size_t i = 0; i + 1 < all.size(); ++i) {
        EXPECT_GE(all[i].position, 0.2);
        EXPECT_LT(all[i].position, 0.45 + 2048 / 44100.0);
        if (i > 0 && all[i].position < all[i - 1].position) ++backwards;
    }
    EXPECT_GE(backwards, 2);
    EXPECT_FALSE(all.back().playing);
}

TEST_F(CliPlay, RefusesBadArgumentsAndMissingProjects) {
    std::string err;
    EXPECT_EQ(play(shellQuote(project) + " --loop 2 1", &err), 2);
    EXPECT_NE(err.find("usage"), std::string::npos);
    EXPECT_EQ(play(shellQuote(project) + " --seconds x", &err), 2);
    EXPECT_EQ(play("", &err), 2);
    EXPECT_EQ(play(shellQuote(dir.file("none.wvmp")) + " --silent", &err), 1);
    EXPECT_NE(err.find("none.wvmp"), std::string::npos);
}

}  // namespace
