// The window's numeric rules, without a window.
#include <gtest/gtest.h>

#include <vector>

#include "model/AudioTrack.h"
#include "rules/MeterRules.h"
#include "rules/RowRaster.h"
#include "rules/WindowRules.h"
#include "support/SampleFiles.h"
#include "support/TestSupport.h"

using namespace wavomer::app::rules;

TEST(ZoomRules, APressAtOrLeftOf35GivesTheMinimum) {
    EXPECT_FLOAT_EQ(zoomValueFromX(35.0), 1.0f);
    EXPECT_FLOAT_EQ(zoomValueFromX(20.0), 1.0f);
}

TEST(ZoomRules, APressAtOrRightOf110GivesTheMaximum) {
    EXPECT_FLOAT_EQ(zoomValueFromX(110.0), 70.0f);
    EXPECT_FLOAT_EQ(zoomValueFromX(130.0), 70.0f);
}

TEST(ZoomRules, APressAt72Point5GivesTheMiddleValue) { EXPECT_FLOAT_EQ(zoomValueFromX(72.5), 35.5f); }

TEST(ZoomRules, SteppingPastEitherEndStaysAtThatEnd) {
    EXPECT_FLOAT_EQ(clampZoom(1.0f - 1.0f), 1.0f);
    EXPECT_FLOAT_EQ(clampZoom(70.0f + 1.0f), 70.0f);
    EXPECT_FLOAT_EQ(clampZoom(12.0f), 12.0f);
}

TEST(ZoomRules, TheKnobSitsAt35PlusItsShareOf75Pixels) {
    EXPECT_DOUBLE_EQ(zoomKnobCentreX(1.0f), 35.0);
    EXPECT_DOUBLE_EQ(zoomKnobCentreX(70.0f), 110.0);
    EXPECT_DOUBLE_EQ(zoomKnobCentreX(35.5f), 72.5);
}

TEST(TimeDisplayRules, ShowsHoursMinutesSecondsAndHundredths) {
    EXPECT_EQ(timeDisplayText(0.0f), "00:00:00.00");
    EXPECT_EQ(timeDisplayText(3725.5f), "01:02:05.50");
    // The nearest hundredth, with carry.
    EXPECT_EQ(timeDisplayText(12.345f), "00:00:12.35");
    EXPECT_EQ(timeDisplayText(2.3f), "00:00:02.30");
    EXPECT_EQ(timeDisplayText(3599.996f), "01:00:00.00");
}

TEST(TimeDisplayRules, ANegativeTimeShowsZero) { EXPECT_EQ(timeDisplayText(-3.0f), "00:00:00.00"); }

TEST(TimeDisplayRules, TheHoursTensWrapAtTen) { EXPECT_EQ(timeDisplayText(101.0f * 3600.0f), "01:00:00.00"); }

TEST(TitleRules, TheTitleIsProductDashName) { EXPECT_EQ(windowTitleText("Wavomer", "song"), "Wavomer - song"); }

TEST(TitleRules, BlanksMakeUpTheWidthDifferencePlusFour) {
    EXPECT_EQ(titleBlankCount(100.0, 80.0, 5.0), 8);
    EXPECT_EQ(titleBlankCount(100.0, 80.0, 6.0), 7);
}

TEST(TitleRules, NoBlanksWhenTheSerifTitleIsNotWider) {
    EXPECT_EQ(titleBlankCount(80.0, 80.0, 5.0), 0);
    EXPECT_EQ(titleBlankCount(70.0, 80.0, 5.0), 0);
}

TEST(TitleRules, ABlankNarrowerThanOnePixelCountsAsOne) { EXPECT_EQ(titleBlankCount(90.0, 80.0, 0.0), 14); }

TEST(RulerRules, EveryTenthTickIs14LongEveryFifth7AndTheRest3) {
    EXPECT_EQ(rulerTickLength(0), 14);
    EXPECT_EQ(rulerTickLength(20), 14);
    EXPECT_EQ(rulerTickLength(5), 7);
    EXPECT_EQ(rulerTickLength(15), 7);
    EXPECT_EQ(rulerTickLength(3), 3);
}

TEST(RulerRules, TicksRunFromFiveBeforeToSixAfterTheArea) {
    auto ticks = rulerTicks(0, 99, 1000);
    ASSERT_FALSE(ticks.empty());
    EXPECT_EQ(ticks.front().index, 95);
    EXPECT_EQ(ticks.back().index, 115);
    EXPECT_DOUBLE_EQ(ticks.front().viewX, -50.5);
}

TEST(RulerRules, TicksNeverStartBeforeZero) {
    auto ticks = rulerTicks(0, 40, 0);
    EXPECT_EQ(ticks.front().index, 0);
    EXPECT_EQ(ticks.back().index, 10);
}

TEST(RulerRules, EveryTwentiethTickIsLabelled) {
    std::vector<int64_t> labelled;
    for (const RulerTick& tick : rulerTicks(0, 450, 0))
        if (tick.labelled) labelled.push_back(tick.index);
    EXPECT_EQ(labelled, (std::vector<int64_t>{0, 20, 40}));
}

TEST(RulerRules, LabelsShowWholeSecondsMinutesOrBoth) {
    EXPECT_EQ(rulerLabel(450.0, 10.0), "45s");
    EXPECT_EQ(rulerLabel(599.0, 10.0), "59s");
    EXPECT_EQ(rulerLabel(1200.0, 10.0), "2m");
    EXPECT_EQ(rulerLabel(1250.0, 10.0), "2m5s");
    EXPECT_EQ(rulerLabel(1259.0, 10.0), "2m5s");
}

TEST(RowRules, TimesMoveToThePixelGrid) {
    EXPECT_DOUBLE_EQ(roundTimeToPixelGrid(1.26, 10.0), 1.3);
    EXPECT_DOUBLE_EQ(roundTimeToPixelGrid(1.24, 10.0), 1.2);
}

TEST(RowRules, ASilentColumnIsStillTwoPixelsHigh) {
    EXPECT_DOUBLE_EQ(columnHalfHeight(0.0f, 100.0), 1.0);
    EXPECT_DOUBLE_EQ(columnHalfHeight(0.001f, 100.0), 1.0);
}

TEST(RowRules, AColumnIsValueTimesFourTenthsOfTheRowEachSide) {
    EXPECT_NEAR(columnHalfHeight(0.5f, 100.0), 20.0, 1e-6);
    EXPECT_NEAR(columnHalfHeight(1.0f, 250.0), 100.0, 1e-6);
}

TEST(RowRules, AColumnsTimeUsesTheScaleInSinglePrecision) {
    const double pps = 0.1 + 1e-12;
    EXPECT_DOUBLE_EQ(columnTime(10.0, pps), 10.0 / static_cast<double>(static_cast<float>(pps)));
    EXPECT_DOUBLE_EQ(columnTime(1.0, 0.0), 1000.0);
}

// A track of 4 s whose first 2 s are loud (0.8) and the rest quiet (0.2), at 10 pixels a
// second, receiving a recording from 1 s to 1.5 s whose level is 0.5 throughout.
class RecordingRowRules : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string path = dir.file("steps.data");
        wavomer::test::writeSampleFile(path, 1, 4 * 44100,
                                       [](int, int64_t frame) { return frame < 2 * 44100 ? 0.8f : 0.2f; });
        track = wavomer::test::trackOf({wavomer::test::placedSection(path, 0.0, 4.0, 0.0)});
        shown = {1.0, 1.5, [](double since) { return since > 0.0 ? 0.5f : 0.0f; }};
    }
    float at(double time) { return recordingRowValueAtTime(*track, time, time, 10.0, shown); }

    wavomer::test::ScratchDir dir;
    wavomer::TrackPtr track;
    RecordingShown shown;
};

TEST_F(RecordingRowRules, BeforeTheStartTheRowShowsItsOwnMaterial) {
    EXPECT_NEAR(at(0.5), 0.8f, 0.01);
    EXPECT_FLOAT_EQ(at(0.5), rowValueAtTime(*track, 0.5, 0.5, 10.0));
}

TEST_F(RecordingRowRules, WithinTheRecordedRangeTheRowShowsTheRecordedLevel) {
    EXPECT_FLOAT_EQ(at(1.2), 0.5f);
    EXPECT_FLOAT_EQ(at(1.0), 0.0f);  // the level at the very start reads 0
}

TEST_F(RecordingRowRules, AfterTheRangeTheMaterialIsShiftedRightByTheRecordedLength) {
    // The step from loud to quiet at 2 s shows at 2.5 s.
    EXPECT_NEAR(at(2.3), 0.8f, 0.01);
    EXPECT_NEAR(at(2.7), 0.2f, 0.01);
    EXPECT_FLOAT_EQ(at(2.7), rowValueAtTime(*track, 2.2, 2.2, 10.0));
    // Without a recording the step stays at 2 s.
    EXPECT_NEAR(rowValueAtTime(*track, 2.3, 2.3, 10.0), 0.2f, 0.01);
}

TEST(RowRaster, HalfHeightsBecomeDeviceSpansRoundedAsThePainterRoundsEdges) {
    const double heights[] = {0.0, 1.0, 2.5, 0.2};
    int32_t tops[4], bottoms[4];
    // Centre 10 at ratio 1: 10 - 2.5 = 7.5 rounds to 8, 12.5 to 13; 0.2 rounds away.
    SpanLines lines = columnSpans(heights, 4, 10.0, 1.0, 0, tops, bottoms);
    EXPECT_EQ(std::vector<int32_t>(tops, tops + 4), (std::vector<int32_t>{10, 9, 8, 10}));
    EXPECT_EQ(std::vector<int32_t>(bottoms, bottoms + 4), (std::vector<int32_t>{10, 11, 13, 10}));
    EXPECT_EQ(lines.lowest, 8);
    EXPECT_EQ(lines.highest, 13);
    // At ratio 2 in a band whose device top is 4: 2 * (10 - 2.5) - 4 = 11.
    lines = columnSpans(heights, 4, 10.0, 2.0, 4, tops, bottoms);
    EXPECT_EQ(std::vector<int32_t>(tops, tops + 4), (std::vector<int32_t>{16, 14, 11, 16}));
    EXPECT_EQ(std::vector<int32_t>(bottoms, bottoms + 4), (std::vector<int32_t>{16, 18, 21, 16}));
    EXPECT_EQ(lines.lowest, 11);
    EXPECT_EQ(lines.highest, 21);
    // No column with a span: nothing to write.
    lines = columnSpans(heights, 1, 10.0, 1.0, 0, tops, bottoms);
    EXPECT_GE(lines.lowest, lines.highest);
}

TEST(RowRaster, SpansAreWrittenScanlineByScanlineInsideTheBandOnly) {
    // A band of 4 x 5 pixels in a buffer 6 wide; the spans start at its column 1.
    std::vector<uint32_t> buffer(6 * 5, 0u);
    PixelBand band{buffer.data(), 6, 4, 5};
    fillBandLines(band, -2, 1, 7u);  // clipped to line 0
    const int32_t tops[] = {-3, 2, 4};
    const int32_t bottoms[] = {2, 3, 9};
    rasterSpans(band, 1, tops, bottoms, 3, SpanLines{-3, 9}, 1u);
    const std::vector<uint32_t> expected = {
        7, 1, 7, 7, 0, 0,  //
        0, 1, 0, 0, 0, 0,  //
        0, 0, 1, 0, 0, 0,  //
        0, 0, 0, 0, 0, 0,  //
        0, 0, 0, 1, 0, 0,  //
    };
    EXPECT_EQ(buffer, expected);
}

TEST(SelectionTimeRules, TimesReadInEachFormAndShowToTheMillisecond) {
    EXPECT_EQ(selectionTimeText(65.2), "00:01:05.200");
    EXPECT_EQ(selectionTimeText(3725.0005), "01:02:05.001");
    EXPECT_EQ(selectionTimeText(-1.0), "00:00:00.000");
    for (const char* typed : {"1:05.2", "65.2", "00:01:05.200", " 65.2 ", "0:0:65.2"})
        if (std::string(typed) == "0:0:65.2") EXPECT_FALSE(parseTypedTime(typed)) << "65 is no second of a minute";
        else EXPECT_NEAR(parseTypedTime(typed).value_or(-1.0), 65.2, 1e-9) << typed;
    EXPECT_NEAR(parseTypedTime("1:00:00").value_or(-1.0), 3600.0, 1e-9);
    for (const char* bad : {"", "abc", "1:", ":5", "1.5:00", "1:2:3:4", "-5", "1e3", "1..2", "65,2"})
        EXPECT_FALSE(parseTypedTime(bad)) << bad;
}

TEST(SelectionTimeRules, ATypedTimeKeepsTheSelectionInTheProjectAndTheRightWayRound) {
    const SelectionTimes times{10.0, 20.0, 5.0};
    auto is = [](SelectionTimes t, double start, double end, double cursor) {
        return t.start == start && t.end == end && t.cursor == cursor;
    };
    EXPECT_TRUE(is(applyTypedTime(times, TimeField::start, 12.0, 60.0), 12.0, 20.0, 5.0));
    EXPECT_TRUE(is(applyTypedTime(times, TimeField::start, 30.0, 60.0), 30.0, 30.0, 5.0));
    EXPECT_TRUE(is(applyTypedTime(times, TimeField::end, 4.0, 60.0), 4.0, 4.0, 5.0));
    EXPECT_TRUE(is(applyTypedTime(times, TimeField::end, 99.0, 60.0), 10.0, 60.0, 5.0));
    EXPECT_TRUE(is(applyTypedTime(times, TimeField::length, 5.0, 60.0), 10.0, 15.0, 5.0));
    EXPECT_TRUE(is(applyTypedTime(times, TimeField::length, 90.0, 60.0), 10.0, 60.0, 5.0));
    EXPECT_TRUE(is(applyTypedTime(times, TimeField::cursor, 70.0, 60.0), 10.0, 20.0, 60.0));
}

TEST(PeakMeterRules, TheBarFallsTheHoldWaitsAndTheClipMarkStays) {
    PeakMeter meter;
    EXPECT_EQ(meter.levelDb(), PeakMeter::kFloorDb);
    meter.push(0.5, 0.01);
    EXPECT_NEAR(meter.levelDb(), -6.02, 0.01);
    // Silence: the bar falls 24 dB a second; the hold stays for 1.5 s, then falls too.
    for (int i = 0; i < 50; ++i) meter.push(0.0, 0.01);
    EXPECT_NEAR(meter.levelDb(), -6.02 - 12.0, 0.01);
    EXPECT_NEAR(meter.holdDb(), -6.02, 0.01);
    for (int i = 0; i < 200; ++i) meter.push(0.0, 0.01);
    EXPECT_EQ(meter.levelDb(), PeakMeter::kFloorDb);
    EXPECT_LT(meter.holdDb(), -6.5);
    EXPECT_FALSE(meter.clipped());
    meter.push(1.0, 0.01);
    meter.push(0.01, 0.01);
    EXPECT_TRUE(meter.clipped());
    EXPECT_EQ(decibelText(meter.holdDb()), "0 dB");
    EXPECT_EQ(decibelText(PeakMeter::kFloorDb), "-inf dB");
    EXPECT_DOUBLE_EQ(PeakMeter::scalePosition(-30.0), 0.5);
}
