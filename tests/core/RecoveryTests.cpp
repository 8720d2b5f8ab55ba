// The recovery folders of unsaved edits: the snapshot a changed user event leaves, its
// coalescing, a full or unwritable state folder, damaged and hostile folders, the
// sweep that keeps their audio, and restoring a snapshot into an engine.
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "archive/ProjectArchive.h"
#include "data/SampleDataFile.h"
#include "engine/EditActions.h"
#include "recovery/Recovery.h"
#include "recovery/RecoverySession.h"
#include "support/EngineFixture.h"
#include "util/ProjectFolderLock.h"
#include "util/StandardPaths.h"

using namespace wavomer;
using namespace wavomer::test;
namespace fs = std::filesystem;

namespace {

// The writer thread hands its outcome over through this one; the test runs it.
class LockedScheduler : public MainThreadScheduler {
public:
    void post(std::function<void()> work) override {
        std::lock_guard<std::mutex> guard(mutex_);
        queue_.push_back(std::move(work));
    }
    void postAfter(double seconds, std::function<void()> work) override {
        std::lock_guard<std::mutex> guard(mutex_);
        delays.push_back(seconds);
        delayed_.push_back(std::move(work));
    }
    // Runs what was posted; with delayed, what was planned for later too.
    void run(bool delayed = false) {
        std::deque<std::function<void()>> now;
        {
            std::lock_guard<std::mutex> guard(mutex_);
            now.swap(queue_);
            if (delayed)
                for (auto& work : delayed_) now.push_back(std::move(work));
            if (delayed) delayed_.clear();
        }
        for (auto& work : now) work();
    }
    std::vector<double> delays;

private:
    std::mutex mutex_;
    std::deque<std::function<void()>> queue_, delayed_;
};

pid_t endedProcess() {
    pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

class RecoveryTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        environment.emplace(dir.file("home"), dir.file("tmp"));
        lay(0, {audio(source("ImportAudio_1.data", 1.0), 0.0, 1.0, 0.0)});
        session = std::make_unique<RecoverySession>(*engine, sessionScheduler);
        host.onUserEventEnded = [this](bool changed) { if (changed) session->documentChanged(); };
        session->writeResult = [this](const std::string& failure) { failures.push_back(failure); };
    }
    void TearDown() override {
        host.onUserEventEnded = nullptr;
        session.reset();
        environment.reset();
        EngineTest::TearDown();
    }
    void addMarkerAt(double time) {
        UserEvent scope(*engine);
        engine->updateCurrentTimelineTime(time);
        EditActions::addMarkAction(*engine);
    }
    // What the folder holds once everything handed over is written.
    RecoveryInfo written(bool takePlanned = true) {
        session->flush(takePlanned);
        sessionScheduler.run();
        Outcome<RecoveryInfo> info = readRecoveryInfo(session->folder());
        EXPECT_TRUE(info.ok()) << info.error();
        return info ? *info : RecoveryInfo{};
    }
    std::string archiveBytes(const RecoveryInfo& info) {
        std::ifstream in(info.folder + "/" + info.archive, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    std::string currentArchive() {
        std::vector<uint8_t> bytes = archive::encodeProject(engine->audioTrackArray(), engine->markArray());
        return std::string(bytes.begin(), bytes.end());
    }

    std::optional<HomeEnvironment> environment;
    LockedScheduler sessionScheduler;
    std::unique_ptr<RecoverySession> session;
    std::vector<std::string> failures;
};

}  // namespace

TEST_F(RecoveryTest, AChangeLeavesTheDocumentsArchiveInItsFolderUntilTheDocumentCloses) {
    EXPECT_FALSE(fs::exists(session->folder()));  // nothing changed yet: no folder
    session->setDocument(std::string("/music/Song.wvmp"), "Song");
    addMarkerAt(0.5);
    const RecoveryInfo info = written();
    EXPECT_EQ(session->folder().rfind(dir.file("home") + "/.local/state/org.wavomer.Wavomer/recovery/", 0), 0u);
    EXPECT_EQ(info.pid, ::getpid());
    EXPECT_EQ(info.name, "Song");
    EXPECT_EQ(info.project, std::optional<std::string>("/music/Song.wvmp"));
    EXPECT_TRUE(info.unsaved);
    EXPECT_EQ(info.tracks, static_cast<int64_t>(engine->audioTrackArray().size()));
    EXPECT_EQ(info.importFolder, dir.path());
    EXPECT_EQ(archiveBytes(info), currentArchive());
    EXPECT_EQ(failures, std::vector<std::string>{""});
    // A recording that starts is named at once, and forgotten when it ends.
    session->setRecording(std::string("/music/Record Files/Built-in.wav"), 1.25, {0, 1});
    const RecoveryInfo recording = written();
    EXPECT_EQ(recording.recording, std::optional<std::string>("/music/Record Files/Built-in.wav"));
    EXPECT_EQ(recording.recordStart, 1.25);
    EXPECT_EQ(recording.recordTracks, (std::vector<int64_t>{0, 1}));
    EXPECT_EQ(recording.archive, info.archive);
    session->setRecording(std::nullopt);
    EXPECT_FALSE(written().recording);

    // A save marks it settled; a live process's folder is never offered.
    session->documentSaved(std::string("/music/Song.wvmp"), "Song");
    EXPECT_FALSE(written().unsaved);
    EXPECT_TRUE(recoverableDocuments().empty());
    session->close();
    EXPECT_FALSE(fs::exists(session->folder()));
}

TEST_F(RecoveryTest, ABurstOfChangesIsCopiedOnceAtOnceAndOnceMoreWhenItEnds) {
    addMarkerAt(0.25);
    addMarkerAt(0.5);
    addMarkerAt(0.75);
    const RecoveryInfo first = written(false);
    EXPECT_EQ(first.archive, "project-1.plist");
    ASSERT_EQ(sessionScheduler.delays.size(), 1u);  // one copy planned for the rest of the burst
    EXPECT_GT(sessionScheduler.delays[0], 0.0);
    EXPECT_LE(sessionScheduler.delays[0], RecoverySession::kInterval);
    EXPECT_NE(archiveBytes(first), currentArchive());
    sessionScheduler.run(true);
    const RecoveryInfo last = written();
    EXPECT_EQ(last.archive, "project-2.plist");
    EXPECT_EQ(archiveBytes(last), currentArchive());
    EXPECT_FALSE(fs::exists(session->folder() + "/project-1.plist"));  // the older one goes once the newer is named

    // A field changed in place is copied anew, though the track holds the same sections.
    {
        UserEvent scope(*engine);
        engine->audioSectionVolumeValue(engine->audioTrackArray()[0]->sectionArray()[0], 0.5);
    }
    sessionScheduler.run(true);
    EXPECT_EQ(archiveBytes(written()), currentArchive());
}

TEST_F(RecoveryTest, AFolderThatCannotBeWrittenSaysSoAndKeepsThePreviousSnapshot) {
    const std::string small = dir.file("state");
    SmallFilesystem mounted(small, "64k");
    if (!mounted.why().empty()) GTEST_SKIP() << mounted.why();
    host.onUserEventEnded = nullptr;
    session = std::make_unique<RecoverySession>(*engine, sessionScheduler, small);
    host.onUserEventEnded = [this](bool changed) { if (changed) session->documentChanged(); };
    session->writeResult = [this](const std::string& failure) { failures.push_back(failure); };
    addMarkerAt(0.5);
    const RecoveryInfo good = written();
    const std::string kept = archiveBytes(good);
    // A project far larger than the room left.
    SectionArray many;
    for (int i = 0; i < 4000; ++i) many.push_back(audio(dir.file("ImportAudio_1.data"), 0.0, 0.001, i * 0.001));
    lay(0, many);
    addMarkerAt(0.75);
    sessionScheduler.run(true);
    const RecoveryInfo after = written();
    ASSERT_FALSE(failures.empty());
    EXPECT_NE(failures.back().find(std::strerror(ENOSPC)), std::string::npos) << failures.back();
    EXPECT_EQ(after.archive, good.archive);
    EXPECT_EQ(archiveBytes(after), kept);
}

TEST_F(RecoveryTest, AStateFolderThatCannotBeMadeFailsEachWriteWithoutStoppingTheEdits) {
    std::ofstream(dir.file("blocker")) << "x";
    host.onUserEventEnded = nullptr;
    session = std::make_unique<RecoverySession>(*engine, sessionScheduler, dir.file("blocker") + "/recovery");
    host.onUserEventEnded = [this](bool changed) { if (changed) session->documentChanged(); };
    session->writeResult = [this](const std::string& failure) { failures.push_back(failure); };
    addMarkerAt(0.5);
    session->flush();
    sessionScheduler.run();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("cannot create the folder"), std::string::npos) << failures[0];
    EXPECT_EQ(engine->markArray().size(), 1u);
}

TEST_F(RecoveryTest, DamagedAndHostileFoldersAreListedAsDamagedAndHurtNothing) {
    const std::string root = recoveryRootFolder();
    auto folderWith = [&](const std::string& id, const std::string& info) {
        fs::create_directories(root + "/" + id);
        std::ofstream(root + "/" + id + "/" + kRecoveryInfoName) << info;
        return root + "/" + id;
    };
    RecoveryInfo good;
    good.pid = endedProcess();
    good.program = "wavomer";
    good.name = "Song";
    good.importFolder = dir.path();
    good.archive = "project-1.plist";
    const std::string text = recoveryInfoText(good);
    folderWith("1-nul", text + std::string("name=a\0b\n", 9));
    folderWith("2-header", "something else\n" + text);
    folderWith("3-relative", text + "project=relative/song.wvmp\n");
    folderWith("4-archive", std::string(text).replace(text.find("project-1.plist"), 15, "../../etc/passwd"));
    const std::string linked = folderWith("5-link", text);
    fs::create_symlink("/etc/passwd", linked + "/project-1.plist");
    const std::string fifo = root + "/6-fifo";
    fs::create_directories(fifo);
    ASSERT_EQ(::mkfifo((fifo + "/" + kRecoveryInfoName).c_str(), 0600), 0);

    const std::vector<RecoveryEntry> entries = recoverableDocuments();
    ASSERT_EQ(entries.size(), 6u);
    for (size_t i = 0; i < 4; ++i) EXPECT_FALSE(entries[i].info.ok()) << entries[i].id;
    EXPECT_FALSE(entries[5].info.ok());
    ASSERT_TRUE(entries[4].info.ok());
    EXPECT_FALSE(readRecoveredProject(*entries[4].info).ok());  // the archive is a link
    EXPECT_EQ(recoverableDocuments().size(), 6u);                // and all of them are kept
}

TEST_F(RecoveryTest, TheAudioASnapshotNeedsOutlivesTheSweepUntilItIsSettled) {
    const std::string importRoot = FileManagerExtention::defaultImportConvertedPath();
    const pid_t dead = endedProcess();
    const std::string kept = importRoot + "/" + std::to_string(dead) + "-00000000000000aa";
    const std::string swept = importRoot + "/" + std::to_string(dead) + "-00000000000000bb";
    fs::create_directories(kept);
    fs::create_directories(swept);
    const std::string data = kept + "/ImportAudio_7.data";
    writeSampleFile(data, 1, 4410, staircase);

    // The crashed run's snapshot: one section of its import folder, and a marker.
    RecoveryInfo info;
    info.pid = dead;
    info.program = "wavomer";
    info.name = "Song";
    info.importFolder = kept;
    info.archive = "project-3.plist";
    info.editedMilliseconds = 1765305600123;
    const std::string folder = recoveryRootFolder() + "/" + std::to_string(dead) + "-1234";
    fs::create_directories(folder);
    auto track = std::make_shared<AudioTrack>();
    track->setSectionArray({audio(data, 0.0, 0.1, 0.0)});
    ASSERT_OK(archive::writeProjectFile(folder + "/" + info.archive, {track}, {MarkerItem::createMarkerWithTime(0.05)}));
    ASSERT_OK(writeFileDurably(folder, kRecoveryInfoName, recoveryInfoText(info)));

    FileManagerExtention::removeAbandonedImportFolders(importRoot);
    EXPECT_TRUE(fs::exists(data));
    EXPECT_FALSE(fs::exists(swept));

    const std::vector<RecoveryEntry> offered = recoverableDocuments();
    ASSERT_EQ(offered.size(), 1u);
    ASSERT_TRUE(offered[0].info.ok()) << offered[0].info.error();
    EXPECT_FALSE(offered[0].live);
    EXPECT_EQ(isoTime(offered[0].info->editedMilliseconds), "2025-12-09T18:40:00.123Z");
    {
        UserEvent scope(*engine);
        ASSERT_OK(restoreRecoveredDocument(*engine, *offered[0].info));
    }
    EXPECT_TRUE(engine->isDocumentEdited());
    ASSERT_EQ(engine->markArray().size(), 1u);
    const std::string adopted = *engine->audioTrackArray()[0]->sectionArray()[0]->audioPath;
    EXPECT_EQ(adopted, dir.path() + "/ImportAudio_7.data");  // in this engine's own import folder
    discardRecovery(*offered[0].info);
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_FALSE(fs::exists(kept));
    EXPECT_TRUE(isSampleDataFile(adopted));
}

TEST_F(RecoveryTest, ASnapshotOfAProjectAnotherLiveProcessHoldsIsNotRestored) {
    const std::string project = dir.file("held.wvmp");
    fs::create_directories(project);
    LiveProcess live;
    live.holdProjectLock(project);
    const pid_t holder = live.pid();
    Outcome<> refused = engine->restoreRecoveredProject({}, {}, project);
    live.release();
    EXPECT_FALSE(refused.ok());
    EXPECT_NE(refused.error().find("process " + std::to_string(holder)), std::string::npos) << refused.error();
    EXPECT_EQ(engine->audioTrackArray()[0]->sectionArray().size(), 1u);  // the engine is as it was
}
