#include "timeline/RulerPainter.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>

#include "base/Palette.h"
#include "rules/WindowRules.h"

namespace wavomer::app {

using palette::grey;

void paintRuler(QPainter& painter, const QRect& area, const RulerLook& look, int offset, double pixelsPerSecond) {
    const QRectF band = look.band;
    const QRectF strip = band.intersected(QRectF(area));
    if (strip.isEmpty()) return;
    QLinearGradient gradient(0, band.bottom(), 0, band.top());
    gradient.setColorAt(0.0, grey(look.bottomGrey));
    gradient.setColorAt(1.0, grey(look.topGrey));
    painter.fillRect(strip, gradient);
    if (look.edgeBelow) {
        const int bottom = static_cast<int>(band.bottom());
        painter.fillRect(QRect(area.left(), bottom - 1, area.width(), 1), grey(0.23));
        painter.fillRect(QRect(area.left(), bottom - 2, area.width(), 1), Qt::black);
    }
    const QColor tickColour = grey(0.882);
    QFont font = painter.font();
    font.setPixelSize(look.fontPixels);
    painter.setFont(font);
    painter.setPen(tickColour);
    const QFontMetrics metrics(font);
    // Labels reach to the right of their tick, so ticks left of the area are visited too.
    for (const rules::RulerTick& tick : rules::rulerTicks(area.left(), area.right(), offset)) {
        const double top = look.ticksFromTop ? band.top() : band.bottom() - tick.length;
        painter.fillRect(QRectF(tick.viewX - 0.5, top, 1.0, tick.length), tickColour);
        if (!tick.labelled || !(pixelsPerSecond > 0.0)) continue;
        const double contentX = 10.0 * static_cast<double>(tick.index);
        const QString label = QString::fromStdString(rules::rulerLabel(contentX, pixelsPerSecond));
        const double baseline = look.ticksFromTop ? band.bottom() - 5 - metrics.descent() : band.top() + 2 + metrics.ascent();
        painter.drawText(QPointF(contentX - offset + 2.0, baseline), label);
    }
}

}  // namespace wavomer::app
