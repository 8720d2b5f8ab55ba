#include "panels/EffectWindow.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSlider>
#include <QVBoxLayout>
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

// ---------------------------------------------------------------------------------

EffectWindowController::EffectWindowController(const WindowContext& context)
    : EditPanelDialog(context) {
    setWindowTitle(Text::tr("Audio Filter"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* popupLabel = new QLabel(Text::tr("Effect:"), this);
    popup_ = new QComboBox(this);
    popup_->addItem(Text::tr("None"), QString());
    for (const std::string& name : getAllEffects()) {
        const QString effect = QString::fromStdString(name);
        popup_->addItem(effect, effect);
    }
    popup_->setAccessibleName(Text::tr("Effect"));
    popupLabel->setBuddy(popup_);
    auto* reset = new QPushButton(Text::tr("Reset"), this);
    reset->setAutoDefault(false);
    top->addWidget(popupLabel);
    top->addWidget(popup_, 1);
    top->addWidget(reset);
    layout->addLayout(top);

    scroll_ = new QScrollArea(this);
    scroll_->setWidgetResizable(false);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setAccessibleName(Text::tr("Effect settings"));
    controlView_ = new QWidget;
    controlView_->setMinimumWidth(520);
    scroll_->setWidget(controlView_);
    scroll_->setMinimumWidth(540);
    scroll_->setFixedHeight(static_cast<int>(rules::kEffectControlMinHeight) + 2 * scroll_->frameWidth());
    controlView_->resize(520, static_cast<int>(rules::kEffectControlMinHeight));
    layout->addWidget(scroll_);
    addTransportAndButtons(*layout);
    connect(popup_, &QComboBox::activated, this, &EffectWindowController::changeEffectButtonAction);
    connect(reset, &QPushButton::clicked, this, &EffectWindowController::resetButtonAction);
}

std::string EffectWindowController::chosenName() const { return popup_->currentData().toString().toStdString(); }

void EffectWindowController::chooseEffect(const QString& name) {
    const int index = name == Text::tr("None") ? 0 : popup_->findData(name);
    if (index < 0) return;
    popup_->setCurrentIndex(index);
    changeEffectButtonAction();
}

void EffectWindowController::updateWindow() {
    popup_->setCurrentIndex(0);
    effectDic_.reset();
    updateEffectControlViewAndEffectDic();
}

void EffectWindowController::updateEffectControlViewAndEffectDic() {
    for (EffectItemView* row : rows_) delete row;
    rows_.clear();
    const std::string name = chosenName();
    if (name.empty()) return adjustControlViewFrameWithCount(0);
    const std::vector<EffectSetting> settings = getEffectSettingsByName(name);
    adjustControlViewFrameWithCount(static_cast<long>(settings.size()));
    int k = 0;
    for (const EffectSetting& setting : settings) {
        auto* row = new EffectItemView(setting, controlView_);
        row->setGeometry(0, static_cast<int>(rules::kEffectRowHeight) * k++, controlView_->width(),
                         static_cast<int>(rules::kEffectRowHeight));
        row->show();
        connect(row, &EffectItemView::effectSliderChanged, this, [this] { saveCurrentEffectDic(); });
        rows_.push_back(row);
    }
}

void EffectWindowController::adjustControlViewFrameWithCount(long count) {
    const int control = static_cast<int>(rules::effectControlViewHeight(count));
    controlView_->resize(controlView_->width(), control);
    // The scroll view shows every row, as far as the screen lets the window grow; the
    // window's top edge stays where it is.
    const int frame = 2 * scroll_->frameWidth();
    const int oldScroll = scroll_->height();
    const int oldWindow = height();
    int available = 100000;
    if (const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen())
        available = s->availableGeometry().height() - 60;
    const int wanted = static_cast<int>(rules::effectWindowHeight(oldWindow, control + frame, oldScroll));
    const int windowHeight = std::min(wanted, std::max(available, static_cast<int>(rules::kEffectWindowMinHeight)));
    const int scrollHeight = std::max(oldScroll + windowHeight - oldWindow, static_cast<int>(rules::kEffectControlMinHeight) + frame);
    scroll_->setFixedHeight(scrollHeight);
    const QPoint topLeft = pos();
    if (layout()) layout()->activate();
    resize(width(), std::max(windowHeight, minimumSizeHint().height()));
    if (isVisible()) move(topLeft);
}

void EffectWindowController::saveCurrentEffectDic() {
    const std::string name = chosenName();
    if (name.empty()) {
        effectDic_.reset();
    } else {
        std::vector<std::pair<std::string, double>> values;
        for (const EffectItemView* row : rows_) values.emplace_back(row->labelName(), row->currentValue());
        Outcome<EffectDic> dic = EditActions::effectDicFromPanel(name, values);
        effectDic_ = dic ? std::optional<EffectDic>(*dic) : std::nullopt;
    }
    const std::optional<EffectDic> effect = effectDic_;
    change([effect](WaveEditViewController& engine) { EditActions::applyEffect(engine, effect); });
}

void EffectWindowController::changeEffectButtonAction() {
    preview().stopPlayer();
    updateEffectControlViewAndEffectDic();
    saveCurrentEffectDic();
}

void EffectWindowController::resetButtonAction() {
    updateEffectControlViewAndEffectDic();
    saveCurrentEffectDic();
}

void EffectWindowController::okAction() {
    for (EffectItemView* row : rows_) row->commitTypedValue();
    saveCurrentEffectDic();
}

}  // namespace wavomer::app
