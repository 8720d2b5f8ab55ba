// The editing engine's state as one line of JSON (the edit script's "print").
#pragma once

#include <string>

#include "engine/WaveEditViewController.h"

namespace wavomer::cli {

std::string engineStateJson(const WaveEditViewController& engine);

}  // namespace wavomer::cli
