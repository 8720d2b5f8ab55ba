#include "format/ValueTransformers.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "format/CommonFunction.h"

namespace wavomer {

namespace {

std::string printInt(const char* format, int value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

}  // namespace

int32_t Int2PercentTransformer::transformedValue(float value) {
    float percent = value * 100.0f;
    return CommonFunction::truncatedInt(percent);
}

float Int2PercentTransformer::reverseTransformedValue(int32_t percent) {
    return static_cast<float>(percent * 0.01);
}

int32_t Float2IntegerTransformer::transformedValue(double value) {
    return CommonFunction::truncatedInt(value + 0.5);
}

float Float2IntegerTransformer::reverseTransformedValue(int32_t value) { return static_cast<float>(value); }

std::string Float2PercentTransformer::transformedValue(float value) {
    float percent = value * 100.0f;
    return printInt("%d%%", CommonFunction::truncatedInt(percent));
}

float Float2PercentTransformer::reverseTransformedValue(std::string_view text) {
    return static_cast<float>(CommonFunction::textFloatValue(text) * 0.01);
}

std::string Float2AngleTransformer::transformedValue(float value) {
    return printInt("%d\u00B0", CommonFunction::truncatedInt(value));
}

float Float2AngleTransformer::reverseTransformedValue(std::string_view text) {
    return CommonFunction::textFloatValue(text);
}

std::string FloatSecondStringTransformer::transformedValue(float value) {
    return CommonFunction::fixedString(value, 1) + "S";
}

float FloatSecondStringTransformer::reverseTransformedValue(std::string_view text) {
    return CommonFunction::textFloatValue(text);
}

std::string Float2StringTransformer::transformedValue(float value) { return CommonFunction::fixedString(value, 2); }

float Float2StringTransformer::reverseTransformedValue(std::string_view text) {
    return CommonFunction::textFloatValue(text);
}

std::string Time2TimeStringTransformer::transformedValue(double seconds) {
    int s = CommonFunction::truncatedInt(seconds);
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", s / 3600, (s / 60) % 60, s % 60);
    return buffer;
}

double MuteNoise2TimeStringTransformer::reverseTransformedValue(std::string_view text) {
    std::vector<std::string_view> pieces;
    size_t start = 0;
    for (;;) {
        size_t colon = text.find(':', start);
        if (colon == std::string_view::npos) {
            pieces.push_back(text.substr(start));
            break;
        }
        pieces.push_back(text.substr(start, colon - start));
        start = colon + 1;
    }
    if (pieces.size() == 2)
        return 60.0 * CommonFunction::textDoubleValue(pieces[0]) + CommonFunction::textDoubleValue(pieces[1]);
    if (pieces.size() == 1) return CommonFunction::textDoubleValue(pieces[0]);
    return 0.0;
}

double clampInsertTime(double seconds) {
    // Rounded to a float; values past the float range become the infinity that
    // IEEE rounding gives (the plain conversion would be undefined there).
    constexpr float largest = std::numeric_limits<float>::max();
    constexpr float infinity = std::numeric_limits<float>::infinity();
    float value = seconds > largest ? infinity : seconds < -largest ? -infinity : static_cast<float>(seconds);
    if (std::isnan(value) || value < 0.0f) value = 0.0f;
    if (std::isnan(value) || value > static_cast<float>(kMaxInsertTimeSeconds))
        value = static_cast<float>(kMaxInsertTimeSeconds);
    return value;
}

double Double2TSFFTimeTransformer::transformedValue(int64_t timeStamp) const {
    if (ticksPerSecond_ == 0) return 0.0;
    return static_cast<double>(timeStamp) / static_cast<double>(ticksPerSecond_);
}

int64_t Double2TSFFTimeTransformer::reverseTransformedValue(double seconds) const {
    double ticks = seconds * static_cast<double>(ticksPerSecond_);
    if (std::isnan(ticks)) return 0;
    // 2^63 is exactly representable; anything at or past it does not fit.
    if (ticks >= 9223372036854775808.0) return std::numeric_limits<int64_t>::max();
    if (ticks <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(ticks);
}

}  // namespace wavomer
