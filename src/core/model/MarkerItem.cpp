#include "model/MarkerItem.h"

#include <algorithm>

namespace wavomer {

std::shared_ptr<MarkerItem> MarkerItem::createMarkerWithTime(double time) {
    auto marker = std::make_shared<MarkerItem>();
    marker->markerTime = time;
    return marker;
}

CoderValue MarkerItem::valueForKey(const std::string& key) const {
    if (key == "markerTime") return CoderValue(markerTime);
    if (key == "markerName" && markerName) return CoderValue(*markerName);
    return {};
}

void MarkerItem::setValueForKey(const std::string& key, const CoderValue& value) {
    if (key == "markerTime") value.asDouble(markerTime);
    if (key == "markerName") {
        std::string name;
        if (value.asString(name) && !name.empty()) markerName = name;
        else markerName.reset();
    }
}

int sortMarkArray(const MarkerItem& a, const MarkerItem& b, void*) {
    if (a.markerTime > b.markerTime) return 1;
    if (a.markerTime < b.markerTime) return -1;
    return 0;
}

void sortMarkers(std::vector<MarkerPtr>& markers) {
    std::stable_sort(markers.begin(), markers.end(),
                     [](const MarkerPtr& a, const MarkerPtr& b) { return sortMarkArray(*a, *b) < 0; });
}

}  // namespace wavomer
