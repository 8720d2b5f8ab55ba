// JSON forms of archived values and sections, shared by the commands that print a
// project (info) and the editing state (edit's print): numbers read back exactly.
#pragma once

#include <string>
#include <vector>

#include "model/AudioSection.h"
#include "model/AudioTrack.h"
#include "model/MarkerItem.h"

namespace wavomer::cli {

std::string jsonValue(const CoderValue& value);
// A section as an object holding its archived keys in archive order.
std::string sectionJson(const AudioSection& section);
// The tracks as [{"sections": [...]}, ...] and the markers as their times: the one
// shape both info and edit's print use.
std::string tracksJson(const std::vector<TrackPtr>& tracks);
std::string markersJson(const std::vector<MarkerPtr>& markers);
// Each marker's name, null where it has none, in the markers' order.
std::string markerNamesJson(const std::vector<MarkerPtr>& markers);

}  // namespace wavomer::cli
