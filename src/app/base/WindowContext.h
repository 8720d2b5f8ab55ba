// WindowContext: what a command handler or a panel of one project window works with:
// the document it edits, the interaction service it asks the user through, the window
// it is shown over (and its own commands), the viewport of its rows and the program.
// One per window, made by the window; handed around by reference.
//
// Threads: main thread.
#pragma once

class QWidget;

namespace wavomer::app {

class Document;
class Interaction;
class Program;
class ProjectWindow;
class Viewport;

struct WindowContext {
    Document& document;
    Interaction& interaction;
    QWidget* parent;  // the project window: dialogs are shown over it
    Viewport& viewport;
    ProjectWindow& window;
    Program& program;
};

}  // namespace wavomer::app
