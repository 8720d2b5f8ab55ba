// The XML form of a property list, turned into the binary form so that one reader
// serves both. libplist parses the XML; we first make sure that its recursive
// parser will not be asked to descend deeper than the archive allows, since it
// has no limit of its own and a deeply nested file overflows the stack.
//
// Threads: pure; call from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "util/Outcome.h"

namespace wavomer::archive {

// True when bytes begin (after an optional byte-order mark and white space) with '<'.
bool looksLikeXmlPlist(const uint8_t* bytes, size_t size);

// The binary form of an XML property list; a failure when it is not one, or when its
// arrays and dictionaries nest deeper than maxNesting.
Outcome<std::vector<uint8_t>> xmlPlistToBinary(const uint8_t* bytes, size_t size, int maxNesting);

}  // namespace wavomer::archive
