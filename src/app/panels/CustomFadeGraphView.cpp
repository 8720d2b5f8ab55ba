#include "panels/CustomFadeGraphView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "engine/EditActions.h"
#include "base/Palette.h"
#include "base/Text.h"

namespace wavomer::app {

CustomFadeGraphView::CustomFadeGraphView(QWidget* parent) : QWidget(parent) {
    setFixedSize(static_cast<int>(rules::kFadeGraphSide), static_cast<int>(rules::kFadeGraphSide));
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(Text::tr("Fade curve"));
    setAccessibleDescription(Text::tr("Up and Down move the selected level, Left and Right choose the start or stop level."));
}

void CustomFadeGraphView::setValues(double startValue, double stopValue) {
    start_ = startValue;
    stop_ = stopValue;
    update();
}

rules::PanelRect CustomFadeGraphView::graphRect() const { return rules::fadeGraphRect(width(), height()); }

QPointF CustomFadeGraphView::toGraph(QPointF p) const { return {p.x(), height() - p.y()}; }

QPointF CustomFadeGraphView::toWidget(QPointF p) const { return {p.x(), height() - p.y()}; }

void CustomFadeGraphView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    setFocus(Qt::MouseFocusReason);
    const QPointF p = toGraph(event->position());
    const rules::PanelRect graph = graphRect();
    if (rules::fadeLeftSlotRect(graph).contains(p.x(), p.y())) dragging_ = Knob::Left;
    else if (rules::fadeRightSlotRect(graph).contains(p.x(), p.y())) dragging_ = Knob::Right;
    else dragging_ = Knob::None;
    if (dragging_ != Knob::None) focusKnob_ = dragging_;
    applyAt(event->position());
    event->accept();
}

void CustomFadeGraphView::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) applyAt(event->position());
    event->accept();
}

void CustomFadeGraphView::mouseReleaseEvent(QMouseEvent* event) {
    dragging_ = Knob::None;
    event->accept();
}

void CustomFadeGraphView::applyAt(QPointF widgetPoint) {
    if (dragging_ == Knob::None) return;
    const double level = rules::fadeLevelAtY(graphRect(), toGraph(widgetPoint).y());
    if (dragging_ == Knob::Left) emit updateControllerStartValue(level);
    else emit updateControllerStopValue(level);
}

void CustomFadeGraphView::keyPressEvent(QKeyEvent* event) {
    // The keyboard's way to the same levels: a tenth per Up or Down.
    const double step = event->modifiers() & Qt::ShiftModifier ? 0.01 : 0.1;
    switch (event->key()) {
    case Qt::Key_Left: focusKnob_ = Knob::Left; update(); return;
    case Qt::Key_Right: focusKnob_ = Knob::Right; update(); return;
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const double delta = event->key() == Qt::Key_Up ? step : -step;
        const double current = focusKnob_ == Knob::Right ? stop_ : start_;
        const double level = EditActions::clampFadeLevel(std::round((current + delta) * 100.0) / 100.0);
        if (focusKnob_ == Knob::Right) emit updateControllerStopValue(level);
        else emit updateControllerStartValue(level);
        return;
    }
    default: QWidget::keyPressEvent(event);
    }
}

void CustomFadeGraphView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette::kFadeGraphBacking);
    const rules::PanelRect graph = graphRect();
    auto at = [&](double x, double y) { return toWidget(QPointF(x, y)); };

    QFont font = painter.font();
    font.setPixelSize(9);
    painter.setFont(font);
    QPen dashed(palette::kFadeGraphGrid, 1, Qt::DashLine);
    QPen solid(palette::kFadeGraphCurve, 1);
    for (int i = 0; i <= 10; ++i) {
        const double y = rules::fadeGridY(graph, i);
        painter.setPen(dashed);
        painter.drawLine(at(graph.x, y), at(graph.x + graph.width, y));
        painter.setPen(palette::kFadeGraphText);
        const QString label = QString::fromStdString(rules::fadeGridLabel(i));
        // The labels' boxes stand on y - 6 (their bottom in upward coordinates).
        const QPointF leftBase = at(graph.x - 22, y - 6);
        const QPointF rightBase = at(graph.x + graph.width + 5, y - 6);
        painter.drawText(QRectF(leftBase.x(), leftBase.y() - 12, 22, 12), Qt::AlignLeft | Qt::AlignBottom, label);
        painter.drawText(QRectF(rightBase.x(), rightBase.y() - 12, 25, 12), Qt::AlignLeft | Qt::AlignBottom, label);

        const double x = rules::fadeGridX(graph, i);
        if (i == 0 || i == 10) {
            painter.setPen(solid);
            painter.drawLine(at(x, graph.y - 10), at(x, graph.y + graph.height + 10));
        } else {
            painter.setPen(dashed);
            painter.drawLine(at(x, graph.y), at(x, graph.y + graph.height));
        }
    }

    painter.setRenderHint(QPainter::Antialiasing);
    const rules::PanelRect left = rules::fadeLeftKnobRect(graph, start_);
    const rules::PanelRect right = rules::fadeRightKnobRect(graph, stop_);
    const double yL = left.centreY();
    const double yR = right.centreY();
    QPolygonF curve;
    for (double x = graph.x; x < graph.x + graph.width; x += 1.0) curve << at(x, rules::fadeCurveY(graph, x, yL, yR));
    curve << at(graph.x + graph.width, yR);
    painter.setPen(QPen(Qt::red, 1));
    painter.drawPolyline(curve);

    for (const auto& [knob, which] : {std::pair{left, Knob::Left}, std::pair{right, Knob::Right}}) {
        const QPointF centre = at(knob.x + knob.width / 2, knob.centreY());
        painter.setBrush(Qt::white);
        painter.setPen(hasFocus() && focusKnob_ == which ? QPen(palette().highlight().color(), 2) : Qt::NoPen);
        painter.drawEllipse(centre, knob.width / 2, knob.height / 2);
    }
}

}  // namespace wavomer::app
