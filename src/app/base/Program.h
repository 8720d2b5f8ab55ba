// Program: the commands of a project window that concern the whole program rather than
// its project: new and open (another window), quit, the preferences, the help, About
// and Hide. The application implements them; a window reaches them through its context.
//
// Threads: main thread.
#pragma once

#include <string>

class QWidget;

namespace wavomer::app {

class Program {
public:
    virtual void newProject() = 0;
    virtual void openProject() = 0;
    // Opens the project folder (as the system's bytes), as a recent project is opened.
    virtual void openProjectAt(const std::string& folder) = 0;
    // Closes every window (each may refuse) and quits when all went.
    virtual void quit() = 0;
    virtual void showPreferences() = 0;
    virtual void showHelp() = 0;
    virtual void showAbout(QWidget* parent) = 0;
    // Every window of the program leaves the screen.
    virtual void hideWindows() = 0;

protected:
    ~Program() = default;
};

}  // namespace wavomer::app
