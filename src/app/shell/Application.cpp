#include "shell/Application.h"

#include <algorithm>

#include <QApplication>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include "config/UserConfig.h"
#include "engine/DocumentState.h"
#include "record/RecordViewController.h"
#include "record/RecordingFile.h"
#include "recovery/Recovery.h"
#include "shell/Document.h"
#include "shell/RecoveryDialog.h"
#include "shell/FailurePresenter.h"
#include "shell/Text.h"
#include "util/Log.h"
#include "util/ProjectFolderLock.h"
#include "util/StandardPaths.h"
#include "window/MainWindow.h"

namespace wavomer::app {

Application::Application(OutputDevice output, QObject* parent) : QObject(parent), output_(output) {
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
    auto* window = new MainWindow(std::unique_ptr<Document>(document));
    connect(window, &MainWindow::newProjectRequested, this, [this] { openUntitled(); });
    connect(window, &MainWindow::openProjectRequested, this, [this] { openProjectWithDialog(); });
    connect(window, &MainWindow::quitRequested, this, [this] { quit(); });
    windows_.emplace_back(window);
    window->show();
    return window;
}

MainWindow* Application::openUntitled() {
    auto document = std::make_unique<Document>(clipboard_, output_);
    Outcome<> outcome = document->load(QString());
    if (!outcome.ok()) {
        showFailure(nullptr, Text::tr("A new project could not be made."), outcome.failure());
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
        if (window->document().state().isAt(folder)) {
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
        bool open = false;
        if (openElsewherePrompt) {
            open = openElsewherePrompt(message);
        } else {
            QMessageBox box(QMessageBox::Warning, Text::tr("Wavomer"), message, QMessageBox::NoButton,
                            QApplication::activeWindow());
            QPushButton* anyway = box.addButton(Text::tr("Open Anyway"), QMessageBox::AcceptRole);
            box.addButton(Text::tr("Cancel"), QMessageBox::RejectRole);
            box.setDefaultButton(anyway);
            box.exec();
            open = box.clickedButton() == anyway;
        }
        if (!open) return nullptr;
    }
    auto document = std::make_unique<Document>(clipboard_, output_);
    Outcome<> outcome = document->load(folder);
    if (!outcome.ok()) {
        showFailure(nullptr, Text::tr("The project \"%1\" could not be opened.").arg(name), outcome.failure());
        return nullptr;
    }
    const std::vector<std::string> unreadable = document->engine().unreadableSources();
    MainWindow* window = showWindow(document.release());
    showWarnings(window, Text::tr("Some audio files of the project \"%1\" cannot be read. Their sections play silence.")
                             .arg(name),
                 unreadable);
    return window;
}

void Application::openProjectWithDialog() {
    QWidget* parent = QApplication::activeWindow();
    const QString folder = QFileDialog::getExistingDirectory(
        parent, Text::tr("Open"), QString::fromStdString(FileManagerExtention::defaultSaveDocumentPath()));
    if (folder.isEmpty()) return;
    if (!folder.endsWith(QStringLiteral(".wvmp"), Qt::CaseInsensitive)) {
        showFailure(parent, Text::tr("The folder \"%1\" is not a Wavomer project.").arg(QFileInfo(folder).fileName()),
                    Text::tr("Wavomer projects are folders whose names end in \".wvmp\".").toStdString());
        return;
    }
    openProject(folder);
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

std::function<bool(const QString&)> Application::recoveryPrompt;
std::function<bool(const QString&)> Application::openElsewherePrompt;
std::function<std::pair<int, std::vector<bool>>(const QStringList&)> Application::recoveryOfferPrompt;
std::function<bool(const QString&)> Application::discardConfirmPrompt;

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
    int answer = static_cast<int>(RecoveryDialog::Answer::Later);
    std::vector<bool> chosen(rows.size(), true);
    if (recoveryOfferPrompt) {
        std::tie(answer, chosen) = recoveryOfferPrompt(rows);
    } else {
        RecoveryDialog dialog(rows);
        dialog.exec();
        answer = static_cast<int>(dialog.answer());
        chosen = dialog.chosen();
    }
    if (answer == static_cast<int>(RecoveryDialog::Answer::Later)) return 0;
    int opened = 0;
    if (answer == static_cast<int>(RecoveryDialog::Answer::Discard)) {
        const long count = std::count(chosen.begin(), chosen.end(), true);
        if (count == 0) return 0;
        const QString message =
            Text::tr("Discard the unsaved changes of %n project(s)? They cannot be recovered afterwards.", nullptr,
                     static_cast<int>(count));
        bool sure = false;
        if (discardConfirmPrompt) {
            sure = discardConfirmPrompt(message);
        } else {
            QMessageBox box(QMessageBox::Warning, Text::tr("Recover Unsaved Changes"), message, QMessageBox::NoButton);
            QPushButton* discard = box.addButton(Text::tr("Discard"), QMessageBox::DestructiveRole);
            box.addButton(Text::tr("Cancel"), QMessageBox::RejectRole);
            box.exec();
            sure = box.clickedButton() == discard;
        }
        if (!sure) return 0;
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
            showFailure(nullptr, Text::tr("The unsaved changes \"%1\" cannot be read; they are kept.")
                                     .arg(QString::fromStdString(entries[i].id)),
                        entries[i].info.failure());
            continue;
        }
        const RecoveryInfo& info = *entries[i].info;
        auto document = std::make_unique<Document>(clipboard_, output_);
        Outcome<> restored = document->restore(info);
        if (!restored) {
            showFailure(nullptr,
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
            showFailure(window, Text::tr("The unfinished recording \"%1\" could not be repaired.").arg(name),
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
        bool answer = false;
        if (recoveryPrompt) {
            answer = recoveryPrompt(message);
        } else {
            QMessageBox box(QMessageBox::Question, Text::tr("Unfinished Recording"), message, QMessageBox::NoButton,
                            window);
            QPushButton* import = box.addButton(Text::tr("Import"), QMessageBox::AcceptRole);
            box.addButton(Text::tr("Keep in Folder"), QMessageBox::RejectRole);
            box.setDefaultButton(import);
            box.exec();
            answer = box.clickedButton() == import;
        }
        forgetUnfinishedRecording(path);
        if (answer && window) {
            window->importFile(QString::fromStdString(path));
            ++imported;
        }
    }
    return imported;
}

}  // namespace wavomer::app
