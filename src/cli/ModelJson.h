// JSON forms of archived values and sections, shared by the commands that print a
// project (info) and the editing state (edit's print): numbers read back exactly.
#pragma once

#include <string>

#include "model/AudioSection.h"

namespace wavomer::cli {

std::string jsonValue(const CoderValue& value);
// A section as an object holding its archived keys in archive order.
std::string sectionJson(const AudioSection& section);

}  // namespace wavomer::cli
