#include "window/ZoomControl.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "rules/WindowRules.h"
#include "base/Text.h"
#include "window/AccessibleViews.h"

namespace wavomer::app {

ZoomControl::ZoomControl(QWidget* parent) : QWidget(parent), value_(rules::kZoomInitial) {
    installAccessibleViews();
    setFixedSize(sizeHint());
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(Text::tr("Zoom"));
    setToolTip(Text::tr("Zoom"));
    setAccessibleDescription(QString::number(value_));
}

void ZoomControl::setValue(float value) {
    value_ = rules::clampZoom(value);
    setAccessibleDescription(QString::number(value_));
    QAccessibleValueChangeEvent changed(this, value_);
    QAccessible::updateAccessibility(&changed);
    update();
}

void ZoomControl::applyValue(float value) {
    setValue(value);
    emit zoomApplied(value_);
}

void ZoomControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor light = palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText);
    auto button = [&](const rules::ZoomRect& r, bool plus) {
        const QRectF rect(r.x, r.y, r.width, r.height);
        painter.setPen(QPen(light, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(rect.adjusted(1.5, 1.5, -1.5, -1.5));
        const QPointF c = rect.center();
        painter.drawLine(QPointF(c.x() - 3.5, c.y()), QPointF(c.x() + 3.5, c.y()));
        if (plus) painter.drawLine(QPointF(c.x(), c.y() - 3.5), QPointF(c.x(), c.y() + 3.5));
    };
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4.0, 4.0);
    }
    button(rules::kZoomOutButton, false);
    button(rules::kZoomInButton, true);
    // The track line between the buttons, then the knob at the value.
    const double mid = rules::kZoomOutButton.y + rules::kZoomOutButton.height / 2.0;
    painter.setPen(QPen(palette().color(QPalette::Mid), 2.0));
    painter.drawLine(QPointF(35.0, mid), QPointF(110.0, mid));
    const double knob = rules::zoomKnobCentreX(value_);
    painter.setPen(Qt::NoPen);
    painter.setBrush(dragging_ ? palette().color(QPalette::Dark) : light);
    painter.drawEllipse(QPointF(knob, mid), 5.5, 5.5);
}

void ZoomControl::mousePressEvent(QMouseEvent* event) {
    const QPointF p = event->position();
    if (rules::kZoomOutButton.contains(p.x(), p.y())) {
        applyValue(value_ - 1.0f);
        return;
    }
    if (rules::kZoomInButton.contains(p.x(), p.y())) {
        applyValue(value_ + 1.0f);
        return;
    }
    if (rules::kZoomTrack.contains(p.x(), p.y())) {
        dragging_ = true;
        applyValue(rules::zoomValueFromX(p.x()));
    }
}

void ZoomControl::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_) applyValue(rules::zoomValueFromX(event->position().x()));
}

void ZoomControl::mouseReleaseEvent(QMouseEvent*) {
    dragging_ = false;
    update();
}

void ZoomControl::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down: return applyValue(value_ - 1.0f);
    case Qt::Key_Right:
    case Qt::Key_Up: return applyValue(value_ + 1.0f);
    case Qt::Key_PageDown: return applyValue(value_ - 10.0f);
    case Qt::Key_PageUp: return applyValue(value_ + 10.0f);
    case Qt::Key_Home: return applyValue(rules::kZoomMin);
    case Qt::Key_End: return applyValue(rules::kZoomMax);
    default: QWidget::keyPressEvent(event);
    }
}

}  // namespace wavomer::app
