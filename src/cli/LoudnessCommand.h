// wavomer-cli loudness: the loudness of a project's export fold, measured with libebur128.
#pragma once

#include "Commands.h"

namespace wavomer::cli {

int runLoudness(const Arguments& args);

}  // namespace wavomer::cli
