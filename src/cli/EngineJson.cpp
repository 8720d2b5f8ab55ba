#include "EngineJson.h"

#include <algorithm>

#include "Json.h"
#include "ModelJson.h"

namespace wavomer::cli {

namespace {

template <typename Items, typename Format>
std::string array(const Items& items, Format format) {
    std::string out = "[";
    bool first = true;
    for (const auto& item : items) {
        if (!first) out += ", ";
        out += format(item);
        first = false;
    }
    return out + "]";
}

}  // namespace

std::string engineStateJson(const WaveEditViewController& engine) {
    JsonObject json;
    json.add("length", engine.farestTrackEndTime());
    json.add("cursor", engine.currentTimelineTime);
    json.raw("selection", "[" + jsonNumber(engine.selectedTimelineStartTime) + ", " +
                              jsonNumber(engine.selectedTimelineEndTime) + "]");
    std::vector<int64_t> selected;
    for (const auto& track : engine.timelineTrackArray) {
        auto at = std::find(engine.audioTrackArray.begin(), engine.audioTrackArray.end(), track);
        if (at != engine.audioTrackArray.end()) selected.push_back(at - engine.audioTrackArray.begin());
    }
    json.raw("selectedTracks", array(selected, [](int64_t i) { return std::to_string(i); }));
    json.raw("tracks", array(engine.audioTrackArray, [](const TrackPtr& track) {
                 JsonObject object;
                 object.raw("sections", array(track->sectionArray(), [](const SectionPtr& s) { return sectionJson(*s); }));
                 return object.str();
             }));
    json.raw("markers", array(engine.markArray, [](const MarkerPtr& m) { return jsonNumber(m->markerTime); }));
    auto selectedMarker = std::find(engine.markArray.begin(), engine.markArray.end(), engine.selectedMarkItem);
    if (engine.selectedMarkItem && selectedMarker != engine.markArray.end())
        json.add("selectedMarker", static_cast<int64_t>(selectedMarker - engine.markArray.begin()));
    else
        json.addNull("selectedMarker");
    json.add("canUndo", const_cast<WaveEditViewController&>(engine).undoManager().canUndo());
    json.add("canRedo", const_cast<WaveEditViewController&>(engine).undoManager().canRedo());
    return json.str();
}

}  // namespace wavomer::cli
