// `wavomer-cli info PROJECT.wvmp`: the decoded project as one line of JSON,
//   {"tracks": [{"sections": [{the 16 section keys}]}], "markers": [times]}
// with each section's keys in archive order, effectDic as an object or null and
// audioPath as a string or null. An archive that cannot be read prints the reason,
// naming the file, on stderr.
#pragma once

#include <string>

#include "util/Outcome.h"

namespace wavomer::cli {

// path is a project folder or the path of its "project.plist". Answers the exit
// status: 0 when the JSON line was printed, 1 when the archive could not be read.
int runProjectInfo(const std::string& path);

// The JSON line (without its newline) for a project archive.
Outcome<std::string> projectInfoJson(const std::string& path);

}  // namespace wavomer::cli
