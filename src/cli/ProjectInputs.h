// The files a command reads from an opened project: its "project.plist" and every
// sample data file its sections point into. Outputs are refused when they name one.
#pragma once

#include <string>
#include <vector>

#include "engine/WaveEditViewController.h"

namespace wavomer::cli {

std::vector<std::string> projectInputFiles(const std::string& project, const WaveEditViewController& engine);

}  // namespace wavomer::cli
