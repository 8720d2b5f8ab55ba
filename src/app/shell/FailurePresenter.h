// The one place the window tells the user that something failed (an open, a save, an
// import): a message box with a title and the reason the core gave. Tests replace the
// box with a recorder so they can see what would have been shown.
//
// Threads: main thread.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "util/Outcome.h"

class QWidget;

namespace wavomer::app {

void showFailure(QWidget* parent, const QString& title, const std::string& reason);
// A failure of the core, shown with the file it is about; a cancel the user asked for
// is not shown.
void showFailure(QWidget* parent, const QString& title, const Failure& failure);
// Things that went through but the user should hear of (one per line).
void showWarnings(QWidget* parent, const QString& title, const std::vector<std::string>& warnings);

// Replaces the message box (tests); an empty function restores it.
using FailureSink = std::function<void(const QString& title, const QString& reason)>;
void setFailureSink(FailureSink sink);

}  // namespace wavomer::app
