#include "timeline/RulerView.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include "engine/EditGesture.h"
#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"
#include "timeline/RulerPainter.h"
#include "base/Text.h"
#include "base/Document.h"
#include "base/Viewport.h"

namespace wavomer::app {

RulerView::RulerView(Document& document, const Viewport& viewport, bool isUp, QWidget* parent)
    : QWidget(parent), document_(document), engine_(document.engine()), viewport_(viewport), isUp_(isUp) {
    setFixedHeight(kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(Text::tr("Time Ruler"));
}

int RulerView::offset() const { return static_cast<int>(viewport_.visibleRegion().originX); }

void RulerView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    // The gradient runs from grey 0.157 at the bottom to 0.235 at the top (reversed for
    // the lower variant).
    RulerLook look;
    look.band = QRectF(rect());
    look.bottomGrey = isUp_ ? 0.157 : 0.235;
    look.topGrey = isUp_ ? 0.235 : 0.157;
    look.ticksFromTop = isUp_;
    look.fontPixels = isUp_ ? 10 : 9;
    look.edgeBelow = isUp_;
    paintRuler(painter, event->rect(), look, offset(), engine_.currentPixelPerSecond);
}

void RulerView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || document_.isRecording()) return QWidget::mousePressEvent(event);
    event->accept();
    pressed_ = true;
    UserEvent scope(engine_);
    rulerPress(engine_, event->position().x() + offset(), viewport_.visibleRegion().height);
}

void RulerView::mouseMoveEvent(QMouseEvent* event) {
    if (!pressed_ || !(event->buttons() & Qt::LeftButton)) return QWidget::mouseMoveEvent(event);
    event->accept();
    UserEvent scope(engine_);
    rulerDrag(engine_, event->position().x() + offset());
}

void RulerView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_) return QWidget::mouseReleaseEvent(event);
    event->accept();
    pressed_ = false;
}

}  // namespace wavomer::app
