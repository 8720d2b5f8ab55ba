#include "rules/PanelRules.h"

#include "engine/EditActions.h"

#include <algorithm>
#include <cmath>
#include <charconv>
#include <cstdio>
#include <numbers>

#include "format/ValueTransformers.h"

namespace wavomer::app::rules {

float clampVolumeFactor(float factor) {
    if (std::isnan(factor)) return 0.0f;
    return std::max(std::min(factor, kVolumeFactorMax), 0.0f);
}

std::string volumeDecibelText(float factor) {
    if (!(factor > 0.0f)) return "-inf";
    char text[16];
    const double db = 20.0 * std::log10(static_cast<double>(factor));
    std::snprintf(text, sizeof text, "%+.1f", std::fabs(db) < 0.05 ? 0.0 : db);
    return std::string(text) == "+0.0" ? "0.0" : text;
}

std::optional<float> volumeFactorFromDecibels(const std::string& typed) {
    std::string text;
    for (char c : typed) text += c == ',' ? '.' : c;
    // Blanks and a trailing "dB" (any case) are allowed.
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
    if (text.size() >= 2 && (text[text.size() - 2] == 'd' || text[text.size() - 2] == 'D') &&
        (text.back() == 'b' || text.back() == 'B'))
        text.resize(text.size() - 2);
    const auto first = text.find_first_not_of(" \t"), last = text.find_last_not_of(" \t");
    if (first == std::string::npos) return std::nullopt;
    text = text.substr(first, last - first + 1);
    if (text == "-inf") return 0.0f;
    if (!text.empty() && text[0] == '+') text.erase(0, 1);
    double db = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), db);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(db)) return std::nullopt;
    return clampVolumeFactor(static_cast<float>(std::pow(10.0, db / 20.0)));
}

PanelRect fadeGraphRect(double viewWidth, double viewHeight) {
    return {kFadeGraphInset, kFadeGraphInset, std::max(viewWidth - 2 * kFadeGraphInset, 0.0),
            std::max(viewHeight - 2 * kFadeGraphInset, 0.0)};
}

namespace {
PanelRect knobAt(double x, double y) {
    return {x - kFadeKnobSide / 2, y - kFadeKnobSide / 2, kFadeKnobSide, kFadeKnobSide};
}
PanelRect slotAt(const PanelRect& graph, double x) {
    return {x - kFadeSlotMargin, graph.y - kFadeSlotMargin, 2 * kFadeSlotMargin, graph.height + 2 * kFadeSlotMargin};
}
}  // namespace

// The knobs stand where the grid draws the levels: 200 pixels for the whole range.
PanelRect fadeLeftKnobRect(const PanelRect& graph, double startValue) {
    return knobAt(graph.x, graph.y + startValue * 200.0);
}

PanelRect fadeRightKnobRect(const PanelRect& graph, double stopValue) {
    return knobAt(graph.x + graph.width, graph.y + stopValue * 200.0);
}

PanelRect fadeLeftSlotRect(const PanelRect& graph) { return slotAt(graph, graph.x); }

PanelRect fadeRightSlotRect(const PanelRect& graph) { return slotAt(graph, graph.x + graph.width); }

double fadeLevelAtY(const PanelRect& graph, double y) {
    if (graph.height <= 0.0) return 0.0;
    return EditActions::clampFadeLevel((y - graph.y) / graph.height);
}

double fadeCurveY(const PanelRect& graph, double x, double leftY, double rightY) {
    const double u = graph.width > 0.0 ? (x - graph.x) / graph.width : 0.0;
    const double quarter = u * std::numbers::pi / 2.0;
    if (leftY < rightY) return leftY + std::sin(quarter) * (rightY - leftY);
    return rightY - std::cos(quarter) * (rightY - leftY);
}

double fadeGridY(const PanelRect& graph, int i) { return graph.y + 20.0 * i; }

double fadeGridX(const PanelRect& graph, int i) { return graph.x + 20.0 * i; }

std::string fadeGridLabel(int i) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%.1f", i * 0.1);
    return buffer;
}

double effectDisplayValue(double value, std::string_view unit) { return EditActions::roundEffectValue(value, unit); }

std::string effectValueText(double value, std::string_view unit) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", effectDisplayValue(value, unit));
    return buffer;
}

bool isHiddenUnitName(std::string_view unit) { return unit == "index" || unit == "%"; }

double effectControlViewHeight(long rows) {
    return std::max(kEffectControlMinHeight, kEffectRowHeight * static_cast<double>(std::max(rows, 0L)));
}

double effectWindowHeight(double windowHeight, double controlHeight, double scrollHeight) {
    return std::max(kEffectWindowMinHeight, windowHeight + controlHeight - scrollHeight);
}

std::string insertTimeText(double seconds) {
    if (!(seconds > 0.0)) seconds = 0.0;
    const auto total = static_cast<long long>(std::llround(seconds * 1000.0));
    const long long s = total / 1000;
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%02lld:%02lld.%03lld", s / 60, s % 60, total % 1000);
    return buffer;
}

double insertTimeFromText(std::string_view text) {
    return clampInsertTime(MuteNoise2TimeStringTransformer::reverseTransformedValue(text));
}

std::string markerTimeText(double seconds) {
    // The time is kept in single precision, as the list has always shown it.
    double x = static_cast<double>(static_cast<float>(seconds));
    if (!(x > 0.0)) x = 0.0;
    const auto hundredths = static_cast<long long>(std::llround(x * 100.0));
    const long long s = hundredths / 100;
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%02lld:%02lld:%02lld.%02lld", s / 3600, (s / 60) % 60, s % 60,
                  hundredths % 100);
    return buffer;
}

PanelRect ProgressBar::contentRect() const {
    return {10.0, 5.0, std::max(width - 20.0, 0.0), std::max(height - 10.0, 0.0)};
}

double ProgressBar::pointToTime(double x) const {
    const PanelRect content = contentRect();
    if (content.width <= 0.0) return 0.0;
    return (x - content.x) / content.width * duration;
}

double ProgressBar::timeToPoint(double seconds) const {
    const PanelRect content = contentRect();
    return std::min(seconds, duration) / std::max(duration, 1.0) * content.width + content.x;
}

ProgressDragType ProgressBar::drayTypeAtPoint(double x, double y) const {
    const PanelRect content = contentRect();
    const double line = content.centreY();
    const bool alongBar = x >= content.x - 5.0 && x <= content.x + content.width + 5.0;
    const bool nearLine = y >= line - 7.0 && y <= line + 7.0;
    return alongBar && nearLine ? ProgressDragType::Seek : ProgressDragType::None;
}

double ProgressBar::seekTimeAt(double x) const { return std::clamp(pointToTime(x), 0.0, std::max(duration, 0.0)); }

}  // namespace wavomer::app::rules
