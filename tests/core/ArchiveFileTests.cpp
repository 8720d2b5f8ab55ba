// Writing archive files atomically and reading them whole, within the size limit.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "archive/KeyedArchive.h"
#include "support/TestSupport.h"

using namespace wavomer;
using wavomer::test::ScratchDir;

namespace {

std::vector<uint8_t> bytesOf(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

std::string contentOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

mode_t modeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

}  // namespace

TEST(ArchiveFileWriting, WritingReplacesTheOldFileWholeAndLeavesNothingElse) {
    ScratchDir dir;
    const std::string path = dir.file("project.plist");
    ASSERT_OK(archive::writeFileAtomically(path, bytesOf("first version")));
    ASSERT_OK(archive::writeFileAtomically(path, bytesOf("second")));
    EXPECT_EQ(contentOf(path), "second");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"project.plist"});
}

TEST(ArchiveFileWriting, AWriteThatFailsHalfwayLeavesTheOldFileAndNoTemporaryFile) {
    ScratchDir dir;
    const std::string path = dir.file("project.plist");
    ASSERT_OK(archive::writeFileAtomically(path, bytesOf("the old project")));

    // A file size limit makes the write fail part of the way through, as a full disk would.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const Outcome<> written = archive::writeFileAtomically(path, std::vector<uint8_t>(100000, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    ASSERT_FALSE(written);
    EXPECT_NE(written.error().find(path), std::string::npos);
    EXPECT_EQ(contentOf(path), "the old project");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"project.plist"});
}

TEST(ArchiveFileWriting, WritingIntoAMissingFolderFailsWithAReasonNamingTheFile) {
    ScratchDir dir;
    const std::string path = dir.file("missing/project.plist");
    const Outcome<> written = archive::writeFileAtomically(path, bytesOf("x"));
    ASSERT_FALSE(written);
    EXPECT_NE(written.error().find(path), std::string::npos);
}

TEST(ArchiveFileWriting, ANewFileGetsTheUsualPermissionsAndAReplacedFileKeepsItsOwn) {
    ScratchDir dir;
    const mode_t previousMask = ::umask(022);
    ASSERT_OK(archive::writeFileAtomically(dir.file("new.plist"), bytesOf("a")));
    EXPECT_EQ(modeOf(dir.file("new.plist")), 0644u);
    ASSERT_EQ(::chmod(dir.file("new.plist").c_str(), 0600), 0);
    ASSERT_OK(archive::writeFileAtomically(dir.file("new.plist"), bytesOf("b")));
    EXPECT_EQ(modeOf(dir.file("new.plist")), 0600u);
    ::umask(previousMask);
}

TEST(ArchiveFileReading, AFileReadsBackWhole) {
    ScratchDir dir;
    std::vector<uint8_t> bytes(200000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7);
    ASSERT_OK(archive::writeFileAtomically(dir.file("a"), bytes));
    Outcome<std::vector<uint8_t>> read = archive::readWholeFile(dir.file("a"));
    ASSERT_TRUE(read) << read.error();
    EXPECT_EQ(*read, bytes);
}

TEST(ArchiveFileReading, AMissingFileAFolderAndAFileOverTheLimitAreRefusedWithAReason) {
    ScratchDir dir;
    auto refusal = [](const std::string& path) {
        Outcome<std::vector<uint8_t>> read = archive::readWholeFile(path);
        EXPECT_FALSE(read) << path;
        return read.error();
    };
    EXPECT_NE(refusal(dir.file("none")).find(dir.file("none")), std::string::npos);
    EXPECT_NE(refusal(dir.path()).find("not a regular file"), std::string::npos);
    // A sparse file: large on paper, nothing on disk.
    const std::string big = dir.file("big");
    int fd = ::open(big.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(archive::kMaxArchiveBytes) + 1), 0);
    ::close(fd);
    EXPECT_NE(refusal(big).find("larger than 64 MiB"), std::string::npos);
}

TEST(ArchiveFileReading, ANamedPipeInTheFilesPlaceIsRefusedWithoutWaiting) {
    ScratchDir dir;
    const std::string fifo = dir.file("project.plist");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    Outcome<std::vector<uint8_t>> read = archive::readWholeFile(fifo);
    ASSERT_FALSE(read);
    EXPECT_NE(read.error().find("not a regular file"), std::string::npos);
}
