#include "panels/RecordPopover.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "base/Palette.h"
#include "base/Text.h"

namespace wavomer::app {

RecordPopover::RecordPopover(AudioWaveMeter& meter, QWidget* parent) : QWidget(parent, Qt::Popup) {
    setObjectName(QStringLiteral("RecordPopover"));
    setAccessibleName(Text::tr("Audio Record"));
    // The popover's dark appearance: light text on the dark backing it paints.
    QPalette dark = palette();
    dark.setColor(QPalette::Window, palette::kRecordPanelBacking);
    dark.setColor(QPalette::WindowText, palette::kRecordPanelText);
    setPalette(dark);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(10);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(Text::tr("Input:"), this);
    devices_ = new QComboBox(this);
    devices_->setAccessibleName(Text::tr("Input"));
    devices_->setMinimumWidth(240);
    label->setBuddy(devices_);
    row->addWidget(label);
    row->addWidget(devices_, 1);
    layout->addLayout(row);
    meter_ = new AudioWaveView(meter, this);
    layout->addWidget(meter_);
    record_ = new QPushButton(Text::tr("Record"), this);
    record_->setAccessibleName(Text::tr("Record"));
    record_->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(record_);
    layout->addLayout(buttons);
}

void RecordPopover::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    emit closed();
}

void RecordPopover::paintEvent(QPaintEvent*) {
    // The dark appearance of the popover, with a thin frame.
    QPainter painter(this);
    painter.fillRect(rect(), palette::kRecordPanelBacking);
    painter.setPen(palette::kRecordPanelEdge);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace wavomer::app
