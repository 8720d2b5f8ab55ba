// Application: the program around the project windows. It opens one untitled project
// with two empty tracks when started without a project, or the project it was given
// (and no extra empty one); opens more from File > New and File > Open; quits when the
// last window closes; and at exit removes this process's import folder and saves the
// user configuration.
//
// Threads: main thread.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <utility>
#include <string>
#include <vector>

#include "OutputGraphFactory.h"
#include "shell/QtClipboard.h"

namespace wavomer::app {

class MainWindow;

class Application : public QObject {
    Q_OBJECT
public:
    explicit Application(OutputDevice output = OutputDevice::Automatic, QObject* parent = nullptr);
    ~Application() override;

    // A new untitled project in a new window.
    MainWindow* openUntitled();
    // The project in folder (or its "project.plist") in a new window; on failure the
    // reason is shown and nothing is opened.
    MainWindow* openProject(const QString& folderOrPlist);
    // The same with the path as the system's bytes (a command-line argument), which
    // need not be UTF-8. A project another program holds opens only when the user
    // agrees, read-only while that program holds it; sources that cannot be read are
    // named once it is open.
    MainWindow* openProject(const std::string& folderOrPlist);
    // Asks for a "wvmp" folder and opens it.
    void openProjectWithDialog();
    // Closes every window (each may refuse) and quits when all went.
    void quit();
    // The exit clean-up: the import folder goes, the configuration is saved.
    static void cleanUpAtExit();
    // Recordings a crash left unfinished in the recording folder: each is repaired from
    // its length and offered for import into window; answered, its marker goes.
    // Answers how many were imported.
    static int offerUnfinishedRecordings(MainWindow* window);
    // Answers whether to import the recording described (a box by default; tests).
    static std::function<bool(const QString& message)> recoveryPrompt;
    // Answers whether to open a project another program holds (a box by default; tests).
    static std::function<bool(const QString& message)> openElsewherePrompt;

    // The documents a crash left unsaved, offered before any other window: each one
    // chosen is opened (Recover), removed after one confirmation (Discard), or kept for
    // the next start (Later). Answers how many windows it opened.
    int offerRecoveredDocuments();
    // Answers the offer for the rows shown (a dialog by default; tests): the answer and
    // which rows are chosen.
    static std::function<std::pair<int, std::vector<bool>>(const QStringList& rows)> recoveryOfferPrompt;
    // Answers whether Discard may remove what it would (a box by default; tests).
    static std::function<bool(const QString& message)> discardConfirmPrompt;

    std::vector<MainWindow*> windows() const;

private:
    MainWindow* showWindow(class Document* document);

    OutputDevice output_;
    QtClipboard clipboard_;
    std::vector<QPointer<MainWindow>> windows_;
};

}  // namespace wavomer::app
