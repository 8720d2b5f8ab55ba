#include "panels/VolumeWindowController.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <cmath>

#include "engine/EditActions.h"
#include "rules/PanelRules.h"
#include "base/Text.h"

namespace wavomer::app {

VolumeWindowController::VolumeWindowController(const WindowContext& context)
    : EditPanelDialog(context) {
    setWindowTitle(Text::tr("Volume"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    auto* label = new QLabel(Text::tr("Volume factor:"), this);
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setRange(0, static_cast<int>(rules::kVolumeFactorMax) * kSliderScale);
    slider_->setSingleStep(5);
    slider_->setPageStep(50);
    slider_->setMinimumWidth(260);
    slider_->setAccessibleName(Text::tr("Volume factor"));
    field_ = new QLineEdit(this);
    field_->setMaximumWidth(70);
    field_->setAccessibleName(Text::tr("Volume factor"));
    label->setBuddy(field_);
    // The same gain in dB beside the factor; either may be typed.
    decibelField_ = new QLineEdit(this);
    decibelField_->setMaximumWidth(70);
    decibelField_->setObjectName(QStringLiteral("volumeDecibels"));
    decibelField_->setAccessibleName(Text::tr("Volume in dB"));
    auto* unit = new QLabel(Text::tr("dB"), this);
    unit->setBuddy(decibelField_);
    grid->addWidget(label, 0, 0);
    grid->addWidget(slider_, 0, 1);
    grid->addWidget(field_, 0, 2);
    grid->addWidget(decibelField_, 0, 3);
    grid->addWidget(unit, 0, 4);
    layout->addLayout(grid);
    addTransportAndButtons(*layout);
    connect(slider_, &QSlider::valueChanged, this, &VolumeWindowController::changeVolumeUseSlider);
    connect(field_, &QLineEdit::editingFinished, this, &VolumeWindowController::changeVolumeUseField);
    connect(decibelField_, &QLineEdit::editingFinished, this, &VolumeWindowController::changeVolumeUseDecibels);
    showValue();
}

void VolumeWindowController::setSlideValue(float value) {
    slideValue_ = rules::clampVolumeFactor(value);
    preview().setFactor(slideValue_);
    showValue();
}

void VolumeWindowController::showValue() {
    const QSignalBlocker blockSlider(slider_);
    slider_->setValue(static_cast<int>(std::lround(slideValue_ * kSliderScale)));
    field_->setText(QString::number(static_cast<double>(slideValue_), 'g', 4));
    decibelField_->setText(QString::fromStdString(rules::volumeDecibelText(slideValue_)));
    field_->setModified(false);
    decibelField_->setModified(false);
}

void VolumeWindowController::changeVolumeUseDecibels() {
    const std::optional<float> factor = rules::volumeFactorFromDecibels(decibelField_->text().toStdString());
    setSlideValue(factor ? *factor : slideValue_);
}

void VolumeWindowController::changeVolumeUseSlider(int position) {
    setSlideValue(static_cast<float>(position) / kSliderScale);
}

void VolumeWindowController::changeVolumeUseField() {
    bool ok = false;
    const float typed = field_->text().trimmed().replace(QLatin1Char(','), QLatin1Char('.')).toFloat(&ok);
    setSlideValue(ok ? typed : slideValue_);
}

void VolumeWindowController::updateWindow() { setSlideValue(1.0f); }

void VolumeWindowController::okAction() {
    // A factor typed and not yet committed counts.
    if (field_->isModified()) changeVolumeUseField();
    if (decibelField_->isModified()) changeVolumeUseDecibels();
    const double factor = slideValue_;
    change([factor](WaveEditViewController& engine) { EditActions::applyVolumeFactor(engine, factor); });
}

}  // namespace wavomer::app
