#include "panels/FadeSettingWindowController.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <cmath>

#include "engine/EditActions.h"
#include "base/Palette.h"
#include "base/Text.h"

namespace wavomer::app {

namespace {
double typedLevel(const QLineEdit& field, double previous) {
    bool ok = false;
    const double typed = field.text().trimmed().replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    return ok ? EditActions::clampFadeLevel(typed) : previous;
}
}  // namespace

FadeSettingWindowController::FadeSettingWindowController(const WindowContext& context)
    : EditPanelDialog(context) {
    setWindowTitle(Text::tr("Fade Effect"));
    auto* layout = new QVBoxLayout(this);
    auto* fields = new QGridLayout;
    auto* startLabel = new QLabel(Text::tr("Start level:"), this);
    auto* stopLabel = new QLabel(Text::tr("Stop level:"), this);
    startField_ = new QLineEdit(this);
    stopField_ = new QLineEdit(this);
    startField_->setAccessibleName(Text::tr("Start level"));
    stopField_->setAccessibleName(Text::tr("Stop level"));
    startLabel->setBuddy(startField_);
    stopLabel->setBuddy(stopField_);
    for (QLineEdit* field : {startField_, stopField_}) field->setMaximumWidth(70);
    fields->addWidget(startLabel, 0, 0);
    fields->addWidget(startField_, 0, 1);
    fields->addWidget(stopLabel, 0, 2);
    fields->addWidget(stopField_, 0, 3);
    layout->addLayout(fields);
    graph_ = new CustomFadeGraphView(this);
    layout->addWidget(graph_, 0, Qt::AlignHCenter);
    addTransportAndButtons(*layout);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(startField_, &QLineEdit::editingFinished, this, &FadeSettingWindowController::startValueFieldChangaed);
    connect(stopField_, &QLineEdit::editingFinished, this, &FadeSettingWindowController::stopValueFieldChanged);
    connect(graph_, &CustomFadeGraphView::updateControllerStartValue, this,
            &FadeSettingWindowController::updateControllerStartValue);
    connect(graph_, &CustomFadeGraphView::updateControllerStopValue, this,
            &FadeSettingWindowController::updateControllerStopValue);
    showValues();
}

void FadeSettingWindowController::showValues() {
    startField_->setText(QString::number(startValue_, 'g', 4));
    stopField_->setText(QString::number(stopValue_, 'g', 4));
    graph_->setValues(startValue_, stopValue_);
}

void FadeSettingWindowController::startValueFieldChangaed() {
    startValue_ = typedLevel(*startField_, startValue_);
    showValues();
}

void FadeSettingWindowController::stopValueFieldChanged() {
    stopValue_ = typedLevel(*stopField_, stopValue_);
    showValues();
}

void FadeSettingWindowController::updateControllerStartValue(double value) {
    startValue_ = EditActions::clampFadeLevel(value);
    saveCustomFadeToSections();
    showValues();
}

void FadeSettingWindowController::updateControllerStopValue(double value) {
    stopValue_ = EditActions::clampFadeLevel(value);
    saveCustomFadeToSections();
    showValues();
}

void FadeSettingWindowController::saveCustomFadeToSections() {
    const double start = startValue_;
    const double stop = stopValue_;
    change([start, stop](WaveEditViewController& engine) { EditActions::saveCustomFadeToSections(engine, start, stop); });
}

void FadeSettingWindowController::updateWindow() {
    startValue_ = 1.0;
    stopValue_ = 1.0;
    showValues();
}

void FadeSettingWindowController::okAction() {
    if (startField_->isModified()) startValueFieldChangaed();
    if (stopField_->isModified()) stopValueFieldChanged();
    saveCustomFadeToSections();
}

}  // namespace wavomer::app
