// The marker list's geometry and text, without a window.
#include <gtest/gtest.h>

#include "rules/MarkerListRules.h"

using namespace wavomer::app::rules;

TEST(MarkerListRules, WithFiveMarkersTheTableIs193High) { EXPECT_DOUBLE_EQ(markerTableHeight(5, 100.0), 193.0); }

TEST(MarkerListRules, TheTableIsAsHighAsTheScrollAreaWhenThatIsHigher) {
    EXPECT_DOUBLE_EQ(markerTableHeight(5, 400.0), 400.0);
    EXPECT_DOUBLE_EQ(markerTableHeight(0, 0.0), 3.0);
}

TEST(MarkerListRules, WithFiveMarkersTheLastRowStartsAt155) {
    const MarkerRowFrame last = markerRowFrame(4, 220.0);
    EXPECT_DOUBLE_EQ(last.y, 155.0);
    EXPECT_DOUBLE_EQ(last.height, 35.0);
    EXPECT_DOUBLE_EQ(last.x, 0.0);
    EXPECT_DOUBLE_EQ(last.width, 220.0);
}

TEST(MarkerListRules, RowsAre35HighWith3PixelsBetweenThemFrom3BelowTheTop) {
    EXPECT_DOUBLE_EQ(markerRowFrame(0, 220.0).y, 3.0);
    EXPECT_DOUBLE_EQ(markerRowFrame(1, 220.0).y, 41.0);
    EXPECT_DOUBLE_EQ(markerRowFrame(1, 220.0).y - (markerRowFrame(0, 220.0).y + 35.0), 3.0);
}

TEST(MarkerListRules, ARowShowsTheTimeWithItsHundredthsAfterTheSeconds) {
    EXPECT_EQ(markerRowText(65.25), "00:01:05.25");
    EXPECT_EQ(markerRowText(3725.5), "01:02:05.50");
    EXPECT_EQ(markerRowText(-1.0), "00:00:00.00");
    // A fraction that rounds up carries into the seconds instead of showing "1.00".
    EXPECT_EQ(markerRowText(1.999), "00:00:02.00");
    EXPECT_EQ(markerRowText(59.999), "00:01:00.00");
}
