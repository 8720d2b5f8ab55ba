#include "panels/EffectItemView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <algorithm>
#include <cmath>

#include "engine/EditActions.h"
#include "rules/PanelRules.h"
#include "base/Text.h"

namespace wavomer::app {

EffectItemView::EffectItemView(const EffectSetting& setting, QWidget* parent)
    : QWidget(parent), name_(setting.name), unit_(setting.unit), min_(setting.min), max_(setting.max) {
    setFixedHeight(static_cast<int>(rules::kEffectRowHeight));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 2, 6, 2);
    const QString name = QString::fromStdString(name_);
    nameLabel_ = new QLabel(name, this);
    nameLabel_->setMinimumWidth(150);
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setRange(0, kSliderSteps);
    slider_->setMinimumWidth(180);
    slider_->setAccessibleName(name);
    field_ = new QLineEdit(this);
    field_->setFixedWidth(70);
    field_->setAccessibleName(name);
    nameLabel_->setBuddy(field_);
    unitLabel_ = new QLabel(QString::fromStdString(unit_), this);
    unitLabel_->setMinimumWidth(40);
    layout->addWidget(nameLabel_);
    layout->addWidget(slider_, 1);
    layout->addWidget(field_);
    layout->addWidget(unitLabel_);
    // The label keeps its place when hidden, so the rows stay aligned.
    QSizePolicy keep = unitLabel_->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    unitLabel_->setSizePolicy(keep);
    unitLabel_->setVisible(!isHiddenUnitName());
    connect(slider_, &QSlider::valueChanged, this, &EffectItemView::sliderChangedAction);
    connect(field_, &QLineEdit::editingFinished, this, &EffectItemView::valueFieldChangedAction);
    setCurrentValue(setting.value);
}

bool EffectItemView::isHiddenUnitName() const { return rules::isHiddenUnitName(unit_); }

void EffectItemView::setCurrentValue(double value) {
    const double lo = std::min(min_, max_);
    const double hi = std::max(min_, max_);
    value_ = std::clamp(rules::effectDisplayValue(std::clamp(value, lo, hi), unit_), lo, hi);
    const QSignalBlocker blocker(slider_);
    const double span = max_ - min_;
    slider_->setValue(span != 0.0 ? static_cast<int>(std::lround((value_ - min_) / span * kSliderSteps)) : 0);
    field_->setText(QString::fromStdString(rules::effectValueText(value_, unit_)));
}

void EffectItemView::sliderChangedAction(int position) {
    setCurrentValue(min_ + (max_ - min_) * static_cast<double>(position) / kSliderSteps);
    emit effectSliderChanged(this);
}

void EffectItemView::valueFieldChangedAction() {
    if (!field_->isModified()) return;
    bool ok = false;
    const double typed = field_->text().trimmed().replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    setCurrentValue(ok && std::isfinite(typed) ? typed : value_);
    emit effectSliderChanged(this);
}

}  // namespace wavomer::app
