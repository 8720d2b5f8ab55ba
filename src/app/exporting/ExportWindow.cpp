#include "exporting/ExportWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "rules/ExportRules.h"
#include "base/Text.h"

namespace wavomer::app {

ExportWindow::ExportWindow(std::function<float()> progress, QWidget* parent)
    : QDialog(parent), progress_(std::move(progress)) {
    setObjectName(QStringLiteral("ExportWindow"));
    setWindowTitle(Text::tr("Export"));
    setWindowModality(Qt::ApplicationModal);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* layout = new QVBoxLayout(this);
    label_ = new QLabel(Text::tr("Exporting..."), this);
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("exportProgress"));
    bar_->setRange(0, kBarMaximum);
    bar_->setValue(0);
    bar_->setMinimumWidth(360);
    bar_->setAccessibleName(Text::tr("Export progress"));
    label_->setBuddy(bar_);
    cancel_ = new QPushButton(Text::tr("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("cancelExport"));
    cancel_->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancel_);
    layout->addWidget(label_);
    layout->addWidget(bar_);
    layout->addLayout(buttons);
    connect(cancel_, &QPushButton::clicked, this, &ExportWindow::reject);
    timer_.setInterval(kPollMilliseconds);
    connect(&timer_, &QTimer::timeout, this, &ExportWindow::changeProgress);
}

void ExportWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!finished_) timer_.start();
}

void ExportWindow::changeProgress() {
    if (progress_) bar_->setValue(rules::progressBarValue(progress_(), kBarMaximum));
}

void ExportWindow::reject() {
    if (finished_ || !cancel_->isEnabled()) return;
    // The export ends after its current block; the window closes when it has.
    cancel_->setEnabled(false);
    label_->setText(Text::tr("Cancelling..."));
    emit cancelRequested();
}

void ExportWindow::finish() {
    finished_ = true;
    timer_.stop();
    changeProgress();
    hide();
}

}  // namespace wavomer::app
