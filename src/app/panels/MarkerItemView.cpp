#include "panels/MarkerItemView.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QLineEdit>
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

MarkerItemView::MarkerItemView(WaveEditViewController& engine, QWidget* parent) : QWidget(parent), engine_(engine) {
    setFocusPolicy(Qt::TabFocus);
}

MarkerItemView::~MarkerItemView() {
    if (MarkerPtr marker = marker_.lock(); marker && marker->itemView == this) marker->itemView = nullptr;
}

void MarkerItemView::setMarker(const MarkerPtr& marker) {
    marker_ = marker;
    if (marker) setAccessibleName(rowText());
    update();
}

QString MarkerItemView::rowText() const {
    const MarkerPtr marker = marker_.lock();
    if (!marker) return {};
    QString text = QString::fromStdString(rules::markerRowText(marker->markerTime));
    if (marker->markerName) text += QStringLiteral("  ") + QString::fromStdString(*marker->markerName);
    return text;
}

void MarkerItemView::editName() {
    const MarkerPtr marker = marker_.lock();
    if (!marker || editor_) return;
    auto* editor = new QLineEdit(this);
    editor->setObjectName(QStringLiteral("markerNameField"));
    editor->setAccessibleName(Text::tr("Marker Name"));
    editor->setPlaceholderText(Text::tr("Marker Name"));
    editor->setText(QString::fromStdString(marker->markerName.value_or(std::string())));
    editor->setGeometry(rect().adjusted(2, 2, -2, -2));
    editor->selectAll();
    editor_ = editor;
    connect(editor, &QLineEdit::editingFinished, this, [this] { finishEditing(true); });
    editor->show();
    editor->setFocus(Qt::OtherFocusReason);
}

void MarkerItemView::finishEditing(bool keep) {
    QLineEdit* editor = editor_.data();
    if (!editor) return;
    editor_ = nullptr;
    const std::string name = editor->text().trimmed().toStdString();
    editor->hide();
    editor->deleteLater();
    const MarkerPtr marker = marker_.lock();
    if (keep && marker) {
        UserEvent event(engine_);
        engine_.setMarkerName(marker, name.empty() ? std::nullopt : std::optional<std::string>(name));
    }
    setAccessibleName(rowText());
    update();
}

void MarkerItemView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mouseDoubleClickEvent(event);
    editName();
}

void MarkerItemView::keyPressEvent(QKeyEvent* event) {
    if (editor_ && event->key() == Qt::Key_Escape) return finishEditing(false);
    if (!editor_ && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) return editName();
    QWidget::keyPressEvent(event);
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
    const QString label = metrics.elidedText(rowText(), Qt::ElideRight, width() - 12.0);
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
