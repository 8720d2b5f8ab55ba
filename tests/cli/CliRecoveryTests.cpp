// wavomer-cli recovery: the unsaved edits a crashed window left, listed, restored into a
// new project folder and discarded from a shell; a damaged snapshot is named and kept.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "archive/ProjectArchive.h"
#include "data/SampleDataFile.h"
#include "support/SampleFiles.h"
#include "support/TestSupport.h"
#include "util/RecoveryFolders.h"

using wavomer::test::runCommand;
using wavomer::test::shellQuote;
namespace fs = std::filesystem;

namespace {

class CliRecovery : public ::testing::Test {
protected:
    void SetUp() override {
        pid_t child = ::fork();
        if (child == 0) ::_exit(0);
        ::waitpid(child, nullptr, 0);
        dead = child;
        root = dir.file("state/org.wavomer.Wavomer/recovery");
        crashedImports = dir.file("cache/org.wavomer.Wavomer/ImportDir/" + std::to_string(dead) + "-00000000000000cc");
        fs::create_directories(crashedImports);
        const std::string data = crashedImports + "/ImportAudio_5.data";
        wavomer::test::writeSampleFile(data, 1, 44100, wavomer::test::staircase);

        wavomer::RecoveryInfo info;
        info.pid = dead;
        info.program = "wavomer";
        info.name = "Podcast";
        info.project = dir.file("Podcast.wvmp");
        info.editedMilliseconds = 1765305600123;
        info.importFolder = crashedImports;
        info.archive = "project-2.plist";
        info.tracks = 1;
        id = std::to_string(dead) + "-0123456789abcdef";
        fs::create_directories(root + "/" + id);
        auto section = wavomer::AudioSection::sectionWithPath(data);
        section->endTime = section->trackEndTime = 1.0;
        auto track = std::make_shared<wavomer::AudioTrack>();
        track->setSectionArray({section});
        ASSERT_TRUE(wavomer::archive::writeProjectFile(root + "/" + id + "/" + info.archive, {track},
                                                       {wavomer::MarkerItem::createMarkerWithTime(0.5)})
                        .ok());
        ASSERT_TRUE(wavomer::writeFileDurably(root + "/" + id, wavomer::kRecoveryInfoName, wavomer::recoveryInfoText(info)).ok());
    }

    int cli(const std::string& arguments, std::string* out, std::string* err) {
        const std::string env = "XDG_STATE_HOME=" + shellQuote(dir.file("state")) +
                                " XDG_CACHE_HOME=" + shellQuote(dir.file("cache")) + " ";
        return runCommand(env + shellQuote(WAVOMER_CLI_PATH) + " " + arguments, out, err);
    }

    wavomer::test::ScratchDir dir;
    pid_t dead = 0;
    std::string root, crashedImports, id;
};

}  // namespace

TEST_F(CliRecovery, ListNamesEachSnapshotAndADamagedOneIsReportedAndKept) {
    // The list is in the order of the ids; a letter sorts after the dead process's number.
    fs::create_directories(root + "/x-damaged");
    std::ofstream(root + "/x-damaged/recovery.info") << "wavomer-recovery 1\npid=abc\n";
    std::string out, err;
    ASSERT_EQ(cli("recovery list", &out, &err), 0) << err;
    EXPECT_EQ(out, "{\"id\": \"" + id + "\", \"name\": \"Podcast\", \"project\": \"" + dir.file("Podcast.wvmp") +
                       "\", \"edited\": \"2025-12-09T18:40:00.123Z\", \"tracks\": 1, \"live\": false}\n"
                       "{\"id\": \"x-damaged\", \"damaged\": \"damaged: \\\"program\\\" is missing\"}\n");
    EXPECT_NE(err.find("wavomer-cli: x-damaged: "), std::string::npos) << err;
    EXPECT_EQ(cli("recovery restore x-damaged -o " + shellQuote(dir.file("x.wvmp")), &out, &err), 1);
    EXPECT_NE(err.find("wavomer-cli: x-damaged: "), std::string::npos) << err;
    EXPECT_TRUE(fs::exists(root + "/x-damaged"));
    EXPECT_FALSE(fs::exists(dir.file("x.wvmp")));
}

TEST_F(CliRecovery, RestoreWritesANewProjectWithItsAudioThenRemovesTheSnapshot) {
    std::string out, err;
    fs::create_directories(dir.file("taken.wvmp"));
    EXPECT_EQ(cli("recovery restore " + id + " -o " + shellQuote(dir.file("taken.wvmp")), &out, &err), 1);
    EXPECT_NE(err.find("already exists"), std::string::npos) << err;
    EXPECT_TRUE(fs::exists(root + "/" + id));

    const std::string project = dir.file("Recovered.wvmp");
    ASSERT_EQ(cli("recovery restore " + id + " -o " + shellQuote(project), &out, &err), 0) << err;
    EXPECT_TRUE(wavomer::isSampleDataFile(project + "/Audios/ImportAudio_5.data"));
    auto loaded = wavomer::archive::readProjectFile(project + "/project.plist");
    ASSERT_TRUE(loaded.ok()) << loaded.error();
    ASSERT_EQ(loaded->markers.size(), 1u);
    EXPECT_EQ(loaded->markers[0]->markerTime, 0.5);
    EXPECT_FALSE(fs::exists(root + "/" + id));
    EXPECT_FALSE(fs::exists(crashedImports));
    ASSERT_EQ(cli("recovery list", &out, &err), 0);
    EXPECT_EQ(out, "");
}

TEST_F(CliRecovery, DiscardRemovesTheSnapshotAndTheAudioOnlyItKept) {
    std::string out, err;
    EXPECT_EQ(cli("recovery discard nothing-here", &out, &err), 1);
    ASSERT_EQ(cli("recovery discard " + id, &out, &err), 0) << err;
    EXPECT_FALSE(fs::exists(root + "/" + id));
    EXPECT_FALSE(fs::exists(crashedImports));
}
