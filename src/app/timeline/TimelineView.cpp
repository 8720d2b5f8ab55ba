#include "timeline/TimelineView.h"

#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QUrl>
#include <algorithm>
#include <cmath>

#include "base/Document.h"
#include "engine/EditGesture.h"
#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"
#include "model/AudioTrack.h"
#include "rules/RowRaster.h"
#include "rules/WindowRules.h"
#include "base/Palette.h"
#include "base/Text.h"

namespace wavomer::app {

using palette::grey;

namespace {

constexpr int kDrawMargin = 50;  // rows draw 50 pixels beyond the exposed area

}  // namespace

TimelineView::TimelineView(Document& document, QWidget* parent)
    : QAbstractScrollArea(parent),
      document_(document),
      engine_(document.engine()),
      waveColor_(14, 140, 150),
      gesture_(std::make_unique<EditGesture>(engine_)) {
    setFocusPolicy(Qt::StrongFocus);
    autoScroll_.setInterval(static_cast<int>(EditGesture::kAutoScrollSeconds * 1000.0));
    connect(&autoScroll_, &QTimer::timeout, this, &TimelineView::autoScrollTick);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFrameShape(QFrame::NoFrame);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(Text::tr("Tracks"));
    setMinimumHeight(120);
}

TimelineView::~TimelineView() = default;

VisibleRegion TimelineView::visibleRegion() const {
    VisibleRegion region;
    region.originX = horizontalScrollBar()->value();
    region.width = std::max(viewport()->width(), 1);
    region.height = std::max(viewport()->height(), 1);
    return region;
}

int TimelineView::originX() const { return horizontalScrollBar()->value(); }

void TimelineView::setVisibleOriginX(double x) {
    // The content may have changed in the same event (a zoom, an edit) while its reload is
    // still queued: the scroll range follows it first, so x is not clamped to the old one.
    updateScrollRange();
    horizontalScrollBar()->setValue(static_cast<int>(std::lround(x)));
}

void TimelineView::reloadView() {
    // The content changed: the scroll range follows it. A row whose sections, zoom or
    // height changed finds its cached columns under another key and computes them anew.
    ++reloads_;
    updateScrollRange();
    viewport()->update();
    emit scrolled();
}

void TimelineView::updateScrollRange() {
    const double content = engine_.contentWidth();
    const int width = std::max(viewport()->width(), 1);
    const double range = std::clamp(std::ceil(content - width), 0.0, 2147483000.0);
    QScrollBar* bar = horizontalScrollBar();
    bar->setRange(0, static_cast<int>(range));
    bar->setPageStep(width);
    bar->setSingleStep(16);
}

void TimelineView::initRecordStatusInTrack() {
    recordUsedTracks_.clear();
    for (const auto& track : engine_.timelineTrackArray()) recordUsedTracks_.push_back(track.get());
}

bool TimelineView::isRecordUsedTrack(size_t row) const {
    const auto& tracks = engine_.audioTrackArray();
    if (row >= tracks.size() || !document_.isRecording()) return false;
    return std::find(recordUsedTracks_.begin(), recordUsedTracks_.end(), tracks[row].get()) != recordUsedTracks_.end();
}

void TimelineView::updateAllWaveViewWhenRecordingWithDuration(double) {
    // The engine's content width already holds the recorded length and 50 pixels of room;
    // the rows that do not receive the recording keep their cached columns.
    updateScrollRange();
    viewport()->update();
    emit scrolled();
}

void TimelineView::redrawAll() { viewport()->update(); }

void TimelineView::redrawCursorStrip(double contentX) {
    const double x = contentX - originX();
    viewport()->update(QRect(static_cast<int>(std::floor(x - 3.0)), 0, 7, viewport()->height()));
}

void TimelineView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    reloadView();
}

void TimelineView::scrollContentsBy(int dx, int dy) {
    viewport()->scroll(dx, 0);
    emit contentScrolled(dx);
}

void TimelineView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect exposed = event->rect();
    paintRows(painter, exposed);
    paintOverlays(painter, exposed);
}

// The rows are written straight into an image of the exposed area, one device pixel at a
// time, then copied out at once: a waveform is one span per pixel column, and thousands of
// one-pixel-wide fills cost the painter far more than the pixels themselves. Every edge
// is rounded as the painter rounds a filled rectangle's, so the picture is the same.
void TimelineView::paintRows(QPainter& painter, const QRect& exposed) {
    const auto& tracks = engine_.audioTrackArray();
    if (tracks.empty()) {
        painter.fillRect(exposed, grey(0.13));
        return;
    }
    const double rowHeight = engine_.waveTrackCurrentHeight();
    const double origin = originX();
    const double pps = engine_.currentPixelPerSecond;
    const double ratio = viewport()->devicePixelRatioF();
    const QColor centreColour = QColor::fromRgbF(0.302f, 0.380f, 0.380f);
    auto device = [ratio](double logical) { return rules::deviceCoordinate(logical, ratio); };
    const int bandLeft = device(exposed.left()), bandTop = device(exposed.top());
    const int bandWidth = device(exposed.right() + 1) - bandLeft, bandHeight = device(exposed.bottom() + 1) - bandTop;
    if (bandWidth <= 0 || bandHeight <= 0) return;
    // One image as large as the viewport, kept between paints; the exposed part is
    // written at its own place in it.
    const int fullWidth = device(viewport()->width()), fullHeight = device(viewport()->height());
    if (band_.width() < fullWidth || band_.height() < fullHeight || band_.width() < bandLeft + bandWidth ||
        band_.height() < bandTop + bandHeight)
        band_ = QImage(std::max(fullWidth, bandLeft + bandWidth), std::max(fullHeight, bandTop + bandHeight),
                       QImage::Format_ARGB32_Premultiplied);
    const std::ptrdiff_t stride = band_.bytesPerLine() / 4;
    rules::PixelBand pixels{reinterpret_cast<uint32_t*>(band_.bits()) + bandTop * stride + bandLeft, stride, bandWidth,
                            bandHeight};
    rules::fillBandLines(pixels, 0, bandHeight, grey(0.13).rgba());
    // Whole device lines [top, bottom) of the band, in viewport device pixels.
    auto fillLines = [&](int top, int bottom, QRgb colour) {
        rules::fillBandLines(pixels, top - bandTop, bottom - bandTop, colour);
    };
    const QRgb wave = waveColor_.rgba();
    // The rows span the longest track; the waveform is drawn within them only.
    const bool recording = document_.isRecording();
    const double recordedLength = recording ? engine_.recordEndTime - engine_.recordStartTime : 0.0;
    // A row receiving the recording reaches the recorded length further.
    const double rowRight = engine_.longestTrackWidth() + std::max(recordedLength, 0.0) * pps;
    rules::RecordingShown shown{engine_.recordStartTime, engine_.recordEndTime,
                                [this](double time) { return engine_.readRecordAudioLevelWithTime(time); }};
    const double left = std::max(exposed.left() - kDrawMargin + origin, 0.0);
    const double right = std::min(exposed.right() + 1 + kDrawMargin + origin, rowRight);
    // Rows in the track selection are tinted, so a selection of one channel of a pair
    // shows before an edit acts on it.
    const auto& selection = engine_.timelineTrackArray();
    for (size_t i = 0; i < tracks.size(); ++i) {
        const double y = static_cast<double>(i) * rowHeight;
        if (y > exposed.bottom() + 1 || y + rowHeight < exposed.top()) continue;
        const double centreLine = std::floor(y + rowHeight / 2.0), separator = std::floor(y);
        if (std::find(selection.begin(), selection.end(), tracks[i]) != selection.end())
            fillLines(device(separator), device(std::floor(y + rowHeight)), palette::kSelectedRowBacking.rgba());
        fillLines(device(centreLine), device(centreLine + 1.0), centreColour.rgba());
        fillLines(device(separator), device(separator + 1.0), qRgb(0, 0, 0));
        if (right <= left) continue;
        const auto first = static_cast<int64_t>(std::floor(left * ratio));
        const auto last = static_cast<int64_t>(std::ceil(right * ratio));
        AudioTrack& track = *tracks[i];
        const bool receiving = recording && isRecordUsedTrack(i);
        auto compute = [&](int64_t from, int64_t count, std::vector<double>& out) {
            rules::rowColumnHalfHeights(track, pps, rowHeight, from, count, ratio, out, receiving ? &shown : nullptr);
        };
        const double* heights = nullptr;
        if (receiving) {
            // The recording changes the row's values on every tick: computed afresh.
            compute(first, last - first, heights_);
            heights = heights_.data();
        } else {
            const RowCacheKey key{pps, rowHeight, ratio, rowSignature(track)};
            heights = rowCache_.heights(i, key, first, last - first, compute);
        }
        // The columns inside the band: device column c lies at c - origin in the viewport.
        const int64_t shift = static_cast<int64_t>(std::lround(origin * ratio));
        const int64_t from = std::max<int64_t>(first, bandLeft + shift);
        const int64_t to = std::min<int64_t>(last, bandLeft + shift + bandWidth);
        if (to <= from) continue;
        const double centre = y + rowHeight / 2.0;
        const auto count = static_cast<size_t>(to - from);
        spanTop_.resize(count);
        spanBottom_.resize(count);
        const rules::SpanLines lines = rules::columnSpans(heights + (from - first), count, centre, ratio, bandTop,
                                                          spanTop_.data(), spanBottom_.data());
        rules::rasterSpans(pixels, static_cast<int>(from - shift - bandLeft), spanTop_.data(), spanBottom_.data(), count,
                           lines, wave);
    }
    painter.drawImage(QRectF(exposed), band_, QRectF(bandLeft, bandTop, bandWidth, bandHeight));
}

void TimelineView::paintOverlays(QPainter& painter, const QRect& exposed) {
    const auto& tracks = engine_.audioTrackArray();
    const double rowHeight = engine_.waveTrackCurrentHeight();
    const double origin = originX();
    // The rows of the selected tracks.
    double top = 9999.0, bottom = 0.0;
    for (const auto& selected : engine_.timelineTrackArray()) {
        auto at = std::find(tracks.begin(), tracks.end(), selected);
        if (at == tracks.end()) continue;
        const double y = static_cast<double>(at - tracks.begin()) * rowHeight;
        top = std::min(top, y);
        bottom = std::max(bottom, y + rowHeight);
    }
    const bool anySelected = bottom > top;
    const double start = engine_.selectedTimelineStartTime();
    const double end = engine_.selectedTimelineEndTime();
    if (start != end && !engine_.selectedMarkItem() && anySelected) {
        const double x1 = engine_.timeToPointX(std::min(start, end)) - origin;
        const double x2 = engine_.timeToPointX(std::max(start, end)) - origin;
        painter.fillRect(QRectF(x1, top, x2 - x1, bottom - top), QColor::fromRgbF(0.0f, 0.0f, 1.0f, 0.5f));
    }
    lastDrawTimelineTime_ = engine_.currentTimelineTime();
    if (anySelected) {
        const double x = engine_.timeToPointX(engine_.currentTimelineTime()) - origin;
        const QColor cursor = document_.isRecording() ? palette::kRecordingCursor : palette::kCursor;
        painter.fillRect(QRectF(std::floor(x), top, 1.0, bottom - top), cursor);
    }
    const double allRows = rowHeight * static_cast<double>(tracks.size());
    for (const auto& marker : engine_.markArray()) {
        const double x = engine_.timeToPointX(marker->markerTime) - origin;
        if (x < exposed.left() - 2 || x > exposed.right() + 2) continue;
        const QColor colour = marker == engine_.selectedMarkItem() ? palette::kSelectedMarker : palette::kMarker;
        painter.fillRect(QRectF(x - 1.0, 0.0, 2.0, allRows), colour);
    }
}

bool TimelineView::acceptsDrag(const QMimeData* mime) const {
    if (!mime || !mime->hasUrls()) return false;
    if (canImport && !canImport()) return false;
    const QList<QUrl> urls = mime->urls();
    return !urls.isEmpty() && urls.first().isLocalFile();
}

void TimelineView::dragEnterEvent(QDragEnterEvent* event) {
    if (acceptsDrag(event->mimeData())) event->acceptProposedAction();
    else event->ignore();
}

void TimelineView::dragMoveEvent(QDragMoveEvent* event) {
    if (acceptsDrag(event->mimeData())) event->acceptProposedAction();
    else event->ignore();
}

void TimelineView::dropEvent(QDropEvent* event) {
    if (!acceptsDrag(event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Only the first file is imported; the import starts after the drop has finished.
    const QString path = event->mimeData()->urls().first().toLocalFile();
    QMetaObject::invokeMethod(this, [this, path] { emit fileDropped(path); }, Qt::QueuedConnection);
}

bool TimelineView::isDragging() const { return gesture_->isDragging(); }

// Presses, drags and releases arrive in the viewport's coordinates; the rules take the
// content's (x from the start of the project), so the visible origin is added.
void TimelineView::pressAt(QMouseEvent* event, int clickCount) {
    if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
    setFocus(Qt::MouseFocusReason);
    event->accept();
    const QPointF at = event->position();
    EditGesture::Press press;
    {
        UserEvent scope(engine_);
        press = gesture_->press(at.x() + originX(), at.y(), clickCount);
    }
    if (press == EditGesture::Press::startsDrag) autoScroll_.start();
}

void TimelineView::mousePressEvent(QMouseEvent* event) { pressAt(event, 1); }

// The second press of a double click comes here instead of to mousePressEvent.
void TimelineView::mouseDoubleClickEvent(QMouseEvent* event) { pressAt(event, 2); }

void TimelineView::mouseMoveEvent(QMouseEvent* event) {
    if (!gesture_->isDragging() || !(event->buttons() & Qt::LeftButton)) return QAbstractScrollArea::mouseMoveEvent(event);
    event->accept();
    const QPointF at = event->position();
    UserEvent scope(engine_);
    gesture_->drag(at.x() + originX(), at.y(), visibleRegion());
}

void TimelineView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !gesture_->isDragging())
        return QAbstractScrollArea::mouseReleaseEvent(event);
    event->accept();
    autoScroll_.stop();
    UserEvent scope(engine_);
    gesture_->release();
}

void TimelineView::autoScrollTick() {
    if (!gesture_->isDragging()) return autoScroll_.stop();
    UserEvent scope(engine_);
    const VisibleRegion region = visibleRegion();
    const double origin = gesture_->autoScrollStep(region);
    if (origin != region.originX) setVisibleOriginX(origin);
}

// Qt counts a wheel in eighths of a degree, 120 to the usual notch; one notch is one
// wheel unit here, the unit the scroll and zoom rules are written in (a line of a
// classic wheel). Positive x is a turn towards the start of the project, positive y a
// turn away from the user (zoom in). Shift turns a vertical wheel into a horizontal one,
// as on most Linux desktops.
void TimelineView::wheelEvent(QWheelEvent* event) {
    // While recording too: a long take can be zoomed and scrolled (presses stay ignored).
    event->accept();
    QPointF units = QPointF(event->angleDelta()) / 120.0;
    if (event->modifiers() & Qt::ShiftModifier) units = QPointF(units.x() + units.y(), 0.0);
    const VisibleRegion region = visibleRegion();
    const double origin = wheelScrolledOrigin(region.originX, units.x(), region.width, engine_.contentWidth());
    if (origin != region.originX) setVisibleOriginX(origin);
    if (std::fabs(units.y()) > 0.01) emit zoomWheelTurned(units.y());
}

void TimelineView::keyPressEvent(QKeyEvent* event) {
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    const Qt::KeyboardModifiers others = event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (others != Qt::NoModifier || gesture_->isDragging()) return QAbstractScrollArea::keyPressEvent(event);
    switch (event->key()) {
    case Qt::Key_PageUp: return emit commandRequested(QStringLiteral("lastMarkAction"));
    case Qt::Key_PageDown: return emit commandRequested(QStringLiteral("nextMarkAction"));
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Escape: break;
    default: return QAbstractScrollArea::keyPressEvent(event);
    }
    event->accept();
    {
        UserEvent scope(engine_);
        switch (event->key()) {
        case Qt::Key_Home: moveCursorTo(engine_, 0.0, extend); break;
        case Qt::Key_End: moveCursorTo(engine_, engine_.farestTrackEndTime(), extend); break;
        case Qt::Key_Left: moveCursorByColumns(engine_, -1, extend); break;
        case Qt::Key_Right: moveCursorByColumns(engine_, 1, extend); break;
        default: collapseSelection(engine_); break;
        }
        engine_.centreCursorIfHidden();
    }
}

}  // namespace wavomer::app
