#include "panels/RecordPopover.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "base/Palette.h"
#include "base/Text.h"

namespace wavomer::app {

// A frameless tool window rather than a popup: assistive tools walk the tool windows of
// the application, and leave popups out. It closes as a popup would: on Escape, and on a
// press anywhere outside it (that press does nothing else).
RecordPopover::RecordPopover(AudioWaveMeter& meter, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint) {
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

void RecordPopover::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    qApp->installEventFilter(this);
    activateWindow();
}

void RecordPopover::hideEvent(QHideEvent* event) {
    qApp->removeEventFilter(this);
    QWidget::hideEvent(event);
    emit closed();
}

void RecordPopover::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool RecordPopover::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && isVisible()) {
        auto* widget = qobject_cast<QWidget*>(watched);
        // A press in the panel, or in a list it opened (the input list's), stays in it.
        if (widget && widget->window() != this && !isAncestorOf(widget) &&
            !(widget->window()->parentWidget() && isAncestorOf(widget->window()->parentWidget()))) {
            hide();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void RecordPopover::paintEvent(QPaintEvent*) {
    // The dark appearance of the popover, with a thin frame.
    QPainter painter(this);
    painter.fillRect(rect(), palette::kRecordPanelBacking);
    painter.setPen(palette::kRecordPanelEdge);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace wavomer::app
