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

std::string markerRowText(double seconds) { return markerTimeText(seconds); }

}  // namespace wavomer::app::rules
