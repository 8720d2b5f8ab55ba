// wavomer-cli play: plays a project through the sound server (or the silent device),
// printing the play position on each 0.08 s tick.
#pragma once

#include "Commands.h"

namespace wavomer::cli {

// play PROJECT.wvmp [--from S] [--loop START END] [--seconds N] [--silent]
int runPlay(const Arguments& args);

}  // namespace wavomer::cli
