// The editing panels' numbers: volume clamp, the fade graph, effect rows, the insert
// dialog's duration text, the marker times and the preview progress bar.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "rules/PanelRules.h"

namespace wavomer::app::rules {
namespace {

TEST(VolumeRules, TheFactorStaysWithinZeroAndTen) {
    EXPECT_FLOAT_EQ(clampVolumeFactor(2.0f), 2.0f);
    EXPECT_FLOAT_EQ(clampVolumeFactor(12.5f), 10.0f);
    EXPECT_FLOAT_EQ(clampVolumeFactor(-1.0f), 0.0f);
    EXPECT_FLOAT_EQ(clampVolumeFactor(std::numeric_limits<float>::quiet_NaN()), 0.0f);
}

TEST(VolumeRules, TheFactorReadsAsDecibelsAndTypedDecibelsAsAFactor) {
    EXPECT_EQ(volumeDecibelText(1.0f), "0.0");
    EXPECT_EQ(volumeDecibelText(2.0f), "+6.0");
    EXPECT_EQ(volumeDecibelText(0.5f), "-6.0");
    EXPECT_EQ(volumeDecibelText(0.0f), "-inf");
    EXPECT_NEAR(volumeFactorFromDecibels("+6").value_or(-1.0f), 1.995f, 0.001f);
    EXPECT_NEAR(volumeFactorFromDecibels(" -3,5 dB ").value_or(-1.0f), 0.668f, 0.001f);
    EXPECT_EQ(volumeFactorFromDecibels("-inf"), 0.0f);
    EXPECT_EQ(volumeFactorFromDecibels("40"), 10.0f);  // the factor's own limit holds
    for (const char* bad : {"", "dB", "six", "6x", "nan", "1e999"}) EXPECT_FALSE(volumeFactorFromDecibels(bad)) << bad;
}

TEST(FadeGraphRules, TheGraphAreaKnobsAndSlotsSitWhereTheGridIs) {
    const PanelRect g = fadeGraphRect(260, 260);
    EXPECT_EQ(g.x, 30);
    EXPECT_EQ(g.y, 30);
    EXPECT_EQ(g.width, 200);
    EXPECT_EQ(g.height, 200);
    const PanelRect left = fadeLeftKnobRect(g, 0.25);
    EXPECT_EQ(left.x, 25);
    EXPECT_EQ(left.y, 75);
    EXPECT_EQ(left.width, 10);
    const PanelRect right = fadeRightKnobRect(g, 1.0);
    EXPECT_EQ(right.x, 225);
    EXPECT_EQ(right.y, 225);
    const PanelRect slot = fadeLeftSlotRect(g);
    EXPECT_EQ(slot.x, 25);
    EXPECT_EQ(slot.y, 25);
    EXPECT_EQ(slot.width, 10);
    EXPECT_EQ(slot.height, 210);
    EXPECT_TRUE(fadeRightSlotRect(g).contains(234, 234));
    EXPECT_FALSE(fadeRightSlotRect(g).contains(236, 100));
}

TEST(FadeGraphRules, APointer50PixelsAboveTheBottomSetsAQuarter) {
    const PanelRect g = fadeGraphRect(260, 260);
    EXPECT_DOUBLE_EQ(fadeLevelAtY(g, g.y + 50), 0.25);
    EXPECT_DOUBLE_EQ(fadeLevelAtY(g, g.y - 20), 0.0);
    EXPECT_DOUBLE_EQ(fadeLevelAtY(g, g.y + 250), 1.0);
}

TEST(FadeGraphRules, TheCurveRisesLikeASineFallsLikeACosineAndStaysFlat) {
    const PanelRect g = fadeGraphRect(260, 260);
    // start 0.2, stop 0.8: rising, steep at the start.
    const double yL = g.y + 40, yR = g.y + 160;
    EXPECT_DOUBLE_EQ(fadeCurveY(g, g.x, yL, yR), yL);
    EXPECT_NEAR(fadeCurveY(g, g.x + 100, yL, yR), yL + std::sin(M_PI / 4) * 120, 1e-9);
    EXPECT_NEAR(fadeCurveY(g, g.x + 200, yL, yR), yR, 1e-9);
    EXPECT_GT(fadeCurveY(g, g.x + 100, yL, yR) - yL, (yR - yL) / 2);
    // start 0.8, stop 0.2: falling, flat at the start.
    const double y0 = fadeCurveY(g, g.x, yR, yL);
    EXPECT_NEAR(y0, yR, 1e-9);
    EXPECT_LT(yR - fadeCurveY(g, g.x + 100, yR, yL), (yR - yL) / 2);
    EXPECT_NEAR(fadeCurveY(g, g.x + 200, yR, yL), yL, 1e-9);
    // Equal levels: flat.
    for (double x : {30.0, 100.0, 229.0}) EXPECT_DOUBLE_EQ(fadeCurveY(g, x, yL, yL), yL);
}

TEST(FadeGraphRules, TheGridRunsEvery20PixelsWithTenthLabels) {
    const PanelRect g = fadeGraphRect(260, 260);
    EXPECT_EQ(fadeGridY(g, 0), 30);
    EXPECT_EQ(fadeGridY(g, 10), 230);
    EXPECT_EQ(fadeGridX(g, 5), 130);
    EXPECT_EQ(fadeGridLabel(0), "0.0");
    EXPECT_EQ(fadeGridLabel(7), "0.7");
    EXPECT_EQ(fadeGridLabel(10), "1.0");
}

TEST(EffectRowRules, ValuesAreShownWithFewerDecimalsAsTheyGrow) {
    EXPECT_EQ(effectValueText(0.012345, "Hz"), "0.0123");
    EXPECT_EQ(effectValueText(0.12345, "Hz"), "0.123");
    EXPECT_EQ(effectValueText(1.2345, "Hz"), "1.23");
    EXPECT_EQ(effectValueText(12.345, "dB"), "12.3");
    EXPECT_EQ(effectValueText(123.45, "Hz"), "123");
    EXPECT_EQ(effectValueText(-12.345, "dB"), "-12.3");
    EXPECT_EQ(effectValueText(2.6, "index"), "3");
    EXPECT_EQ(effectValueText(-0.00001, "dB"), "0");
    EXPECT_DOUBLE_EQ(effectDisplayValue(6900, "Hz"), 6900);
}

TEST(EffectRowRules, TheUnitIsHiddenForIndexAndPercent) {
    EXPECT_TRUE(isHiddenUnitName("index"));
    EXPECT_TRUE(isHiddenUnitName("%"));
    EXPECT_FALSE(isHiddenUnitName("dB"));
    EXPECT_FALSE(isHiddenUnitName("Hz"));
}

TEST(EffectRowRules, SevenRowsMake210AndTwoKeep132) {
    EXPECT_EQ(effectControlViewHeight(7), 210);
    EXPECT_EQ(effectControlViewHeight(2), 132);
    EXPECT_EQ(effectControlViewHeight(0), 132);
    EXPECT_EQ(effectControlViewHeight(31), 930);
    EXPECT_EQ(effectWindowHeight(300, 210, 132), 378);
    EXPECT_EQ(effectWindowHeight(300, 132, 930), 250);
}

TEST(InsertDurationRules, TheTextShowsMinutesSecondsAndTheNearestMillisecond) {
    EXPECT_EQ(insertTimeText(75.25), "01:15.250");
    EXPECT_EQ(insertTimeText(static_cast<float>(2.3)), "00:02.300");
    EXPECT_EQ(insertTimeText(0.0), "00:00.000");
    EXPECT_EQ(insertTimeText(-3.0), "00:00.000");
    EXPECT_EQ(insertTimeText(59.9996), "01:00.000");
    EXPECT_EQ(insertTimeText(43200.0), "720:00.000");
}

TEST(InsertDurationRules, TypedTextIsMinutesAndSecondsOrSecondsWithinTwelveHours) {
    EXPECT_DOUBLE_EQ(insertTimeFromText("1:30"), 90.0);
    EXPECT_DOUBLE_EQ(insertTimeFromText("1:30.5"), 90.5);
    EXPECT_DOUBLE_EQ(insertTimeFromText("45"), 45.0);
    EXPECT_DOUBLE_EQ(insertTimeFromText("-5"), 0.0);
    EXPECT_DOUBLE_EQ(insertTimeFromText("900:00"), 43200.0);
    EXPECT_DOUBLE_EQ(insertTimeFromText("1:2:3"), 0.0);
    EXPECT_DOUBLE_EQ(insertTimeFromText("abc"), 0.0);
}

TEST(MarkerTimeRules, TheHundredthsFollowTheSeconds) {
    EXPECT_EQ(markerTimeText(65.25), "00:01:05.25");
    EXPECT_EQ(markerTimeText(3725.5), "01:02:05.50");
    EXPECT_EQ(markerTimeText(std::numeric_limits<double>::quiet_NaN()), "00:00:00.00");
}

TEST(ProgressBarRules, PointsAndTimesMapAcrossTheContentRectangle) {
    ProgressBar bar{220, 24, 10.0};
    const PanelRect content = bar.contentRect();
    EXPECT_EQ(content.x, 10);
    EXPECT_EQ(content.y, 5);
    EXPECT_EQ(content.width, 200);
    EXPECT_EQ(content.height, 14);
    EXPECT_DOUBLE_EQ(bar.pointToTime(110), 5.0);
    EXPECT_DOUBLE_EQ(bar.timeToPoint(5.0), 110);
    EXPECT_DOUBLE_EQ(bar.timeToPoint(20.0), 210);  // past the end: the right edge
    EXPECT_DOUBLE_EQ(bar.seekTimeAt(0), 0.0);
    EXPECT_DOUBLE_EQ(bar.seekTimeAt(300), 10.0);
    ProgressBar empty{220, 24, 0.0};
    EXPECT_DOUBLE_EQ(empty.timeToPoint(3.0), 10);  // a zero duration keeps the knob left
}

TEST(ProgressBarRules, OnlyAPressNearTheBarSeeks) {
    ProgressBar bar{220, 24, 10.0};
    const double line = 12;
    EXPECT_EQ(bar.drayTypeAtPoint(110, line), ProgressDragType::Seek);
    EXPECT_EQ(bar.drayTypeAtPoint(110, line - 7), ProgressDragType::Seek);
    EXPECT_EQ(bar.drayTypeAtPoint(110, line - 8), ProgressDragType::None);
    EXPECT_EQ(bar.drayTypeAtPoint(110, line + 8), ProgressDragType::None);
    EXPECT_EQ(bar.drayTypeAtPoint(5, line), ProgressDragType::Seek);
    EXPECT_EQ(bar.drayTypeAtPoint(4, line), ProgressDragType::None);
    EXPECT_EQ(bar.drayTypeAtPoint(215, line), ProgressDragType::Seek);
    EXPECT_EQ(bar.drayTypeAtPoint(216, line), ProgressDragType::None);
}

}  // namespace
}  // namespace wavomer::app::rules
