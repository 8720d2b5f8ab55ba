#include "shell/Application.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>

#include "config/UserConfig.h"
#include "shell/Document.h"
#include "shell/FailurePresenter.h"
#include "shell/Text.h"
#include "util/Log.h"
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
    const QString folder = projectFolderOfArgument(folderOrPlist);
    for (MainWindow* window : windows())
        if (window->document().state().isAt(folder.toStdString())) {
            window->raise();
            window->activateWindow();
            return window;
        }
    auto document = std::make_unique<Document>(clipboard_, output_);
    Outcome<> outcome = document->load(folder);
    if (!outcome.ok()) {
        showFailure(nullptr, Text::tr("The project \"%1\" could not be opened.").arg(QFileInfo(folder).fileName()),
                    outcome.failure());
        return nullptr;
    }
    return showWindow(document.release());
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

}  // namespace wavomer::app
