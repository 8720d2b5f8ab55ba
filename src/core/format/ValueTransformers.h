// The value transformers the panels bind their fields and sliders through: each turns
// a model number into what the control shows (transformedValue) and, where the control
// can be edited, what the user typed back into the model number
// (reverseTransformedValue). They are stateless, so each is a set of static functions;
// the window wraps them for its widgets, the command-line tool and the tests call them
// directly.
//
// Threads: pure functions; any thread.
//
// Integer results truncate toward zero and clamp as CommonFunction::truncatedInt does;
// text is read with CommonFunction's text readers ("." is the decimal point whatever
// the locale; "50%" reads as 50; text that is not a number reads as 0).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace wavomer {

// A slider in percent over a gain-like float: 0.5 ↔ 50.
struct Int2PercentTransformer {
    static constexpr bool allowsReverseTransformation = true;
    static int32_t transformedValue(float value);           // trunc(f × 100), in single precision
    static float reverseTransformedValue(int32_t percent);  // i × 0.01
};

struct Float2IntegerTransformer {
    static constexpr bool allowsReverseTransformation = true;
    static int32_t transformedValue(double value);  // trunc(d + 0.5)
    static float reverseTransformedValue(int32_t value);
};

struct Float2PercentTransformer {
    static constexpr bool allowsReverseTransformation = true;
    static std::string transformedValue(float value);             // "%d%%" of trunc(f × 100)
    static float reverseTransformedValue(std::string_view text);  // text's number × 0.01
};

struct Float2AngleTransformer {
    static constexpr bool allowsReverseTransformation = true;
    static std::string transformedValue(float value);  // "%d°" of trunc(f)
    static float reverseTransformedValue(std::string_view text);
};

struct FloatSecondStringTransformer {
    static constexpr bool allowsReverseTransformation = true;
    static std::string transformedValue(float value);  // "%.1fS"
    static float reverseTransformedValue(std::string_view text);
};

struct Float2StringTransformer {
    static constexpr bool allowsReverseTransformation = true;
    static std::string transformedValue(float value);  // "%.2f"
    static float reverseTransformedValue(std::string_view text);
};

// The play-time display: shown only, never edited.
struct Time2TimeStringTransformer {
    static constexpr bool allowsReverseTransformation = false;
    // "%02d:%02d:%02d" of the hours, minutes and seconds of the truncated value.
    static std::string transformedValue(double seconds);
};

// The duration field of the insert silence/noise dialog read back (the dialog writes
// the field with the nearest millisecond, "01:15.250").
struct MuteNoise2TimeStringTransformer {
    static constexpr bool allowsReverseTransformation = true;
    // "m:s" gives 60 × m + s (each read as a number, so "1:30.5" gives 90.5), a text
    // without ":" gives its number, and a text with two or more ":" gives 0.
    static double reverseTransformedValue(std::string_view text);
};

// The longest silence or noise the insert dialog accepts: twelve hours.
inline constexpr double kMaxInsertTimeSeconds = 43200.0;

// The dialog's rule when the duration field loses focus: both bounds are applied in
// single precision, so the answer is a float value. Negative or NaN gives 0; above
// twelve hours gives 43200.
double clampInsertTime(double seconds);

// Media time stamps (ticks of the media engine's time base) shown as seconds.
// The time base is given by the caller: the media engine owns it.
class Double2TSFFTimeTransformer {
public:
    static constexpr bool allowsReverseTransformation = true;
    explicit Double2TSFFTimeTransformer(int64_t ticksPerSecond) : ticksPerSecond_(ticksPerSecond) {}
    double transformedValue(int64_t timeStamp) const;  // t / time base
    // trunc(x × time base); values beyond the 64-bit range clamp to its ends, NaN gives 0.
    int64_t reverseTransformedValue(double seconds) const;

private:
    int64_t ticksPerSecond_;
};

}  // namespace wavomer
