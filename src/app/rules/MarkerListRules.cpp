#include "rules/MarkerListRules.h"

#include <algorithm>
#include <cmath>

#include "rules/PanelRules.h"

namespace wavomer::app::rules {

double markerTableHeight(std::size_t count, double scrollHeight) {
    return std::max(kMarkerRowPitch * static_cast<double>(count) + kMarkerRowTop, scrollHeight);
}

MarkerRowFrame markerRowFrame(std::size_t index, double tableWidth) {
    return {0.0, kMarkerRowTop + kMarkerRowPitch * static_cast<double>(index), tableWidth, kMarkerRowHeight};
}

std::optional<std::size_t> markerRowAt(double y, std::size_t count) {
    if (!(y >= kMarkerRowTop)) return std::nullopt;
    const double offset = y - kMarkerRowTop;
    const auto index = static_cast<std::size_t>(std::floor(offset / kMarkerRowPitch));
    if (index >= count) return std::nullopt;
    if (offset - kMarkerRowPitch * static_cast<double>(index) >= kMarkerRowHeight) return std::nullopt;
    return index;
}

std::string markerRowText(double seconds) { return markerTimeText(seconds); }

}  // namespace wavomer::app::rules
