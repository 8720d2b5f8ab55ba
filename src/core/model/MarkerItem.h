// MarkerItem: a point on the timeline, used to navigate and to split exports, with a
// name when the user gave it one (archived under "markerName" only then, so a project
// without names is written as before). Markers are compared by identity; lists of them are kept sorted by
// time with sortMarkArray (exact comparison, no tolerance).
// Threads: owned and changed by the main thread; export reads copies of the times.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "coding/CodingBase.h"

namespace wavomer {

class MarkerItem : public CodingBase {
public:
    static std::shared_ptr<MarkerItem> createMarkerWithTime(double time);

    double markerTime = 0.0;
    std::optional<std::string> markerName;
    // The marker's row in the marker list, set by the window; never archived.
    void* itemView = nullptr;

    std::string coderClassName() const override { return "MarkerItem"; }
    std::vector<std::string> allCoderKeys() const override {
        if (markerName) return {"markerTime", "markerName"};
        return {"markerTime"};
    }
    std::vector<std::string> decodedCoderKeys() const override { return {"markerTime", "markerName"}; }
    CoderValue valueForKey(const std::string& key) const override;
    void setValueForKey(const std::string& key, const CoderValue& value) override;
};

using MarkerPtr = std::shared_ptr<MarkerItem>;

// +1 when a is later than b, -1 when earlier, 0 when the times are equal.
int sortMarkArray(const MarkerItem& a, const MarkerItem& b, void* context = nullptr);

// Sorts a marker list in place by ascending time.
void sortMarkers(std::vector<MarkerPtr>& markers);

}  // namespace wavomer
