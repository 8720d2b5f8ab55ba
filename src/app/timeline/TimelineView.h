// TimelineView: the one scrolling viewport for every track row of a project. It draws,
// for the exposed area only, the row backgrounds, centre lines and separators, each
// row's waveform as one span per device-pixel column (read from the shared wave data
// through the row rules), and on top the selection rectangle, the cursor line and the
// marker lines. It also is the drop target for media files, and takes the mouse, the
// wheel and the cursor keys of editing (the rules are the engine's EditGesture).
//
// The horizontal scroll bar is the visible region's origin; the rows fill the visible
// height, as the engine's row height is the visible height divided by the tracks. The
// view is the window's Viewport: the ruler, the overview and the bridge read and move
// the visible region through it.
//
// Threads: main thread.
#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QImage>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "base/Viewport.h"
#include "engine/EngineHost.h"
#include "timeline/RowHeightCache.h"

class QMimeData;

namespace wavomer {
class AudioTrack;
class EditGesture;
class WaveEditViewController;
}

namespace wavomer::app {

class Document;

class TimelineView : public QAbstractScrollArea, public Viewport {
    Q_OBJECT
public:
    explicit TimelineView(Document& document, QWidget* parent = nullptr);
    ~TimelineView() override;

    // Viewport
    VisibleRegion visibleRegion() const override;
    void setVisibleOriginX(double x) override;
    double lastDrawTimelineTime() const override { return lastDrawTimelineTime_; }

    int originX() const;
    // How often the rows reloaded (their content changed): the tests count the reloads
    // a command causes.
    int reloadCount() const { return reloads_; }
    void setWaveColor(const QColor& color) { waveColor_ = color; }
    QColor waveColor() const { return waveColor_; }
    const RowHeightCache& rowCache() const { return rowCache_; }
    // The engine whose tracks the rows show (read by the accessibility of the rows).
    WaveEditViewController& engine() const { return engine_; }

    // Whether a press is dragging (until its release).
    bool isDragging() const;
    // Whether row i receives the running recording.
    bool isRecordUsedTrack(size_t row) const;
    // Whether a drop is taken now (not while recording, a modal dialog or a sheet runs).
    std::function<bool()> canImport;

public slots:
    // The content's size changed (tracks, zoom, length): scroll range and full redraw.
    void reloadView();
    void redrawAll();
    // Redraws the 6-pixel strip around the cursor line at content x.
    void redrawCursorStrip(double contentX);
    // A recording starts: the rows of the selected tracks receive it.
    void initRecordStatusInTrack();
    // The recorded length grew: the content reaches further and the rows show it.
    void updateAllWaveViewWhenRecordingWithDuration(double seconds);

signals:
    void fileDropped(const QString& path);
    void scrolled();
    // The rows moved by dx pixels (a scroll); what follows them can move its pixels too.
    void contentScrolled(int dx);
    // The vertical wheel turned by deltaY wheel units (a notch is one): the window zooms.
    void zoomWheelTurned(double deltaY);
    // A key that runs a command of the window (Page Up and Page Down: the markers).
    void commandRequested(const QString& id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void paintRows(QPainter& painter, const QRect& exposed);
    void paintOverlays(QPainter& painter, const QRect& exposed);
    bool acceptsDrag(const QMimeData* mime) const;
    void pressAt(QMouseEvent* event, int clickCount);
    void autoScrollTick();
    void updateScrollRange();

    Document& document_;
    WaveEditViewController& engine_;
    QColor waveColor_;
    int reloads_ = 0;
    double lastDrawTimelineTime_ = 0.0;
    std::vector<double> heights_;
    QImage band_;  // the exposed rows, written pixel by pixel
    std::vector<int32_t> spanTop_, spanBottom_;
    RowHeightCache rowCache_;
    std::unique_ptr<EditGesture> gesture_;
    QTimer autoScroll_;  // every 0.1 s while a drag runs
    std::vector<const AudioTrack*> recordUsedTracks_;  // the tracks receiving the recording
};

}  // namespace wavomer::app
