// What the rows draw, checked on the pixels of the viewport.
#include <QImage>
#include <QScrollBar>

#include "AppTestSupport.h"
#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"
#include "rules/WindowRules.h"
#include "timeline/TimelineView.h"
#include "window/TimeDisplay.h"

namespace wavomer::app::test {

namespace {

using TimelineDrawing = WindowTest;

bool isColour(const QImage& image, int x, int y, const QColor& colour) {
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
    ASSERT_GT(image.width(), 400);
    const QColor wave = timeline.waveColor();
    const double rowHeight = engine.waveTrackCurrentHeight();
    const double pps = engine.currentPixelPerSecond;
    ASSERT_GT(rowHeight, 100.0);

    for (size_t row = 0; row < 2; ++row) {
        const double centre = static_cast<double>(row) * rowHeight + rowHeight / 2.0;
        // A loud column: a span of 2h around the centre, nothing beyond it.
        const int loud = static_cast<int>(0.5 * pps);
        std::vector<double> heights;
        rules::rowColumnHalfHeights(*engine.audioTrackArray[row], pps, rowHeight, loud, 1, 1.0, heights);
        const double h = heights[0];
        EXPECT_GT(h, 10.0);
        EXPECT_TRUE(isColour(image, loud, static_cast<int>(centre - h + 2), wave)) << row;
        EXPECT_TRUE(isColour(image, loud, static_cast<int>(centre + h - 2), wave)) << row;
        EXPECT_FALSE(isColour(image, loud, static_cast<int>(centre - h - 3), wave)) << row;
        EXPECT_FALSE(isColour(image, loud, static_cast<int>(centre + h + 3), wave)) << row;
        // A silent column: the band of 2 pixels along the centre line and nothing more.
        const int quiet = static_cast<int>(3.0 * pps);
        int banded = 0;
        for (int y = static_cast<int>(centre) - 3; y <= static_cast<int>(centre) + 3; ++y)
            banded += isColour(image, quiet, y, wave) ? 1 : 0;
        EXPECT_EQ(banded, 2) << row;
        // Past the end of the project nothing is drawn.
        const int past = static_cast<int>(4.0 * pps) + 60;
        if (past < image.width()) EXPECT_FALSE(isColour(image, past, static_cast<int>(centre), wave));
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
    EXPECT_FALSE(isColour(image, x + 2, 5, yellow));
    // Only the selected (first) row carries it.
    EXPECT_FALSE(isColour(image, x, static_cast<int>(rowHeight * 1.5), yellow));
    EXPECT_EQ(window->timeDisplay().displayedText(), QStringLiteral("00:00:01.50"));
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
    window->runCommand(QStringLiteral("addMarkAction"));
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
    int red = 0;
    for (int c = static_cast<int>(x) - 3; c <= static_cast<int>(x) + 3; ++c)
        red += isColour(image, c, static_cast<int>(rowHeight * 1.5) + 30, QColor(Qt::red)) ? 1 : 0;
    EXPECT_EQ(red, 2);
}

}  // namespace wavomer::app::test
