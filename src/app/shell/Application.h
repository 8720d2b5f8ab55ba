// Application: the program around the project windows. It opens one untitled project
// with two empty tracks when started without a project, or the project it was given
// (and no extra empty one); opens more from File > New and File > Open; quits when the
// last window closes; and at exit removes this process's import folder and saves the
// user configuration. It is the program its windows' program commands reach (new, open,
// quit, the preferences, the help, About, Hide), and asks the user through the
// interaction service it is given.
//
// Threads: main thread.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

#include "OutputGraphFactory.h"
#include "base/Program.h"
#include "base/QtClipboard.h"

namespace wavomer::app {

class Interaction;
class MainWindow;

class Application : public QObject, public Program {
    Q_OBJECT
public:
    explicit Application(Interaction& interaction, OutputDevice output = OutputDevice::Automatic,
                         QObject* parent = nullptr);
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

    // Program
    void newProject() override { openUntitled(); }
    void openProject() override { openProjectWithDialog(); }
    void openProjectAt(const std::string& folder) override { openProject(folder); }
    void quit() override;
    void showPreferences() override;
    void showHelp() override;
    void showAbout(QWidget* parent) override;
    void hideWindows() override;

    // The exit clean-up: the import folder goes, the configuration is saved.
    static void cleanUpAtExit();
    // Recordings a crash left unfinished in the recording folder: each is repaired from
    // its length and offered for import into window; answered, its marker goes.
    // Answers how many were imported.
    int offerUnfinishedRecordings(MainWindow* window);

    // The documents a crash left unsaved, offered before any other window: each one
    // chosen is opened (Recover), removed after one confirmation (Discard), or kept for
    // the next start (Later). Answers how many windows it opened.
    int offerRecoveredDocuments();

    std::vector<MainWindow*> windows() const;

signals:
    // The last project window closed: the other windows (the preferences) were closed and
    // the program quits.
    void lastProjectClosed();

private:
    MainWindow* showWindow(class Document* document);
    void endWhenNoProjectIsOpen();

    Interaction& interaction_;
    OutputDevice output_;
    QtClipboard clipboard_;
    std::vector<QPointer<MainWindow>> windows_;
};

}  // namespace wavomer::app
