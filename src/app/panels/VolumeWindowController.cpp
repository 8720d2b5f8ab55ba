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
    grid->addWidget(label, 0, 0);
    grid->addWidget(slider_, 0, 1);
    grid->addWidget(field_, 0, 2);
    layout->addLayout(grid);
    addTransportAndButtons(*layout);
    connect(slider_, &QSlider::valueChanged, this, &VolumeWindowController::changeVolumeUseSlider);
    connect(field_, &QLineEdit::editingFinished, this, &VolumeWindowController::changeVolumeUseField);
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
    const double factor = slideValue_;
    change([factor](WaveEditViewController& engine) { EditActions::applyVolumeFactor(engine, factor); });
}

}  // namespace wavomer::app
