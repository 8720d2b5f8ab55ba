#include "shell/FailurePresenter.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <vector>

namespace wavomer::app {

namespace {
FailureSink& sink() {
    static FailureSink installed;
    return installed;
}
}  // namespace

void setFailureSink(FailureSink replacement) { sink() = std::move(replacement); }

void showFailure(QWidget* parent, const QString& title, const std::string& reason) {
    const QString text = QString::fromStdString(reason);
    if (sink()) {
        sink()(title, text);
        return;
    }
    QMessageBox box(QMessageBox::Warning, title, title, QMessageBox::Ok, parent);
    box.setInformativeText(text);
    box.exec();
}

void showFailure(QWidget* parent, const QString& title, const Failure& failure) {
    if (failure.cancelled) return;
    showFailure(parent, title, failure.message());
}

void showWarnings(QWidget* parent, const QString& title, const std::vector<std::string>& warnings) {
    if (warnings.empty()) return;
    std::string joined;
    for (const std::string& line : warnings) joined += (joined.empty() ? "" : "\n") + line;
    showFailure(parent, title, joined);
}

}  // namespace wavomer::app
