#include "panels/EffectWindowController.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "engine/EditActions.h"
#include "rules/PanelRules.h"
#include "base/Text.h"

namespace wavomer::app {

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
    // The scroll view shows every row, as far as the screen lets the window grow, and the
    // window changes by as much as the scroll view does (at least 250 high); its top edge
    // stays where it is. A window not shown yet has no height of its own, so its laid-out
    // size stands in: a new panel opens with the settings area exactly as tall as the rows.
    if (layout()) layout()->activate();
    const int frame = 2 * scroll_->frameWidth();
    const int oldScroll = scroll_->height();
    const int oldWindow = isVisible() ? height() : sizeHint().height();
    int available = 100000;
    if (const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen())
        available = s->availableGeometry().height() - 60;
    const int leastScroll = static_cast<int>(rules::kEffectControlMinHeight) + frame;
    const int mostScroll = std::max(leastScroll, available - (oldWindow - oldScroll));
    const int scrollHeight = std::clamp(control + frame, leastScroll, mostScroll);
    const int windowHeight = static_cast<int>(rules::effectWindowHeight(oldWindow, scrollHeight, oldScroll));
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
