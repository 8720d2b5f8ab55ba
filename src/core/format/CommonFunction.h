// CommonFunction: the time strings the views and panels show (play time, marker
// rows, recording length, ruler labels), and the reading of numbers from typed text
// the way the panels read them.
//
// Threads: pure functions; any thread.
//
// Conventions shared by every routine here:
//  - a time routine takes seconds as a 32-bit float and works on s, the whole number
//    of seconds truncated toward zero. A value outside the range of int (infinities
//    included) counts as the nearest end of that range, and NaN counts as 0, so a
//    broken value shows as a large or zero time instead of garbage;
//  - text is written and read with "." as the decimal point whatever the process
//    locale is (the window sets the user's locale for its own needs).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace wavomer {

class CommonFunction {
public:
    // "%02d:%02d:%02d" of s/3600, (s/60) mod 60, s mod 60; negative or NaN input is 0.
    static std::string timeStrFromSecond(float seconds);
    // Under a minute "%ds"; else "%dm%ds" of s/60 and s mod 60, or "%dm" on whole
    // minutes (59.9 → "59s", 60 → "1m", 61 → "1m1s"); negative or NaN input is 0.
    static std::string timeStrFromSecondUseMS(float seconds);
    // With hours "%02d:%02d:%02d", else "%02d:%02d" of minutes and seconds
    // (3725 → "01:02:05", 125 → "02:05"); negative input is not clamped.
    static std::string shortTimeStrFromSecond(float seconds);

    // Numbers read from the start of a text, as the panels read typed values: leading
    // white space is skipped, then an optional sign and a decimal number (digits with
    // an optional "." fraction and optional exponent) is read as far as it goes; the
    // rest of the text is ignored ("50%" reads as 50). Text that does not start with
    // a number reads as 0; a number too large for the type reads as ±HUGE_VAL.
    static float textFloatValue(std::string_view text);
    static double textDoubleValue(std::string_view text);
    // An integer read the same way (no fraction); beyond the range of int32 it reads
    // as INT32_MAX or INT32_MIN.
    static int32_t textIntValue(std::string_view text);

    // Truncation toward zero into int with the clamping described above.
    static int32_t truncatedInt(double value);
    // "%.*f" with "." as the decimal point whatever the locale.
    static std::string fixedString(double value, int decimals);
};

}  // namespace wavomer
