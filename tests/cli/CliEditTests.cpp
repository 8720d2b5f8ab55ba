// wavomer-cli edit, end to end: scripts run against new and saved projects on
// media made by the test.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "archive/ProjectArchive.h"
#include "support/TestSupport.h"

using wavomer::test::lines;
using wavomer::test::runCommand;
using wavomer::test::ScratchDir;
using wavomer::test::shellQuote;

namespace {

class CliEdit : public ::testing::Test {
protected:
    void SetUp() override {
        wav = dir.file("tone.wav");
        std::vector<float> frames;
        for (int i = 0; i < 44100 * 4; ++i) {
            frames.push_back(0.25f);
            frames.push_back(-0.25f);
        }
        wavomer::test::writeWav16(wav, 2, 44100, frames);
        env = "XDG_CACHE_HOME=" + shellQuote(dir.file("cache")) + " ";
    }

    int edit(const std::string& script, std::string* out, std::string* err, const std::string& project = "") {
        std::string path = dir.file("script.txt");
        std::ofstream(path) << script;
        std::string command = env + shellQuote(WAVOMER_CLI_PATH) + " edit ";
        if (!project.empty()) command += shellQuote(project) + " ";
        return runCommand(command + shellQuote(path), out, err);
    }

    // The value printed after "key": in the JSON line (up to the next comma or bracket).
    static std::string field(const std::string& json, const std::string& key) {
        size_t at = json.find("\"" + key + "\": ");
        if (at == std::string::npos) return "<missing>";
        at += key.size() + 4;
        size_t end = at;
        int depth = 0;
        while (end < json.size()) {
            char c = json[end];
            if (c == '[' || c == '{') ++depth;
            if ((c == ']' || c == '}') && depth-- == 0) break;
            if (c == ',' && depth == 0) break;
            ++end;
        }
        return json.substr(at, end - at);
    }

    ScratchDir dir;
    std::string wav;
    std::string env;
};

}  // namespace

TEST_F(CliEdit, AScriptEditsAndPrintsTheProjectState) {
    std::string out, err;
    std::string script = "# a comment line\n"
                         "import \"" + wav + "\"\n"
                         "select 1 2   # cut one second\n"
                         "cut\n"
                         "print\n"
                         "cursor 3\n"
                         "paste\n"
                         "print\n"
                         "undo\n"
                         "print\n";
    ASSERT_EQ(edit(script, &out, &err), 0) << err;
    auto printed = lines(out);
    ASSERT_EQ(printed.size(), 3u);
    EXPECT_EQ(field(printed[0], "length"), "3");
    EXPECT_EQ(field(printed[0], "cursor"), "1");
    EXPECT_EQ(field(printed[0], "selectedTracks"), "[0, 1]");
    EXPECT_EQ(field(printed[0], "canUndo"), "true");
    EXPECT_EQ(field(printed[1], "length"), "4");
    EXPECT_EQ(field(printed[1], "selection"), "[3, 4]");
    EXPECT_EQ(field(printed[2], "length"), "3");
    EXPECT_EQ(field(printed[2], "canRedo"), "true");
    EXPECT_NE(printed[0].find("\"isBlankSection\": false"), std::string::npos);
}

TEST_F(CliEdit, EffectsTakeTheCatalogueDefaultsUnlessGiven) {
    std::string out, err;
    std::string script = "import \"" + wav + "\"\nselect 0 1\neffect \"Low Pass\" \"Cutoff Frequency=2000\"\nprint\n";
    ASSERT_EQ(edit(script, &out, &err), 0) << err;
    EXPECT_NE(out.find("\"Cutoff Frequency\": 2000"), std::string::npos) << out;
    EXPECT_NE(out.find("\"Resonance\": 0"), std::string::npos);
    EXPECT_NE(out.find("\"name\": \"Low Pass\""), std::string::npos);
    script = "import \"" + wav + "\"\nselect 0 1\neffect Nonsense\nprint\n";
    EXPECT_NE(edit(script, &out, &err), 0);
    EXPECT_NE(err.find(":3:"), std::string::npos) << err;
}

TEST_F(CliEdit, ABadLineStopsTheRunWithItsNumberAndWritesNothingAfterIt) {
    std::string out, err;
    std::string project = dir.file("never.wvmp");
    std::string script = "import \"" + wav + "\"\nselect 0 1\nfrobnicate now\nsave " + project + "\n";
    EXPECT_EQ(edit(script, &out, &err), 1);
    EXPECT_NE(err.find("script.txt:3: unknown command \"frobnicate\""), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(project));
    EXPECT_NE(edit("select one two\n", &out, &err), 0);
    EXPECT_NE(err.find(":1:"), std::string::npos);
    EXPECT_NE(edit("import " + dir.file("missing.wav") + "\n", &out, &err), 0);
    EXPECT_NE(err.find("missing.wav"), std::string::npos);
    EXPECT_NE(edit("save\n", &out, &err), 0);  // a new project has no path yet
    EXPECT_NE(edit("select-tracks 0 5\n", &out, &err), 0);
}

TEST_F(CliEdit, ASavedProjectReopensFromItsAudiosFolderAfterTheRunEnds) {
    std::string out, err;
    std::string project = dir.file("song.wvmp");
    std::string script = "import \"" + wav +
                         "\"\nadd-marker\ncursor 2\nadd-marker\nname-marker 1 \"Side B\"\nname-marker 0 Gone\nundo\n"
                         "save " + project + "\nprint\n";
    ASSERT_EQ(edit(script, &out, &err), 0) << err;
    EXPECT_TRUE(std::filesystem::exists(project + "/project.plist"));
    // The run's own import files are gone; the project still plays from "Audios".
    EXPECT_FALSE(std::filesystem::exists(dir.file("cache") + "/org.wavomer.Wavomer/ImportDir"));
    std::string reopened;
    ASSERT_EQ(edit("print\nselect-marker 1\ndelete\nprint\nsave\n", &reopened, &err, project), 0) << err;
    auto printed = lines(reopened);
    ASSERT_EQ(printed.size(), 2u);
    EXPECT_EQ(field(printed[0], "markers"), "[0, 2]");
    EXPECT_EQ(field(printed[0], "markerNames"), "[null, \"Side B\"]");  // the undone name is not kept
    EXPECT_EQ(field(printed[0], "canUndo"), "false");
    EXPECT_NE(printed[0].find(project + "/Audios/ImportAudio_"), std::string::npos);
    EXPECT_EQ(field(printed[1], "markers"), "[0]");
    ASSERT_EQ(edit("print\n", &reopened, &err, project), 0);
    EXPECT_EQ(field(reopened, "markers"), "[0]");
    EXPECT_NE(edit("print\n", &out, &err, dir.file("absent.wvmp")), 0);
}

TEST_F(CliEdit, TheScriptCanComeFromStandardInput) {
    std::string out, err;
    std::string command = "printf 'add-track\\nprint\\n' | " + env + shellQuote(WAVOMER_CLI_PATH) + " edit -";
    ASSERT_EQ(runCommand(command, &out, &err), 0) << err;
    EXPECT_NE(out.find("\"tracks\": [{\"sections\": []}, {\"sections\": []}, {\"sections\": []}]"), std::string::npos)
        << out;
}

TEST_F(CliEdit, InsertedNoiseAndSilenceAreOneUndoStepEach) {
    std::string out, err;
    std::string script = "import \"" + wav + "\"\ncursor 1\ninsert-noise 2\ninsert-silence 1\nprint\nundo\nundo\nprint\n";
    ASSERT_EQ(edit(script, &out, &err), 0) << err;
    auto printed = lines(out);
    ASSERT_EQ(printed.size(), 2u);
    EXPECT_EQ(field(printed[0], "length"), "7");
    EXPECT_NE(printed[0].find("\"isNoiseSection\": true"), std::string::npos);
    EXPECT_NE(printed[0].find("\"isMute\": true"), std::string::npos);
    EXPECT_EQ(field(printed[1], "length"), "4");
}

TEST_F(CliEdit, ASecondRunCannotSaveOverAProjectAnotherRunHasOpen) {
    std::string out, err;
    std::string project = dir.file("shared.wvmp");
    ASSERT_EQ(edit("import \"" + wav + "\"\nsave " + project + "\n", &out, &err), 0) << err;

    // The first run edits and saves, then waits for more lines on its standard input.
    int toChild[2], fromChild[2];
    ASSERT_EQ(::pipe(toChild), 0);
    ASSERT_EQ(::pipe(fromChild), 0);
    pid_t first = ::fork();
    if (first == 0) {
        ::dup2(toChild[0], 0);
        ::dup2(fromChild[1], 1);
        ::close(toChild[1]);
        ::close(fromChild[0]);
        ::setenv("XDG_CACHE_HOME", dir.file("cache-first").c_str(), 1);
        ::execl(WAVOMER_CLI_PATH, WAVOMER_CLI_PATH, "edit", project.c_str(), "-", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(toChild[0]);
    ::close(fromChild[1]);
    const std::string firstLines = "cursor 1\nadd-marker\nsave\nprint\n";
    ASSERT_EQ(::write(toChild[1], firstLines.data(), firstLines.size()), static_cast<ssize_t>(firstLines.size()));
    FILE* printed = ::fdopen(fromChild[0], "r");
    char line[65536];
    ASSERT_TRUE(std::fgets(line, sizeof line, printed)) << "the first run printed nothing";
    EXPECT_EQ(field(line, "markers"), "[1]");

    std::string second;
    EXPECT_EQ(edit("cursor 2\nadd-marker\nsave\n", &second, &err, project), 1);
    EXPECT_NE(err.find("wavomer-cli (process " + std::to_string(first) + ")"), std::string::npos) << err;

    ::close(toChild[1]);
    int status = 0;
    ::waitpid(first, &status, 0);
    std::fclose(printed);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    // The first run's edit is kept, and with it gone the project can be saved again.
    ASSERT_EQ(edit("print\n", &out, &err, project), 0) << err;
    EXPECT_EQ(field(out, "markers"), "[1]");
    EXPECT_FALSE(std::filesystem::exists(project + "/.wavomer.lock"));
    EXPECT_EQ(edit("cursor 2\nadd-marker\nsave\nprint\n", &out, &err, project), 0) << err;
    EXPECT_EQ(field(out, "markers"), "[1, 2]");
}

// A run of "edit PROJECT -" fed line by line, whose printed lines and errors are read back.
class InteractiveRun {
public:
    InteractiveRun(const std::string& project, const std::string& cache) {
        int toChild[2], fromChild[2];
        // Close-on-exec, so that a run started later holds no end of this one's pipes.
        if (::pipe2(toChild, O_CLOEXEC) != 0 || ::pipe2(fromChild, O_CLOEXEC) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(toChild[0], 0);
            ::dup2(fromChild[1], 1);
            ::dup2(fromChild[1], 2);
            ::close(toChild[1]);
            ::close(fromChild[0]);
            ::setenv("XDG_CACHE_HOME", cache.c_str(), 1);
            ::execl(WAVOMER_CLI_PATH, WAVOMER_CLI_PATH, "edit", project.c_str(), "-", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(toChild[0]);
        ::close(fromChild[1]);
        input_ = toChild[1];
        output_ = ::fdopen(fromChild[0], "r");
    }
    ~InteractiveRun() { finish(); }
    // Sends lines ending in "print" and answers the first line that comes back.
    std::string send(const std::string& lines) {
        if (::write(input_, lines.data(), lines.size()) != static_cast<ssize_t>(lines.size())) return {};
        char line[65536];
        return output_ && std::fgets(line, sizeof line, output_) ? line : "";
    }
    // Ends the input; answers the exit status and the rest of what was printed.
    int finish(std::string* rest = nullptr) {
        if (input_ >= 0) ::close(input_);
        input_ = -1;
        if (output_) {
            char line[65536];
            while (std::fgets(line, sizeof line, output_))
                if (rest) *rest += line;
            std::fclose(output_);
            output_ = nullptr;
        }
        int status = 0;
        if (pid_ > 0 && ::waitpid(pid_, &status, 0) == pid_) pid_ = 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    int input_ = -1;
    FILE* output_ = nullptr;
};

TEST_F(CliEdit, ARunDoesNotSaveOverWhatAnotherProgramSavedSinceItOpenedTheProject) {
    std::string out, err;
    std::string project = dir.file("shared.wvmp");
    ASSERT_EQ(edit("import \"" + wav + "\"\nsave " + project + "\n", &out, &err), 0) << err;
    InteractiveRun holder(project, dir.file("cache-holder"));
    EXPECT_EQ(field(holder.send("print\n"), "markers"), "[]");  // it holds the project now
    InteractiveRun later(project, dir.file("cache-later"));
    EXPECT_EQ(field(later.send("cursor 2\nadd-marker\nprint\n"), "markers"), "[2]");
    const std::string saved = holder.send("cursor 1\nadd-marker\nsave\nprint\n");
    EXPECT_EQ(field(saved, "markers"), "[1]") << saved;
    EXPECT_EQ(holder.finish(), 0);
    const std::string refused = later.send("save\n");
    EXPECT_EQ(later.finish(), 1);
    EXPECT_NE(refused.find("changed on disk"), std::string::npos) << refused;
    ASSERT_EQ(edit("print\n", &out, &err, project), 0) << err;
    EXPECT_EQ(field(out, "markers"), "[1]");
}

TEST_F(CliEdit, AProjectOpenedWithoutTracksEditsTheTracksOfItsFirstImport) {
    std::string project = dir.file("empty.wvmp");
    std::filesystem::create_directories(project);
    ASSERT_OK(wavomer::archive::writeProjectFile(wavomer::archive::projectArchivePath(project), {}, {}));
    std::string mono = dir.file("mono.wav");
    wavomer::test::writeWav16(mono, 1, 44100, std::vector<float>(44100 * 2, 0.5f));
    std::string out, err;
    ASSERT_EQ(edit("print\nimport \"" + mono + "\"\ncursor 1\ninsert-silence 1\nprint\n", &out, &err, project), 0)
        << err;
    auto printed = lines(out);
    ASSERT_EQ(printed.size(), 2u);
    EXPECT_EQ(field(printed[0], "selectedTracks"), "[]");
    EXPECT_EQ(field(printed[1], "selectedTracks"), "[0]");
    EXPECT_EQ(field(printed[1], "length"), "3");
}

TEST_F(CliEdit, MarkSilencesPutsOneMarkerInEachGapAsOneUndoStep) {
    // Sound 0-2 s, a 1.5 s gap, sound 3.5-5.5 s, a 2 s gap, sound 7.5-8.5 s, then a tail.
    std::vector<float> frames(static_cast<size_t>(9.5 * 44100) * 2, 0.0f);
    for (auto [from, to] : {std::pair{0.0, 2.0}, {3.5, 5.5}, {7.5, 8.5}})
        for (auto i = static_cast<size_t>(from * 44100); i < static_cast<size_t>(to * 44100); ++i)
            frames[2 * i] = frames[2 * i + 1] = (i % 50 < 25) ? 0.4f : -0.4f;
    const std::string gaps = dir.file("gaps.wav");
    wavomer::test::writeWavFloat(gaps, 2, 44100, frames);
    std::string out, err;
    // A marker already at the first gap's middle is not doubled; a gap shorter than the
    // minimum gets none.
    ASSERT_EQ(edit("import \"" + gaps + "\"\ncursor 2.75\nadd-marker\nmark-silences -40 1 middle\nprint\nundo\n"
                   "mark-silences -40 1.8 start\nprint\nmark-silences -40 0 middle\n",
                   &out, &err),
              1);
    const auto printed = lines(out);
    ASSERT_EQ(printed.size(), 2u) << out;
    const std::string middles = field(printed[0], "markers");
    EXPECT_EQ(middles.substr(0, 6), "[2.75,") << middles;
    EXPECT_NEAR(std::stod(middles.substr(middles.find(',') + 1)), 6.5, 0.01) << middles;
    EXPECT_EQ(std::count(middles.begin(), middles.end(), ','), 1) << middles;
    // Undone as one step, then only the 2 s gap, marked where it starts.
    const std::string starts = field(printed[1], "markers");
    EXPECT_EQ(std::count(starts.begin(), starts.end(), ','), 1) << starts;
    EXPECT_NEAR(std::stod(starts.substr(starts.find(',') + 1)), 5.5, 0.01) << starts;
    EXPECT_NE(err.find("the minimum silence is a length in seconds above 0"), std::string::npos) << err;
}
