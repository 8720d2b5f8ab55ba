#include "timeline/QuickLookWaveView.h"

#include "base/Viewport.h"
#include "timeline/RulerPainter.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "engine/WaveEditViewController.h"
#include "rules/OverviewRules.h"
#include "rules/WindowRules.h"
#include "base/Palette.h"
#include "base/Text.h"

namespace wavomer::app {

using palette::grey;

namespace {

QRectF toQt(const rules::OverviewRect& r) { return {r.x, r.y, r.width, r.height}; }

}  // namespace

QuickLookWaveView::QuickLookWaveView(WaveEditViewController& engine, Viewport& viewport, QWidget* parent)
    : QWidget(parent), engine_(engine), viewport_(viewport),
      waveColor_(14, 140, 150) {
    setFixedHeight(kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(Text::tr("Overview"));
}

double QuickLookWaveView::pixelPerSecond() const {
    const VisibleRegion region = viewport_.visibleRegion();
    return rules::overviewPixelPerSecond(engine_.currentPixelPerSecond, engine_.contentWidth(), region.width,
                                         width(), engine_.farestTrackEndTime());
}

QRectF QuickLookWaveView::rularRect() const { return toQt(rules::overviewRulerRect(width())); }

QRectF QuickLookWaveView::waveRect() const { return toQt(rules::overviewWaveRect(width(), height())); }

QRectF QuickLookWaveView::slideBlockRect() const {
    const VisibleRegion region = viewport_.visibleRegion();
    const QRectF wave = waveRect();
    const rules::SlideBlock block =
        rules::overviewSlideBlock(wave.width(), region.originX, engine_.contentWidth(), region.width);
    return {wave.x() + block.x, wave.y(), block.width, wave.height()};
}

bool QuickLookWaveView::isMouseHitSlide(const QPointF& point) const {
    const QRectF block = slideBlockRect();
    return point.x() >= block.left() && point.x() < block.right();
}

QRectF QuickLookWaveView::timelineUpdateRect() const {
    const double x = rules::overviewTimeX(engine_.currentTimelineTime(), pixelPerSecond());
    return toQt(rules::overviewCursorStrip(x, height()));
}

void QuickLookWaveView::flushTimeline() {
    if (!lastTimelineDrawRect_.isNull()) update(lastTimelineDrawRect_.toAlignedRect());
    lastTimelineDrawRect_ = timelineUpdateRect();
    update(lastTimelineDrawRect_.toAlignedRect());
}

void QuickLookWaveView::visibleRegionChanged() {
    const VisibleRegion region = viewport_.visibleRegion();
    if (region.originX == lastTimeScrollerVisibleRect_.originX && region.width == lastTimeScrollerVisibleRect_.width &&
        region.height == lastTimeScrollerVisibleRect_.height)
        return;
    const bool resized = region.width != lastTimeScrollerVisibleRect_.width ||
                         region.height != lastTimeScrollerVisibleRect_.height;
    lastTimeScrollerVisibleRect_ = region;
    if (resized) {
        update();
        return;
    }
    // A scroll moves only the slide block: where it was and where it is now are repainted.
    const QRect block = slideBlockRect().toAlignedRect().adjusted(-1, -1, 1, 1);
    if (!lastBlockRect_.isNull()) update(lastBlockRect_);
    update(block);
    lastBlockRect_ = block;
}

void QuickLookWaveView::reloadView() { update(); }

void QuickLookWaveView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect area = event->rect();
    lastPaintedRegion_ = event->region();
    const double scale = pixelPerSecond();
    const QRectF wave = waveRect();
    painter.fillRect(area, grey(0.11));
    painter.fillRect(QRectF(area.left(), rules::kOverviewRulerHeight, area.width(), 1.0), grey(0.03));
    RulerLook ruler;
    ruler.band = rularRect();
    ruler.bottomGrey = 0.12;
    ruler.topGrey = 0.15;
    paintRuler(painter, area, ruler, 0, scale);
    if (!engine_.audioTrackArray().empty()) paintGlyph(painter, area, scale);
    for (const auto& marker : engine_.markArray()) {
        const double x = rules::overviewTimeX(marker->markerTime, scale);
        if (x < area.left() - 2 || x > area.right() + 2) continue;
        painter.fillRect(QRectF(x - 1.0, wave.y(), 2.0, wave.height()), palette::kMarker);
    }
    const double cursorX = rules::overviewTimeX(engine_.currentTimelineTime(), scale);
    painter.fillRect(QRectF(std::floor(cursorX), wave.y(), 1.0, wave.height()), palette::kCursor);
    lastTimelineDrawRect_ = timelineUpdateRect();
    const VisibleRegion region = viewport_.visibleRegion();
    if (!rules::overviewContentFits(engine_.contentWidth(), region.width)) {
        const QRectF block = slideBlockRect();
        lastBlockRect_ = block.toAlignedRect().adjusted(-1, -1, 1, 1);
        painter.fillRect(block, palette::kOverviewBlockFill);
        painter.setPen(QPen(palette::kOverviewBlockEdge, 1.0));
        painter.drawRect(block.adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

void QuickLookWaveView::paintGlyph(QPainter& painter, const QRect& area, double scale) {
    const QRectF wave = waveRect();
    const double ratio = devicePixelRatioF();
    const double centre = wave.y() + wave.height() / 2.0;
    QColor colour = waveColor_;
    colour.setAlphaF(colour.alphaF() * 0.5f);
    const auto& tracks = engine_.audioTrackArray();
    // One span per device-pixel column of the exposed part of the wave rectangle.
    const double left = std::max<double>(area.left(), wave.left());
    const double right = std::min<double>(area.right() + 1, wave.right());
    const auto first = static_cast<int64_t>(std::floor(left * ratio));
    const auto last = static_cast<int64_t>(std::ceil(right * ratio));
    for (int64_t c = first; c < last; ++c) {
        const double x = static_cast<double>(c) / ratio;
        const double h = rules::overviewGlyphHalfHeight(rules::overviewColumnValue(tracks, x - wave.x(), scale));
        painter.fillRect(QRectF(x, centre - h, 1.0 / ratio, 2.0 * h), colour);
    }
}

void QuickLookWaveView::changeClipViewWithSlideBlockX(double blockX) {
    const VisibleRegion region = viewport_.visibleRegion();
    const QRectF wave = waveRect();
    const QRectF block = slideBlockRect();
    const double origin = rules::overviewVisibleOriginForBlock(blockX, block.width(), wave.width(),
                                                               engine_.contentWidth(), region.width);
    viewport_.setVisibleOriginX(origin);
}

void QuickLookWaveView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    const VisibleRegion region = viewport_.visibleRegion();
    dragging_ = true;
    pressX_ = event->position().x();
    const QRectF wave = waveRect();
    const QRectF block = slideBlockRect();
    pressBlockX_ = block.x() - wave.x();
    if (rules::overviewContentFits(engine_.contentWidth(), region.width)) return;
    if (!isMouseHitSlide(event->position())) {
        pressBlockX_ = rules::overviewBoundBlockX(rules::overviewBlockXCentredOn(pressX_ - wave.x(), block.width()),
                                                  block.width(), wave.width());
        changeClipViewWithSlideBlockX(pressBlockX_);
    }
}

void QuickLookWaveView::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_ || !(event->buttons() & Qt::LeftButton)) return;
    const VisibleRegion region = viewport_.visibleRegion();
    if (rules::overviewContentFits(engine_.contentWidth(), region.width)) return;
    const QRectF wave = waveRect();
    const double blockWidth = slideBlockRect().width();
    const double x = rules::overviewBoundBlockX(pressBlockX_ + (event->position().x() - pressX_), blockWidth,
                                                wave.width());
    changeClipViewWithSlideBlockX(x);
}

void QuickLookWaveView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) dragging_ = false;
}

}  // namespace wavomer::app
