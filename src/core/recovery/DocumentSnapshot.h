// DocumentSnapshot: a copy of what a document's archive holds (its tracks' sections and
// its markers), taken on the main thread in a few plain copies so that encoding it can
// run on another thread while editing goes on.
//
// Threads: takeSnapshot on the main thread (it reads the model); the snapshot is a
// plain value afterwards and encodeSnapshot may run anywhere.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/AudioSection.h"
#include "model/MarkerItem.h"

namespace wavomer {

class WaveEditViewController;

// The archived values of one section, as AudioSection archives them. The path is
// shared by the sections of one source, so the copy makes one string per source.
struct ArchivedSection {
    std::shared_ptr<const std::string> audioPath;  // none when the section has no path
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


    // Whether section archives exactly these values.
    bool isCopyOf(const AudioSection& section) const;
};

// A track's copy is shared by the snapshots it did not change between.
using ArchivedTrack = std::shared_ptr<const std::vector<ArchivedSection>>;

struct DocumentSnapshot {
    std::vector<ArchivedTrack> tracks;
    std::vector<MarkerItem> markers;
};

// The copy of the engine's archived state. A track whose sections archive what they
// did in previous is taken from it as it is: reading is cheap, copying is not.
DocumentSnapshot takeSnapshot(const WaveEditViewController& engine, const DocumentSnapshot* previous = nullptr);
// The keyed archive of the snapshot: the same bytes a save of that state writes.
std::vector<uint8_t> encodeSnapshot(const DocumentSnapshot& snapshot);

}  // namespace wavomer
