// The editing panels' numbers, without Qt: the volume factor's range, the custom fade
// graph (its area, knobs, slots, grid and curve, in the graph's own coordinates with y
// growing upwards), the effect rows (display rounding, unit label, control view and
// window heights), the insert dialog's duration text and the preview progress bar
// (content rectangle, time and x, press classification).
#pragma once

#include <optional>
#include <string>

#include <string>
#include <string_view>

namespace wavomer::app::rules {

struct PanelRect {
    double x = 0.0, y = 0.0, width = 0.0, height = 0.0;
    bool contains(double px, double py) const { return px >= x && px <= x + width && py >= y && py <= y + height; }
    double centreY() const { return y + height / 2.0; }
};

// --- volume -----------------------------------------------------------------------
inline constexpr float kVolumeFactorMax = 10.0f;
// At most 10, then at least 0 (a NaN becomes 0).
float clampVolumeFactor(float factor);
// A factor as a gain in dB with one decimal and its sign: "+6.0", "-12.0", "0.0"; "-inf"
// for 0.
std::string volumeDecibelText(float factor);
// A typed gain in dB ("6", "+6.0", "-3.5 dB", "-inf"; a comma as the decimal mark is
// taken) as a factor; nothing for anything else.
std::optional<float> volumeFactorFromDecibels(const std::string& typed);

// --- custom fade graph --------------------------------------------------------------
inline constexpr double kFadeGraphInset = 30.0;
inline constexpr double kFadeGraphSide = 260.0;  // the view; its graph area is 200 x 200
inline constexpr double kFadeKnobSide = 10.0;
inline constexpr double kFadeSlotMargin = 5.0;

// The view's bounds inset by 30 on every side.
PanelRect fadeGraphRect(double viewWidth, double viewHeight);
// 10 x 10 squares centred on the left edge at the start level and on the right edge at
// the stop level.
PanelRect fadeLeftKnobRect(const PanelRect& graph, double startValue);
PanelRect fadeRightKnobRect(const PanelRect& graph, double stopValue);
// The graph's left or right edge, widened by 5 on every side.
PanelRect fadeLeftSlotRect(const PanelRect& graph);
PanelRect fadeRightSlotRect(const PanelRect& graph);
// The level a pointer at y sets: (y - graph.y) / graph.height, clamped like a field.
double fadeLevelAtY(const PanelRect& graph, double y);
// The curve's y at x from the left knob's y to the right one's: sine-shaped when rising,
// cosine-shaped when falling or flat.
double fadeCurveY(const PanelRect& graph, double x, double leftY, double rightY);
// Grid line i (0 to 10): y of the horizontal line and x of the vertical one, and the
// label "%.1f" of i x 0.1.
double fadeGridY(const PanelRect& graph, int i);
double fadeGridX(const PanelRect& graph, int i);
std::string fadeGridLabel(int i);

// --- effect rows ------------------------------------------------------------------
inline constexpr double kEffectRowHeight = 30.0;
inline constexpr double kEffectControlMinHeight = 132.0;
inline constexpr double kEffectWindowMinHeight = 250.0;

// The value a row shows and its slider takes: an integer for unit "index" or a
// magnitude of 100 or more, else 1, 2, 3 or 4 decimals for magnitudes from 10, 1, 0.1
// and below.
double effectDisplayValue(double value, std::string_view unit);
// The value field's text: "%g" of the shown value.
std::string effectValueText(double value, std::string_view unit);
// The unit label is hidden for "index" and "%".
bool isHiddenUnitName(std::string_view unit);
// max(132, 30 n).
double effectControlViewHeight(long rows);
// max(250, window + control - scroll): the window grows or shrinks with the rows.
double effectWindowHeight(double windowHeight, double controlHeight, double scrollHeight);

// --- insert dialog ----------------------------------------------------------------
// The duration as minutes:seconds.milliseconds, rounded to the nearest millisecond
// (2.3 shows "00:02.300"); negative or NaN shows 0.
std::string insertTimeText(double seconds);
// What the field's text means once it loses focus: "m:s" or seconds, clamped to
// [0, 43200] in single precision.
double insertTimeFromText(std::string_view text);

// --- marker list ------------------------------------------------------------------
// A marker's time as hours:minutes:seconds.hundredths, rounded to the nearest
// hundredth (65.25 shows "00:01:05.25"); negative or NaN shows 0.
std::string markerTimeText(double seconds);

// --- preview progress bar ---------------------------------------------------------
enum class ProgressDragType { Seek = 0, None = 1 };

struct ProgressBar {
    double width = 0.0;
    double height = 0.0;
    double duration = 100.0;

    // The bounds inset by 10 horizontally and 5 vertically; the bar runs through its
    // vertical middle.
    PanelRect contentRect() const;
    double pointToTime(double x) const;
    // A zero duration counts as 1, so the knob stays at the left edge.
    double timeToPoint(double seconds) const;
    // Seek for a point within 5 pixels beyond the bar's ends and 7 above or below it.
    ProgressDragType drayTypeAtPoint(double x, double y) const;
    // The time a seek press or drag at x asks for, within [0, duration].
    double seekTimeAt(double x) const;
};

}  // namespace wavomer::app::rules
