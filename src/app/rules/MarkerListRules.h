// The marker list's geometry, without Qt: rows 35 high, 38 apart, the first 3 from the
// top; the table as high as its rows plus 3, or the scroll area if that is higher; and
// which row a point of the table falls on.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace wavomer::app::rules {

inline constexpr double kMarkerRowHeight = 35.0;
inline constexpr double kMarkerRowPitch = 38.0;
inline constexpr double kMarkerRowTop = 3.0;

struct MarkerRowFrame {
    double x = 0.0, y = 0.0, width = 0.0, height = 0.0;
};

// max(38 * count + 3, scrollHeight).
double markerTableHeight(std::size_t count, double scrollHeight);
// Row i: x 0, y 3 + 38 i, the table's width, 35 high.
MarkerRowFrame markerRowFrame(std::size_t index, double tableWidth);
// A row's text: the marker's time as hours, minutes, seconds and hundredths
// ("00:01:05.25").
std::string markerRowText(double seconds);

}  // namespace wavomer::app::rules
