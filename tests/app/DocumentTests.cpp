// Opening, saving and closing projects from the window.
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QLabel>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSignalSpy>
#include <QUrl>
#include <QXmlStreamReader>
#include <QTest>
#include <cerrno>
#include <filesystem>
#include <fstream>

#include "AppTestSupport.h"
#include "archive/ProjectArchive.h"
#include "support/EndlessSource.h"
#include "util/StandardPaths.h"
#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"
#include "shell/Application.h"
#include "shell/PreferencesWindowController.h"
#include "base/RecentProjects.h"
#include "config/UserConfig.h"
#include "timeline/TimelineView.h"

namespace wavomer::app::test {

namespace {

using DocumentWindow = WindowTest;

// What the screen showed when a progress dialog appeared: its text and whether a
// project window stood behind it.
class ProgressWatch : public QObject {
public:
    ProgressWatch() { qApp->installEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (event->type() == QEvent::Show && dialog && dialog->findChild<QLabel*>(QStringLiteral("importLabel"))) {
            shown << dialog->windowTitle() + QStringLiteral(": ") +
                         dialog->findChild<QLabel*>(QStringLiteral("importLabel"))->text();
            auto* window = qobject_cast<MainWindow*>(dialog->parentWidget());
            windowShown = window && window->isVisible();
            this->dialog = dialog;
        }
        return false;
    }
    QStringList shown;
    bool windowShown = false;
    QPointer<QDialog> dialog;
};

}  // namespace

TEST_F(DocumentWindow, AProjectSavedAndReopenedHasTheSameTracksAndMarkers) {
    const std::string folder = scratch_.file("song.wvmp");
    double length = 0.0;
    size_t tracks = 0;
    {
        auto window = openWindow();
        ASSERT_TRUE(window);
        ASSERT_TRUE(importAndWait(*window, makeWav("a.wav", 1.5, 0.5, 0.5)));
        WaveEditViewController& engine = window->document().engine();
        {
            UserEvent event(engine);
            engine.updateCurrentTimelineTime(1.25);
        }
        window->runCommand("addMarkAction");
        settle();
        EXPECT_TRUE(window->document().isEdited());
        EXPECT_TRUE(window->isWindowModified());
        interaction_.file = [&](const FileChoice&) { return QString::fromStdString(folder); };
        ASSERT_TRUE(window->save());
        settle();
        EXPECT_FALSE(window->document().isEdited());
        EXPECT_FALSE(window->isWindowModified());
        EXPECT_EQ(window->document().displayName(), QStringLiteral("song"));
        // The title's mark follows the history: undo back to the saved state clears it.
        window->runCommand("addTrackFunction");
        settle();
        EXPECT_TRUE(window->isWindowModified());
        window->runCommand("undo");
        settle();
        EXPECT_FALSE(window->isWindowModified());
        length = engine.farestTrackEndTime();
        tracks = engine.audioTrackArray().size();
    }
    Application app(interaction_, OutputDevice::Silent);
    ProgressWatch watch;
    MainWindow* reopened = app.openProject(QString::fromStdString(folder + "/project.plist"));
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(app.windows().size(), 1u);  // no extra empty project
    // Read behind the progress dialog of a window already shown, gone once it is read.
    EXPECT_EQ(watch.shown, QStringList{QStringLiteral("Open: Opening \"song.wvmp\"...")});
    EXPECT_TRUE(watch.windowShown);
    ASSERT_TRUE(watch.dialog);
    EXPECT_FALSE(watch.dialog->isVisible());
    WaveEditViewController& engine = reopened->document().engine();
    EXPECT_EQ(engine.audioTrackArray().size(), tracks);
    EXPECT_NEAR(engine.farestTrackEndTime(), length, 1e-9);
    EXPECT_NEAR(length, 2.0, 0.01);
    ASSERT_EQ(engine.markArray().size(), 1u);
    EXPECT_NEAR(engine.markArray()[0]->markerTime, 1.25, 1e-9);
    EXPECT_FALSE(reopened->document().isEdited());
    EXPECT_TRUE(reopened->windowTitle().startsWith(QStringLiteral("Wavomer - song")));
}

TEST_F(DocumentWindow, AProjectThatCannotBeReadShowsWhyAndOpensNothing) {
    const std::string folder = scratch_.file("broken.wvmp");
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/project.plist") << "this is not an archive";
    Application app(interaction_, OutputDevice::Silent);
    EXPECT_EQ(app.openProject(QString::fromStdString(folder)), nullptr);
    EXPECT_TRUE(app.windows().empty());
    ASSERT_EQ(interaction_.toldTitles.size(), 1u);
    EXPECT_TRUE(interaction_.toldTitles[0].contains(QStringLiteral("broken.wvmp")));
    EXPECT_FALSE(interaction_.toldReasons[0].isEmpty());
}

TEST_F(DocumentWindow, AFailedSaveShowsWhyAndKeepsTheEditedMark) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    window->runCommand("addTrackFunction");
    settle();
    ASSERT_TRUE(window->document().isEdited());
    // A folder inside a regular file cannot be made.
    std::ofstream(scratch_.file("plain")) << "x";
    interaction_.file = [&](const FileChoice&) { return QString::fromStdString(scratch_.file("plain") + "/song.wvmp"); };
    EXPECT_FALSE(window->save());
    settle();
    EXPECT_EQ(interaction_.toldTitles.size(), 1u);
    EXPECT_TRUE(window->document().isEdited());
    EXPECT_TRUE(window->isWindowModified());
    EXPECT_TRUE(window->document().isUntitled());
}

TEST_F(DocumentWindow, ClosingWithUnsavedChangesAsksAndCancelKeepsTheWindow) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    window->runCommand("addTrackFunction");
    settle();
    int asked = 0;
    interaction_.saveChanges = [&](const QString&) {
        ++asked;
        return Interaction::SaveChanges::cancel;
    };
    EXPECT_FALSE(window->close());
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(window->isVisible());
    interaction_.saveChanges = [&](const QString&) {
        ++asked;
        return Interaction::SaveChanges::discard;
    };
    EXPECT_TRUE(window->close());
    EXPECT_EQ(asked, 2);
}

TEST_F(DocumentWindow, ClosingAnUnchangedProjectDoesNotAsk) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    int asked = 0;
    interaction_.saveChanges = [&](const QString&) {
        ++asked;
        return Interaction::SaveChanges::cancel;
    };
    EXPECT_TRUE(window->close());
    EXPECT_EQ(asked, 0);
}

TEST_F(DocumentWindow, AFailedImportShowsItsReasonAndChangesNothing) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    std::ofstream(scratch_.file("noise.wav")) << "not media at all";
    const size_t tracks = window->document().engine().audioTrackArray().size();
    window->importFile(QString::fromStdString(scratch_.file("noise.wav")));
    ASSERT_TRUE(waitFor([&] { return !interaction_.toldTitles.empty(); }));
    EXPECT_TRUE(interaction_.toldTitles[0].contains(QStringLiteral("noise.wav")));
    EXPECT_EQ(window->document().engine().audioTrackArray().size(), tracks);
    EXPECT_FALSE(window->document().isEdited());
    EXPECT_FALSE(window->isImportDialogShown());
}

TEST_F(DocumentWindow, TheImportDialogIsShownWhileAFileConvertsAndDropsAreRefusedThen) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    const std::string path = makeWav("b.wav", 3.0, 0.0, 0.5);
    bool finished = false;
    window->document().import(QString::fromStdString(path), [&](Outcome<>) { finished = true; });
    EXPECT_TRUE(window->isImportDialogShown());
    EXPECT_FALSE(window->timeline().canImport());
    ASSERT_TRUE(waitFor([&] { return finished; }));
    settle();
    EXPECT_FALSE(window->isImportDialogShown());
    EXPECT_TRUE(window->timeline().canImport());
    EXPECT_NEAR(window->document().engine().farestTrackEndTime(), 3.0, 0.01);
}


TEST_F(DocumentWindow, DeletingTracksTwoToFourAsksWithTheirNumbersAndCancelKeepsThem) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    window->runCommand("addTrackFunction");
    window->runCommand("addTrackFunction");
    WaveEditViewController& engine = window->document().engine();
    ASSERT_EQ(engine.audioTrackArray().size(), 4u);
    const TrackPtr first = engine.audioTrackArray()[0];
    {
        UserEvent event(engine);
        engine.selectTracks(1, 3);
    }
    QStringList asked;
    bool answer = false;
    interaction_.answer = [&](const Question& question) {
        asked << question.text;
        return answer ? 0 : question.cancelIndex();
    };
    window->runCommand("deleteTrackFunction");
    ASSERT_EQ(asked, QStringList{QStringLiteral("Do you want to delete tracks 2 to 4?")});
    EXPECT_EQ(engine.audioTrackArray().size(), 4u);  // Cancel changes nothing

    answer = true;
    window->runCommand("deleteTrackFunction");
    ASSERT_EQ(engine.audioTrackArray().size(), 1u);
    EXPECT_EQ(engine.audioTrackArray()[0], first);
    // The selection becomes the first remaining track; one undo brings the three back.
    ASSERT_EQ(engine.timelineTrackArray().size(), 1u);
    EXPECT_EQ(engine.timelineTrackArray()[0], first);
    settle();  // the edit menu's state follows the event, queued
    window->runCommand("undo");
    EXPECT_EQ(engine.audioTrackArray().size(), 4u);
    // One track is named as one.
    {
        UserEvent event(engine);
        engine.selectTracks(0, 0);
    }
    answer = false;
    window->runCommand("deleteTrackFunction");
    EXPECT_EQ(asked.last(), QStringLiteral("Do you want to delete track 1?"));
}

}  // namespace wavomer::app::test

namespace wavomer::app::test {

TEST_F(DocumentWindow, SaveAsOverAnExistingProjectAsksWithItsRealNameAndReplacesItOnlyWhenAllowed) {
    const std::string victim = scratch_.file("victim.wvmp");
    auto first = openWindow();
    ASSERT_TRUE(first);
    first->runCommand("addMarkAction");
    interaction_.file = [&](const FileChoice&) { return QString::fromStdString(victim); };
    ASSERT_TRUE(first->save());
    const std::string before = wavomer::test::readFile(victim + "/project.plist");

    auto second = openWindow();
    ASSERT_TRUE(second);
    second->runCommand("addTrackFunction");
    interaction_.file = [&](const FileChoice&) { return QString::fromStdString(scratch_.file("victim")); };
    QStringList asked;
    bool allow = false;
    interaction_.answer = [&](const Question& question) {
        asked << question.text;
        return allow ? question.answers.indexOf(QStringLiteral("Replace")) : question.cancelIndex();
    };
    EXPECT_FALSE(second->saveAs());
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].contains(QStringLiteral("victim.wvmp"))) << asked[0].toStdString();
    // Allowed, but the first window still holds it: refused as another program would be.
    allow = true;
    EXPECT_FALSE(second->saveAs());
    ASSERT_EQ(interaction_.toldReasons.size(), 1u);
    EXPECT_TRUE(interaction_.toldReasons[0].contains(QStringLiteral("process %1").arg(::getpid())));
    EXPECT_EQ(wavomer::test::readFile(victim + "/project.plist"), before);
    EXPECT_TRUE(second->document().isEdited());

    first.reset();
    EXPECT_TRUE(second->saveAs());
    EXPECT_FALSE(second->document().isEdited());
    Outcome<archive::DecodedProject> replaced = archive::readProjectFile(victim + "/project.plist");
    ASSERT_TRUE(replaced.ok());
    EXPECT_EQ(replaced->tracks.size(), 3u);
    EXPECT_TRUE(replaced->markers.empty());
}

TEST_F(DocumentWindow, SavingAProjectAnotherProgramChangedAsksAndKeepsTheirsUnlessOverwritten) {
    const std::string folder = scratch_.file("song.wvmp");
    auto window = openWindow();
    ASSERT_TRUE(window);
    interaction_.file = [&](const FileChoice&) { return QString::fromStdString(folder); };
    ASSERT_TRUE(window->save());
    // Another program saves a marker into the project.
    ASSERT_TRUE(archive::writeProjectFile(folder + "/project.plist", window->document().engine().audioTrackArray(),
                                          {MarkerItem::createMarkerWithTime(0.5)})
                    .ok());
    const std::string theirs = wavomer::test::readFile(folder + "/project.plist");
    window->runCommand("addTrackFunction");
    int asked = 0;
    QString answer = QStringLiteral("Cancel");
    interaction_.answer = [&](const Question& question) {
        ++asked;
        return answering(answer)(question);
    };
    EXPECT_FALSE(window->save());
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(wavomer::test::readFile(folder + "/project.plist"), theirs);
    EXPECT_TRUE(window->document().isEdited());
    answer = QStringLiteral("Overwrite");
    EXPECT_TRUE(window->save());
    EXPECT_EQ(asked, 2);
    EXPECT_NE(wavomer::test::readFile(folder + "/project.plist"), theirs);
    // Saved here last: the next save asks nothing.
    window->runCommand("addTrackFunction");
    EXPECT_TRUE(window->save());
    EXPECT_EQ(asked, 2);
}

TEST_F(DocumentWindow, AProjectAnotherProgramHoldsOpensOnlyWhenTheUserAgreesAndIsNotSavedOverThen) {
    const std::string folder = scratch_.file("held.wvmp");
    {
        auto window = openWindow();
        interaction_.file = [&](const FileChoice&) { return QString::fromStdString(folder); };
        ASSERT_TRUE(window->save());
    }
    // A live process of the same program holds the project.
    wavomer::test::LiveProcess live;
    live.holdProjectLock(folder);
    const pid_t holder = live.pid();
    QStringList asked;
    bool agree = false;
    interaction_.answer = [&](const Question& question) {
        asked << question.text;
        return agree ? 0 : question.cancelIndex();
    };
    Application app(interaction_, OutputDevice::Silent);
    EXPECT_EQ(app.openProject(QString::fromStdString(folder)), nullptr);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].contains(QStringLiteral("process %1").arg(holder))) << asked[0].toStdString();
    agree = true;
    MainWindow* window = app.openProject(QString::fromStdString(folder));
    ASSERT_NE(window, nullptr);
    window->runCommand("addTrackFunction");
    EXPECT_FALSE(window->save());
    EXPECT_EQ(interaction_.toldTitles.size(), 1u);
    live.release();
    EXPECT_TRUE(window->save());
}

TEST_F(DocumentWindow, SourcesThatCannotBeReadAreNamedOnceWhenTheProjectOpens) {
    const std::string folder = scratch_.file("song.wvmp");
    {
        auto window = openWindow();
        ASSERT_TRUE(importAndWait(*window, makeWav("a.wav", 0.5, 0.0, 0.5)));
        interaction_.file = [&](const FileChoice&) { return QString::fromStdString(folder); };
        ASSERT_TRUE(window->save());
    }
    FileManagerExtention::removeProcessImportFolder();
    for (const auto& entry : std::filesystem::directory_iterator(folder + "/Audios"))
        std::filesystem::remove(entry.path());
    Application app(interaction_, OutputDevice::Silent);
    ASSERT_NE(app.openProject(QString::fromStdString(folder)), nullptr);
    ASSERT_EQ(interaction_.toldTitles.size(), 1u);
    EXPECT_TRUE(interaction_.toldReasons[0].contains(QStringLiteral("/Audios/ImportAudio_"))) << interaction_.toldReasons[0].toStdString();
    EXPECT_TRUE(interaction_.toldReasons[0].contains(QStringLiteral("missing")));
}

TEST_F(DocumentWindow, AProjectWhoseFolderNameIsNotUtf8OpensAndSavesInPlace) {
    const std::string folder = scratch_.file("Mix \xff\xfe.wvmp");
    {
        auto window = openWindow();
        ASSERT_TRUE(window->document().saveTo(folder).ok());
    }
    Application app(interaction_, OutputDevice::Silent);
    MainWindow* window = app.openProject(folder);
    ASSERT_NE(window, nullptr);
    window->runCommand("addTrackFunction");
    EXPECT_TRUE(window->save());
    Outcome<archive::DecodedProject> saved = archive::readProjectFile(folder + "/project.plist");
    ASSERT_TRUE(saved.ok());
    EXPECT_EQ(saved->tracks.size(), 3u);
}

TEST_F(DocumentWindow, TheImportDialogNamesTheFileAndEscapeCancelsTheImportLeavingNothing) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    const std::string fifo = scratch_.file("endless.wav");
    wavomer::test::EndlessSource source(fifo);
    ASSERT_TRUE(source.ok());
    window->importFile(QString::fromStdString(fifo));
    ASSERT_TRUE(window->isImportDialogShown());
    auto* dialog = QApplication::activeModalWidget();
    ASSERT_TRUE(source.waitUntilDecoding());
    auto* label = window->findChild<QLabel*>(QStringLiteral("importLabel"));
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->text().contains(QStringLiteral("endless.wav")));
    // A screen reader finds the dialog's progress and its Cancel.
    EXPECT_TRUE(accessibleFromApplication(QStringLiteral("Import progress"), QAccessible::ProgressBar));
    EXPECT_TRUE(accessibleFromApplication(QStringLiteral("Cancel"), QAccessible::Button));
    QTest::keyClick(dialog ? dialog : label->window(), Qt::Key_Escape);
    ASSERT_TRUE(waitFor([&] { return !window->document().engine().importInProgress(); }));
    source.finish();
    settle();
    EXPECT_FALSE(window->isImportDialogShown());
    EXPECT_TRUE(interaction_.toldTitles.empty());
    EXPECT_FALSE(window->document().isEdited());
    EXPECT_EQ(window->document().engine().farestTrackEndTime(), 0.0);
}

}  // namespace wavomer::app::test

namespace wavomer::app::test {

TEST_F(DocumentWindow, ASecondWindowIsOffsetFromTheFirst) {
    Application app(interaction_, OutputDevice::Silent);
    std::unique_ptr<MainWindow> first(app.openUntitled());
    std::unique_ptr<MainWindow> second(app.openUntitled());
    ASSERT_TRUE(first && second);
    EXPECT_NE(second->pos(), first->pos());
}

TEST_F(DocumentWindow, ClosingTheLastProjectWindowClosesThePreferencesAndEndsTheProgram) {
    Application app(interaction_, OutputDevice::Silent);
    MainWindow* window = app.openUntitled();
    ASSERT_NE(window, nullptr);
    PreferencesWindowController::showPreferenceWindow(interaction_);
    PreferencesWindowController& preferences = PreferencesWindowController::shared(interaction_);
    ASSERT_TRUE(preferences.isVisible());
    EXPECT_TRUE(accessibleFromApplication("Fit the project to the window when it opens", QAccessible::CheckBox));
    QSignalSpy ended(&app, &Application::lastProjectClosed);
    ASSERT_TRUE(window->close());
    ASSERT_TRUE(waitFor([&] { return ended.count() == 1; }));
    EXPECT_FALSE(preferences.isVisible());
    EXPECT_TRUE(app.windows().empty());
}

}  // namespace wavomer::app::test

namespace wavomer::app::test {

TEST_F(DocumentWindow, OpenRecentListsTheProjectsOpenedOrSavedAndTheDesktopListHasThem) {
    const std::string savedPath = UserConfig::share().savePath();
    UserConfig::share().setSavePath(scratch_.file("config/user.config"));
    clearRecentProjects();
    const std::string first = scratch_.file("first.wvmp"), second = scratch_.file("second.wvmp");
    // Another program's entry in the desktop's list stays as it was.
    const QString xbel = recentlyUsedFile();
    QDir().mkpath(QFileInfo(xbel).absolutePath());
    {
        QFile other(xbel);
        ASSERT_TRUE(other.open(QIODevice::WriteOnly));
        other.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<xbel version=\"1.0\" "
                    "xmlns:bookmark=\"http://www.freedesktop.org/standards/desktop-bookmarks\" "
                    "xmlns:mime=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                    "<bookmark href=\"file:///tmp/other.txt\" added=\"2020-01-01T00:00:00Z\" "
                    "modified=\"2020-01-01T00:00:00Z\" visited=\"2020-01-01T00:00:00Z\"/>\n</xbel>\n");
    }
    for (const std::string& folder : {first, second}) {
        auto window = openWindow();
        interaction_.file = [&](const FileChoice&) { return QString::fromStdString(folder); };
        ASSERT_TRUE(window->save());
    }
    auto window = openWindow();
    auto* recent = window->findChild<QMenu*>("openRecent");
    ASSERT_NE(recent, nullptr);
    emit recent->aboutToShow();
    QStringList shown;
    for (QAction* action : recent->actions()) shown << action->text();
    EXPECT_EQ(shown, (QStringList{"second", "first", "", "Clear Menu"}));
    recent->actions().at(1)->trigger();
    EXPECT_EQ(program_.asked, QStringList{QString::fromStdString("openProjectAt " + first)});
    // The desktop's list: the other entry and both projects, once each.
    QFile list(xbel);
    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    QXmlStreamReader reader(&list);
    QStringList hrefs;
    while (!reader.atEnd())
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == QLatin1String("bookmark"))
            hrefs << reader.attributes().value("href").toString();
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    EXPECT_EQ(hrefs, (QStringList{"file:///tmp/other.txt", QUrl::fromLocalFile(QString::fromStdString(first)).toString(),
                                  QUrl::fromLocalFile(QString::fromStdString(second)).toString()}));
    // A project that went leaves the menu; Clear Menu empties it.
    std::filesystem::remove_all(first);
    emit recent->aboutToShow();
    EXPECT_EQ(recent->actions().size(), 3);
    recent->actions().last()->trigger();
    emit recent->aboutToShow();
    EXPECT_EQ(recent->actions().size(), 2);
    EXPECT_FALSE(recent->actions().last()->isEnabled());
    UserConfig::share().setSavePath(savedPath);
}

}  // namespace wavomer::app::test
