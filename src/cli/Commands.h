// The commands of wavomer-cli. Each takes the arguments after its name and
// answers the process exit status; a failure prints one line on stderr naming
// the file and the reason.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace wavomer::cli {

using Arguments = std::vector<std::string>;

int runImport(const Arguments& args);
int runInfo(const Arguments& args);
int runEdit(const Arguments& args);
int runRecovery(const Arguments& args);

// "wavomer-cli: FILE: REASON" on stderr.
void reportFailure(const std::string& file, const std::string& reason);

// The whole text as a finite number (seconds, levels); false for anything else.
bool parseFiniteNumber(const std::string& text, double& value);

// "tracks", "stereo" or "mono" as the export's channel type; false for anything else.
bool parseChannelType(const std::string& text, int64_t& type);

}  // namespace wavomer::cli
