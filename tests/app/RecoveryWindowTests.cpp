// Recovery of unsaved edits in the window: the offer at start (Recover, Discard,
// Later) of what a crashed run left, and the notice when the edits cannot be kept.
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <QAccessible>
#include <QMessageBox>
#include <QTest>

#include "AppTestSupport.h"
#include "archive/ProjectArchive.h"
#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"
#include "record/RecordingFile.h"
#include "recovery/RecoverySession.h"
#include "shell/Application.h"
#include "shell/RecoveryDialog.h"
#include "util/RecoveryFolders.h"

namespace wavomer::app::test {

namespace {

namespace fs = std::filesystem;

class RecoveryWindow : public WindowTest {
protected:
    // The recovery folder a run that crashed after these edits would have left: a
    // copy of a live window's, naming a process that has ended.
    std::string crashedRunWith(const std::function<void(MainWindow&)>& edits) {
        auto window = openWindow();
        edits(*window);
        window->document().recovery().flush();
        settle();
        const std::string live = window->document().recovery().folder();
        Outcome<RecoveryInfo> info = readRecoveryInfo(live);
        EXPECT_TRUE(info.ok()) << info.error();
        pid_t child = ::fork();
        if (child == 0) ::_exit(0);
        ::waitpid(child, nullptr, 0);
        RecoveryInfo crashed = *info;
        crashed.pid = child;
        const std::string folder = recoveryRootFolder() + "/" + std::to_string(child) + "-feedfacecafebeef";
        fs::create_directories(folder);
        fs::copy_file(live + "/" + crashed.archive, folder + "/" + crashed.archive);
        EXPECT_TRUE(writeFileDurably(folder, kRecoveryInfoName, recoveryInfoText(crashed)).ok());
        interaction_.saveChanges = [](const QString&) { return Interaction::SaveChanges::discard; };
        window.reset();
        EXPECT_FALSE(fs::exists(live));  // a closed document leaves nothing
        return folder;
    }
    void answer(RecoveryChoice::Answer given) {
        interaction_.recovery = [given](const QStringList& rows) {
            return RecoveryChoice{given, std::vector<bool>(rows.size(), true)};
        };
    }
};

}  // namespace

TEST_F(RecoveryWindow, RecoverOpensTheCrashedRunsUntitledDocumentEditedWithItsChanges) {
    const std::string folder = crashedRunWith([&](MainWindow& window) {
        window.runCommand("addTrackFunction");
        window.runCommand("addMarkAction");
    });
    QStringList shown;
    interaction_.recovery = [&](const QStringList& rows) {
        shown = rows;
        return RecoveryChoice{RecoveryChoice::Answer::recover, {true}};
    };
    Application app(interaction_, OutputDevice::Silent);
    ASSERT_EQ(app.offerRecoveredDocuments(), 1);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains(QStringLiteral("Untitled"))) << shown[0].toStdString();
    MainWindow* window = app.windows().at(0);
    EXPECT_TRUE(window->document().isUntitled());
    EXPECT_TRUE(window->document().isEdited());
    EXPECT_EQ(window->document().engine().audioTrackArray().size(), 3u);
    EXPECT_EQ(window->document().engine().markArray().size(), 1u);
    EXPECT_FALSE(fs::exists(folder));
    // Its own recovery folder keeps it from now on.
    window->document().recovery().flush();
    EXPECT_TRUE(readRecoveryInfo(window->document().recovery().folder()).ok());
}

TEST_F(RecoveryWindow, LaterKeepsTheChangesAndDiscardRemovesThemAfterOneQuestion) {
    const std::string folder = crashedRunWith([&](MainWindow& window) { window.runCommand("addTrackFunction"); });
    Application app(interaction_, OutputDevice::Silent);
    answer(RecoveryChoice::Answer::later);
    EXPECT_EQ(app.offerRecoveredDocuments(), 0);
    EXPECT_TRUE(fs::exists(folder));
    answer(RecoveryChoice::Answer::discard);
    int asked = 0;
    bool sure = false;
    interaction_.answer = [&](const Question& question) {
        ++asked;
        return sure ? question.answers.indexOf(QStringLiteral("Discard")) : question.cancelIndex();
    };
    EXPECT_EQ(app.offerRecoveredDocuments(), 0);
    EXPECT_TRUE(fs::exists(folder));
    sure = true;
    EXPECT_EQ(app.offerRecoveredDocuments(), 0);
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(app.windows().empty());
}

TEST_F(RecoveryWindow, ARecoveredProjectReturnsToItsOwnFolderAndSavesThere) {
    const std::string project = scratch_.file("song.wvmp");
    crashedRunWith([&](MainWindow& window) {
        interaction_.file = [&](const FileChoice&) { return QString::fromStdString(project); };
        ASSERT_TRUE(window.save());
        window.runCommand("addMarkAction");
    });
    answer(RecoveryChoice::Answer::recover);
    Application app(interaction_, OutputDevice::Silent);
    ASSERT_EQ(app.offerRecoveredDocuments(), 1);
    MainWindow* window = app.windows().at(0);
    EXPECT_EQ(window->document().pathBytes(), project);
    EXPECT_TRUE(window->windowTitle().contains(QStringLiteral("song")));
    EXPECT_TRUE(window->save());
    auto saved = archive::readProjectFile(project + "/project.plist");
    ASSERT_TRUE(saved.ok());
    EXPECT_EQ(saved->markers.size(), 1u);
}

TEST_F(RecoveryWindow, ARecordingThatRanWhenTheRunDiedIsPlacedIntoTheRecoveredDocument) {
    const std::string folder = crashedRunWith([&](MainWindow& window) { window.runCommand("addMarkAction"); });
    // The recording that ran: written by a process that died before finishing it.
    const std::string recordings = scratch_.file("Record Files");
    fs::create_directories(recordings);
    const std::string take = recordings + "/Built-in.wav";
    pid_t child = ::fork();
    if (child == 0) {
        auto* writer = new RecordingFileWriter();  // never finished: the process dies recording
        writer->begin(take, 1);
        std::vector<float> second(44100, 0.25f);
        writer->append(second.data(), 44100);
        for (int i = 0; i < 400 && writer->framesWritten() < 44100; ++i) ::usleep(5000);
        ::_exit(writer->framesWritten() == 44100 ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_EQ(findUnfinishedRecordings(recordings).size(), 1u);
    Outcome<RecoveryInfo> info = readRecoveryInfo(folder);
    ASSERT_TRUE(info.ok());
    info->recording = take;
    info->recordStart = 0.0;
    info->recordTracks = {0};
    ASSERT_TRUE(writeFileDurably(folder, kRecoveryInfoName, recoveryInfoText(*info)).ok());

    answer(RecoveryChoice::Answer::recover);
    Application app(interaction_, OutputDevice::Silent);
    ASSERT_EQ(app.offerRecoveredDocuments(), 1);
    WaveEditViewController& engine = app.windows().at(0)->document().engine();
    ASSERT_FALSE(engine.audioTrackArray()[0]->sectionArray().empty());
    const SectionPtr placed = engine.audioTrackArray()[0]->sectionArray()[0];
    EXPECT_FALSE(placed->isBlankSection);
    EXPECT_NEAR(placed->trackEndTime - placed->trackStartTime, 1.0, 0.01);
    EXPECT_TRUE(findUnfinishedRecordings(recordings).empty());  // not offered a second time
}

TEST_F(RecoveryWindow, TwoWindowsKeepAFolderEachAndClosingOneRemovesOnlyItsOwn) {
    auto first = openWindow();
    auto second = openWindow();
    first->runCommand("addTrackFunction");
    second->runCommand("addMarkAction");
    first->document().recovery().flush();
    second->document().recovery().flush();
    std::vector<RecoveryEntry> live = listRecoveryFolders();
    ASSERT_EQ(live.size(), 2u);
    EXPECT_TRUE(live[0].live && live[1].live);
    interaction_.saveChanges = [](const QString&) { return Interaction::SaveChanges::discard; };
    EXPECT_TRUE(second->close());
    second.reset();
    live = listRecoveryFolders();
    ASSERT_EQ(live.size(), 1u);
    EXPECT_EQ(live[0].folder, first->document().recovery().folder());
}

TEST_F(RecoveryWindow, EditsThatCannotBeKeptShowOneNoticeAndEditingGoesOn) {
    std::ofstream(scratch_.file("blocker")) << "x";
    ::setenv("XDG_STATE_HOME", scratch_.file("blocker").c_str(), 1);
    auto window = openWindow();
    window->runCommand("addTrackFunction");
    window->document().recovery().flush();
    ASSERT_TRUE(waitFor([&] { return window->isRecoveryNoticeShown(); }));
    window->runCommand("addTrackFunction");
    window->document().recovery().flush();
    settle();
    EXPECT_EQ(window->findChildren<QMessageBox*>().size(), 1);
    EXPECT_EQ(window->document().engine().audioTrackArray().size(), 4u);
    ::unsetenv("XDG_STATE_HOME");
}

TEST_F(RecoveryWindow, TheOfferIsAWindowAssistiveToolsReachFromTheApplication) {
    RecoveryDialog dialog({QStringLiteral("Song — Untitled — changed today")});
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto has = [](const QString& name, QAccessible::Role role) { return accessibleFromApplication(name, role); };
    EXPECT_TRUE(has(QStringLiteral("Recover Unsaved Changes"), QAccessible::Dialog));
    EXPECT_TRUE(has(QStringLiteral("Unsaved projects"), QAccessible::List));
    EXPECT_TRUE(has(QStringLiteral("Song — Untitled — changed today"), QAccessible::ListItem));
    for (const char* button : {"Recover", "Discard", "Later"})
        EXPECT_TRUE(has(QString::fromUtf8(button), QAccessible::Button)) << button;
}

}  // namespace wavomer::app::test
