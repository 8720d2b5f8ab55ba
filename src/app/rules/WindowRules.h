// The window's numeric rules, without Qt: the zoom control's value and knob, the time
// display's text, the title's trailing blanks, the ruler's ticks and labels, and the
// value and height of a waveform row's pixel column. The widgets only paint what these
// answer and forward input to them, so every number the window shows is tested here.
//
// Threads: main thread (rowValueAtTime reads a track's wave cache, as drawing does).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace wavomer {
class AudioTrack;
}

namespace wavomer::app::rules {

// --- the zoom control ----------------------------------------------------------------
inline constexpr float kZoomMin = 1.0f;
inline constexpr float kZoomMax = 70.0f;
inline constexpr float kZoomInitial = 30.0f;

struct ZoomRect {
    double x, y, width, height;
    bool contains(double px, double py) const { return px >= x && px < x + width && py >= y && py < y + height; }
};
inline constexpr ZoomRect kZoomOutButton{7, 1, 16, 16};
inline constexpr ZoomRect kZoomInButton{120, 1, 16, 16};
inline constexpr ZoomRect kZoomTrack{20, 3, 98, 16};

// The stored value: at or above the maximum is the maximum, at or below the minimum is
// the minimum.
float clampZoom(float value, float minimum = kZoomMin, float maximum = kZoomMax);
// The value a press or drag at x sets: (x - 35) / 75 of the range, clamped.
float zoomValueFromX(double x, float minimum = kZoomMin, float maximum = kZoomMax);
// Where the knob's centre is drawn for a value.
double zoomKnobCentreX(float value, float minimum = kZoomMin, float maximum = kZoomMax);

// --- the time display ------------------------------------------------------------------
// HH:MM:SS.cc of a time clamped at 0 (the hours' tens taken modulo 10).
std::string timeDisplayText(float seconds);

// --- the window's first size -------------------------------------------------------------
inline constexpr int kWindowWidth = 1440;
inline constexpr int kWindowHeight = 760;
inline constexpr int kScreenMargin = 24;  // left free on every side for the desktop's panels and docks
struct WindowSize {
    int width = 0;
    int height = 0;
};
// The first window's size on a screen whose available area is width x height: 1440 x 760
// where that fits within the margin, else as much of it as does.
WindowSize firstWindowSize(int availableWidth, int availableHeight);

// --- the selection's times -------------------------------------------------------------
// A time as the time bar shows it: hh:mm:ss.mmm, to the nearest millisecond.
std::string selectionTimeText(double seconds);
// A typed time: seconds ("65.2"), minutes and seconds ("1:05.2") or hours, minutes and
// seconds ("00:01:05.200"); each part a plain non-negative number, only the last with a
// fraction. Nothing for anything else.
std::optional<double> parseTypedTime(const std::string& text);
enum class TimeField { start, end, length, cursor };
struct SelectionTimes {
    double start = 0.0, end = 0.0, cursor = 0.0;
};
// The times after typing value into field, kept within [0, projectLength]: a start or
// end beyond the other end takes that end along (the selection never turns over), and
// a length moves the end.
SelectionTimes applyTypedTime(SelectionTimes times, TimeField field, double value, double projectLength);


// --- the window title ------------------------------------------------------------------
// "PRODUCT - NAME".
std::string windowTitleText(const std::string& productName, const std::string& displayName);
// The blanks that follow the title: floor((serifWidth - barWidth) / max(1, blankWidth)) + 4,
// or 0 when serifWidth is not larger than barWidth or the count is below 1.
int titleBlankCount(double serifWidth, double barWidth, double blankWidth);

// --- the ruler -------------------------------------------------------------------------
inline constexpr int kMinRulerHeight = 6;

struct RulerTick {
    int64_t index = 0;   // the tick stands at content x = 10 * index
    double viewX = 0.0;  // where it is drawn in the ruler: 10 * index - offset - 0.5
    int length = 0;      // 14 every 10th tick, 7 every 5th, else 3
    bool labelled = false;  // every 20th tick carries a time label
};

int rulerTickLength(int64_t index);
// The ticks of the view area firstX..lastX with the content scrolled by offset pixels.
std::vector<RulerTick> rulerTicks(int64_t firstX, int64_t lastX, int64_t offset);
// The label at content x: whole seconds as "45s", "2m" or "2m5s".
std::string rulerLabel(double contentX, double pixelsPerSecond);

// --- waveform rows ---------------------------------------------------------------------
// A time moved to the pixel grid of scale p: round(p * t) / max(p, 0.0001).
double roundTimeToPixelGrid(double time, double pixelsPerSecond);
// A row's value over a column's times [time, until): the largest of the track's wave
// points there, at least the one at time; both times moved to the pixel grid, then to
// the timeline frame (44100 per second) below them.
float rowValueAtTime(AudioTrack& track, double time, double until, double pixelsPerSecond);
// What a row that receives the running recording shows: the recorded range on the
// timeline and the level at a time since its start.
struct RecordingShown {
    double start = 0.0;
    double end = 0.0;
    std::function<float(double)> level;
};
// A receiving row's value: before the start its own material, within the range the
// recorded level (at time), after it its own material shifted right by the recorded
// length (as it will lie once the recording is inserted). Times are taken on the pixel grid.
float recordingRowValueAtTime(AudioTrack& track, double time, double until, double pixelsPerSecond,
                              const RecordingShown& recording);
// The time of the content column x: x / max(pixels per second in single precision, 0.001).
double columnTime(double contentX, double pixelsPerSecond);
// Half the height of the column's span: value * 0.4 * row height, at least 1 pixel, so
// a silent row still shows a band 2 pixels high.
double columnHalfHeight(float value, double rowHeight);
// The half heights of count columns of device pixels starting at device column first
// (device column i is content x = i / devicePixelRatio); a row receiving the recording
// passes what it shows.
void rowColumnHalfHeights(AudioTrack& track, double pixelsPerSecond, double rowHeight, int64_t first,
                          int64_t count, double devicePixelRatio, std::vector<double>& out,
                          const RecordingShown* recording = nullptr);

}  // namespace wavomer::app::rules
