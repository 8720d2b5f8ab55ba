#include "format/CommonFunction.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <system_error>

#include "util/TextNumber.h"

namespace wavomer {

namespace {

// The seconds the clamped routines work on: negative or NaN is 0.
float nonNegative(float seconds) { return (std::isnan(seconds) || seconds < 0.0f) ? 0.0f : seconds; }

std::string printf3(const char* format, int a, int b, int c) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, a, b, c);
    return buffer;
}

std::string printf2(const char* format, int a, int b) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, format, a, b);
    return buffer;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// The longest decimal number at the start of text (after white space), as
// [sign][digits][.digits][e[sign]digits]. Answers false when there is none.
bool leadingNumber(std::string_view text, bool allowFraction, bool& negative, std::string_view& digits) {
    size_t i = 0;
    while (i < text.size() && isSpace(text[i])) ++i;
    negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const size_t start = i;
    size_t mantissaDigits = 0;
    while (i < text.size() && isDigit(text[i])) { ++i; ++mantissaDigits; }
    if (allowFraction && i < text.size() && text[i] == '.') {
        size_t j = i + 1;
        size_t fractionDigits = 0;
        while (j < text.size() && isDigit(text[j])) { ++j; ++fractionDigits; }
        if (mantissaDigits + fractionDigits > 0) {
            i = j;
            mantissaDigits += fractionDigits;
        }
    }
    if (mantissaDigits == 0) return false;
    if (allowFraction && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < text.size() && isDigit(text[j])) {
            while (j < text.size() && isDigit(text[j])) ++j;
            i = j;
        }
    }
    digits = text.substr(start, i - start);
    return true;
}

// Whether a decimal number that its type cannot hold is too large (true) or too
// small (false): the decimal exponent of its first significant digit decides.
bool magnitudeAtLeastOne(std::string_view digits) {
    size_t e = digits.find_first_of("eE");
    std::string_view mantissa = digits.substr(0, e);
    size_t dot = mantissa.find('.');
    size_t integerDigits = dot == std::string_view::npos ? mantissa.size() : dot;
    int64_t position = 0;  // decimal exponent of the first significant digit
    bool found = false;
    for (size_t i = 0; i < mantissa.size() && !found; ++i) {
        if (mantissa[i] == '.' || mantissa[i] == '0') continue;
        found = true;
        position = i < integerDigits ? int64_t(integerDigits - i - 1) : -int64_t(i - integerDigits);
    }
    if (!found) return false;
    int64_t exponent = 0;
    if (e != std::string_view::npos) {
        std::string_view rest = digits.substr(e + 1);
        bool negative = !rest.empty() && rest.front() == '-';
        for (char c : rest) {
            if (isDigit(c) && exponent < 1000000000) exponent = exponent * 10 + (c - '0');
        }
        if (negative) exponent = -exponent;
    }
    return position + exponent >= 0;
}

template <typename Real>
Real textRealValue(std::string_view text) {
    bool negative = false;
    std::string_view digits;
    if (!leadingNumber(text, true, negative, digits)) return 0;
    Real value = 0;
    auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        value = magnitudeAtLeastOne(digits) ? std::numeric_limits<Real>::infinity() : Real(0);
    } else if (result.ec != std::errc()) {
        return 0;
    }
    return negative ? -value : value;
}

}  // namespace

int32_t CommonFunction::truncatedInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

std::string CommonFunction::fixedString(double value, int decimals) {
    char buffer[400];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) return "0";
    return std::string(buffer, result.ptr);
}

std::string CommonFunction::timeStrFromSecond(float seconds) {
    int s = truncatedInt(nonNegative(seconds));
    return printf3("%02d:%02d:%02d", s / 3600, (s / 60) % 60, s % 60);
}

std::string CommonFunction::timeStrFromSecondUseMS(float seconds) {
    int s = truncatedInt(nonNegative(seconds));
    if (s < 60) return std::to_string(s) + "s";
    if (s % 60 == 0) return std::to_string(s / 60) + "m";
    return printf2("%dm%ds", s / 60, s % 60);
}

std::string CommonFunction::shortTimeStrFromSecond(float seconds) {
    int s = truncatedInt(seconds);
    int hours = s / 3600;
    if (hours > 0) return printf3("%02d:%02d:%02d", hours, (s / 60) % 60, s % 60);
    return printf2("%02d:%02d", (s / 60) % 60, s % 60);
}

float CommonFunction::textFloatValue(std::string_view text) { return textRealValue<float>(text); }

double CommonFunction::textDoubleValue(std::string_view text) { return textRealValue<double>(text); }

int32_t CommonFunction::textIntValue(std::string_view text) { return leadingIntegerValue(text); }

}  // namespace wavomer
