// Interaction: every exchange with the user that is not the window itself: questions,
// the file, folder and colour choosers, failure messages, and handing files to the
// desktop (opening a URL, revealing files in the file manager). The program shows them
// with Qt (QtInteraction); the tests answer them from a script. Nothing in the window
// asks the user any other way.
//
// Threads: main thread.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <string>
#include <vector>

#include "util/Outcome.h"

class QWidget;

namespace wavomer::app {

// A question and the answers it offers, in the order the buttons stand.
struct Question {
    enum class Kind { question, warning, information };  // information: a report with OK
    Kind kind = Kind::question;
    QString title;
    QString text;
    QString details;          // a second paragraph, smaller; may be empty
    QStringList answers;      // the buttons' texts
    int defaultAnswer = 0;    // what Return chooses
    int cancelAnswer = -1;    // what Escape or closing the question chooses (-1: the last answer)
    int destructiveAnswer = -1;  // the answer that loses something, drawn as such (-1: none)

    int cancelIndex() const { return cancelAnswer >= 0 ? cancelAnswer : static_cast<int>(answers.size()) - 1; }
};

// What a file chooser asks for.
struct FileChoice {
    QString title;
    QString start;   // the folder, or the file name proposed
    QString filter;  // name filters as "Name (*.a *.b)"; empty for every file
    bool forSaving = false;
};

// What the offer of unsaved changes found after a crash answers.
struct RecoveryChoice {
    enum class Answer { recover, discard, later };
    Answer answer = Answer::later;
    std::vector<bool> chosen;  // per row offered
};

enum class Revealed { byFileManager, byOpeningFolder, notAtAll };

class Interaction {
public:
    virtual ~Interaction() = default;

    enum class SaveChanges { save, discard, cancel };
    // Whether to save the project named before it closes.
    virtual SaveChanges askSaveChanges(QWidget* parent, const QString& projectName) = 0;
    // Answers the index of the answer chosen.
    virtual int confirm(QWidget* parent, const Question& question) = 0;
    // The folder chosen (empty when cancelled); accessory, when given, is shown below
    // the chooser's list and stays the caller's.
    virtual QString chooseFolder(QWidget* parent, const QString& title, const QString& start,
                                 QWidget* accessory = nullptr) = 0;
    // The file chosen (empty when cancelled).
    virtual QString chooseFile(QWidget* parent, const FileChoice& choice) = 0;
    // The colour chosen (invalid when cancelled).
    virtual QColor chooseColour(QWidget* parent, const QColor& current, const QString& title) = 0;
    // Which of the rows of unsaved changes to recover, discard or keep for later.
    virtual RecoveryChoice offerRecovery(const QStringList& rows) = 0;
    // Tells that something failed (title) and why; a cancel the user asked for is not told.
    virtual void tell(QWidget* parent, const QString& title, const Failure& failure) = 0;
    // Opens a URL with the desktop's default application; true when that was started.
    virtual bool openUrl(const QUrl& url) = 0;
    // Selects the files in the file manager; without one, opens the first file's folder.
    virtual Revealed reveal(const QStringList& paths) = 0;

    // Things that went through but the user should hear of, one per line (nothing
    // when there are none).
    void tellWarnings(QWidget* parent, const QString& title, const std::vector<std::string>& warnings);
    // A notice with OK only.
    void inform(QWidget* parent, const QString& text);
    // Opens every file, one by one, in its default application.
    void openFiles(const QStringList& paths);
};

}  // namespace wavomer::app
