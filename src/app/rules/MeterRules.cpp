#include "rules/MeterRules.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace wavomer::app::rules {

double PeakMeter::decibels(double peak) {
    if (!(peak > 0.0)) return kFloorDb;
    return std::clamp(20.0 * std::log10(peak), kFloorDb, 0.0);
}

double PeakMeter::scalePosition(double db) { return std::clamp((db - kFloorDb) / -kFloorDb, 0.0, 1.0); }

std::vector<double> PeakMeter::scaleMarks() { return {-60.0, -48.0, -36.0, -24.0, -18.0, -12.0, -6.0, -3.0, 0.0}; }

void PeakMeter::push(double peak, double seconds) {
    const double db = decibels(peak);
    const double fall = kFallDbPerSecond * std::max(seconds, 0.0);
    level_ = std::max(db, std::max(level_ - fall, kFloorDb));
    if (db >= hold_) {
        hold_ = db;
        heldFor_ = 0.0;
    } else {
        heldFor_ += std::max(seconds, 0.0);
        // Past the hold time the mark falls, but never below the bar.
        if (heldFor_ > kHoldSeconds) hold_ = std::max(std::max(hold_ - fall, kFloorDb), level_);
    }
    if (peak >= kClipLevel) clipped_ = true;
}

void PeakMeter::reset() { *this = PeakMeter(); }

std::string decibelText(double db) {
    if (db <= PeakMeter::kFloorDb) return "-inf dB";
    char text[16];
    std::snprintf(text, sizeof text, "%.0f dB", db);
    return std::string(text) == "-0 dB" ? "0 dB" : text;
}

}  // namespace wavomer::app::rules
