// Reading the whole number a text starts with, as the platform's integerValue reads
// it: white space, an optional sign, then digits ("128 kbps" → 128, "40 Hz" → 40,
// "name" → 0). Values beyond 32 bits are clamped to the 32-bit range.
#pragma once

#include <cstdint>
#include <string_view>

namespace wavomer {

int32_t leadingIntegerValue(std::string_view text);

}  // namespace wavomer
