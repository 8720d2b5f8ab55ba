// The project folder against what may be in it or named by it: damaged numbers and
// paths in the archive, system files, links and FIFOs in place of sample data, a
// full disk during a save, another process editing the same project, and the
// temporaries of a killed save. Also the selection of a project opened without tracks.
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <optional>
#include <thread>

#include "archive/ProjectArchive.h"
#include "support/EngineFixture.h"
#include "util/ProjectFolderLock.h"

using namespace wavomer;
using namespace wavomer::test;
namespace fs = std::filesystem;

namespace {

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

size_t filesIn(const std::string& folder) {
    size_t n = 0;
    std::error_code ec;
    for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) ++n;
    return n;
}

bool mentions(const std::vector<std::string>& warnings, const std::string& text) {
    for (const auto& w : warnings)
        if (w.find(text) != std::string::npos) return true;
    return false;
}

std::string ownProcessName() {
    std::string name = contents("/proc/self/comm");
    while (!name.empty() && name.back() == '\n') name.pop_back();
    return name;
}

// The id of a process that has ended.
pid_t endedProcess() {
    pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

Outcome<archive::DecodedProject> decodeOne(const SectionPtr& section, const std::vector<MarkerPtr>& markers = {}) {
    auto track = std::make_shared<AudioTrack>();
    track->setSectionArray({section});
    std::vector<uint8_t> bytes = archive::encodeProject({track}, markers);
    return archive::decodeProject(bytes.data(), bytes.size());
}

// Opening a project is a user event, as in the window and the command-line tool.
Outcome<> openAsUserEvent(WaveEditViewController& engine, const std::string& folder) {
    UserEvent event(engine);
    return engine.readDataFromProject(folder);
}

class FolderTest : public EngineTest {
protected:
    // A one-track project of the given sources laid end to end, each one second long.
    void layOut(const std::vector<std::string>& paths) {
        SectionArray sections;
        double at = 0.0;
        for (const auto& path : paths) {
            auto section = placedSection(path, 0.0, 1.0, at);
            section->audioPath = path;
            sections.push_back(section);
            at += 1.0;
        }
        lay(0, sections);
        resizeTracks(1);
        engine->setTimelineTrackArray(engine->audioTrackArray());
    }
};

}  // namespace

TEST(ProjectArchiveDamage, NonFiniteNumbersAndPathsWithNulOrLineBreaksMakeTheProjectUnreadable) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    using Field = double AudioSection::*;
    for (Field field : {&AudioSection::volumeValue, &AudioSection::customFadeStart, &AudioSection::customFadeStop,
                        &AudioSection::trackStartTime, &AudioSection::endTime, &AudioSection::fadeDuration}) {
        for (double bad : {nan, inf, -inf}) {
            auto section = AudioSection::section();
            section->audioPath = "/tmp/ImportAudio_1.data";
            section->endTime = 1.0;
            section->trackEndTime = 1.0;
            (*section).*field = bad;
            auto result = decodeOne(section);
            EXPECT_FALSE(result.ok()) << bad;
            EXPECT_NE(result.error().find("finite"), std::string::npos) << result.error();
        }
    }
    auto withEffect = AudioSection::section();
    withEffect->effectDic = EffectDic{{"name", "Reverb"}, {"wetDryMix", nan}};
    EXPECT_FALSE(decodeOne(withEffect).ok());
    EXPECT_FALSE(decodeOne(AudioSection::section(), {MarkerItem::createMarkerWithTime(inf)}).ok());
    // Finite values still read.
    auto fine = AudioSection::section();
    fine->volumeValue = 1e300;
    EXPECT_TRUE(decodeOne(fine, {MarkerItem::createMarkerWithTime(2.0)}).ok());

    for (std::string path : {std::string("/etc/passwd\0/ImportAudio_1.data", 31), std::string("/tmp/a\nb.data"),
                             std::string("/tmp/a\rb.data")}) {
        auto section = AudioSection::section();
        section->audioPath = path;
        auto result = decodeOne(section);
        EXPECT_FALSE(result.ok());
        EXPECT_NE(result.error().find("audioPath"), std::string::npos) << result.error();
    }
}

TEST_F(FolderTest, ASaveToANewFolderPlacesOnlySampleDataFilesAndNamesWhatItLeftOut) {
    const std::string good = source("ImportAudio_1.data", 1.0);
    const std::string notOurs = dir.file("notes.data");
    std::ofstream(notOurs) << "a secret that is not audio";
    const std::string fifo = dir.file("pipe.data");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string link = dir.file("link.data");
    fs::create_symlink(good, link);
    const std::string withNul("/etc/passwd\0/ImportAudio_9.data", 31);
    layOut({good, "/etc/passwd", "/proc/self/environ", notOurs, fifo, link, withNul, dir.file("gone.data")});

    const std::string project = dir.file("copy.wvmp");
    Outcome<Warnings> r = engine->saveProjectItemToPath(project);
    ASSERT_TRUE(r.ok()) << r.error();
    // Only the sample data file went into "Audios".
    EXPECT_EQ(filesIn(project + "/Audios"), 1u);
    EXPECT_TRUE(fs::exists(project + "/Audios/ImportAudio_1.data"));
    for (const std::string& left : {std::string("/etc/passwd"), std::string("/proc/self/environ"), notOurs, fifo, link,
                                    dir.file("gone.data")})
        EXPECT_TRUE(mentions((*r), left)) << left;
    EXPECT_EQ((*r).size(), 7u);
}

TEST_F(FolderTest, AHostileAudiosFolderIsNeitherFollowedNorWaitedOn) {
    // A project whose sources are gone and whose "Audios" holds a FIFO, a link to a
    // system file and a link to a real sample data file outside the project.
    const std::string outside = source("outside.data", 1.0);
    const std::string hostile = dir.file("hostile.wvmp");
    fs::create_directories(hostile + "/Audios");
    ASSERT_EQ(::mkfifo((hostile + "/Audios/ImportAudio_1.data").c_str(), 0600), 0);
    fs::create_symlink("/etc/passwd", hostile + "/Audios/ImportAudio_2.data");
    fs::create_symlink(outside, hostile + "/Audios/ImportAudio_3.data");
    layOut({"/nowhere/ImportAudio_1.data", "/nowhere/ImportAudio_2.data", "/nowhere/ImportAudio_3.data"});
    ASSERT_OK(archive::writeProjectFile(archive::projectArchivePath(hostile), engine->audioTrackArray(), {}));

    UndoManager otherUndo;
    WaveEditViewController opened(host, clipboard, scheduler, otherUndo);
    ASSERT_TRUE(openAsUserEvent(opened, hostile).ok());
    ASSERT_EQ(opened.audioTrackArray().size(), 1u);
    // Nothing of the links' targets is heard: the sections play silence.
    for (int64_t frame : {100, 44100 + 100, 2 * 44100 + 100})
        EXPECT_EQ(opened.audioTrackArray()[0]->readSamplePointAtOffset(frame), 0.0f) << frame;

    const std::string copy = dir.file("copy.wvmp");
    Outcome<Warnings> r = opened.saveProjectItemToPath(copy);
    ASSERT_TRUE(r.ok()) << r.error();
    EXPECT_EQ(filesIn(copy + "/Audios"), 0u);
    EXPECT_EQ((*r).size(), 3u);
}

TEST_F(FolderTest, ASourceMissingEverywhereIsSavedAsItIsWithAWarning) {
    const std::string good = source("ImportAudio_1.data", 1.0);
    layOut({good, dir.file("vanished.data")});
    const std::string project = dir.file("song.wvmp");
    Outcome<Warnings> r = engine->saveProjectItemToPath(project);
    ASSERT_TRUE(r.ok()) << r.error();
    ASSERT_EQ((*r).size(), 1u);
    EXPECT_NE((*r)[0].find("vanished.data"), std::string::npos) << (*r)[0];
    auto loaded = archive::readProjectFile(archive::projectArchivePath(project));
    ASSERT_TRUE(loaded.ok());
    EXPECT_EQ(*loaded->tracks[0]->sectionArray()[1]->audioPath, dir.file("vanished.data"));
}

TEST_F(FolderTest, ASaveIntoAFullDiskFailsAsSuchAndKeepsTheOldArchive) {
    const std::string small = dir.file("small");
    SmallFilesystem mounted(small, "1m");
    if (!mounted.why().empty()) GTEST_SKIP() << mounted.why();

    // The sources lie on another filesystem, so they must be copied, not linked.
    const std::string first = source("ImportAudio_1.data", 0.1);
    layOut({first});
    const std::string project = small + "/song.wvmp";
    ASSERT_TRUE(engine->saveProjectItemToPath(project).ok());
    const std::string oldBytes = contents(project + "/project.plist");
    ASSERT_FALSE(oldBytes.empty());

    // Leave less room than the next source needs.
    {
        std::ofstream filler(small + "/filler", std::ios::binary);
        std::string block(4096, 'x');
        while (filler.write(block.data(), block.size())) {
        }
    }
    fs::resize_file(small + "/filler", fs::file_size(small + "/filler") - 64 * 1024);
    const std::string second = source("ImportAudio_2.data", 2.0);
    layOut({first, second});
    Outcome<Warnings> r = engine->saveProjectItemToPath(project);
    EXPECT_FALSE(r.ok());
    EXPECT_NE(r.error().find(std::strerror(ENOSPC)), std::string::npos) << r.error();
    EXPECT_NE(r.error().find("ImportAudio_2.data"), std::string::npos) << r.error();
    EXPECT_EQ(contents(project + "/project.plist"), oldBytes);
    // No partial copy stands in "Audios".
    EXPECT_EQ(filesIn(project + "/Audios"), 1u);
    // A new project that does not fit leaves no folder behind.
    EXPECT_FALSE(engine->saveProjectItemToPath(small + "/new.wvmp").ok());
    EXPECT_FALSE(fs::exists(small + "/new.wvmp"));
}

TEST_F(FolderTest, AProjectAnotherProcessEditsIsNotSavedOverAndAStaleLockIsTakenOver) {
    const std::string good = source("ImportAudio_1.data", 1.0);
    layOut({good});
    const std::string project = dir.file("shared.wvmp");
    fs::create_directories(project);
    const std::string lockPath = project + "/" + ProjectFolderLock::kFileName;

    // A live process of the same program holds the lock.
    LiveProcess live;
    live.holdProjectLock(project);
    const pid_t holder = live.pid();
    Outcome<Warnings> refused = engine->saveProjectItemToPath(project);
    EXPECT_FALSE(refused.ok());
    EXPECT_NE(refused.error().find("process " + std::to_string(holder)), std::string::npos) << refused.error();
    EXPECT_NE(refused.error().find(ownProcessName()), std::string::npos) << refused.error();
    EXPECT_FALSE(fs::exists(project + "/project.plist"));
    live.release();

    // Its process is gone now: the lock is taken over.
    Outcome<Warnings> saved = engine->saveProjectItemToPath(project);
    ASSERT_TRUE(saved.ok()) << saved.error();
    EXPECT_EQ(std::stol(contents(lockPath)), static_cast<long>(::getpid()));

    // A lock naming an ended process from the start, opened by a second engine of this process.
    engine.reset();
    EXPECT_FALSE(fs::exists(lockPath));
    std::ofstream(lockPath) << endedProcess() << " " << ownProcessName() << "\n";
    UndoManager otherUndo;
    WaveEditViewController reopened(host, clipboard, scheduler, otherUndo);
    ASSERT_TRUE(openAsUserEvent(reopened, project).ok());
    EXPECT_EQ(std::stol(contents(lockPath)), static_cast<long>(::getpid()));
    EXPECT_TRUE(reopened.saveProjectItemToPath(project).ok());
}

TEST_F(FolderTest, ASaveRemovesTheTemporariesOfKilledSavesAndLeavesLiveOnes) {
    const std::string good = source("ImportAudio_1.data", 1.0);
    layOut({good});
    const std::string project = dir.file("song.wvmp");
    fs::create_directories(project + "/Audios");
    const std::string dead = std::to_string(endedProcess());
    const std::string live = std::to_string(::getppid());
    const std::string staleArchive = project + "/.project.plist.part-" + dead + "-0123456789abcdef";
    const std::string staleCopy = project + "/Audios/.ImportAudio_7.data.part-" + dead + "-fedcba9876543210";
    const std::string liveCopy = project + "/Audios/.ImportAudio_8.data.part-" + live + "-00000000000000aa";
    for (const auto& path : {staleArchive, staleCopy, liveCopy}) std::ofstream(path) << "partial";
    ASSERT_TRUE(engine->saveProjectItemToPath(project).ok());
    EXPECT_FALSE(fs::exists(staleArchive));
    EXPECT_FALSE(fs::exists(staleCopy));
    EXPECT_TRUE(fs::exists(liveCopy));
    // The save's own temporaries are gone too.
    EXPECT_EQ(filesIn(project + "/Audios"), 2u);
    EXPECT_EQ(filesIn(project), 3u);  // Audios, project.plist, the lock
}

TEST_F(FolderTest, AProjectOpenedWithoutTracksSelectsNothingUntilItsFirstImport) {
    const std::string project = dir.file("empty.wvmp");
    fs::create_directories(project);
    ASSERT_OK(archive::writeProjectFile(archive::projectArchivePath(project), {}, {}));
    ASSERT_TRUE(openAsUserEvent(*engine, project).ok());
    EXPECT_TRUE(engine->audioTrackArray().empty());
    EXPECT_TRUE(engine->timelineTrackArray().empty());

    const std::string mono = source("ImportAudio_1.data", 1.0);
    event([&] { ASSERT_TRUE(engine->placeConvertedFile(mono).ok()); });
    ASSERT_EQ(engine->audioTrackArray().size(), 1u);
    EXPECT_EQ(engine->timelineTrackArray(), engine->audioTrackArray());
    event([&] {
        engine->updateCurrentTimelineTime(0.5);
        ASSERT_TRUE(engine->insertMute(true, 1.0).ok());
    });
    EXPECT_NEAR(engine->farestTrackEndTime(), 2.0, 1e-9);
    bool silenceInserted = false;
    for (const auto& s : engine->audioTrackArray()[0]->sectionArray())
        silenceInserted |= s->isMute && std::fabs(s->trackStartTime - 0.5) < 1e-9;
    EXPECT_TRUE(silenceInserted);
}

// Its own name, so the thread tests under ThreadSanitizer take it in.
using BackgroundReadTest = FolderTest;

TEST_F(BackgroundReadTest, AProjectReadInTheBackgroundArrivesWholeOnTheMainThreadOrNotAtAll) {
    // Saved, then its import folder's files gone: opening points each section at its
    // copy in "Audios", and that is the progress the read reports.
    const std::string a = source("ImportAudio_1.data", 1.0);
    const std::string b = source("ImportAudio_2.data", 1.0);
    layOut({a, b});
    event([&] { engine->setMarkArray({MarkerItem::createMarkerWithTime(0.5)}); });
    const std::string project = dir.file("read.wvmp");
    ASSERT_TRUE(engine->saveProjectItemToPath(project).ok());
    fs::remove(a);
    fs::remove(b);
    AudioWaveDataCache::share().removeAll();

    UndoManager otherUndo;
    WaveEditViewController other(host, clipboard, scheduler, otherUndo);
    std::optional<Outcome<>> opened;
    event([&] { other.readDataFromProjectInBackground(project, [&](Outcome<> r) { opened = r; }); });
    EXPECT_TRUE(other.isImporting);
    ASSERT_TRUE(scheduler.waitForPosted());
    EXPECT_DOUBLE_EQ(other.importProgress(), 1.0);
    EXPECT_FALSE(opened) << "placed before the main thread took it";
    EXPECT_EQ(other.audioTrackArray().size(), 2u);  // still the new project's tracks
    // The window's scheduler runs each posted block as a user event; so does this one.
    const auto runPosted = [&] {
        UserEvent posted(other);
        scheduler.runAll();
    };
    runPosted();
    ASSERT_TRUE(opened && opened->ok()) << (opened ? opened->error() : "never ended");
    EXPECT_FALSE(other.isImporting);
    EXPECT_FALSE(other.importInProgress());
    ASSERT_EQ(other.audioTrackArray().size(), 1u);
    for (const auto& section : other.audioTrackArray()[0]->sectionArray()) {
        ASSERT_TRUE(section->audioPath);
        EXPECT_EQ(section->audioPath->rfind(project + "/Audios/ImportAudio_", 0), 0u) << *section->audioPath;
        EXPECT_TRUE(section->audioWaveData());
    }
    EXPECT_EQ(other.markArray().size(), 1u);
    EXPECT_FALSE(other.isDocumentEdited());

    // Stopped, it hands back nothing; an unreadable archive fails and leaves the
    // project that is open as it was.
    std::atomic<bool> stop{true};
    EXPECT_TRUE(WaveEditViewController::readProjectFolder(project, &stop).cancelled());
    std::ofstream(archive::projectArchivePath(project), std::ios::trunc) << "not an archive";
    opened.reset();
    event([&] { other.readDataFromProjectInBackground(project, [&](Outcome<> r) { opened = r; }); });
    ASSERT_TRUE(scheduler.waitForPosted());
    runPosted();
    ASSERT_TRUE(opened);
    EXPECT_FALSE(opened->ok());
    EXPECT_FALSE(opened->cancelled());
    EXPECT_FALSE(other.isImporting);
    EXPECT_EQ(other.audioTrackArray()[0]->sectionArray().size(), 2u);
    EXPECT_EQ(other.markArray().size(), 1u);
}

// Runs check as the unprivileged user "nobody" in a child process, since permissions
// do not hold for root; answers the child's exit status (0 when every check held), or
// skips when the tests run as root without a way to become someone else.
static int asUnprivilegedUser(const std::string& scratch, const std::function<int()>& check) {
    if (::geteuid() != 0) return check();
    ::chmod(scratch.c_str(), 0777);
    pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(100);
        ::_exit(check());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 101;
}

TEST_F(FolderTest, SavesIntoFoldersThatCannotBeExaminedFailAndKeepTheEditedMark) {
    const std::string good = source("ImportAudio_1.data", 0.1);
    layOut({good});
    engine->setDocumentEdited(true);
    // A name too long for the system, and a path through a loop of links.
    fs::create_symlink(dir.file("loopB"), dir.file("loopA"));
    fs::create_symlink(dir.file("loopA"), dir.file("loopB"));
    for (const std::string& target : {dir.file(std::string(300, 'n') + ".wvmp"), dir.file("loopA/song.wvmp")}) {
        Outcome<Warnings> r = engine->saveProjectItemToPath(target);
        EXPECT_FALSE(r.ok()) << target;
        EXPECT_TRUE(engine->isDocumentEdited());
    }

    // As a user the permissions hold for: a folder inside one without search
    // permission; the project's own folder made unreadable; a source that cannot be
    // read, whose failed save into a new folder leaves no folder behind.
    ::chmod(good.c_str(), 0644);
    const std::string home = dir.file("user");
    fs::create_directories(home + "/closed");
    const std::string unreadable = dir.file("ImportAudio_2.data");
    writeSampleFile(unreadable, 1, 4410, staircase);
    ::chmod(unreadable.c_str(), 0);
    if (::geteuid() == 0) ::chown(home.c_str(), 65534, 65534), ::chown((home + "/closed").c_str(), 65534, 65534);
    const int status = asUnprivilegedUser(dir.path(), [&]() -> int {
        int failed = 0;
        ::chmod((home + "/closed").c_str(), 0);
        if (engine->saveProjectItemToPath(home + "/closed/song.wvmp").ok()) failed |= 1;
        ::chmod((home + "/closed").c_str(), 0700);
        const std::string own = home + "/own.wvmp";
        if (Outcome<Warnings> first = engine->saveProjectItemToPath(own); !first.ok()) {
            std::fprintf(stderr, "%s\n", first.error().c_str());
            return failed | 2;
        }
        engine->setDocumentEdited(true);
        ::chmod(own.c_str(), 0);
        if (engine->saveProjectItemToPath(own).ok() || !engine->isDocumentEdited()) failed |= 4;
        ::chmod(own.c_str(), 0700);
        layOut({good, unreadable});
        if (engine->saveProjectItemToPath(home + "/new.wvmp").ok() || fs::exists(home + "/new.wvmp")) failed |= 8;
        return failed;
    });
    if (status == 100) GTEST_SKIP() << "cannot become an unprivileged user";
    EXPECT_EQ(status, 0) << "bits: 1 closed folder, 2 first save, 4 unreadable own folder, 8 unreadable source";
}

TEST_F(FolderTest, AnotherProjectIsReplacedOnlyWhenAskedAndNotWhileAnotherDocumentHoldsIt) {
    fs::create_directories(dir.file("a"));
    fs::create_directories(dir.file("b"));
    const std::string theirs = source("a/ImportAudio_1.data", 1.0);
    layOut({theirs});
    const std::string victim = dir.file("victim.wvmp");
    ASSERT_TRUE(engine->saveProjectItemToPath(victim).ok());
    const std::string before = contents(victim + "/project.plist");

    // A second document of this process, with audio of the same name but not the same.
    UndoManager otherUndo;
    WaveEditViewController other(host, clipboard, scheduler, otherUndo);
    auto mine = placedSection(source("b/ImportAudio_1.data", 2.0), 0.0, 2.0, 0.0);
    other.audioTrackArray()[0]->setSectionArray({mine});
    EXPECT_EQ(other.saveTargetAt(victim), SaveTarget::OtherProject);
    Outcome<Warnings> refused = other.saveProjectItemToPath(victim);
    EXPECT_FALSE(refused.ok());
    Outcome<Warnings> held = other.saveProjectItemToPath(victim, {.replaceOtherProject = true});
    EXPECT_FALSE(held.ok());
    EXPECT_NE(held.error().find("process " + std::to_string(::getpid())), std::string::npos) << held.error();
    EXPECT_EQ(contents(victim + "/project.plist"), before);

    // Once the first lets go, the replacement takes the archive and the audio whole.
    engine.reset();
    Outcome<Warnings> replaced = other.saveProjectItemToPath(victim, {.replaceOtherProject = true});
    ASSERT_TRUE(replaced.ok()) << replaced.error();
    EXPECT_EQ(fs::file_size(victim + "/Audios/ImportAudio_1.data"), fs::file_size(dir.file("b/ImportAudio_1.data")));
    EXPECT_EQ(filesIn(victim), 3u);  // Audios, project.plist, the lock: nothing set aside is left
    EXPECT_EQ(other.saveTargetAt(victim), SaveTarget::Own);
}

TEST_F(FolderTest, AProjectChangedOnDiskSinceItWasReadIsNotSavedOverUnlessAllowed) {
    const std::string good = source("ImportAudio_1.data", 0.1);
    layOut({good});
    const std::string project = dir.file("song.wvmp");
    ASSERT_TRUE(engine->saveProjectItemToPath(project).ok());
    engine.reset();
    UndoManager otherUndo;
    WaveEditViewController reader(host, clipboard, scheduler, otherUndo);
    ASSERT_TRUE(openAsUserEvent(reader, project).ok());
    EXPECT_EQ(reader.saveTargetAt(project), SaveTarget::Own);

    // Another program saves a marker into it, keeping the size and the time stamp.
    struct stat was {};
    ::stat((project + "/project.plist").c_str(), &was);
    ASSERT_OK(archive::writeProjectFile(archive::projectArchivePath(project), reader.audioTrackArray(),
                                        {MarkerItem::createMarkerWithTime(0.05)}));
    const struct timespec times[2] = {was.st_atim, was.st_mtim};
    ::utimensat(AT_FDCWD, (project + "/project.plist").c_str(), times, 0);
    const std::string theirs = contents(project + "/project.plist");
    EXPECT_EQ(reader.saveTargetAt(project), SaveTarget::ChangedOnDisk);
    reader.setDocumentEdited(true);
    EXPECT_FALSE(reader.saveProjectItemToPath(project).ok());
    EXPECT_EQ(contents(project + "/project.plist"), theirs);
    EXPECT_TRUE(reader.isDocumentEdited());
    ASSERT_TRUE(reader.saveProjectItemToPath(project, {.overwriteChanged = true}).ok());
    EXPECT_EQ(reader.saveTargetAt(project), SaveTarget::Own);
}

TEST_F(FolderTest, ASaveNeverWritesThroughALinkOrOverAFileThatIsNotOurs) {
    const std::string good = source("ImportAudio_1.data", 0.1);
    layOut({good});
    const std::string users = dir.file("documents");
    fs::create_directories(users);
    std::ofstream(users + "/ImportAudio_1.data") << "the user's own file";
    // "Audios" a link out of the project, and a real "Audios" holding a file of the user's.
    const std::string linked = dir.file("linked.wvmp");
    fs::create_directories(linked);
    fs::create_directory_symlink(users, linked + "/Audios");
    const std::string foreign = dir.file("foreign.wvmp");
    fs::create_directories(foreign + "/Audios");
    fs::copy_file(users + "/ImportAudio_1.data", foreign + "/Audios/ImportAudio_1.data");
    for (const std::string& project : {linked, foreign}) {
        Outcome<Warnings> r = engine->saveProjectItemToPath(project);
        EXPECT_FALSE(r.ok()) << project;
        EXPECT_NE(r.error().find("Audios"), std::string::npos) << r.error();
        EXPECT_FALSE(fs::exists(project + "/project.plist")) << project;
    }
    EXPECT_EQ(contents(users + "/ImportAudio_1.data"), "the user's own file");
    EXPECT_EQ(contents(foreign + "/Audios/ImportAudio_1.data"), "the user's own file");
}

TEST_F(FolderTest, ASaveAfterTheProjectFolderWasRemovedFailsAndNamesTheLostAudio) {
    const std::string good = source("ImportAudio_1.data", 0.1);
    layOut({good});
    const std::string project = dir.file("song.wvmp");
    ASSERT_TRUE(engine->saveProjectItemToPath(project).ok());
    engine.reset();
    fs::remove(good);  // the import folder's copy is gone, as after a restart: only "Audios" holds the audio
    UndoManager otherUndo;
    WaveEditViewController reopened(host, clipboard, scheduler, otherUndo);
    ASSERT_TRUE(openAsUserEvent(reopened, project).ok());
    EXPECT_TRUE(reopened.unreadableSources().empty());

    fs::remove_all(project);
    ASSERT_EQ(reopened.unreadableSources().size(), 1u);
    EXPECT_NE(reopened.unreadableSources()[0].find(project + "/Audios/ImportAudio_1.data: missing"), std::string::npos);
    reopened.setDocumentEdited(true);
    Outcome<Warnings> r = reopened.saveProjectItemToPath(project);
    EXPECT_FALSE(r.ok());
    EXPECT_NE(r.error().find("ImportAudio_1.data"), std::string::npos) << r.error();
    EXPECT_TRUE(reopened.isDocumentEdited());
    EXPECT_FALSE(fs::exists(project));
}
