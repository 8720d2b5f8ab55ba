// Sample data files made by the tests themselves, and sections and tracks over them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "model/AudioTrack.h"

namespace wavomer::test {

// Writes a sample data file whose channel c, frame k holds value(c, k).
void writeSampleFile(const std::string& path, int channels, int64_t frames,
                     const std::function<float(int channel, int64_t frame)>& value);

// The staircase: channel c, frame k holds c * 1e6 + k, so a read reveals its offset.
float staircase(int channel, int64_t frame);

// A section playing source seconds [start, end] of one channel of the file at path,
// placed on the timeline from trackStart.
SectionPtr placedSection(const std::string& path, double start, double end, double trackStart, int channel = 0);

// A track holding the given sections.
TrackPtr trackOf(SectionArray sections);

}  // namespace wavomer::test
