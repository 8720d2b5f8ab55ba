#include "panels/MarkerListPanel.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>

#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"
#include "rules/MarkerListRules.h"
#include "base/Palette.h"
#include "base/Text.h"

namespace wavomer::app {

namespace {

QColor grey(double level, double alpha = 1.0) {
    const auto l = static_cast<float>(level);
    return QColor::fromRgbF(l, l, l, static_cast<float>(alpha));
}

}  // namespace

// --- one row ---------------------------------------------------------------------------

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

// --- the table ---------------------------------------------------------------------------

MarkerTableView::MarkerTableView(WaveEditViewController& engine, QWidget* parent) : QWidget(parent), engine_(engine) {}

MarkerItemView* MarkerTableView::rowOf(const MarkerItem& marker) const {
    auto* candidate = static_cast<MarkerItemView*>(marker.itemView);
    if (!candidate) return nullptr;
    // The pointer is only trusted while it is one of this table's rows showing that marker.
    if (std::find(rows_.begin(), rows_.end(), candidate) == rows_.end()) return nullptr;
    return candidate->marker().get() == &marker ? candidate : nullptr;
}

void MarkerTableView::reloadView(int scrollHeight) {
    const std::vector<MarkerPtr>& markers = engine_.markArray();
    resize(width(), static_cast<int>(rules::markerTableHeight(markers.size(), scrollHeight)));
    // Rows whose marker left the list go.
    std::vector<MarkerItemView*> kept;
    for (MarkerItemView* row : rows_) {
        const MarkerPtr marker = row->marker();
        if (marker && std::find(markers.begin(), markers.end(), marker) != markers.end()) kept.push_back(row);
        else delete row;
    }
    rows_ = std::move(kept);
    std::vector<MarkerItemView*> ordered;
    ordered.reserve(markers.size());
    for (size_t i = 0; i < markers.size(); ++i) {
        MarkerItemView* row = rowOf(*markers[i]);
        if (!row) {
            row = new MarkerItemView(engine_, this);
            row->setMarker(markers[i]);
            markers[i]->itemView = row;
            connect(row, &MarkerItemView::clicked, this, &MarkerTableView::rowClicked);
            rows_.push_back(row);
        }
        row->setMarker(markers[i]);  // the time may have changed
        const rules::MarkerRowFrame frame = rules::markerRowFrame(i, width());
        row->setGeometry(static_cast<int>(frame.x), static_cast<int>(frame.y), static_cast<int>(frame.width),
                         static_cast<int>(frame.height));
        row->show();
        row->update();
        ordered.push_back(row);
    }
    rows_ = std::move(ordered);
    update();
}

// --- the panel ---------------------------------------------------------------------------

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
