// DocumentSnapshot: a copy of what a document's archive holds (its tracks' sections and
// its markers), taken on the main thread in a few plain copies so that encoding it can
// run on another thread while editing goes on.
//
// Threads: takeSnapshot on the main thread (it reads the model); the snapshot is a
// plain value afterwards and encodeSnapshot may run anywhere.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/AudioSection.h"
#include "model/MarkerItem.h"

namespace wavomer {

class WaveEditViewController;

// The archived values of one section, as AudioSection archives them.
struct ArchivedSection {
    std::optional<std::string> audioPath;
    int32_t channel = 0;
    double startTime = 0.0;
    double endTime = 0.0;
    double trackStartTime = 0.0;
    double trackEndTime = 0.0;
    bool isMute = false;
    int32_t fadeMode = 0;
    double customFadeStart = 1.0;
    double customFadeStop = 1.0;
    double fadeStartTimeOffset = 0.0;
    double fadeDuration = 1.0;
    double volumeValue = 1.0;
    std::optional<EffectDic> effectDic;
    bool isBlankSection = false;
    bool isNoiseSection = false;
};

struct DocumentSnapshot {
    std::vector<std::vector<ArchivedSection>> tracks;
    std::vector<MarkerItem> markers;
};

DocumentSnapshot takeSnapshot(const WaveEditViewController& engine);
// The keyed archive of the snapshot: the same bytes a save of that state writes.
std::vector<uint8_t> encodeSnapshot(const DocumentSnapshot& snapshot);

}  // namespace wavomer
