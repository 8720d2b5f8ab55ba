// Small path helpers with the platform's string-path semantics.
#pragma once

#include <string>

namespace wavomer {

// The part after the last "/", trailing slashes ignored ("/a/b/" -> "b").
std::string lastPathComponent(const std::string& path);
// The extension after the last "." of the last component, without the dot.
std::string pathExtension(const std::string& path);
bool fileIsReadable(const std::string& path);

}  // namespace wavomer
