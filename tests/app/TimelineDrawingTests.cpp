// What the rows draw, checked on the pixels of the viewport.
#include <QCoreApplication>
#include <QImage>
#include <QScreen>
#include <QScrollBar>
#include <QScrollBar>

#include "AppTestSupport.h"
#include "base/Palette.h"
#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"
#include "rules/WindowRules.h"
#include "timeline/RulerView.h"
#include "timeline/TimelineView.h"
#include "window/TimeDisplay.h"

namespace wavomer::app::test {

namespace {

using TimelineDrawing = WindowTest;

// The colour at logical (x, y), read from the device pixel at its top left, so the
// checks hold at any device pixel ratio.
bool isColour(const QImage& image, double logicalX, double logicalY, const QColor& colour) {
    const double ratio = image.devicePixelRatio();
    const int x = static_cast<int>(std::floor(logicalX * ratio));
    const int y = static_cast<int>(std::floor(logicalY * ratio));
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) return false;
    const QColor seen = image.pixelColor(x, y);
    return std::abs(seen.red() - colour.red()) <= 2 && std::abs(seen.green() - colour.green()) <= 2 &&
           std::abs(seen.blue() - colour.blue()) <= 2;
}

}  // namespace

TEST_F(TimelineDrawing, EachRowDrawsOneSpanPerColumnAtItsWaveHeight) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    ASSERT_TRUE(importAndWait(*window, makeWav("a.wav", 2.0, 2.0, 0.5)));
    window->changeSlideZoomValue(70.0f);  // about 90 pixels per second
    settle();
    WaveEditViewController& engine = window->document().engine();
    TimelineView& timeline = window->timeline();
    ASSERT_EQ(timeline.originX(), 0);
    const QImage image = timeline.viewport()->grab().toImage();
    ASSERT_GT(image.width() / image.devicePixelRatio(), 400);
    // The run with a scale factor really draws at that device pixel ratio.
    if (qEnvironmentVariable("QT_SCALE_FACTOR") == QLatin1String("2")) EXPECT_DOUBLE_EQ(image.devicePixelRatio(), 2.0);
    const QColor wave = timeline.waveColor();
    const double rowHeight = engine.waveTrackCurrentHeight();
    const double pps = engine.currentPixelPerSecond;
    ASSERT_GT(rowHeight, 100.0);

    for (size_t row = 0; row < 2; ++row) {
        const double centre = static_cast<double>(row) * rowHeight + rowHeight / 2.0;
        // A loud column: a span of 2h around the centre, nothing beyond it.
        const int loud = static_cast<int>(0.5 * pps);
        std::vector<double> heights;
        rules::rowColumnHalfHeights(*engine.audioTrackArray()[row], pps, rowHeight,
                                    static_cast<int64_t>(loud * image.devicePixelRatio()), 1,
                                    image.devicePixelRatio(), heights);
        const double h = heights[0];
        EXPECT_GT(h, 10.0);
        EXPECT_TRUE(isColour(image, loud, static_cast<int>(centre - h + 2), wave)) << row;
        EXPECT_TRUE(isColour(image, loud, static_cast<int>(centre + h - 2), wave)) << row;
        EXPECT_FALSE(isColour(image, loud, static_cast<int>(centre - h - 3), wave)) << row;
        EXPECT_FALSE(isColour(image, loud, static_cast<int>(centre + h + 3), wave)) << row;
        // A silent column: the band of 2 pixels along the centre line and nothing more.
        const int quiet = static_cast<int>(3.0 * pps);
        const double ratio = image.devicePixelRatio();
        int banded = 0;
        for (int y = static_cast<int>((centre - 3) * ratio); y <= static_cast<int>((centre + 3) * ratio); ++y)
            banded += isColour(image, quiet, y / ratio, wave) ? 1 : 0;
        EXPECT_EQ(banded, static_cast<int>(2 * ratio)) << row;
        // Past the end of the project nothing is drawn.
        const int past = static_cast<int>(4.0 * pps) + 60;
        if (past < image.width() / image.devicePixelRatio()) EXPECT_FALSE(isColour(image, past, static_cast<int>(centre), wave));
    }
}

TEST_F(TimelineDrawing, A2MillisecondClickInSilenceShowsAtEveryZoom) {
    // 60 s of silence with a 2 ms click at 31 s: a zoomed-out column covers seconds of
    // envelope points, and the click's one point must still raise it.
    std::vector<float> samples(60 * 44100 * 2, 0.0f);
    for (size_t i = 31 * 44100; i < 31 * 44100 + 88; ++i) samples[2 * i] = samples[2 * i + 1] = 0.9f;
    const std::string path = scratch_.file("click.wav");
    wavomer::test::writeWavFloat(path, 2, 44100, samples);
    auto window = openWindow();
    ASSERT_TRUE(window);
    ASSERT_TRUE(importAndWait(*window, path));
    WaveEditViewController& engine = window->document().engine();
    TimelineView& timeline = window->timeline();
    for (float zoom : {1.0f, 11.0f, 45.0f}) {
        window->changeSlideZoomValue(zoom);
        settle();
        const double pps = engine.currentPixelPerSecond;
        timeline.horizontalScrollBar()->setValue(std::max(0, static_cast<int>(31.0 * pps) - 100));
        settle();
        const QImage image = timeline.viewport()->grab().toImage();
        const double centre = engine.waveTrackCurrentHeight() / 2.0;
        const double clickX = 31.0 * pps - timeline.originX();
        // Somewhere within a column of the click, the row is drawn far from its centre.
        int raised = 0;
        for (double x = std::floor(clickX) - 1.0; x <= clickX + 1.0; x += 0.25)  // every device column
            raised += isColour(image, x, centre - 20.0, timeline.waveColor()) ? 1 : 0;
        EXPECT_GT(raised, 0) << "zoom " << zoom;
        EXPECT_FALSE(isColour(image, clickX - 40.0, centre - 20.0, timeline.waveColor())) << "zoom " << zoom;
    }
}

TEST_F(TimelineDrawing, TheCursorLineIsDrawnInYellowOverTheSelectedRows) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    ASSERT_TRUE(importAndWait(*window, makeWav("a.wav", 3.0, 0.0, 0.5)));
    window->changeSlideZoomValue(70.0f);
    WaveEditViewController& engine = window->document().engine();
    {
        UserEvent event(engine);
        engine.selectTracks(0, 0);
        engine.updateCurrentTimelineTime(1.5);
    }
    settle();
    TimelineView& timeline = window->timeline();
    timeline.redrawAll();
    settle();
    const QImage image = timeline.viewport()->grab().toImage();
    const int x = static_cast<int>(std::floor(engine.timeToPointX(1.5)));
    const double rowHeight = engine.waveTrackCurrentHeight();
    const QColor yellow(252, 250, 58);
    EXPECT_TRUE(isColour(image, x, 5, yellow));
    EXPECT_TRUE(isColour(image, x, static_cast<int>(rowHeight / 2), yellow));
    EXPECT_FALSE(isColour(image, x + 1, 5, yellow));  // one pixel wide
    EXPECT_FALSE(isColour(image, x - 1, 5, yellow));
    // Only the selected (first) row carries it, and only that row is tinted.
    EXPECT_FALSE(isColour(image, x, static_cast<int>(rowHeight * 1.5), yellow));
    EXPECT_EQ(window->timeDisplay().displayedText(), QStringLiteral("00:00:01.50"));
    const int quietX = x + 20;
    EXPECT_TRUE(isColour(image, quietX, 5, palette::kSelectedRowBacking));
    EXPECT_TRUE(isColour(image, quietX, static_cast<int>(rowHeight) + 5, palette::grey(0.13)));
    // Selecting the other channel moves the tint with no other repaint asked for.
    {
        UserEvent event(engine);
        engine.selectTracks(1, 1);
    }
    settle();
    const QImage moved = timeline.viewport()->grab().toImage();
    EXPECT_TRUE(isColour(moved, quietX, 5, palette::grey(0.13)));
    EXPECT_TRUE(isColour(moved, quietX, static_cast<int>(rowHeight) + 5, palette::kSelectedRowBacking));
}

TEST_F(TimelineDrawing, AMarkerLineIsTwoPixelsWideInRedAcrossEveryRow) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    ASSERT_TRUE(importAndWait(*window, makeWav("a.wav", 3.0, 0.0, 0.5)));
    window->changeSlideZoomValue(70.0f);
    WaveEditViewController& engine = window->document().engine();
    {
        UserEvent event(engine);
        engine.updateCurrentTimelineTime(2.0);
    }
    window->runCommand("addMarkAction");
    {
        UserEvent event(engine);
        engine.updateSelectedMarker(nullptr);
        engine.updateCurrentTimelineTime(0.5);
    }
    window->timeline().redrawAll();
    settle();
    const QImage image = window->timeline().viewport()->grab().toImage();
    const double x = engine.timeToPointX(2.0);
    const double rowHeight = engine.waveTrackCurrentHeight();
    const double ratio = image.devicePixelRatio();
    int red = 0;
    for (int c = static_cast<int>((x - 3) * ratio); c <= static_cast<int>((x + 3) * ratio); ++c)
        red += isColour(image, c / ratio, rowHeight * 1.5 + 30, QColor(Qt::red)) ? 1 : 0;
    EXPECT_EQ(red, static_cast<int>(2 * ratio));
}

TEST_F(TimelineDrawing, ACursorTickOrAScrollDoesNotRecomputeTheRowsSpans) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    ASSERT_TRUE(importAndWait(*window, makeWav("a.wav", 30.0, 0.0, 0.5)));
    window->changeSlideZoomValue(70.0f);
    TimelineView& timeline = window->timeline();
    timeline.setVisibleOriginX(0.0);
    settle();
    timeline.viewport()->repaint();
    const int64_t afterFullPaint = timeline.rowCache().computedColumns();
    ASSERT_GT(afterFullPaint, 0);
    // A play tick repaints the cursor strips only; their columns are all cached.
    timeline.redrawCursorStrip(300.0);
    timeline.redrawCursorStrip(307.0);
    timeline.viewport()->repaint(QRect(290, 0, 30, timeline.viewport()->height()));
    EXPECT_EQ(timeline.rowCache().computedColumns(), afterFullPaint);
    // A 16-pixel scroll computes at most the 16 new device columns of each row.
    timeline.setVisibleOriginX(16.0);
    QCoreApplication::processEvents();
    timeline.viewport()->repaint();
    const double ratio = timeline.viewport()->devicePixelRatioF();
    const auto rows = static_cast<int64_t>(window->document().engine().audioTrackArray().size());
    EXPECT_LE(timeline.rowCache().computedColumns() - afterFullPaint, static_cast<int64_t>(16 * ratio) * rows);
    // A zoom change computes afresh.
    const int64_t beforeZoom = timeline.rowCache().computedColumns();
    window->changeSlideZoomValue(60.0f);
    timeline.viewport()->repaint();
    EXPECT_GT(timeline.rowCache().computedColumns() - beforeZoom, 400);
}

TEST_F(TimelineDrawing, AMutedSelectionIsDrawnSilentAlthoughItsColumnsWereCached) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    ASSERT_TRUE(importAndWait(*window, makeWav("a.wav", 3.0, 0.0, 0.5)));
    window->changeSlideZoomValue(70.0f);
    WaveEditViewController& engine = window->document().engine();
    TimelineView& timeline = window->timeline();
    timeline.viewport()->repaint();
    const double pps = engine.currentPixelPerSecond;
    const double rowHeight = engine.waveTrackCurrentHeight();
    const double centre = rowHeight / 2.0;
    const QColor wave = timeline.waveColor();
    const int x = static_cast<int>(1.5 * pps);
    ASSERT_TRUE(isColour(timeline.viewport()->grab().toImage(), x, centre - 20, wave));
    // Mute the middle second of the first track without any redraw signal reaching the view.
    {
        UserEvent event(engine);
        engine.selectTracks(0, 0);
        engine.setSelection(1.0, 2.0);
    }
    window->runCommand("muteButtonAction");
    settle();
    const QImage image = timeline.viewport()->grab().toImage();
    EXPECT_FALSE(isColour(image, x, centre - 20, wave));
    EXPECT_TRUE(isColour(image, static_cast<int>(0.5 * pps), centre - 20, wave));
}

// A scroll moves the pixels of the rows and of the ruler and paints only what it uncovers:
// the picture on screen must be the one a full repaint at the new position gives.
TEST_F(TimelineDrawing, AScrolledViewLooksTheSameAsOnePaintedWholeThere) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    ASSERT_TRUE(importAndWait(*window, makeWav("a.wav", 40.0, 0.0, 0.5)));
    window->changeSlideZoomValue(70.0f);
    settle();
    QScrollBar* bar = window->timeline().horizontalScrollBar();
    ASSERT_GT(bar->maximum(), 200);
    for (int step = 0; step < 7; ++step) {
        bar->setValue(bar->value() + 16);
        settle();
    }
    bar->setValue(bar->value() - 5);
    settle();
    // The screen's copy is what was really painted; grab() would paint the widget afresh.
    auto onScreen = [&](QWidget* widget) {
        const QPoint at = widget->mapTo(window.get(), QPoint(0, 0));
        return window->screen()->grabWindow(window->winId(), at.x(), at.y(), widget->width(), widget->height()).toImage();
    };
    const QImage rowsScrolled = onScreen(window->timeline().viewport());
    const QImage rulerScrolled = onScreen(&window->ruler());
    ASSERT_FALSE(rowsScrolled.isNull());
    window->timeline().redrawAll();
    window->ruler().update();
    settle();
    EXPECT_TRUE(rowsScrolled == onScreen(window->timeline().viewport()));
    EXPECT_TRUE(rulerScrolled == onScreen(&window->ruler()));
}

}  // namespace wavomer::app::test
