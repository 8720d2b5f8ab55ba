// The time strings and value transformers the panels show, with the edge cases the
// panels rely on (clamping, truncation, the insert dialog's duration field).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "format/CommonFunction.h"
#include "format/ValueTransformers.h"

namespace wavomer {
namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();

// --- CommonFunction time strings -------------------------------------------------------

TEST(TimeStrFromSecond, ShowsHoursMinutesAndWholeSeconds) {
    EXPECT_EQ(CommonFunction::timeStrFromSecond(0.0f), "00:00:00");
    EXPECT_EQ(CommonFunction::timeStrFromSecond(3725.9f), "01:02:05");
    EXPECT_EQ(CommonFunction::timeStrFromSecond(59.999f), "00:00:59");
    EXPECT_EQ(CommonFunction::timeStrFromSecond(360000.0f), "100:00:00");
}

TEST(TimeStrFromSecond, CountsNegativeAndNotANumberAsZero) {
    EXPECT_EQ(CommonFunction::timeStrFromSecond(-5.0f), "00:00:00");
    EXPECT_EQ(CommonFunction::timeStrFromSecond(kNaN), "00:00:00");
}

TEST(TimeStrFromSecond, ShowsAValueBeyondIntAsTheLargestInt) {
    // 2147483647 s = 596523 h 14 min 7 s.
    EXPECT_EQ(CommonFunction::timeStrFromSecond(1e20f), "596523:14:07");
    EXPECT_EQ(CommonFunction::timeStrFromSecond(std::numeric_limits<float>::infinity()), "596523:14:07");
}

TEST(TimeStrFromSecondUseMS, ShowsSecondsUnderAMinuteAndMinutesAbove) {
    EXPECT_EQ(CommonFunction::timeStrFromSecondUseMS(59.9f), "59s");
    EXPECT_EQ(CommonFunction::timeStrFromSecondUseMS(60.0f), "1m");
    EXPECT_EQ(CommonFunction::timeStrFromSecondUseMS(61.0f), "1m1s");
    EXPECT_EQ(CommonFunction::timeStrFromSecondUseMS(3600.0f), "60m");
    EXPECT_EQ(CommonFunction::timeStrFromSecondUseMS(0.0f), "0s");
}

TEST(TimeStrFromSecondUseMS, CountsNegativeAndNotANumberAsZero) {
    EXPECT_EQ(CommonFunction::timeStrFromSecondUseMS(-61.0f), "0s");
    EXPECT_EQ(CommonFunction::timeStrFromSecondUseMS(kNaN), "0s");
}

TEST(ShortTimeStrFromSecond, ShowsHoursOnlyWhenThereAreAny) {
    EXPECT_EQ(CommonFunction::shortTimeStrFromSecond(3725.0f), "01:02:05");
    EXPECT_EQ(CommonFunction::shortTimeStrFromSecond(125.0f), "02:05");
    EXPECT_EQ(CommonFunction::shortTimeStrFromSecond(3599.9f), "59:59");
    EXPECT_EQ(CommonFunction::shortTimeStrFromSecond(3600.0f), "01:00:00");
}

TEST(ShortTimeStrFromSecond, DoesNotClampANegativeTime) {
    EXPECT_EQ(CommonFunction::shortTimeStrFromSecond(-125.0f), "-2:-5");
}

// --- reading numbers from text -----------------------------------------------------------

TEST(TextNumbers, ReadTheLeadingNumberAndIgnoreTheRest) {
    EXPECT_DOUBLE_EQ(CommonFunction::textDoubleValue(" 12.5abc"), 12.5);
    EXPECT_DOUBLE_EQ(CommonFunction::textDoubleValue("-3"), -3.0);
    EXPECT_DOUBLE_EQ(CommonFunction::textDoubleValue("+.5"), 0.5);
    EXPECT_DOUBLE_EQ(CommonFunction::textDoubleValue("7."), 7.0);
    EXPECT_DOUBLE_EQ(CommonFunction::textDoubleValue("1e3x"), 1000.0);
    EXPECT_DOUBLE_EQ(CommonFunction::textDoubleValue("1e"), 1.0);
    EXPECT_FLOAT_EQ(CommonFunction::textFloatValue("50%"), 50.0f);
}

TEST(TextNumbers, ReadTextThatIsNotANumberAsZero) {
    EXPECT_EQ(CommonFunction::textDoubleValue(""), 0.0);
    EXPECT_EQ(CommonFunction::textDoubleValue("."), 0.0);
    EXPECT_EQ(CommonFunction::textDoubleValue("e5"), 0.0);
    EXPECT_EQ(CommonFunction::textDoubleValue("abc"), 0.0);
    EXPECT_EQ(CommonFunction::textDoubleValue("inf"), 0.0);
    EXPECT_EQ(CommonFunction::textDoubleValue("nan"), 0.0);
    EXPECT_EQ(CommonFunction::textIntValue("x1"), 0);
}

TEST(TextNumbers, ReadTooLargeNumbersAsInfinityAndTooSmallOnesAsZero) {
    EXPECT_EQ(CommonFunction::textDoubleValue("1e400"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(CommonFunction::textDoubleValue("-1e400"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(CommonFunction::textDoubleValue("1e-400"), 0.0);
    EXPECT_EQ(CommonFunction::textFloatValue("1e39"), std::numeric_limits<float>::infinity());
    EXPECT_EQ(CommonFunction::textFloatValue("0.00001e-45"), 0.0f);
}

TEST(TextNumbers, ReadIntegersClampedToTheInt32Range) {
    EXPECT_EQ(CommonFunction::textIntValue(" 42x"), 42);
    EXPECT_EQ(CommonFunction::textIntValue("-17"), -17);
    EXPECT_EQ(CommonFunction::textIntValue("12.9"), 12);
    EXPECT_EQ(CommonFunction::textIntValue("99999999999"), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(CommonFunction::textIntValue("-99999999999"), std::numeric_limits<int32_t>::min());
}

// --- value transformers -------------------------------------------------------------------

TEST(Int2PercentTransformer, TruncatesTheHundredfoldValueAndScalesBack) {
    EXPECT_EQ(Int2PercentTransformer::transformedValue(0.5f), 50);
    EXPECT_EQ(Int2PercentTransformer::transformedValue(0.999f), 99);
    EXPECT_EQ(Int2PercentTransformer::transformedValue(-0.257f), -25);
    EXPECT_FLOAT_EQ(Int2PercentTransformer::reverseTransformedValue(50), 0.5f);
    EXPECT_FLOAT_EQ(Int2PercentTransformer::reverseTransformedValue(150), 1.5f);
    EXPECT_TRUE(Int2PercentTransformer::allowsReverseTransformation);
}

TEST(Float2IntegerTransformer, RoundsHalfUpByTruncatingAfterAddingAHalf) {
    EXPECT_EQ(Float2IntegerTransformer::transformedValue(2.5), 3);
    EXPECT_EQ(Float2IntegerTransformer::transformedValue(2.49), 2);
    // trunc(-0.7 + 0.5) = trunc(-0.2) = 0.
    EXPECT_EQ(Float2IntegerTransformer::transformedValue(-0.7), 0);
    EXPECT_EQ(Float2IntegerTransformer::reverseTransformedValue(3), 3.0f);
}

TEST(Float2PercentTransformer, ShowsWholePercentAndReadsTypedPercent) {
    EXPECT_EQ(Float2PercentTransformer::transformedValue(0.5f), "50%");
    EXPECT_EQ(Float2PercentTransformer::transformedValue(1.234f), "123%");
    EXPECT_FLOAT_EQ(Float2PercentTransformer::reverseTransformedValue("50%"), 0.5f);
    EXPECT_FLOAT_EQ(Float2PercentTransformer::reverseTransformedValue("abc"), 0.0f);
}

TEST(Float2AngleTransformer, ShowsWholeDegreesAndReadsThemBack) {
    EXPECT_EQ(Float2AngleTransformer::transformedValue(45.9f), "45\u00B0");
    EXPECT_EQ(Float2AngleTransformer::transformedValue(-10.5f), "-10\u00B0");
    EXPECT_FLOAT_EQ(Float2AngleTransformer::reverseTransformedValue("45\u00B0"), 45.0f);
}

TEST(FloatSecondStringTransformer, ShowsOneDecimalFollowedByS) {
    EXPECT_EQ(FloatSecondStringTransformer::transformedValue(2.5f), "2.5S");
    // 2.25 is exact in binary and prints to even, as printf does.
    EXPECT_EQ(FloatSecondStringTransformer::transformedValue(2.25f), "2.2S");
    EXPECT_EQ(FloatSecondStringTransformer::transformedValue(0.05f), "0.1S");
    EXPECT_FLOAT_EQ(FloatSecondStringTransformer::reverseTransformedValue("2.5S"), 2.5f);
}

TEST(Float2StringTransformer, ShowsTwoDecimalsAndReadsThemBack) {
    EXPECT_EQ(Float2StringTransformer::transformedValue(3.14159f), "3.14");
    // 1.005f is 1.00499999523... in binary.
    EXPECT_EQ(Float2StringTransformer::transformedValue(1.005f), "1.00");
    EXPECT_EQ(Float2StringTransformer::transformedValue(-0.5f), "-0.50");
    EXPECT_FLOAT_EQ(Float2StringTransformer::reverseTransformedValue("3.14"), 3.14f);
}

TEST(Time2TimeStringTransformer, ShowsTheTruncatedTimeAndCannotBeEdited) {
    EXPECT_EQ(Time2TimeStringTransformer::transformedValue(3725.9), "01:02:05");
    EXPECT_EQ(Time2TimeStringTransformer::transformedValue(0.0), "00:00:00");
    EXPECT_FALSE(Time2TimeStringTransformer::allowsReverseTransformation);
}

TEST(MuteNoise2TimeStringTransformer, ReadsMinutesAndSecondsOrPlainSeconds) {
    EXPECT_DOUBLE_EQ(MuteNoise2TimeStringTransformer::reverseTransformedValue("01:15.250"), 75.25);
    EXPECT_DOUBLE_EQ(MuteNoise2TimeStringTransformer::reverseTransformedValue("1:30"), 90.0);
    EXPECT_DOUBLE_EQ(MuteNoise2TimeStringTransformer::reverseTransformedValue("1:30.5"), 90.5);
    EXPECT_DOUBLE_EQ(MuteNoise2TimeStringTransformer::reverseTransformedValue("90"), 90.0);
    EXPECT_DOUBLE_EQ(MuteNoise2TimeStringTransformer::reverseTransformedValue("1:"), 60.0);
    EXPECT_DOUBLE_EQ(MuteNoise2TimeStringTransformer::reverseTransformedValue("900:00"), 54000.0);
}

TEST(MuteNoise2TimeStringTransformer, ReadsTwoColonsOrUnreadableTextAsZero) {
    EXPECT_EQ(MuteNoise2TimeStringTransformer::reverseTransformedValue("1:02:03"), 0.0);
    EXPECT_EQ(MuteNoise2TimeStringTransformer::reverseTransformedValue("::"), 0.0);
    EXPECT_EQ(MuteNoise2TimeStringTransformer::reverseTransformedValue(""), 0.0);
    EXPECT_EQ(MuteNoise2TimeStringTransformer::reverseTransformedValue("abc"), 0.0);
}

// --- the insert dialog's duration field ---------------------------------------------------

// (The field shows the clamped time again through the window's insertTimeText.)
TEST(InsertDurationField, TypingOneThirtyGivesNinetySecondsAndANegativeDurationNothing) {
    EXPECT_EQ(clampInsertTime(MuteNoise2TimeStringTransformer::reverseTransformedValue("1:30")), 90.0);
    EXPECT_EQ(clampInsertTime(-5.0), 0.0);
}

TEST(InsertDurationField, MoreThanTwelveHoursIsCutToTwelveHours) {
    EXPECT_EQ(clampInsertTime(MuteNoise2TimeStringTransformer::reverseTransformedValue("900:00")), kMaxInsertTimeSeconds);
    EXPECT_EQ(clampInsertTime(1e300), kMaxInsertTimeSeconds);
    EXPECT_EQ(clampInsertTime(std::numeric_limits<double>::infinity()), kMaxInsertTimeSeconds);
}

TEST(InsertDurationField, NotANumberBecomesZero) {
    EXPECT_EQ(clampInsertTime(std::numeric_limits<double>::quiet_NaN()), 0.0);
}

TEST(InsertDurationField, TheClampRoundsToSinglePrecision) {
    EXPECT_EQ(clampInsertTime(1.1), static_cast<double>(1.1f));
    EXPECT_EQ(clampInsertTime(43200.001), kMaxInsertTimeSeconds);
}

TEST(Double2TSFFTimeTransformer, ConvertsTicksToSecondsAndBackWithTruncation) {
    Double2TSFFTimeTransformer transformer(1000000);
    EXPECT_DOUBLE_EQ(transformer.transformedValue(1500000), 1.5);
    EXPECT_EQ(transformer.reverseTransformedValue(1.5), 1500000);
    EXPECT_EQ(transformer.reverseTransformedValue(0.0000019), 1);
    EXPECT_EQ(transformer.reverseTransformedValue(-0.0000019), -1);
}

TEST(Double2TSFFTimeTransformer, ClampsSecondsBeyondTheTickRange) {
    Double2TSFFTimeTransformer transformer(1000000);
    EXPECT_EQ(transformer.reverseTransformedValue(1e300), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(transformer.reverseTransformedValue(-1e300), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(transformer.reverseTransformedValue(std::nan("")), 0);
}

}  // namespace
}  // namespace wavomer
