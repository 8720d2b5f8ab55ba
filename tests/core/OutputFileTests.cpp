// Outputs reach their place whole or not at all, never replace what they must not,
// and temporaries of killed writers are cleared by the next writer.
#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "util/OutputFile.h"
#include "util/PathUtil.h"

using wavomer::OutputFile;
using wavomer::Outcome;
using wavomer::test::ScratchDir;

namespace {

void writeText(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

std::string readText(const std::string& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> entries(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    while (dirent* e = ::readdir(dir))
        if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

// The id of a process that has ended and been reaped.
pid_t goneProcess() {
    pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

}  // namespace

TEST(OutputFile, ReplacesTheTargetOnlyWhenCommitted) {
    ScratchDir dir;
    const std::string target = dir.file("out.data");
    writeText(target, "old");
    {
        OutputFile out;
        Outcome<> prepared = out.prepare(target, {});
        ASSERT_TRUE(prepared) << prepared.error();
        EXPECT_NE(out.writePath(), target);
        EXPECT_EQ(wavomer::lastPathComponent(out.writePath()).rfind(".out.data.part-" + std::to_string(::getpid()) + "-", 0), 0u);
        writeText(out.writePath(), "half");
        // Dropped without commit: a failed command.
    }
    EXPECT_EQ(readText(target), "old");
    EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"out.data"});

    OutputFile out;
    Outcome<> prepared = out.prepare(target, {});
    ASSERT_TRUE(prepared) << prepared.error();
    writeText(out.writePath(), "new");
    Outcome<> committed = out.commit();
    ASSERT_TRUE(committed) << committed.error();
    EXPECT_EQ(readText(target), "new");
    EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"out.data"});
}

TEST(OutputFile, RefusesAnOutputThatIsAnInputThroughAnyPath) {
    ScratchDir dir;
    const std::string source = dir.file("victim.flac");
    writeText(source, "audio");
    ASSERT_EQ(::symlink(source.c_str(), dir.file("link.flac").c_str()), 0);
    ASSERT_EQ(::mkdir(dir.file("sub").c_str(), 0755), 0);
    for (const std::string& target : {source, dir.file("link.flac"), dir.file("sub/../victim.flac")}) {
        OutputFile out;
        Outcome<> refused = out.prepare(target, {source});
        ASSERT_FALSE(refused) << target;
        EXPECT_NE(refused.error().find("input"), std::string::npos);
        EXPECT_EQ(refused.failure().path, target);
    }
    // Refused the other way round too: the input named through the link.
    OutputFile out;
    EXPECT_FALSE(out.prepare(source, {dir.file("link.flac")}));
    EXPECT_EQ(readText(source), "audio");
    EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"link.flac", "sub", "victim.flac"}));
}

TEST(OutputFile, KeepsALinkAndWritesDevicesAndFifosInPlace) {
    ScratchDir dir;
    const std::string real = dir.file("real.f32");
    writeText(real, "old");
    ASSERT_EQ(::symlink("real.f32", dir.file("link.f32").c_str()), 0);
    OutputFile linked;
    ASSERT_TRUE(linked.prepare(dir.file("link.f32"), {}));
    EXPECT_FALSE(linked.inPlace());
    writeText(linked.writePath(), "new");
    Outcome<> committed = linked.commit();
    ASSERT_TRUE(committed) << committed.error();
    struct stat info {};
    ASSERT_EQ(::lstat(dir.file("link.f32").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(readText(real), "new");

    for (const std::string& device : {std::string("/dev/null"), dir.file("fifo")}) {
        if (device != "/dev/null") {
            ASSERT_EQ(::mkfifo(device.c_str(), 0600), 0);
        }
        OutputFile out;
        Outcome<> prepared = out.prepare(device, {});
        ASSERT_TRUE(prepared) << prepared.error();
        EXPECT_TRUE(out.inPlace());
        EXPECT_EQ(out.writePath(), device);
        EXPECT_TRUE(out.commit());
    }
    ASSERT_EQ(::lstat(dir.file("fifo").c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));

    OutputFile standardOutput;
    ASSERT_TRUE(standardOutput.prepare("-", {}));
    EXPECT_TRUE(standardOutput.toStandardOutput());
    EXPECT_TRUE(standardOutput.inPlace());

    OutputFile folder;
    EXPECT_FALSE(folder.prepare(dir.path(), {}));
}

TEST(OutputFile, ClearsTemporariesOfProcessesThatAreGone) {
    ScratchDir dir;
    const std::string dead = ".Audio.mp3.part-" + std::to_string(goneProcess()) + "-0123456789abcdef";
    const std::string alive = ".Audio.mp3.part-" + std::to_string(::getpid()) + "-0123456789abcdef";
    const std::string notOurs = ".Audio.mp3.part-12-short";
    for (const std::string& name : {dead, alive, notOurs, std::string("Audio.mp3")}) writeText(dir.file(name), "x");
    wavomer::removeStaleTemporaries(dir.path());
    std::vector<std::string> kept{notOurs, alive, "Audio.mp3"};
    std::sort(kept.begin(), kept.end());  // the order of the names depends on the process ids
    EXPECT_EQ(entries(dir.path()), kept);

    // Preparing an output in the folder clears them as well.
    writeText(dir.file(dead), "x");
    OutputFile out;
    ASSERT_TRUE(out.prepare(dir.file("Audio.mp3"), {}));
    std::vector<std::string> after = entries(dir.path());
    EXPECT_EQ(std::count(after.begin(), after.end(), dead), 0);
}
