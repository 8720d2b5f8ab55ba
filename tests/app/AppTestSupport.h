// What the window tests share: a private home folder, windows over documents that play
// on the silent device, media made by the test, and waiting for queued work.
#pragma once

#include <gtest/gtest.h>

#include <QAccessible>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Document.h"
#include "base/Interaction.h"
#include "base/Program.h"
#include "base/QtClipboard.h"
#include "support/TestSupport.h"
#include "window/MainWindow.h"

namespace wavomer::app::test {

// Whether the accessibility tree, walked from the application as a screen reader walks
// it, holds an element of that name and role.
bool accessibleFromApplication(const QString& name, QAccessible::Role role);

// The interaction service of the tests: every answer comes from a function the test
// sets (without one, the question is cancelled), and everything shown is recorded.
class ScriptedInteraction : public Interaction {
public:
    std::function<SaveChanges(const QString& projectName)> saveChanges;
    std::function<int(const Question& question)> answer;
    std::function<QString(const QString& title, QWidget* accessory)> folder;
    std::function<QString(const FileChoice& choice)> file;
    std::function<QColor(const QColor& current)> colour;
    std::function<RecoveryChoice(const QStringList& rows)> recovery;
    bool urlsOpen = true;  // what openUrl answers
    Revealed revealAnswer = Revealed::byFileManager;  // what reveal answers
    QString folderStart;   // where the last folder prompt started

    QStringList questions;  // each question's text, in order
    QStringList told;       // "title | reason" of each failure told
    std::vector<QString> toldTitles, toldReasons;
    QList<QUrl> opened;
    QList<QStringList> revealed;

    SaveChanges askSaveChanges(QWidget*, const QString& projectName) override {
        questions << projectName;
        return saveChanges ? saveChanges(projectName) : SaveChanges::cancel;
    }
    int confirm(QWidget*, const Question& question) override {
        questions << question.text;
        return answer ? answer(question) : question.cancelIndex();
    }
    QString chooseFolder(QWidget*, const QString& title, const QString& start, QWidget* accessory) override {
        folderStart = start;
        return folder ? folder(title, accessory) : QString();
    }
    QString chooseFile(QWidget*, const FileChoice& choice) override { return file ? file(choice) : QString(); }
    QColor chooseColour(QWidget*, const QColor& current, const QString&) override {
        return colour ? colour(current) : QColor();
    }
    RecoveryChoice offerRecovery(const QStringList& rows) override {
        return recovery ? recovery(rows) : RecoveryChoice{RecoveryChoice::Answer::later, {}};
    }
    void tell(QWidget*, const QString& title, const Failure& failure) override {
        if (failure.cancelled) return;
        const QString reason = QString::fromStdString(failure.message());
        told << title + " | " + reason;
        toldTitles.push_back(title);
        toldReasons.push_back(reason);
    }
    bool openUrl(const QUrl& url) override {
        opened << url;
        return urlsOpen;
    }
    Revealed reveal(const QStringList& paths) override {
        revealed << paths;
        return revealAnswer;
    }
};

// Answers a question with the answer of that text (and fails the test when it has none).
std::function<int(const Question&)> answering(const QString& text);

// The program of the tests' windows: it records the program commands asked for.
class TestProgram : public Program {
public:
    QStringList asked;
    void newProject() override { asked << QStringLiteral("newProject"); }
    void openProject() override { asked << QStringLiteral("openProject"); }
    void openProjectAt(const std::string& folder) override { asked << QString::fromStdString("openProjectAt " + folder); }
    void quit() override { asked << QStringLiteral("quit"); }
    void showPreferences() override { asked << QStringLiteral("showPreferences"); }
    void showHelp() override { asked << QStringLiteral("showHelp"); }
    void showAbout(QWidget*) override { asked << QStringLiteral("showAbout"); }
    void hideWindows() override { asked << QStringLiteral("hideWindows"); }
};

class WindowTest : public ::testing::Test {
protected:
    WindowTest();
    ~WindowTest() override;

    // A window over a new project (folder empty) or the project in folder; it is not
    // deleted on close, the test owns it.
    std::unique_ptr<MainWindow> openWindow(const QString& folder = {});
    // Runs queued events until done() holds; false when it never did.
    static bool waitFor(const std::function<bool()>& done);
    // Lets the queued refreshes run.
    static void settle();
    // A stereo WAV: loud (a square wave of the given amplitude) for loudSeconds, then
    // silent for silentSeconds.
    std::string makeWav(const std::string& name, double loudSeconds, double silentSeconds, float amplitude);
    // Imports a file into the window's project and waits for the placement.
    bool importAndWait(MainWindow& window, const std::string& path);

    wavomer::test::ScratchDir scratch_;
    std::unique_ptr<wavomer::test::HomeEnvironment> home_;
    QtClipboard clipboard_;
    ScriptedInteraction interaction_;
    TestProgram program_;
    // Runs on each document before its window is made (a fixture's recorder, say).
    std::function<void(Document&)> prepareDocument_;
};

}  // namespace wavomer::app::test
