// The standard folders on XDG locations, the temporary folders, the numbered file
// names for recordings, and the per-process import folders.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>

#include "util/AppIdentity.h"
#include "util/StandardPaths.h"
#include "util/PathUtil.h"
#include "support/TestSupport.h"

namespace wavomer {
namespace {

namespace fm = FileManagerExtention;
namespace fs = std::filesystem;

const std::string kId = kBundleIdentifier;

// Points HOME, the XDG variables and TMPDIR into a scratch folder for one test and
// puts the old values back afterwards.
class StandardPathsTest : public ::testing::Test {
protected:
    void SetUp() override {
        home = scratch.file("home");
        tmp = scratch.file("tmp");
        environment.emplace(home, tmp);
    }
    void TearDown() override { environment.reset(); }

    static void touch(const std::string& path) {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path) << "x";
    }

    void writeUserDirs(const std::string& contents) {
        fs::create_directories(home + "/.config");
        std::ofstream(home + "/.config/user-dirs.dirs") << contents;
    }

    test::ScratchDir scratch;
    std::string home;
    std::string tmp;
    std::optional<test::HomeEnvironment> environment;
};

// --- XDG locations ------------------------------------------------------------------------

TEST_F(StandardPathsTest, TheOutputFolderIsTheMusicFolderPlusTheIdentifierAndIsCreated) {
    std::string expected = home + "/Music/" + kId;
    EXPECT_FALSE(fm::isDirectoryAtPath(expected));
    EXPECT_EQ(fm::defaultOutputPath(), expected);
    EXPECT_TRUE(fm::isDirectoryAtPath(expected));
}

TEST_F(StandardPathsTest, TheMusicFolderComesFromUserDirsWhenItNamesOne) {
    writeUserDirs("# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_MUSIC_DIR=\"$HOME/Musik\"\n");
    EXPECT_EQ(fm::xdgMusicDirectory(), home + "/Musik");
    EXPECT_EQ(fm::defaultOutputPath(), home + "/Musik/" + kId);
}

TEST_F(StandardPathsTest, TheMusicFolderMayBeAnAbsolutePathInUserDirs) {
    std::string elsewhere = scratch.file("Elsewhere/Music");
    writeUserDirs("XDG_MUSIC_DIR=\"" + elsewhere + "/\"\n");
    EXPECT_EQ(fm::xdgMusicDirectory(), elsewhere);
}

TEST_F(StandardPathsTest, ARelativeMusicFolderInUserDirsFallsBackToHomeMusic) {
    writeUserDirs("XDG_MUSIC_DIR=\"Music2\"\n");
    EXPECT_EQ(fm::xdgMusicDirectory(), home + "/Music");
}

TEST_F(StandardPathsTest, UserDirsIsReadFromXdgConfigHome) {
    std::string config = scratch.file("cfg");
    fs::create_directories(config);
    std::ofstream(config + "/user-dirs.dirs") << "XDG_MUSIC_DIR=\"$HOME/Audio\"\nXDG_VIDEOS_DIR=\"$HOME/Film\"\n";
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    EXPECT_EQ(fm::xdgMusicDirectory(), home + "/Audio");
    EXPECT_EQ(fm::defaultSaveDocumentPath(), home + "/Film/" + kId);
}

TEST_F(StandardPathsTest, AnAbsoluteFolderInTheEnvironmentWinsOverUserDirs) {
    writeUserDirs("XDG_MUSIC_DIR=\"$HOME/Audio\"\nXDG_VIDEOS_DIR=\"$HOME/Film\"\n");
    setenv("XDG_MUSIC_DIR", (home + "/FromEnv").c_str(), 1);
    setenv("XDG_VIDEOS_DIR", "relative/ignored", 1);
    EXPECT_EQ(fm::xdgMusicDirectory(), home + "/FromEnv");
    EXPECT_EQ(fm::xdgVideosDirectory(), home + "/Film");
}

TEST_F(StandardPathsTest, TheOutputFolderIsAnsweredWithSymbolicLinksResolved) {
    fs::create_directories(home + "/RealMusic");
    fs::create_directory_symlink(home + "/RealMusic", home + "/Music");
    EXPECT_EQ(fm::defaultOutputPath(), home + "/RealMusic/" + kId);
    EXPECT_EQ(fm::musicPath(), home + "/Music/" + kId);
}

TEST_F(StandardPathsTest, TheMusicPathIsNeitherCreatedNorResolved) {
    EXPECT_EQ(fm::musicPath(), home + "/Music/" + kId);
    EXPECT_FALSE(fs::exists(home + "/Music"));
}

TEST_F(StandardPathsTest, TheRecordPathLiesInTheOutputFolderAndIsNotCreated) {
    EXPECT_EQ(fm::defaultRecordPath(), home + "/Music/" + kId + "/RecordWavePath.mov");
    EXPECT_FALSE(fs::exists(fm::defaultRecordPath()));
}

TEST_F(StandardPathsTest, TheImportFolderIsInTheCacheFolderAndIsCreated) {
    EXPECT_EQ(fm::defaultImportConvertedPath(), home + "/.cache/" + kId + "/ImportDir");
    EXPECT_TRUE(fm::isDirectoryAtPath(home + "/.cache/" + kId + "/ImportDir"));
    std::string cache = scratch.file("cache");
    setenv("XDG_CACHE_HOME", cache.c_str(), 1);
    EXPECT_EQ(fm::defaultImportConvertedPath(), cache + "/" + kId + "/ImportDir");
}

TEST_F(StandardPathsTest, TheApplicationSupportFolderIsInTheConfigFolderAndIsNotCreated) {
    EXPECT_EQ(fm::applicationSupportPath(), home + "/.config/" + kId);
    EXPECT_FALSE(fs::exists(home + "/.config/" + kId));
    std::string config = scratch.file("cfg");
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    EXPECT_EQ(fm::applicationSupportPath(), config + "/" + kId);
}

TEST_F(StandardPathsTest, RelativeXdgVariablesAreIgnored) {
    setenv("XDG_CONFIG_HOME", "relative/config", 1);
    setenv("XDG_CACHE_HOME", "relative/cache", 1);
    setenv("TMPDIR", "relative/tmp", 1);
    EXPECT_EQ(fm::xdgConfigHome(), home + "/.config");
    EXPECT_EQ(fm::xdgCacheHome(), home + "/.cache");
    EXPECT_EQ(fm::systemTemporaryDirectory(), "/tmp");
}

TEST_F(StandardPathsTest, TheDocumentFoldersAreInTheVideosFolderAndAreCreated) {
    std::string documents = home + "/Videos/" + kId;
    EXPECT_EQ(fm::defaultSaveDocumentPath(), documents);
    EXPECT_EQ(fm::projectPath(), documents + "/project");
    EXPECT_EQ(fm::libraryPath(), documents + "/library");
    EXPECT_TRUE(fm::isDirectoryAtPath(documents + "/project"));
    EXPECT_TRUE(fm::isDirectoryAtPath(documents + "/library"));
}

// --- temporary folders ------------------------------------------------------------------

TEST_F(StandardPathsTest, ATemporaryFolderIsMadeUnderTmpdirAndTheIdentifier) {
    EXPECT_EQ(fm::tempFileDirectory("export"), tmp + "/" + kId + "/export");
    EXPECT_TRUE(fm::isDirectoryAtPath(tmp + "/" + kId + "/export"));
}

TEST_F(StandardPathsTest, ATemporaryFilePathIsNewAndStartsWithItsName) {
    std::string first = fm::tempFilePath("clip");
    std::string second = fm::tempFilePath("clip");
    std::string folder = tmp + "/" + kId + "/clip/";
    EXPECT_EQ(first.rfind(folder + "clip", 0), 0u) << first;
    EXPECT_NE(first, second);
    EXPECT_FALSE(fs::exists(first));
}

TEST_F(StandardPathsTest, RemovingOneTemporaryFolderLeavesTheOthers) {
    touch(fm::tempFileDirectory("a") + "/file");
    touch(fm::tempFileDirectory("b") + "/file");
    fm::removeTempFile("a");
    EXPECT_FALSE(fs::exists(tmp + "/" + kId + "/a"));
    EXPECT_TRUE(fs::exists(tmp + "/" + kId + "/b/file"));
    fm::removeTempFiles();
    EXPECT_FALSE(fs::exists(tmp + "/" + kId));
    EXPECT_TRUE(fs::exists(tmp));
}

TEST_F(StandardPathsTest, RemovingAllRecordFilesOnlyMakesSureTheirFolderExists) {
    fm::removeAllRecordFiles();
    std::string folder = tmp + "/" + kId + "/defaultRecordPath";
    EXPECT_TRUE(fm::isDirectoryAtPath(folder));
    touch(folder + "/take.wav");
    fm::removeAllRecordFiles();
    EXPECT_TRUE(fs::exists(folder + "/take.wav"));
}

// --- helpers ----------------------------------------------------------------------------

TEST_F(StandardPathsTest, CreatingAFolderMakesItsIntermediateFolders) {
    std::string deep = scratch.file("a/b/c");
    EXPECT_TRUE(fm::createDirectoryAtPathIfCan(deep));
    EXPECT_TRUE(fm::isDirectoryAtPath(deep));
    EXPECT_TRUE(fm::createDirectoryAtPathIfCan(deep));
}

TEST_F(StandardPathsTest, CreatingAFolderWhereAFileIsLeavesTheFile) {
    std::string file = scratch.file("plain");
    touch(file);
    EXPECT_FALSE(fm::createDirectoryAtPathIfCan(file));
    EXPECT_TRUE(fs::is_regular_file(file));
}

TEST_F(StandardPathsTest, PreparingAFilePathDeletesWhatIsThereAndMakesItsFolder) {
    std::string file = scratch.file("out/sub/song.mp3");
    fm::prepareForCreateFilePath(file);
    EXPECT_TRUE(fm::isDirectoryAtPath(scratch.file("out/sub")));
    EXPECT_FALSE(fs::exists(file));
    touch(file);
    fm::prepareForCreateFilePath(file);
    EXPECT_FALSE(fs::exists(file));
    touch(file + "/inner/deeper");
    fm::prepareForCreateFilePath(file);
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(StandardPathsTest, FoldersAndSymbolicLinksAreToldApart) {
    std::string folder = scratch.file("folder");
    fs::create_directories(folder);
    fs::create_directory_symlink(folder, scratch.file("link"));
    fs::create_symlink(scratch.file("nothing"), scratch.file("dangling"));
    EXPECT_TRUE(fm::isDirectoryAtPath(folder));
    EXPECT_TRUE(fm::isDirectoryAtPath(scratch.file("link")));
    EXPECT_FALSE(fm::isSymbolicLinkFileAtPath(folder));
    EXPECT_TRUE(fm::isSymbolicLinkFileAtPath(scratch.file("link")));
    EXPECT_TRUE(fm::isSymbolicLinkFileAtPath(scratch.file("dangling")));
    EXPECT_FALSE(fm::isDirectoryAtPath(scratch.file("dangling")));
    EXPECT_FALSE(fm::isDirectoryAtPath(scratch.file("missing")));
}

// --- numbered file names ------------------------------------------------------------------

TEST_F(StandardPathsTest, AFreePathIsAnsweredUnchanged) {
    std::string path = scratch.file("Built-in.wav");
    EXPECT_EQ(fm::fullPathWithNumberIncreaseIfExist(path), path);
    EXPECT_EQ(fm::fullPathWithNumberIncreaseIfExist(scratch.file("take")), scratch.file("take"));
}

TEST_F(StandardPathsTest, ATakenPathGetsTheFirstFreeNumber) {
    std::string path = scratch.file("Built-in.wav");
    touch(path);
    EXPECT_EQ(fm::fullPathWithNumberIncreaseIfExist(path), scratch.file("Built-in1.wav"));
    touch(scratch.file("Built-in1.wav"));
    EXPECT_EQ(fm::fullPathWithNumberIncreaseIfExist(path), scratch.file("Built-in2.wav"));
    touch(scratch.file("Built-in3.wav"));
    EXPECT_EQ(fm::fullPathWithNumberIncreaseIfExist(path), scratch.file("Built-in2.wav"));
}

TEST_F(StandardPathsTest, ATakenPathWithoutExtensionIsNumberedAsMov) {
    touch(scratch.file("take"));
    EXPECT_EQ(fm::fullPathWithNumberIncreaseIfExist(scratch.file("take")), scratch.file("take1.mov"));
    fs::create_directories(scratch.file("dir.d"));
    touch(scratch.file("dir.d/clip"));
    EXPECT_EQ(fm::fullPathWithNumberIncreaseIfExist(scratch.file("dir.d/clip")), scratch.file("dir.d/clip1.mov"));
}

TEST_F(StandardPathsTest, AFolderOrADanglingLinkCountsAsTaken) {
    fs::create_directories(scratch.file("Song.wav"));
    EXPECT_EQ(fm::fullPathWithNumberIncreaseIfExist(scratch.file("Song.wav")), scratch.file("Song1.wav"));
    fs::create_symlink(scratch.file("nowhere"), scratch.file("Link.wav"));
    EXPECT_EQ(fm::fullPathWithNumberIncreaseIfExist(scratch.file("Link.wav")), scratch.file("Link1.wav"));
}

TEST(PathPieces, FollowThePlatformRules) {
    EXPECT_EQ(fm::pathExtension("/a/b.wav"), "wav");
    EXPECT_EQ(fm::pathExtension("/a/b.tar.gz"), "gz");
    EXPECT_EQ(fm::pathExtension("/a.b/c"), "");
    EXPECT_EQ(fm::pathExtension("/a/.hidden"), "");
    EXPECT_EQ(fm::pathExtension("/a/b."), "");
    EXPECT_EQ(fm::pathExtension("/a/b.wav/"), "wav");
    EXPECT_EQ(wavomer::lowercasePathExtension("/A.B/Song.MP3"), "mp3");
    EXPECT_EQ(wavomer::lowercasePathExtension("/a/.VOB"), "");
    EXPECT_EQ(fm::stringByDeletingPathExtension("/a/b.wav"), "/a/b");
    EXPECT_EQ(fm::stringByDeletingPathExtension("/a/.hidden"), "/a/.hidden");
    EXPECT_EQ(fm::stringByDeletingPathExtension("/a/b..wav"), "/a/b.");
    EXPECT_EQ(fm::lastPathComponent("/a/b/c.wav"), "c.wav");
    EXPECT_EQ(fm::lastPathComponent("/a/b/"), "b");
    EXPECT_EQ(fm::lastPathComponent("/"), "/");
    EXPECT_EQ(fm::lastPathComponent("c"), "c");
    EXPECT_EQ(fm::stringByDeletingLastPathComponent("/a/b/c"), "/a/b");
    EXPECT_EQ(fm::stringByDeletingLastPathComponent("/a/b/"), "/a");
    EXPECT_EQ(fm::stringByDeletingLastPathComponent("/c"), "/");
    EXPECT_EQ(fm::stringByDeletingLastPathComponent("c"), "");
    EXPECT_EQ(fm::stringByDeletingLastPathComponent("/"), "/");
    EXPECT_EQ(fm::stringByAppendingPathComponent("/a/", "b"), "/a/b");
    EXPECT_EQ(fm::stringByAppendingPathComponent("/", "b"), "/b");
    EXPECT_EQ(fm::stringByAppendingPathComponent("", "b"), "b");
    EXPECT_EQ(fm::stringByAppendingPathComponent("/a", "/b"), "/a/b");
}

// --- import folders of several processes ----------------------------------------------------

TEST_F(StandardPathsTest, EachProcessKeepsItsImportsInItsOwnCreatedSubfolder) {
    std::string importFolder = fm::defaultImportConvertedPath();
    std::string mine = fm::processImportFolder();
    EXPECT_EQ(fm::stringByDeletingLastPathComponent(mine), importFolder);
    EXPECT_EQ(fm::lastPathComponent(mine).rfind(std::to_string(getpid()) + "-", 0), 0u) << mine;
    EXPECT_TRUE(fm::isDirectoryAtPath(mine));
    EXPECT_EQ(fm::processImportFolder(), mine);
}

TEST_F(StandardPathsTest, RemovingTheProcessImportFolderLeavesOtherProcessesFolders) {
    std::string mine = fm::processImportFolder();
    touch(mine + "/ImportAudio_1.data");
    std::string other = fm::defaultImportConvertedPath() + "/1-0badcafe";
    touch(other + "/ImportAudio_2.data");
    EXPECT_TRUE(fm::removeProcessImportFolder());
    EXPECT_FALSE(fs::exists(mine));
    EXPECT_TRUE(fs::exists(other + "/ImportAudio_2.data"));
}

TEST_F(StandardPathsTest, ImportFoldersOfProcessesThatAreGoneAreRemoved) {
    const std::string importFolder = fm::defaultImportConvertedPath();
    pid_t gone = fork();
    if (gone == 0) _exit(0);
    int status = 0;
    waitpid(gone, &status, 0);
    const std::string killed = importFolder + "/" + std::to_string(gone) + "-0badcafe";
    const std::string living = importFolder + "/1-0badcafe";
    const std::string notOne = importFolder + "/" + std::to_string(gone) + "-notours";
    for (const std::string& folder : {killed, living, notOne}) touch(folder + "/ImportAudio_1.data");
    const std::string mine = fm::processImportFolder();
    touch(mine + "/ImportAudio_2.data");
    fm::removeAbandonedImportFolders(importFolder);
    EXPECT_FALSE(fs::exists(killed));
    EXPECT_TRUE(fs::exists(living + "/ImportAudio_1.data"));
    EXPECT_TRUE(fs::exists(notOne + "/ImportAudio_1.data"));
    EXPECT_TRUE(fs::exists(mine + "/ImportAudio_2.data"));
}

TEST_F(StandardPathsTest, RemovingTheLastProcessImportFolderRemovesTheEmptyImportFolder) {
    std::string importFolder = fm::defaultImportConvertedPath();
    touch(fm::processImportFolder() + "/ImportAudio_1.data");
    EXPECT_TRUE(fm::removeProcessImportFolder());
    EXPECT_FALSE(fs::exists(importFolder));
}

TEST_F(StandardPathsTest, AForkedChildGetsAnImportFolderOfItsOwn) {
    std::string parentFolder = fm::processImportFolder();
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(pipeEnds[0]);
        std::string folder = fm::processImportFolder();
        ssize_t written = write(pipeEnds[1], folder.data(), folder.size());
        _exit(written == static_cast<ssize_t>(folder.size()) ? 0 : 1);
    }
    close(pipeEnds[1]);
    std::string childFolder;
    char buffer[512];
    ssize_t got;
    while ((got = read(pipeEnds[0], buffer, sizeof buffer)) > 0) childFolder.append(buffer, static_cast<size_t>(got));
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_NE(childFolder, parentFolder);
    EXPECT_EQ(fm::lastPathComponent(childFolder).rfind(std::to_string(child) + "-", 0), 0u) << childFolder;
    EXPECT_TRUE(fm::isDirectoryAtPath(childFolder));
    EXPECT_TRUE(fm::isDirectoryAtPath(parentFolder));
}

}  // namespace
}  // namespace wavomer
