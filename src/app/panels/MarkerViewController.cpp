#include "panels/MarkerViewController.h"

#include <QLinearGradient>
#include <QPainter>
#include <QScrollArea>
#include <algorithm>

#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"
#include "rules/MarkerListRules.h"
#include "base/Palette.h"
#include "base/Text.h"

namespace wavomer::app {

using palette::grey;

MarkerViewController::MarkerViewController(WaveEditViewController& engine, QWidget* parent)
    : QWidget(parent), engine_(engine) {
    setAccessibleName(Text::tr("Marker List"));
    scroll_ = new QScrollArea(this);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setWidgetResizable(false);
    scroll_->viewport()->setAutoFillBackground(false);
    scroll_->setStyleSheet(QStringLiteral("QScrollArea { background: transparent; }"));
    table_ = new MarkerTableView(engine_, scroll_);
    scroll_->setWidget(table_);
    table_->setAutoFillBackground(false);
    connect(table_, &MarkerTableView::rowClicked, this, &MarkerViewController::selectRow);
    animation_.setDuration(160);
    animation_.setEasingCurve(QEasingCurve::OutCubic);
    connect(&animation_, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { setFixedWidth(value.toInt()); });
    connect(&animation_, &QVariantAnimation::finished, this, [this] {
        setFixedWidth(shown_ ? kWidth : 0);
        setVisible(shown_);
    });
    setFixedWidth(0);
    setVisible(false);
}

void MarkerViewController::setShown(bool shown, bool animated) {
    shown_ = shown;
    animation_.stop();
    if (shown) setVisible(true);
    if (animated && isVisible()) {
        animation_.setStartValue(width());
        animation_.setEndValue(shown ? kWidth : 0);
        animation_.start();
    } else {
        setFixedWidth(shown ? kWidth : 0);
        setVisible(shown);
    }
    updateMarkerWindowShow();
}

void MarkerViewController::updateMarkerWindowShow() {
    // The table keeps the panel's full width while the panel slides, so rows do not reflow.
    table_->resize(scroll_->viewport()->width(), table_->height());
    table_->reloadView(scroll_->viewport()->height());
}

void MarkerViewController::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The list is anchored at the right edge: while the panel widens it slides in.
    scroll_->setGeometry(width() - kWidth, 0, kWidth, height());
    updateMarkerWindowShow();
}

void MarkerViewController::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QLinearGradient gradient(0, 0, width(), 0);
    gradient.setColorAt(0.0, grey(0.10));
    gradient.setColorAt(1.0, grey(0.16));
    painter.fillRect(rect(), gradient);
    painter.fillRect(QRect(0, 0, 1, height()), grey(0.03));
}

void MarkerViewController::selectRow(MarkerItemView* row) {
    const MarkerPtr marker = row ? row->marker() : nullptr;
    if (!marker) return;
    {
        UserEvent event(engine_);
        engine_.updateSelectedMarker(marker);
        engine_.centreCursorIfHidden();
    }
    updateMarkerWindowShow();
    if (focusTarget) focusTarget->setFocus(Qt::MouseFocusReason);
}

}  // namespace wavomer::app
