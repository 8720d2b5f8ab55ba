// RecoveryDialog: "Recover Unsaved Changes", shown at start when a crash left unsaved
// documents. It lists each with its name, its project (or "Untitled") and the time of
// its last change, all chosen at first, and answers Recover, Discard or Later.
//
// Threads: main thread.
#pragma once

#include <QDialog>
#include <QStringList>
#include <vector>

class QListWidget;

namespace wavomer::app {

class RecoveryDialog : public QDialog {
    Q_OBJECT
public:
    enum class Answer { Recover, Discard, Later };

    explicit RecoveryDialog(const QStringList& rows, QWidget* parent = nullptr);

    Answer answer() const { return answer_; }
    // Which rows are chosen, in the order given.
    std::vector<bool> chosen() const;

private:
    QListWidget* list_ = nullptr;
    Answer answer_ = Answer::Later;
};

}  // namespace wavomer::app
