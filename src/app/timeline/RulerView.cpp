#include "timeline/RulerView.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include "engine/EditGesture.h"
#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"
#include "rules/WindowRules.h"
#include "shell/Text.h"
#include "window/AccessibleViews.h"

namespace wavomer::app {

namespace {
QColor grey(double level) {
    const auto l = static_cast<float>(level);
    return QColor::fromRgbF(l, l, l);
}
}  // namespace

RulerView::RulerView(WaveEditViewController& engine, std::function<int()> offset, bool isUp, QWidget* parent)
    : QWidget(parent), engine_(engine), offset_(std::move(offset)), isUp_(isUp) {
    setFixedHeight(kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    installAccessibleViews();
    setAccessibleName(Text::tr("Time Ruler"));
}

void RulerView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect area = event->rect();
    const int h = height();
    // The gradient runs from grey 0.157 at the bottom to 0.235 at the top (reversed for
    // the lower variant).
    QLinearGradient gradient(0, isUp_ ? h : 0, 0, isUp_ ? 0 : h);
    gradient.setColorAt(0.0, grey(0.157));
    gradient.setColorAt(1.0, grey(0.235));
    painter.fillRect(area, gradient);
    if (isUp_) {
        painter.fillRect(QRect(area.left(), h - 1, area.width(), 1), grey(0.23));
        painter.fillRect(QRect(area.left(), h - 2, area.width(), 1), Qt::black);
    }
    const int offset = offset_ ? offset_() : 0;
    const QColor tickColour = grey(0.882);
    QFont font = painter.font();
    font.setPixelSize(isUp_ ? 10 : 9);
    painter.setFont(font);
    painter.setPen(tickColour);
    const QFontMetrics metrics(font);
    for (const rules::RulerTick& tick : rules::rulerTicks(area.left(), area.right(), offset)) {
        const double x = tick.viewX;
        if (isUp_) painter.fillRect(QRectF(x - 0.5, 0.0, 1.0, tick.length), tickColour);
        else painter.fillRect(QRectF(x - 0.5, h - tick.length, 1.0, tick.length), tickColour);
        if (!tick.labelled) continue;
        const double contentX = 10.0 * static_cast<double>(tick.index);
        const QString label = QString::fromStdString(rules::rulerLabel(contentX, engine_.currentPixelPerSecond));
        const double labelX = contentX - offset + 2.0;
        if (isUp_) painter.drawText(QPointF(labelX, h - 5 - metrics.descent()), label);
        else painter.drawText(QPointF(labelX, 2 + metrics.ascent()), label);
    }
}

void RulerView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || engine_.host().isRecording()) return QWidget::mousePressEvent(event);
    event->accept();
    pressed_ = true;
    UserEvent scope(engine_);
    rulerPress(engine_, event->position().x() + offset_(), rowsHeight ? rowsHeight() : 0.0);
}

void RulerView::mouseMoveEvent(QMouseEvent* event) {
    if (!pressed_ || !(event->buttons() & Qt::LeftButton)) return QWidget::mouseMoveEvent(event);
    event->accept();
    UserEvent scope(engine_);
    rulerDrag(engine_, event->position().x() + offset_());
}

void RulerView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_) return QWidget::mouseReleaseEvent(event);
    event->accept();
    pressed_ = false;
    engine_.host().flushButtonStates();
}

}  // namespace wavomer::app
