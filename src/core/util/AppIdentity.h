// The application's identity: the one reverse-DNS identifier that names its
// folders (output, import cache, configuration, temporary files). Kept in this
// one place so that the core, the window and the command-line tool agree on
// where a user's files live.
#pragma once

namespace wavomer {

inline constexpr const char* kBundleIdentifier = "org.wavomer.Wavomer";

}  // namespace wavomer
