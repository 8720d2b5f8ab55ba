// The overview's numbers, without a window.
#include <gtest/gtest.h>

#include "rules/OverviewRules.h"

using namespace wavomer::app::rules;

TEST(OverviewRules, TheRulerIsTheTop20PixelsAndTheWaveRunsFrom21To2AboveTheBottom) {
    const OverviewRect ruler = overviewRulerRect(800.0);
    EXPECT_DOUBLE_EQ(ruler.y, 0.0);
    EXPECT_DOUBLE_EQ(ruler.height, 20.0);
    EXPECT_DOUBLE_EQ(ruler.width, 800.0);
    const OverviewRect wave = overviewWaveRect(800.0, 84.0);
    EXPECT_DOUBLE_EQ(wave.y, 21.0);
    EXPECT_DOUBLE_EQ(wave.height, 62.0);
    EXPECT_DOUBLE_EQ(wave.y + wave.height, 84.0 - 1.0);
}

TEST(OverviewRules, AProjectThatFitsUsesTheEditorsScale) {
    EXPECT_DOUBLE_EQ(overviewPixelPerSecond(42.0, 1000.0, 1000.0, 1200.0, 10.0), 42.0);
    EXPECT_DOUBLE_EQ(overviewPixelPerSecond(42.0, 1000.0005, 1000.0, 1200.0, 10.0), 42.0);
}

TEST(OverviewRules, AProjectWiderThanTheRowsSpreadsOverTheOverviewsWidth) {
    EXPECT_DOUBLE_EQ(overviewPixelPerSecond(90.0, 9000.0, 1000.0, 1200.0, 100.0), 12.0);
}

TEST(OverviewRules, AProjectShorterThanASecondIsDrawnAtTheWidthOfOneSecondWhenItDoesNotFit) {
    // Half a second at 4000 pixels per second is wider than the rows.
    EXPECT_DOUBLE_EQ(overviewPixelPerSecond(4000.0, 2000.0, 1000.0, 1200.0, 0.5), 1200.0);
    // An empty project does not divide by zero either.
    EXPECT_DOUBLE_EQ(overviewPixelPerSecond(4000.0, 2000.0, 1000.0, 1200.0, 0.0), 1200.0);
}

TEST(OverviewRules, TheBlockIsTheWholeWaveRectangleWhenTheContentFits) {
    const SlideBlock block = overviewSlideBlock(1200.0, 0.0, 1000.0, 1000.0);
    EXPECT_DOUBLE_EQ(block.x, 0.0);
    EXPECT_DOUBLE_EQ(block.width, 1200.0);
}

TEST(OverviewRules, TheBlockIsAsWideAsTheVisibleShareAndStartsAtTheLeftEnd) {
    const SlideBlock block = overviewSlideBlock(1200.0, 0.0, 4000.0, 1000.0);
    EXPECT_DOUBLE_EQ(block.width, 300.0);
    EXPECT_DOUBLE_EQ(block.x, 0.0);
    EXPECT_DOUBLE_EQ(block.scroller, 0.0);
}

TEST(OverviewRules, TheBlockEndsAtTheRightEdgeWhenTheRowsAreScrolledToTheEnd) {
    const SlideBlock block = overviewSlideBlock(1200.0, 3000.0, 4000.0, 1000.0);
    EXPECT_DOUBLE_EQ(block.scroller, 1.0);
    EXPECT_DOUBLE_EQ(block.x + block.width, 1200.0);
    const SlideBlock middle = overviewSlideBlock(1200.0, 1500.0, 4000.0, 1000.0);
    EXPECT_DOUBLE_EQ(middle.x, 450.0);
}

TEST(OverviewRules, DraggingTheBlockBeyondEitherEndStopsAtThatEnd) {
    EXPECT_DOUBLE_EQ(overviewBoundBlockX(-50.0, 300.0, 1200.0), 0.0);
    EXPECT_DOUBLE_EQ(overviewBoundBlockX(1000.0, 300.0, 1200.0), 900.0);
    EXPECT_DOUBLE_EQ(overviewBoundBlockX(123.25, 300.0, 1200.0), 123.25);
}

TEST(OverviewRules, TheBoundIsTakenInSinglePrecision) {
    EXPECT_DOUBLE_EQ(overviewBoundBlockX(0.1, 300.0, 1200.0), static_cast<double>(0.1f));
}

TEST(OverviewRules, APressCentresTheBlockOnIt) { EXPECT_DOUBLE_EQ(overviewBlockXCentredOn(600.0, 300.0), 450.0); }

TEST(OverviewRules, TheBlockAtEitherEndScrollsTheRowsToThatEnd) {
    EXPECT_DOUBLE_EQ(overviewVisibleOriginForBlock(0.0, 300.0, 1200.0, 4000.0, 1000.0), 0.0);
    EXPECT_DOUBLE_EQ(overviewVisibleOriginForBlock(900.0, 300.0, 1200.0, 4000.0, 1000.0), 3000.0);
    EXPECT_DOUBLE_EQ(overviewVisibleOriginForBlock(450.0, 300.0, 1200.0, 4000.0, 1000.0), 1500.0);
}

TEST(OverviewRules, ABlockThatCannotMoveScrollsNowhere) {
    EXPECT_DOUBLE_EQ(overviewVisibleOriginForBlock(0.0, 1200.0, 1200.0, 1000.0, 1000.0), 0.0);
}

TEST(OverviewRules, MarkersAndTheCursorStandAtTheirTimeTimesTheOverviewScale) {
    EXPECT_DOUBLE_EQ(overviewTimeX(2.5, 12.0), 30.0);
    EXPECT_DOUBLE_EQ(overviewTimeX(0.0, 12.0), 0.0);
}

TEST(OverviewRules, ACursorMoveRepaintsAStripFrom3LeftOfItSixPixelsWide) {
    const OverviewRect strip = overviewCursorStrip(100.0, 84.0);
    EXPECT_DOUBLE_EQ(strip.x, 97.0);
    EXPECT_DOUBLE_EQ(strip.width, 6.0);
    EXPECT_DOUBLE_EQ(strip.y, 0.0);
    EXPECT_DOUBLE_EQ(strip.height, 84.0);
}

TEST(OverviewRules, TheGlyphIs30PixelsPerUnitAndNeverThinnerThanTwoPixels) {
    EXPECT_DOUBLE_EQ(overviewGlyphHalfHeight(0.5f), 15.0);
    EXPECT_DOUBLE_EQ(overviewGlyphHalfHeight(0.0f), 1.0);
}

TEST(OverviewRules, TheGlyphOfNoTracksIsSilent) {
    EXPECT_FLOAT_EQ(overviewColumnValue({}, 10.0, 12.0), 0.0f);
    EXPECT_FLOAT_EQ(overviewColumnValue({}, 10.0, 0.0), 0.0f);
}
