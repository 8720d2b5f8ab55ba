#include "window/TimeDisplay.h"

#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>

#include "rules/WindowRules.h"
#include "base/Palette.h"
#include "base/Text.h"
#include "window/AccessibleViews.h"

namespace wavomer::app {

namespace {
QFont displayFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(20);
    font.setBold(true);
    return font;
}
}  // namespace

TimeDisplay::TimeDisplay(QWidget* parent) : QWidget(parent) {
    installAccessibleViews();
    setAccessibleName(Text::tr("Current Time"));
    setAccessibleDescription(displayedText());
    setFixedSize(sizeHint());
}

QSize TimeDisplay::sizeHint() const {
    const QFontMetrics metrics(displayFont());
    return {metrics.horizontalAdvance(QStringLiteral("00:00:00.00")) + 24, metrics.height() + 10};
}

void TimeDisplay::setShowTime(float seconds) {
    time_ = seconds > 0.0f ? seconds : 0.0f;
    setAccessibleDescription(displayedText());
    update();
}

QString TimeDisplay::displayedText() const { return QString::fromStdString(rules::timeDisplayText(time_)); }

void TimeDisplay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath backing;
    backing.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    painter.fillPath(backing, palette::kTimeDisplayBacking);
    painter.setPen(palette::kTimeDisplayEdge);
    painter.drawPath(backing);
    painter.setFont(displayFont());
    painter.setPen(palette::kCursor);
    painter.drawText(rect(), Qt::AlignCenter, displayedText());
}

}  // namespace wavomer::app
