// Every output of wavomer-cli reaches its place whole or not at all: a command
// never destroys a file it was not asked to write, writes devices and FIFOs in
// place, and leaves no temporaries behind when it fails or is stopped.
#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "util/Version.h"

using wavomer::test::runCommand;
using wavomer::test::ScratchDir;
using wavomer::test::shellQuote;

namespace {

std::string cli() { return shellQuote(WAVOMER_CLI_PATH); }
const char* const kFlac = "FLAC - Free Lossless Audio Codec(*.flac)";

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> entries(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(dir))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A saved project of one track holding seconds of a stereo tone.
std::string makeProject(const ScratchDir& dir, const std::string& env, double seconds) {
    const std::string flac = dir.file("tone.flac");
    EXPECT_TRUE(wavomer::test::ffmpeg("-f lavfi -i sine=440:duration=" + std::to_string(seconds) + " -ac 2 " +
                                      shellQuote(flac)));
    const std::string project = dir.file("p.wvmp");
    const std::string script = dir.file("s.txt");
    std::ofstream(script) << "import \"" << flac << "\"\nsave " << project << "\n";
    std::string out, err;
    EXPECT_EQ(runCommand(env + cli() + " edit " + shellQuote(script), &out, &err), 0) << err;
    return project;
}

}  // namespace

TEST(CliOutput, TheSourceGivenAsItsOwnOutputIsRefusedAndKept) {
    ScratchDir dir;
    const std::string source = dir.file("victim.flac");
    ASSERT_TRUE(wavomer::test::ffmpeg("-f lavfi -i sine=440:duration=1 " + shellQuote(source)));
    const std::string original = readBytes(source);
    ASSERT_EQ(::symlink(source.c_str(), dir.file("link.data").c_str()), 0);
    for (const std::string& output : {source, dir.file("link.data"), dir.path() + "/./victim.flac"}) {
        std::string out, err;
        EXPECT_EQ(runCommand(cli() + " import " + shellQuote(source) + " -o " + shellQuote(output), &out, &err), 1);
        EXPECT_EQ(err, "wavomer-cli: " + output + ": the output is the input " + source + "\n");
        EXPECT_EQ(readBytes(source), original);
    }
    EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"link.data", "victim.flac"}));
}

TEST(CliOutput, AFailedImportOrRenderLeavesAnExistingOutputUntouched) {
    ScratchDir dir;
    const std::string keep = dir.file("keep.data");
    std::ofstream(keep) << "precious";
    std::string out, err;
    EXPECT_EQ(runCommand(cli() + " import " + shellQuote(dir.file("nonexistent.mp3")) + " -o " + shellQuote(keep), &out,
                         &err),
              1);
    EXPECT_EQ(err, "wavomer-cli: " + dir.file("nonexistent.mp3") + ": No such file or directory\n");
    const std::string notMedia = dir.file("notes.txt");
    std::ofstream(notMedia) << "not audio at all";
    EXPECT_EQ(runCommand(cli() + " import " + shellQuote(notMedia) + " -o " + shellQuote(keep), &out, &err), 1);
    EXPECT_EQ(readBytes(keep), "precious");
    EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"keep.data", "notes.txt"}));

    // A render whose project cannot be read, and one into an existing file that succeeds.
    EXPECT_EQ(runCommand(cli() + " render " + shellQuote(dir.file("none.wvmp")) + " -o " + shellQuote(keep), &out, &err), 1);
    EXPECT_EQ(readBytes(keep), "precious");
    EXPECT_EQ(runCommand(cli() + " info " + shellQuote(dir.file("gone.data")), &out, &err), 1);
    EXPECT_EQ(err, "wavomer-cli: " + dir.file("gone.data") + ": No such file or directory\n");
}

TEST(CliOutput, RenderWritesToStandardOutputAFifoAndThroughALink) {
    ScratchDir dir;
    const std::string env = "XDG_CACHE_HOME=" + shellQuote(dir.file("cache")) + " ";
    const std::string project = makeProject(dir, env, 0.5);
    std::string out, err;
    ASSERT_EQ(runCommand(env + cli() + " render " + shellQuote(project) + " -o " + shellQuote(dir.file("ref.f32")), &out, &err),
              0)
        << err;
    const std::string reference = readBytes(dir.file("ref.f32"));
    ASSERT_EQ(reference.size(), 22050u * 2 * 4);  // the imported track and the empty one

    // "-": the samples alone on standard output, the summary on standard error.
    ASSERT_EQ(runCommand(env + cli() + " render " + shellQuote(project) + " -o -", &out, &err), 0) << err;
    EXPECT_EQ(out, reference);
    EXPECT_EQ(err, "{\"channels\": 2, \"frames\": 22050}\n");

    // A FIFO is written into, not replaced by a regular file.
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(runCommand("cat " + shellQuote(fifo) + " > " + shellQuote(dir.file("fromfifo.f32")) + " & " + env + cli() +
                             " render " + shellQuote(project) + " -o " + shellQuote(fifo) + "; wait",
                         &out, &err),
              0)
        << err;
    struct stat info {};
    ASSERT_EQ(::lstat(fifo.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_EQ(readBytes(dir.file("fromfifo.f32")), reference);

    // /dev/null and a link to it stay what they are.
    ASSERT_EQ(::symlink("/dev/null", dir.file("null").c_str()), 0);
    EXPECT_EQ(runCommand(env + cli() + " render " + shellQuote(project) + " -o " + shellQuote(dir.file("null")), &out, &err), 0)
        << err;
    ASSERT_EQ(::lstat(dir.file("null").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    ASSERT_EQ(::stat("/dev/null", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));

    // A link to a regular file keeps the link and replaces what it points to.
    std::ofstream(dir.file("target.f32")) << "old";
    ASSERT_EQ(::symlink("target.f32", dir.file("link.f32").c_str()), 0);
    ASSERT_EQ(runCommand(env + cli() + " render " + shellQuote(project) + " -o " + shellQuote(dir.file("link.f32")), &out,
                         &err),
              0)
        << err;
    ASSERT_EQ(::lstat(dir.file("link.f32").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(readBytes(dir.file("target.f32")), reference);

    // Rendering over one of the project's own files is refused.
    const std::vector<std::string> audios = entries(project + "/Audios");
    ASSERT_EQ(audios.size(), 1u);
    const std::string own = project + "/Audios/" + audios[0];
    const std::string before = readBytes(own);
    EXPECT_EQ(runCommand(env + cli() + " render " + shellQuote(project) + " -o " + shellQuote(own), &out, &err), 1);
    EXPECT_NE(err.find("the output is the input"), std::string::npos) << err;
    EXPECT_EQ(readBytes(own), before);
}

TEST(CliOutput, ATerminatedExportRemovesItsPartialFile) {
    ScratchDir dir;
    const std::string env = "XDG_CACHE_HOME=" + shellQuote(dir.file("cache")) + " ";
    const std::string project = makeProject(dir, env, 600);
    const std::string out = dir.file("out");
    ASSERT_EQ(::mkdir(out.c_str(), 0755), 0);
    for (int signal : {SIGTERM, SIGHUP}) {
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::setenv("XDG_CACHE_HOME", dir.file("cache").c_str(), 1);
            ::execl(WAVOMER_CLI_PATH, "wavomer-cli", "export", project.c_str(), "-d", out.c_str(), "--format", kFlac,
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // Wait until the export is writing its hidden temporary, then stop it.
        bool writing = false;
        for (int i = 0; i < 400 && !writing; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            writing = !entries(out).empty();
        }
        EXPECT_TRUE(writing);
        ::kill(child, signal);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
        EXPECT_TRUE(entries(out).empty()) << entries(out).front();
    }
}

TEST(CliOutput, AnExportRemovesTemporariesOfKilledExports) {
    ScratchDir dir;
    const std::string env = "XDG_CACHE_HOME=" + shellQuote(dir.file("cache")) + " ";
    const std::string project = makeProject(dir, env, 0.5);
    const std::string out = dir.file("out");
    ASSERT_EQ(::mkdir(out.c_str(), 0755), 0);
    pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    int status = 0;
    ::waitpid(gone, &status, 0);
    const std::string stale = ".Audio.flac.part-" + std::to_string(gone) + "-0123456789abcdef";
    std::ofstream(out + "/" + stale) << "half an export";
    std::string text, err;
    ASSERT_EQ(runCommand(env + cli() + " export " + shellQuote(project) + " -d " + shellQuote(out) + " --format " + shellQuote(kFlac), &text,
                         &err),
              0)
        << err;
    EXPECT_EQ(entries(out), std::vector<std::string>{"Audio.flac"});
}

TEST(CliOutput, HelpGoesToStandardOutputAndLogLinesOnlyWithVerbose) {
    ScratchDir dir;
    std::string out, err;
    ASSERT_EQ(runCommand(cli() + " --help", &out, &err), 0);
    EXPECT_NE(out.find("usage: wavomer-cli"), std::string::npos);
    EXPECT_TRUE(err.empty());
    EXPECT_EQ(runCommand(cli(), &out, &err), 2);
    EXPECT_NE(err.find("usage: wavomer-cli"), std::string::npos);
    ASSERT_EQ(runCommand(cli() + " --version", &out, &err), 0);
    EXPECT_EQ(out, std::string("wavomer-cli ") + wavomer::kVersion + "\n");

    // The import's "path=" line is a log line.
    const std::string env = "XDG_CACHE_HOME=" + shellQuote(dir.file("cache")) + " ";
    const std::string media = dir.file("tone.flac");
    ASSERT_TRUE(wavomer::test::ffmpeg("-f lavfi -i sine=440:duration=0.2 " + shellQuote(media)));
    const std::string script = dir.file("s.txt");
    std::ofstream(script) << "import \"" << media << "\"\n";
    ASSERT_EQ(runCommand(env + cli() + " edit " + shellQuote(script), &out, &err), 0);
    EXPECT_TRUE(err.empty()) << err;
    ASSERT_EQ(runCommand(env + cli() + " -v edit " + shellQuote(script), &out, &err), 0);
    EXPECT_EQ(err, "path=" + media + "\n");
}

TEST(CliOutput, PermissionDeniedIsReportedAsSuch) {
    if (::geteuid() != 0 && ::access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "needs root for setpriv";
    ScratchDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    const std::string source = dir.file("closed.flac");
    ASSERT_TRUE(wavomer::test::ffmpeg("-f lavfi -i sine=440:duration=0.2 " + shellQuote(source)));
    ASSERT_EQ(::chmod(source.c_str(), 0), 0);
    const std::string asNobody = ::geteuid() == 0 ? "setpriv --reuid=nobody --regid=nogroup --clear-groups " : "";
    std::string out, err;
    EXPECT_EQ(runCommand(asNobody + cli() + " import " + shellQuote(source) + " -o " + shellQuote(dir.file("x.data")), &out,
                         &err),
              1);
    EXPECT_EQ(err, "wavomer-cli: " + source + ": Permission denied\n");
    const std::string closedFolder = dir.file("closed");
    ASSERT_EQ(::mkdir(closedFolder.c_str(), 0555), 0);
    ASSERT_EQ(::chmod(source.c_str(), 0644), 0);
    EXPECT_EQ(runCommand(asNobody + cli() + " import " + shellQuote(source) + " -o " + shellQuote(closedFolder + "/x.data"),
                         &out, &err),
              1);
    EXPECT_EQ(err, "wavomer-cli: " + closedFolder + "/x.data: cannot create the file: Permission denied\n");
}
