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
    std::string error;
    ASSERT_TRUE(archive::writeFileAtomically(path, bytesOf("first version"), &error)) << error;
    ASSERT_TRUE(archive::writeFileAtomically(path, bytesOf("second"), &error)) << error;
    EXPECT_EQ(contentOf(path), "second");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"project.plist"});
}

TEST(ArchiveFileWriting, AWriteThatFailsHalfwayLeavesTheOldFileAndNoTemporaryFile) {
    ScratchDir dir;
    const std::string path = dir.file("project.plist");
    std::string error;
    ASSERT_TRUE(archive::writeFileAtomically(path, bytesOf("the old project"), &error)) << error;

    // A file size limit makes the write fail part of the way through, as a full disk would.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = archive::writeFileAtomically(path, std::vector<uint8_t>(100000, 'x'), &error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    EXPECT_NE(error.find(path), std::string::npos);
    EXPECT_EQ(contentOf(path), "the old project");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"project.plist"});
}

TEST(ArchiveFileWriting, WritingIntoAMissingFolderFailsWithAReasonNamingTheFile) {
    ScratchDir dir;
    const std::string path = dir.file("missing/project.plist");
    std::string error;
    EXPECT_FALSE(archive::writeFileAtomically(path, bytesOf("x"), &error));
    EXPECT_NE(error.find(path), std::string::npos);
}

TEST(ArchiveFileWriting, ANewFileGetsTheUsualPermissionsAndAReplacedFileKeepsItsOwn) {
    ScratchDir dir;
    const mode_t previousMask = ::umask(022);
    std::string error;
    ASSERT_TRUE(archive::writeFileAtomically(dir.file("new.plist"), bytesOf("a"), &error)) << error;
    EXPECT_EQ(modeOf(dir.file("new.plist")), 0644u);
    ASSERT_EQ(::chmod(dir.file("new.plist").c_str(), 0600), 0);
    ASSERT_TRUE(archive::writeFileAtomically(dir.file("new.plist"), bytesOf("b"), &error)) << error;
    EXPECT_EQ(modeOf(dir.file("new.plist")), 0600u);
    ::umask(previousMask);
}

TEST(ArchiveFileReading, AFileReadsBackWhole) {
    ScratchDir dir;
    std::vector<uint8_t> bytes(200000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7);
    std::string error;
    ASSERT_TRUE(archive::writeFileAtomically(dir.file("a"), bytes, &error)) << error;
    std::vector<uint8_t> read;
    ASSERT_TRUE(archive::readWholeFile(dir.file("a"), read, &error)) << error;
    EXPECT_EQ(read, bytes);
}

TEST(ArchiveFileReading, AMissingFileAFolderAndAFileOverTheLimitAreRefusedWithAReason) {
    ScratchDir dir;
    std::vector<uint8_t> read;
    std::string error;
    EXPECT_FALSE(archive::readWholeFile(dir.file("none"), read, &error));
    EXPECT_NE(error.find(dir.file("none")), std::string::npos);
    EXPECT_FALSE(archive::readWholeFile(dir.path(), read, &error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos);
    // A sparse file: large on paper, nothing on disk.
    const std::string big = dir.file("big");
    int fd = ::open(big.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(archive::kMaxArchiveBytes) + 1), 0);
    ::close(fd);
    EXPECT_FALSE(archive::readWholeFile(big, read, &error));
    EXPECT_NE(error.find("larger than 64 MiB"), std::string::npos);
    EXPECT_TRUE(read.empty());
}

TEST(ArchiveFileReading, ANamedPipeInTheFilesPlaceIsRefusedWithoutWaiting) {
    ScratchDir dir;
    const std::string fifo = dir.file("project.plist");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    std::vector<uint8_t> read;
    std::string error;
    EXPECT_FALSE(archive::readWholeFile(fifo, read, &error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos);
}
