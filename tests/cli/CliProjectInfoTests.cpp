// wavomer-cli info on a project: the decoded tracks, sections and markers as one
// JSON line, and a reason naming the file when the archive cannot be read.
#include <gtest/gtest.h>

#include <filesystem>

#include "archive/ProjectArchive.h"
#include "support/TestSupport.h"

using namespace wavomer;
using wavomer::test::runCommand;
using wavomer::test::ScratchDir;
using wavomer::test::shellQuote;

namespace {

std::string cli() { return shellQuote(WAVOMER_CLI_PATH); }

const char* kExpected =
    "{\"tracks\": [{\"sections\": ["
    "{\"audioPath\": \"/sources/a \\\"quoted\\\" name.data\", \"channel\": 1, \"startTime\": 0.5, \"endTime\": 2.5, "
    "\"trackStartTime\": 0, \"trackEndTime\": 2, \"isMute\": false, \"fadeMode\": 1, \"customFadeStart\": 1, "
    "\"customFadeStop\": 1, \"fadeStartTimeOffset\": 0.25, \"fadeDuration\": 2, \"volumeValue\": 0.10000000000000001, "
    "\"effectDic\": {\"mix\": 35.5, \"name\": \"Reverb\"}, \"isBlankSection\": false, \"isNoiseSection\": false}, "
    "{\"audioPath\": null, \"channel\": 0, \"startTime\": 2, \"endTime\": 3, \"trackStartTime\": 2, \"trackEndTime\": 3, "
    "\"isMute\": false, \"fadeMode\": 0, \"customFadeStart\": 1, \"customFadeStop\": 1, \"fadeStartTimeOffset\": 0, "
    "\"fadeDuration\": 1, \"volumeValue\": 1, \"effectDic\": null, \"isBlankSection\": true, \"isNoiseSection\": false}"
    "]}, {\"sections\": []}], \"markers\": [1.25, 3], \"markerNames\": [null, \"Part Two\"]}\n";

void writeSampleProject(const std::string& folder) {
    auto audio = AudioSection::section();
    audio->audioPath = "/sources/a \"quoted\" name.data";
    audio->channel = 1;
    audio->startTime = 0.5;
    audio->endTime = 2.5;
    audio->trackEndTime = 2.0;
    audio->fadeMode = 1;
    audio->fadeStartTimeOffset = 0.25;
    audio->fadeDuration = 2.0;
    audio->volumeValue = 0.1;
    audio->effectDic = EffectDic{{"name", "Reverb"}, {"mix", 35.5}};
    auto first = std::make_shared<AudioTrack>();
    first->setSectionArray({audio, AudioSection::blankSectionWithTrackStartTime(2.0, 3.0)});
    auto second = std::make_shared<AudioTrack>();
    std::filesystem::create_directories(folder);
    auto named = MarkerItem::createMarkerWithTime(3.0);
    named->markerName = "Part Two";
    ASSERT_OK(archive::writeProjectFile(archive::projectArchivePath(folder), {first, second},
                                          {MarkerItem::createMarkerWithTime(1.25), named}));
}

}  // namespace

TEST(CliProjectInfo, AProjectFolderOrItsArchivePrintsTheProjectAsOneJsonLine) {
    ScratchDir dir;
    const std::string project = dir.file("Song.wvmp");
    writeSampleProject(project);
    std::string out, err;
    ASSERT_EQ(runCommand(cli() + " info " + shellQuote(project), &out, &err), 0) << err;
    EXPECT_EQ(out, kExpected);
    ASSERT_EQ(runCommand(cli() + " info " + shellQuote(project + "/project.plist"), &out, &err), 0) << err;
    EXPECT_EQ(out, kExpected);
}

TEST(CliProjectInfo, AnUnreadableArchivePrintsTheReasonNamingTheFileAndFails) {
    ScratchDir dir;
    const std::string project = dir.file("Broken.wvmp");
    std::filesystem::create_directories(project);
    std::string out, err;
    EXPECT_EQ(runCommand(cli() + " info " + shellQuote(project), &out, &err), 1);
    EXPECT_TRUE(out.empty());
    EXPECT_NE(err.find(project + "/project.plist"), std::string::npos) << err;

    ASSERT_OK(archive::writeFileAtomically(project + "/project.plist", {'<', 'x', '>'}));
    EXPECT_EQ(runCommand(cli() + " info " + shellQuote(project), &out, &err), 1);
    EXPECT_TRUE(out.empty());
    EXPECT_NE(err.find(project + "/project.plist"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
}
