// QuickLookWaveView: the overview strip above the rows. It shows the whole project: a
// ruler at the overview's scale, the mean waveform of all tracks, the markers, the
// cursor, and a slide block marking the part of the rows that is visible. A press
// outside the block centres the block on it; dragging moves the block; either scrolls
// the rows. A cursor move repaints only the two 6-pixel strips around the old and the
// new cursor; the whole strip repaints when the rows' visible region changed.
// Numbers come from the overview rules; the view reads the engine and never edits it.
//
// Threads: main thread.
#pragma once

#include <QColor>
#include <QRect>
#include <QRegion>
#include <QWidget>

#include "engine/EngineHost.h"

namespace wavomer {
class WaveEditViewController;
}

namespace wavomer::app {

class Viewport;

class QuickLookWaveView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 84;

    // Shows the rows' visible region of viewport and moves its origin.
    QuickLookWaveView(WaveEditViewController& engine, Viewport& viewport, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {400, kHeight}; }

    double pixelPerSecond() const;
    QRectF rularRect() const;
    QRectF waveRect() const;
    QRectF slideBlockRect() const;
    bool isMouseHitSlide(const QPointF& point) const;
    // The strip around the cursor as it is now: from x - 3, 6 pixels wide, the view's height.
    QRectF timelineUpdateRect() const;
    QRectF lastTimelineDrawRect() const { return lastTimelineDrawRect_; }
    void setWaveColor(const QColor& color) { waveColor_ = color; }
    // The area the last paint covered (what a cursor move repainted).
    QRegion lastPaintedRegion() const { return lastPaintedRegion_; }

public slots:
    // The cursor moved: repaint the strip where it was drawn and the one where it is.
    void flushTimeline();
    // The rows scrolled (only the slide block moves) or resized (the whole strip).
    void visibleRegionChanged();
    // Tracks, zoom or markers changed.
    void reloadView();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void changeClipViewWithSlideBlockX(double blockX);
    void paintGlyph(QPainter& painter, const QRect& area, double scale);

    WaveEditViewController& engine_;
    Viewport& viewport_;
    QColor waveColor_;
    VisibleRegion lastTimeScrollerVisibleRect_{-1.0, -1.0, -1.0};
    QRectF lastTimelineDrawRect_;
    QRect lastBlockRect_;  // where the slide block was last drawn
    QRegion lastPaintedRegion_;
    bool dragging_ = false;
    double pressX_ = 0.0;
    double pressBlockX_ = 0.0;
};

}  // namespace wavomer::app
