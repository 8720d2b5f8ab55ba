// Sample data files made by the tests themselves.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace wavomer::test {

// Writes a sample data file whose channel c, frame k holds value(c, k).
void writeSampleFile(const std::string& path, int channels, int64_t frames,
                     const std::function<float(int channel, int64_t frame)>& value);

// The staircase: channel c, frame k holds c * 1e6 + k, so a read reveals its offset.
float staircase(int channel, int64_t frame);

}  // namespace wavomer::test
