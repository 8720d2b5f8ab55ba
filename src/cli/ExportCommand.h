// wavomer-cli export and formats: the export of a project folder through the same
// driver as the window's Export command, and the list of formats it would offer.
#pragma once

#include "Commands.h"

namespace wavomer::cli {

// export PROJECT.wvmp -d DIR [--format TITLE] [--sample-rate SHOW] [--bit-rate SHOW]
//        [--channels tracks|stereo|mono] [--split-at-markers] [--title T] [--artist A]
//        [--album A] [--year N] [--track N/M] [--disc N/M] [--genre G] [--comment C]
//        [--composer C] [--group G] [--bpm N] [--cover IMAGE]
//        [--loudness LUFS [--true-peak DBTP] [--loudness-mode whole|pieces]] [--chapters] [--jobs N]
// Prints each written file's path on stdout; a progress bar on stderr when it is a
// terminal; Ctrl-C cancels (exit status 130). A failure names the file (status 1).
int runExport(const Arguments& args);

// formats PROJECT.wvmp [--channels tracks|stereo|mono]: one JSON object per offered
// format: title, extension, sample rates and bit rates with their defaults.
int runFormats(const Arguments& args);

}  // namespace wavomer::cli
