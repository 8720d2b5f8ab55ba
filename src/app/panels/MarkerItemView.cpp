#include "panels/MarkerItemView.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"
#include "rules/MarkerListRules.h"
#include "base/Palette.h"
#include "base/Text.h"

namespace wavomer::app {

using palette::grey;

MarkerItemView::MarkerItemView(WaveEditViewController& engine, QWidget* parent) : QWidget(parent), engine_(engine) {}

MarkerItemView::~MarkerItemView() {
    if (MarkerPtr marker = marker_.lock(); marker && marker->itemView == this) marker->itemView = nullptr;
}

void MarkerItemView::setMarker(const MarkerPtr& marker) {
    marker_ = marker;
    if (marker) setAccessibleName(QString::fromStdString(rules::markerRowText(marker->markerTime)));
}

bool MarkerItemView::isSelectedMarker() const {
    const MarkerPtr marker = marker_.lock();
    return marker && marker == engine_.selectedMarkItem();
}

void MarkerItemView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const MarkerPtr marker = marker_.lock();
    const bool selected = isSelectedMarker();
    // A vertical gradient from the bottom up; the selected marker's row is opaque with red 10.
    const int red = selected ? 10 : 0;
    const double alpha = selected ? 1.0 : 0.5;
    QLinearGradient gradient(0, height(), 0, 0);
    QColor low(red, 58, 134), high(red, 75, 176);
    low.setAlphaF(static_cast<float>(alpha));
    high.setAlphaF(static_cast<float>(alpha));
    gradient.setColorAt(0.0, low);
    gradient.setColorAt(1.0, high);
    painter.fillRect(rect(), gradient);
    painter.setPen(QPen(grey(0.03), 1.0));
    painter.drawLine(QPointF(0, 0.5), QPointF(width(), 0.5));
    painter.drawLine(QPointF(0, height() - 0.5), QPointF(width(), height() - 0.5));
    if (!marker) return;
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(18);
    painter.setFont(font);
    const QFontMetricsF metrics(font);
    const QString label = QString::fromStdString(rules::markerRowText(marker->markerTime));
    const double top = (height() - metrics.height()) / 2.0;
    const QPointF at(6.0, top + metrics.ascent());
    // A soft black shadow around the text, then the text in grey 0.8.
    painter.setPen(palette::kMarkerRowLine);
    for (const QPointF d : {QPointF(-1, 0), QPointF(1, 0), QPointF(0, -1), QPointF(0, 1), QPointF(1, 1)})
        painter.drawText(at + d, label);
    painter.setPen(grey(0.8));
    painter.drawText(at, label);
}

void MarkerItemView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    emit clicked(this);
}

}  // namespace wavomer::app
