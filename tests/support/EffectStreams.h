// Running an effect processor over a test signal the way sections feed it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "effects/AudioEffectProcessor.h"

namespace wavomer::test {

// Renders input through p in blocks of the given sizes (repeated) until it is used up.
inline std::vector<float> renderInBlocks(AudioEffectProcessor& p, const std::vector<float>& input,
                                         const std::vector<int32_t>& sizes) {
    ArrayEffectInput source(input.data(), static_cast<int64_t>(input.size()));
    std::vector<float> out(input.size());
    size_t done = 0, k = 0;
    while (done < out.size()) {
        auto n =
            static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(sizes[k++ % sizes.size()]), out.size() - done));
        EXPECT_TRUE(p.processContinuing(source, n, out.data() + done));
        done += static_cast<size_t>(n);
    }
    return out;
}

}  // namespace wavomer::test
