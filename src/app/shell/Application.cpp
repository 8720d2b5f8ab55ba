#include "shell/Application.h"

#include <algorithm>
#include <optional>

#include <QApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "config/UserConfig.h"
#include "engine/DocumentState.h"
#include "record/RecordViewController.h"
#include "record/RecordingFile.h"
#include "recovery/Recovery.h"
#include "base/Document.h"
#include "base/Interaction.h"
#include "base/Preferences.h"
#include "base/RecentProjects.h"
#include "shell/HelpDocument.h"
#include "shell/PreferencesWindowController.h"
#include "base/Text.h"
#include "util/Log.h"
#include "util/ProjectFolderLock.h"
#include "util/StandardPaths.h"
#include "window/MainWindow.h"

namespace wavomer::app {

Application::Application(Interaction& interaction, OutputDevice output, QObject* parent)
    : QObject(parent), interaction_(interaction), output_(output) {
    logLine("Home %s", FileManagerExtention::homeDirectory().c_str());
}

Application::~Application() {
    for (const auto& window : windows_)
        if (window) delete window.data();
}

std::vector<MainWindow*> Application::windows() const {
    std::vector<MainWindow*> open;
    for (const auto& window : windows_)
        if (window) open.push_back(window.data());
    return open;
}

MainWindow* Application::showWindow(Document* document) {
    // A window opened beside others sits down and right of the newest, as far as the
    // screen's free area lets it, so it never hides the one before exactly.
    QPointer<MainWindow> before = windows().empty() ? nullptr : windows().back();
    auto* window = new MainWindow(std::unique_ptr<Document>(document), interaction_, *this);
    if (before) {
        constexpr int kCascade = 32;
        QPoint at = before->pos() + QPoint(kCascade, kCascade);
        if (const QScreen* screen = before->screen()) {
            const QRect room = screen->availableGeometry();
            if (at.x() + window->width() > room.right() || at.y() + window->height() > room.bottom()) at = room.topLeft();
        }
        window->move(at);
    }
    windows_.emplace_back(window);
    // The last project window gone, the program ends, whatever other window is open.
    connect(window, &QObject::destroyed, this, [this] {
        QMetaObject::invokeMethod(this, &Application::endWhenNoProjectIsOpen, Qt::QueuedConnection);
    });
    window->show();
    return window;
}

MainWindow* Application::openUntitled() {
    auto document = std::make_unique<Document>(clipboard_, output_);
    Outcome<> outcome = document->load(QString());
    if (!outcome.ok()) {
        interaction_.tell(nullptr, Text::tr("A new project could not be made."), outcome.failure());
        return nullptr;
    }
    return showWindow(document.release());
}

MainWindow* Application::openProject(const QString& folderOrPlist) {
    return openProject(Document::pathBytes(folderOrPlist));
}

MainWindow* Application::openProject(const std::string& folderOrPlist) {
    const std::string folder = DocumentState::projectFolderOf(folderOrPlist);
    const QString name = QFileInfo(Document::pathText(folder)).fileName();
    for (MainWindow* window : windows())
        if (window->document().state().isAt(folder) || window->folderBeingOpened() == folder) {
            window->raise();
            window->activateWindow();
            return window;
        }
    // Another program editing the project: this window could not save without
    // overwriting its edits, so the project opens read-only until that one closes it.
    if (const std::string holder = ProjectFolderLock::holderOf(folder); !holder.empty()) {
        const QString message = Text::tr("The project \"%1\" is open in %2. Here it is read-only until it is "
                                         "closed there.")
                                    .arg(name, QString::fromStdString(holder));
        Question question;
        question.kind = Question::Kind::warning;
        question.title = Text::tr("Wavomer");
        question.text = message;
        question.answers = {Text::tr("Open Anyway"), Text::tr("Cancel")};
        const bool open = interaction_.confirm(QApplication::activeWindow(), question) == 0;
        if (!open) return nullptr;
    }
    // The window first, then the project read behind its progress dialog: a large
    // project shows how far the reading has got, and Cancel stops it. The caller gets
    // the window once the project is in it; until then the event loop runs here.
    QPointer<MainWindow> window = showWindow(new Document(clipboard_, output_));
    std::optional<Outcome<>> outcome;
    QEventLoop reading;
    connect(window, &QObject::destroyed, &reading, &QEventLoop::quit);
    window->openFolder(folder, [&outcome, &reading](Outcome<> result) {
        outcome = std::move(result);
        reading.quit();
    });
    if (!outcome) reading.exec();
    if (!window || !outcome || !outcome->ok()) {
        // Nothing is shown in place of a project that could not be read (or whose
        // reading was stopped, or the program is ending meanwhile).
        delete window.data();
        if (outcome && !outcome->ok() && !outcome->cancelled())
            interaction_.tell(nullptr, Text::tr("The project \"%1\" could not be opened.").arg(name), outcome->failure());
        return nullptr;
    }
    const std::vector<std::string> unreadable = window->document().engine().unreadableSources();
    rememberRecentProject(folder);
    // Once the window is laid out, the whole project fills it when the user asked for that.
    if (Preferences::shared().fitProjectOnOpen())
        QTimer::singleShot(0, window, [window] { window->zoomToFit(); });
    interaction_.tellWarnings(window, Text::tr("Some audio files of the project \"%1\" cannot be read. Their sections play silence.")
                             .arg(name),
                 unreadable);
    return window;
}

void Application::openProjectWithDialog() {
    QWidget* parent = QApplication::activeWindow();
    const QString folder = interaction_.chooseFolder(
        parent, Text::tr("Open"), QString::fromStdString(FileManagerExtention::defaultSaveDocumentPath()));
    if (folder.isEmpty()) return;
    if (!folder.endsWith(QStringLiteral(".wvmp"), Qt::CaseInsensitive)) {
        interaction_.tell(parent, Text::tr("The folder \"%1\" is not a Wavomer project.").arg(QFileInfo(folder).fileName()),
                          Failure::because(Text::tr("Wavomer projects are folders whose names end in \".wvmp\".").toStdString()));
        return;
    }
    openProject(folder);
}

void Application::endWhenNoProjectIsOpen() {
    if (!windows().empty()) return;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible()) widget->close();
    emit lastProjectClosed();
    QApplication::quit();
}

void Application::quit() {
    for (MainWindow* window : windows())
        if (!window->close()) return;
    QApplication::quit();
}

void Application::cleanUpAtExit() {
    FileManagerExtention::removeProcessImportFolder();
    const Outcome<> saved = UserConfig::share().save();
    if (!saved) warningLine("cannot save the user configuration: %s", saved.error().c_str());
}

void Application::showPreferences() { PreferencesWindowController::showPreferenceWindow(interaction_); }

void Application::showHelp() { helpDocument(interaction_); }

void Application::showAbout(QWidget* parent) {
    const QString name = QApplication::applicationName();
    QMessageBox::about(parent, Text::tr("About %1").arg(name),
                       Text::tr("<b>%1</b> %2<br>A multi-track audio editor.")
                           .arg(name.toHtmlEscaped(), QApplication::applicationVersion().toHtmlEscaped()));
}

void Application::hideWindows() {
    // Every window of the program leaves the screen (minimised; the desktop shows them
    // again from its task list).
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->isWindow()) widget->showMinimized();
}

int Application::offerRecoveredDocuments() {
    const std::vector<RecoveryEntry> entries = recoverableDocuments();
    if (entries.empty()) return 0;
    QStringList rows;
    for (const RecoveryEntry& entry : entries) {
        if (!entry.info) {
            rows << Text::tr("%1 (cannot be read: %2)").arg(QString::fromStdString(entry.id),
                                                           QString::fromStdString(entry.info.failure().why()));
            continue;
        }
        const RecoveryInfo& info = *entry.info;
        const QString where = info.project ? Document::pathText(*info.project) : Text::tr("Untitled");
        const QString when = QDateTime::fromMSecsSinceEpoch(info.editedMilliseconds).toString(Qt::TextDate);
        rows << Text::tr("%1 — %2 — changed %3").arg(QString::fromStdString(info.name), where, when);
    }
    const RecoveryChoice choice = interaction_.offerRecovery(rows);
    std::vector<bool> chosen = choice.chosen;
    chosen.resize(entries.size(), false);
    if (choice.answer == RecoveryChoice::Answer::later) return 0;
    int opened = 0;
    if (choice.answer == RecoveryChoice::Answer::discard) {
        const long count = std::count(chosen.begin(), chosen.end(), true);
        if (count == 0) return 0;
        Question question;
        question.kind = Question::Kind::warning;
        question.title = Text::tr("Recover Unsaved Changes");
        question.text = Text::tr("Discard the unsaved changes of %n project(s)? They cannot be recovered afterwards.",
                                 nullptr, static_cast<int>(count));
        question.answers = {Text::tr("Discard"), Text::tr("Cancel")};
        question.destructiveAnswer = 0;
        question.defaultAnswer = 1;
        if (interaction_.confirm(nullptr, question) != 0) return 0;
        for (size_t i = 0; i < entries.size(); ++i) {
            if (!chosen[i]) continue;
            if (entries[i].info) discardRecovery(*entries[i].info);
            else removeRecoveryFolder(entries[i].folder, std::nullopt);
        }
        return 0;
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        if (!chosen[i]) continue;
        if (!entries[i].info) {
            interaction_.tell(nullptr, Text::tr("The unsaved changes \"%1\" cannot be read; they are kept.")
                                     .arg(QString::fromStdString(entries[i].id)),
                        entries[i].info.failure());
            continue;
        }
        const RecoveryInfo& info = *entries[i].info;
        auto document = std::make_unique<Document>(clipboard_, output_);
        Outcome<> restored = document->restore(info);
        if (!restored) {
            interaction_.tell(nullptr,
                        Text::tr("The unsaved changes of \"%1\" could not be recovered; they are kept.")
                            .arg(QString::fromStdString(info.name)),
                        restored.failure());
            continue;
        }
        showWindow(document.release());
        ++opened;
    }
    return opened;
}

int Application::offerUnfinishedRecordings(MainWindow* window) {
    const std::string folder = recordFilesFolder(UserConfig::share());
    int imported = 0;
    for (const std::string& path : findUnfinishedRecordings(folder)) {
        const QString name = QFileInfo(QString::fromStdString(path)).fileName();
        const Outcome<UnfinishedRecording> repaired = repairUnfinishedRecording(path);
        if (!repaired) {
            interaction_.tell(window, Text::tr("The unfinished recording \"%1\" could not be repaired.").arg(name),
                        repaired.failure());
            forgetUnfinishedRecording(path);
            continue;
        }
        if (repaired->frames == 0) {
            // Stopped before anything was recorded: nothing to offer.
            forgetUnfinishedRecording(path);
            continue;
        }
        const QString message =
            Text::tr("Wavomer stopped while recording. The recording \"%1\" (%2 seconds) has been repaired. "
                     "Import it into the project?")
                .arg(name)
                .arg(repaired->seconds(), 0, 'f', 1);
        Question question;
        question.title = Text::tr("Unfinished Recording");
        question.text = message;
        question.answers = {Text::tr("Import"), Text::tr("Keep in Folder")};
        const bool answer = interaction_.confirm(window, question) == 0;
        forgetUnfinishedRecording(path);
        if (answer && window) {
            window->importFile(QString::fromStdString(path));
            ++imported;
        }
    }
    return imported;
}

}  // namespace wavomer::app
