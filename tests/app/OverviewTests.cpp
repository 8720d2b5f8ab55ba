// The overview strip on its pixels, and its mouse.
#include <QImage>
#include <QScrollBar>
#include <QTest>

#include "AppTestSupport.h"
#include "PixelCheck.h"
#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"
#include "rules/OverviewRules.h"
#include "timeline/QuickLookWaveView.h"
#include "timeline/TimelineView.h"

namespace wavomer::app::test {

namespace {

class Overview : public WindowTest {
protected:
    // A window whose project (20 s loud, 20 s silent) is three times wider than the rows at
    // zoom 70.
    std::unique_ptr<MainWindow> openWideProject() {
        auto window = openWindow();
        if (!window) return nullptr;
        if (!importAndWait(*window, makeWav("a.wav", 20.0, 20.0, 0.5))) return nullptr;
        window->changeSlideZoomValue(70.0f);
        settle();
        return window;
    }
    static QImage grabOverview(MainWindow& window) {
        window.overview().repaint();
        return window.overview().grab().toImage();
    }
    static const QColor& background() {
        static const QColor colour = QColor::fromRgbF(0.11f, 0.11f, 0.11f);
        return colour;
    }
};

}  // namespace

TEST_F(Overview, SitsAboveTheRulerAndSpansTheWindow) {
    auto window = openWideProject();
    ASSERT_TRUE(window);
    QuickLookWaveView& overview = window->overview();
    EXPECT_EQ(overview.height(), QuickLookWaveView::kHeight);
    EXPECT_LT(overview.mapTo(window.get(), QPoint(0, 0)).y(), window->timeline().mapTo(window.get(), QPoint(0, 0)).y());
    EXPECT_GE(overview.width(), window->timeline().width());
}

TEST_F(Overview, AProjectWiderThanTheRowsIsSpreadOverTheOverviewsWidth) {
    auto window = openWideProject();
    ASSERT_TRUE(window);
    WaveEditViewController& engine = window->document().engine();
    ASSERT_GT(engine.contentWidth(), window->timeline().viewport()->width() + 100.0);
    EXPECT_NEAR(window->overview().pixelPerSecond(), window->overview().width() / engine.farestTrackEndTime(), 1e-9);
}

TEST_F(Overview, TheBlockMarksTheVisiblePartAtTheLeftEnd) {
    auto window = openWideProject();
    ASSERT_TRUE(window);
    window->timeline().setVisibleOriginX(0.0);
    settle();
    QuickLookWaveView& overview = window->overview();
    const QRectF block = overview.slideBlockRect();
    const QRectF wave = overview.waveRect();
    EXPECT_DOUBLE_EQ(block.x(), 0.0);
    EXPECT_NEAR(block.width(), wave.width() * window->timeline().viewport()->width() /
                                   window->document().engine().contentWidth(), 1e-6);
    const QImage image = grabOverview(*window);
    const double y = wave.y() + 3.0;  // above the glyph
    EXPECT_FALSE(isColour(image, block.right() - 4.0, y, background(), 4));
    EXPECT_TRUE(isColour(image, block.right() + 4.0, y, background(), 1));
}

TEST_F(Overview, TheBlockMarksTheVisiblePartAtTheRightEnd) {
    auto window = openWideProject();
    ASSERT_TRUE(window);
    TimelineView& timeline = window->timeline();
    timeline.setVisibleOriginX(timeline.horizontalScrollBar()->maximum());
    settle();
    QuickLookWaveView& overview = window->overview();
    const QRectF block = overview.slideBlockRect();
    const QRectF wave = overview.waveRect();
    EXPECT_NEAR(block.right(), wave.right(), 0.5);
    const QImage image = grabOverview(*window);
    const double y = wave.y() + 3.0;
    EXPECT_FALSE(isColour(image, block.left() + 4.0, y, background(), 4));
    EXPECT_TRUE(isColour(image, block.left() - 4.0, y, background(), 1));
}

TEST_F(Overview, NoBlockIsDrawnWhenTheProjectFits) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    ASSERT_TRUE(importAndWait(*window, makeWav("a.wav", 0.5, 0.0, 0.5)));
    window->changeSlideZoomValue(1.0f);
    settle();
    WaveEditViewController& engine = window->document().engine();
    QuickLookWaveView& overview = window->overview();
    // Half a second fits: the overview takes the editor's scale.
    EXPECT_DOUBLE_EQ(overview.pixelPerSecond(), engine.currentPixelPerSecond);
    EXPECT_EQ(overview.slideBlockRect(), overview.waveRect());
    const QImage image = grabOverview(*window);
    EXPECT_TRUE(isColour(image, overview.width() - 10.0, overview.waveRect().y() + 3.0, background(), 1));
}

TEST_F(Overview, DrawsTheMeanGlyphWhereTheProjectIsLoudAndABandWhereItIsSilent) {
    auto window = openWideProject();
    ASSERT_TRUE(window);
    QuickLookWaveView& overview = window->overview();
    const double scale = overview.pixelPerSecond();
    const QRectF wave = overview.waveRect();
    const double centre = wave.y() + wave.height() / 2.0;
    const QImage image = grabOverview(*window);
    const auto& tracks = window->document().engine().audioTrackArray();
    ASSERT_EQ(tracks.size(), 2u);
    // Each column is compared with the top of its own wave rectangle (block or not).
    const double loudX = std::floor(3.0 * scale);
    const double h = rules::overviewGlyphHalfHeight(rules::overviewColumnValue(tracks, loudX, scale));
    ASSERT_GT(h, 5.0);
    ASSERT_LT(h, 25.0);
    const QColor loudTop = colourAt(image, loudX, wave.y() + 2.0);
    EXPECT_NE(colourAt(image, loudX, centre - h + 2.0), loudTop);
    EXPECT_NE(colourAt(image, loudX, centre + h - 2.0), loudTop);
    EXPECT_EQ(colourAt(image, loudX, centre - h - 3.0), loudTop);
    EXPECT_EQ(colourAt(image, loudX, centre + h + 3.0), loudTop);
    // The silent half still shows the 2-pixel band along the centre.
    const double quietX = std::floor(30.0 * scale);
    const QColor quietTop = colourAt(image, quietX, wave.y() + 2.0);
    EXPECT_EQ(colourAt(image, quietX, centre - 3.0), quietTop);
    EXPECT_NE(colourAt(image, quietX, centre - 1.0), quietTop);
    EXPECT_NE(colourAt(image, quietX, centre), quietTop);
    EXPECT_EQ(colourAt(image, quietX, centre + 2.0), quietTop);
}

TEST_F(Overview, TheCursorIsAYellowLineOnePixelWide) {
    auto window = openWideProject();
    ASSERT_TRUE(window);
    WaveEditViewController& engine = window->document().engine();
    window->timeline().setVisibleOriginX(0.0);
    {
        UserEvent event(engine);
        engine.updateCurrentTimelineTime(30.0);
    }
    settle();
    QuickLookWaveView& overview = window->overview();
    const double x = std::floor(30.0 * overview.pixelPerSecond());
    ASSERT_GT(x, overview.slideBlockRect().right() + 5.0);
    const QImage image = grabOverview(*window);
    const QColor yellow = QColor::fromRgbF(0.988f, 0.980f, 0.227f);
    const double y = overview.waveRect().y() + 4.0;
    EXPECT_TRUE(isColour(image, x, y, yellow));
    EXPECT_FALSE(isColour(image, x - 1.0, y, yellow));
    EXPECT_FALSE(isColour(image, x + 1.0, y, yellow));
}

TEST_F(Overview, AMarkerIsARedLineTwoPixelsWide) {
    auto window = openWideProject();
    ASSERT_TRUE(window);
    WaveEditViewController& engine = window->document().engine();
    window->timeline().setVisibleOriginX(0.0);
    {
        UserEvent event(engine);
        engine.updateCurrentTimelineTime(25.0);
    }
    window->refreshState();
    window->runCommand("addMarkAction");
    {
        UserEvent event(engine);
        engine.updateCurrentTimelineTime(2.0);
    }
    settle();
    ASSERT_EQ(engine.markArray().size(), 1u);
    QuickLookWaveView& overview = window->overview();
    const double x = 25.0 * overview.pixelPerSecond();
    ASSERT_GT(x, overview.slideBlockRect().right() + 5.0);  // not under the block
    const QImage image = grabOverview(*window);
    const double ratio = image.devicePixelRatio();
    int red = 0;
    for (int c = static_cast<int>((x - 4) * ratio); c <= static_cast<int>((x + 4) * ratio); ++c)
        red += isColour(image, c / ratio, overview.waveRect().y() + 4.0, QColor(Qt::red)) ? 1 : 0;
    EXPECT_EQ(red, static_cast<int>(2 * ratio));
}

TEST_F(Overview, ACursorMoveRepaintsOnlyTheStripsAroundTheOldAndTheNewCursor) {
    auto window = openWideProject();
    ASSERT_TRUE(window);
    WaveEditViewController& engine = window->document().engine();
    QuickLookWaveView& overview = window->overview();
    overview.repaint();
    settle();
    {
        UserEvent event(engine);
        engine.updateCurrentTimelineTime(5.0);
    }
    {
        UserEvent event(engine);
        engine.updateCurrentTimelineTime(6.0);
    }
    QCoreApplication::processEvents();
    const QRegion painted = overview.lastPaintedRegion();
    int area = 0;
    for (const QRect& r : painted) area += r.width() * r.height();
    EXPECT_GT(area, 0);
    EXPECT_LE(area, 2 * 8 * overview.height());
    EXPECT_TRUE(painted.contains(QPoint(static_cast<int>(6.0 * overview.pixelPerSecond()), 30)));
    EXPECT_FALSE(painted.contains(QPoint(static_cast<int>(6.0 * overview.pixelPerSecond()) + 40, 30)));
}

TEST_F(Overview, APressOutsideTheBlockCentresItThereAndScrollsTheRows) {
    auto window = openWideProject();
    ASSERT_TRUE(window);
    TimelineView& timeline = window->timeline();
    timeline.setVisibleOriginX(0.0);
    settle();
    QuickLookWaveView& overview = window->overview();
    const double blockWidth = overview.slideBlockRect().width();
    const double wave = overview.waveRect().width();
    // Right of the block, and far enough from the right end that the block is not clamped.
    ASSERT_LT(blockWidth, wave * 2.0 / 3.0 - 10.0);
    const int pressX = static_cast<int>((blockWidth + wave - blockWidth / 2.0) / 2.0);
    QTest::mousePress(&overview, Qt::LeftButton, {}, QPoint(pressX, 50));
    settle();
    const double expected = (window->document().engine().contentWidth() - timeline.viewport()->width()) *
                            (pressX - blockWidth / 2.0) / (wave - blockWidth);
    EXPECT_NEAR(timeline.originX(), expected, 1.0);
    EXPECT_NEAR(overview.slideBlockRect().center().x(), pressX, 1.0);
    QTest::mouseRelease(&overview, Qt::LeftButton, {}, QPoint(pressX, 50));
}

TEST_F(Overview, DraggingTheBlockBeyondEitherEndStopsAtThatEnd) {
    auto window = openWideProject();
    ASSERT_TRUE(window);
    TimelineView& timeline = window->timeline();
    timeline.setVisibleOriginX(0.0);
    settle();
    QuickLookWaveView& overview = window->overview();
    const QPoint inBlock(static_cast<int>(overview.slideBlockRect().center().x()), 50);
    QTest::mousePress(&overview, Qt::LeftButton, {}, inBlock);
    EXPECT_EQ(timeline.originX(), 0);  // a press on the block does not move it
    QMouseEvent right(QEvent::MouseMove, QPointF(inBlock.x() + 5000, 50), overview.mapToGlobal(QPointF(inBlock.x() + 5000, 50)),
                      Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&overview, &right);
    settle();
    EXPECT_EQ(timeline.originX(), timeline.horizontalScrollBar()->maximum());
    EXPECT_NEAR(overview.slideBlockRect().right(), overview.waveRect().right(), 0.5);
    QMouseEvent left(QEvent::MouseMove, QPointF(inBlock.x() - 5000, 50), overview.mapToGlobal(QPointF(inBlock.x() - 5000, 50)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&overview, &left);
    settle();
    EXPECT_EQ(timeline.originX(), 0);
    EXPECT_DOUBLE_EQ(overview.slideBlockRect().x(), 0.0);
    QTest::mouseRelease(&overview, Qt::LeftButton, {}, inBlock);
}

}  // namespace wavomer::app::test
