// The recording strip's level meter as numbers: a peak reading in dB on a scale from
// -60 dB to 0 dB, a bar that rises at once and falls at 24 dB a second, a peak hold that
// stays 1.5 s before it falls the same way, and a clip mark that stays lit from the
// first reading at full scale until the take ends.
//
// Threads: main thread.
#pragma once

#include <string>
#include <vector>

namespace wavomer::app::rules {

class PeakMeter {
public:
    static constexpr double kFloorDb = -60.0;
    static constexpr double kFallDbPerSecond = 24.0;
    static constexpr double kHoldSeconds = 1.5;
    static constexpr double kClipLevel = 0.999;  // a peak this high has reached full scale

    // One reading (0 silence to 1 full scale) taken seconds after the previous one.
    void push(double peak, double seconds);
    void reset();
    double levelDb() const { return level_; }
    double holdDb() const { return hold_; }
    bool clipped() const { return clipped_; }

    // A level as dB, never below the floor (silence reads as the floor).
    static double decibels(double peak);
    // Where a dB value lies along the scale, 0 at the floor to 1 at 0 dB.
    static double scalePosition(double db);
    // The scale's labelled marks, in dB.
    static std::vector<double> scaleMarks();

private:
    double level_ = kFloorDb;
    double hold_ = kFloorDb;
    double heldFor_ = 0.0;
    bool clipped_ = false;
};

// "-12 dB", or "-inf dB" at the floor, as the strip writes a level.
std::string decibelText(double db);

}  // namespace wavomer::app::rules
