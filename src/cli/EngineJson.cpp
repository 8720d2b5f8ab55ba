#include "EngineJson.h"

#include <algorithm>

#include "Json.h"
#include "ModelJson.h"

namespace wavomer::cli {

std::string engineStateJson(const WaveEditViewController& engine) {
    JsonObject json;
    json.add("length", engine.farestTrackEndTime());
    json.add("cursor", engine.currentTimelineTime());
    json.raw("selection", "[" + jsonNumber(engine.selectedTimelineStartTime()) + ", " +
                              jsonNumber(engine.selectedTimelineEndTime()) + "]");
    std::vector<int64_t> selected;
    for (const auto& track : engine.timelineTrackArray()) {
        auto at = std::find(engine.audioTrackArray().begin(), engine.audioTrackArray().end(), track);
        if (at != engine.audioTrackArray().end()) selected.push_back(at - engine.audioTrackArray().begin());
    }
    json.raw("selectedTracks", jsonArray(selected, [](int64_t i) { return std::to_string(i); }));
    json.raw("tracks", tracksJson(engine.audioTrackArray()));
    json.raw("markers", markersJson(engine.markArray()));
    json.raw("markerNames", markerNamesJson(engine.markArray()));
    auto selectedMarker = std::find(engine.markArray().begin(), engine.markArray().end(), engine.selectedMarkItem());
    if (engine.selectedMarkItem() && selectedMarker != engine.markArray().end())
        json.add("selectedMarker", static_cast<int64_t>(selectedMarker - engine.markArray().begin()));
    else
        json.addNull("selectedMarker");
    json.add("canUndo", const_cast<WaveEditViewController&>(engine).undoManager().canUndo());
    json.add("canRedo", const_cast<WaveEditViewController&>(engine).undoManager().canRedo());
    return json.str();
}

}  // namespace wavomer::cli
