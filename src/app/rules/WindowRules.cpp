#include "rules/WindowRules.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

#include "format/CommonFunction.h"
#include "model/AudioTrack.h"

namespace wavomer::app::rules {

float clampZoom(float value, float minimum, float maximum) {
    if (value >= maximum) return maximum;
    if (value <= minimum) return minimum;
    if (std::isnan(value)) return minimum;
    return value;
}

float zoomValueFromX(double x, float minimum, float maximum) {
    double a = (x - 35.0) / 75.0;
    a = std::clamp(a, 0.0, 1.0);
    return clampZoom(static_cast<float>(minimum + (maximum - minimum) * a), minimum, maximum);
}

double zoomKnobCentreX(float value, float minimum, float maximum) {
    return 35.0 + 75.0 * (value - minimum) / (maximum - minimum);
}

std::string timeDisplayText(float seconds) {
    if (!(seconds > 0.0f)) seconds = 0.0f;
    // The nearest hundredth, carried into the seconds, minutes and hours (as the marker
    // list shows its times): a cursor on a marker at 2.3 s reads 2.30.
    const auto total = static_cast<int64_t>(std::llround(static_cast<double>(seconds) * 100.0));
    const int64_t hundredths = total % 100;
    const int64_t wholeSeconds = (total / 100) % 60;
    const int64_t minutes = (total / 6000) % 60;
    const int64_t hours = total / 360000;
    char text[32];
    std::snprintf(text, sizeof text, "%d%d:%02d:%02d.%02d", static_cast<int>((hours / 10) % 10),
                  static_cast<int>(hours % 10), static_cast<int>(minutes), static_cast<int>(wholeSeconds),
                  static_cast<int>(hundredths));
    return text;
}

std::string selectionTimeText(double seconds) {
    if (!(seconds > 0.0)) seconds = 0.0;
    const auto total = static_cast<int64_t>(std::llround(std::min(seconds, 359999.999) * 1000.0));
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%03lld", static_cast<long long>(total / 3600000),
                  static_cast<long long>(total / 60000 % 60), static_cast<long long>(total / 1000 % 60),
                  static_cast<long long>(total % 1000));
    return text;
}

std::optional<double> parseTypedTime(const std::string& text) {
    // Up to three parts split at ':', blanks around the whole allowed.
    const auto begin = text.find_first_not_of(" \t"), end = text.find_last_not_of(" \t");
    if (begin == std::string::npos) return std::nullopt;
    const std::string body = text.substr(begin, end - begin + 1);
    std::vector<std::string> parts;
    for (size_t from = 0;;) {
        const size_t colon = body.find(':', from);
        parts.push_back(body.substr(from, colon == std::string::npos ? std::string::npos : colon - from));
        if (colon == std::string::npos) break;
        from = colon + 1;
    }
    if (parts.size() > 3) return std::nullopt;
    double seconds = 0.0;
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        const bool last = i + 1 == parts.size();
        int dots = 0, digits = 0;
        for (char c : part) {
            if (c == '.' && last) ++dots;
            else if (c >= '0' && c <= '9') ++digits;
            else return std::nullopt;
        }
        if (digits == 0 || dots > 1) return std::nullopt;
        // from_chars reads the '.' whatever the locale (the program runs in the user's).
        double value = 0.0;
        if (std::from_chars(part.data(), part.data() + part.size(), value).ec != std::errc()) return std::nullopt;
        // Minutes and seconds after an hour or minute part stay below 60.
        if (i > 0 && value >= 60.0) return std::nullopt;
        seconds = seconds * 60.0 + value;
    }
    return seconds;
}

SelectionTimes applyTypedTime(SelectionTimes times, TimeField field, double value, double projectLength) {
    const double limit = std::max(projectLength, 0.0);
    const double t = std::clamp(value, 0.0, limit);
    switch (field) {
        case TimeField::start:
            times.start = t;
            times.end = std::max(times.end, t);
            break;
        case TimeField::end:
            times.end = t;
            times.start = std::min(times.start, t);
            break;
        case TimeField::length: times.end = std::min(times.start + std::max(value, 0.0), limit); break;
        case TimeField::cursor: times.cursor = t; break;
    }
    return times;
}

std::string windowTitleText(const std::string& productName, const std::string& displayName) {
    return productName + " - " + displayName;
}

int titleBlankCount(double serifWidth, double barWidth, double blankWidth) {
    if (!(serifWidth > barWidth)) return 0;
    const double n = std::floor((serifWidth - barWidth) / std::max(1.0, blankWidth)) + 4.0;
    return n < 1.0 ? 0 : static_cast<int>(n);
}

int rulerTickLength(int64_t index) {
    if (index % 10 == 0) return static_cast<int>(kMinRulerHeight * 2.4);
    if (index % 5 == 0) return static_cast<int>(kMinRulerHeight * 1.2);
    return static_cast<int>(kMinRulerHeight * 0.6);
}

std::vector<RulerTick> rulerTicks(int64_t firstX, int64_t lastX, int64_t offset) {
    const int64_t a = offset + firstX;
    const int64_t b = offset + lastX;
    std::vector<RulerTick> ticks;
    for (int64_t i = std::max<int64_t>(a / 10 - 5, 0); i <= b / 10 + 6; ++i)
        ticks.push_back({i, 10.0 * static_cast<double>(i) - static_cast<double>(offset) - 0.5, rulerTickLength(i),
                         i % 20 == 0});
    return ticks;
}

std::string rulerLabel(double contentX, double pixelsPerSecond) {
    const double seconds = contentX / pixelsPerSecond;
    return CommonFunction::timeStrFromSecondUseMS(static_cast<float>(std::trunc(seconds)));
}

double roundTimeToPixelGrid(double time, double pixelsPerSecond) {
    return std::round(pixelsPerSecond * time) / std::max(pixelsPerSecond, 0.0001);
}

namespace {
// A grid time as the frame below it, in seconds.
double frameTimeOf(double d) { return static_cast<double>(static_cast<int64_t>(44100.0 * d)) / 44100.0; }
}  // namespace

float rowValueAtTime(AudioTrack& track, double time, double until, double pixelsPerSecond) {
    const double d = roundTimeToPixelGrid(time, pixelsPerSecond);
    const double u = roundTimeToPixelGrid(until, pixelsPerSecond);
    return track.readWavePeak(frameTimeOf(d), frameTimeOf(u));
}

float recordingRowValueAtTime(AudioTrack& track, double time, double until, double pixelsPerSecond,
                              const RecordingShown& recording) {
    const double d = roundTimeToPixelGrid(time, pixelsPerSecond);
    const double u = roundTimeToPixelGrid(until, pixelsPerSecond);
    const double s = roundTimeToPixelGrid(recording.start, pixelsPerSecond);
    const double e = roundTimeToPixelGrid(recording.end, pixelsPerSecond);
    if (d < s) return track.readWavePeak(frameTimeOf(d), frameTimeOf(std::min(u, s)));
    if (d < e) return recording.level ? recording.level(d - recording.start) : 0.0f;
    return track.readWavePeak(frameTimeOf(d - (e - s)), frameTimeOf(u - (e - s)));
}

double columnTime(double contentX, double pixelsPerSecond) {
    return contentX / std::max(static_cast<double>(static_cast<float>(pixelsPerSecond)), 0.001);
}

double columnHalfHeight(float value, double rowHeight) {
    return std::max(static_cast<double>(value) * 0.4 * rowHeight, 1.0);
}

void rowColumnHalfHeights(AudioTrack& track, double pixelsPerSecond, double rowHeight, int64_t first, int64_t count,
                          double devicePixelRatio, std::vector<double>& out, const RecordingShown* recording) {
    out.resize(static_cast<size_t>(std::max<int64_t>(count, 0)));
    const double ratio = devicePixelRatio > 0.0 ? devicePixelRatio : 1.0;
    for (int64_t i = 0; i < count; ++i) {
        const double time = columnTime(static_cast<double>(first + i) / ratio, pixelsPerSecond);
        const double until = columnTime(static_cast<double>(first + i + 1) / ratio, pixelsPerSecond);
        const float value = recording ? recordingRowValueAtTime(track, time, until, pixelsPerSecond, *recording)
                                      : rowValueAtTime(track, time, until, pixelsPerSecond);
        out[static_cast<size_t>(i)] = columnHalfHeight(value, rowHeight);
    }
}

WindowSize firstWindowSize(int availableWidth, int availableHeight) {
    return {std::max(std::min(kWindowWidth, availableWidth - 2 * kScreenMargin), 0),
            std::max(std::min(kWindowHeight, availableHeight - 2 * kScreenMargin), 0)};
}

}  // namespace wavomer::app::rules
