// Path pieces with the platform's string-path rules, and a readability test.
#pragma once

#include <string>

namespace wavomer {

// "a/b.wav" → "wav"; "a/b" → ""; ".hidden" → ""; "a.b/c" → "".
std::string pathExtension(const std::string& path);
// pathExtension in lower case, for telling kinds of file apart ("A.MP3" → "mp3").
std::string lowercasePathExtension(const std::string& path);
// The path without its extension and the dot before it.
std::string stringByDeletingPathExtension(const std::string& path);
// The path's last component ("a/b/c.wav" → "c.wav"); trailing slashes are ignored.
std::string lastPathComponent(const std::string& path);
// The path without its last component ("a/b/c" → "a/b", "c" → "", "/c" → "/").
std::string stringByDeletingLastPathComponent(const std::string& path);
// Joins two pieces with exactly one "/" between them; an empty folder gives component.
std::string stringByAppendingPathComponent(const std::string& folder, const std::string& component);

bool fileIsReadable(const std::string& path);

}  // namespace wavomer
