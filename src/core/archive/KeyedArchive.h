// The keyed archive: an NSKeyedArchiver-compatible property list ("bplist00" with
// "$archiver", "$version", "$top", "$objects", UIDs and "$class" records) holding
// CodingBase records, lists, dictionaries, strings, numbers, booleans and colours.
// Used for "project.plist", "user.config" and the clipboard payload.
//
// Threads: the functions are pure; call them from any thread.
//
// Reading is lenient about how an archiver stored things (inline scalars or
// number objects, integer or real doubles, NSString records, XML or binary form)
// and strict about structure: cycles, out-of-range UIDs, absurd sizes or deep
// nesting are rejected with a reason, and nothing is returned half-decoded.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "coding/CodingBase.h"
#include "util/Outcome.h"

namespace wavomer::archive {

// Inputs larger than this are refused as absurd; so are archives nested deeper
// than kMaxArchiveNesting records, lists or dictionaries.
constexpr size_t kMaxArchiveBytes = size_t{64} << 20;
constexpr int kMaxArchiveNesting = 256;

// Makes an empty record for a "$classname", or nullptr for a class the caller
// does not know (the record then decodes as an absent value).
using ClassFactory = std::function<CoderObject(const std::string& className)>;

// The root entries in writing order, e.g. {"audioTrackArray", ...}, {"markArray", ...}.
using RootEntries = std::vector<std::pair<std::string, CoderValue>>;

// Encodes the root entries as a binary keyed archive. Deterministic: the same
// values give the same bytes.
std::vector<uint8_t> encodeKeyedArchive(const RootEntries& root);

// Decodes a binary or XML keyed archive into its root entries, in "$top" order; the
// failure says why the archive could not be read.
Outcome<RootEntries> decodeKeyedArchive(const uint8_t* bytes, size_t size, const ClassFactory& factory);

// Looks at each value before it is set on a decoded record (className, key, value)
// and answers why the archive is unreadable when the value has the wrong shape, or
// an empty string when it is fine. Lets a caller refuse an archive instead of
// letting setValueForKey drop a value it cannot take.
using ValueCheck =
    std::function<std::string(const std::string& className, const std::string& key, const CoderValue& value)>;

Outcome<RootEntries> decodeKeyedArchive(const uint8_t* bytes, size_t size, const ClassFactory& factory,
                                        const ValueCheck& check);

// The value stored under key among the root entries, or nullptr.
const CoderValue* findRootValue(const RootEntries& root, const std::string& key);

// Writes bytes to path atomically: a temporary file in the same folder, flushed
// to disk, then renamed over the old file. A failure leaves any old file untouched.
Outcome<> writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes);

// Reads a whole file of at most 64 MiB.
Outcome<std::vector<uint8_t>> readWholeFile(const std::string& path);

}  // namespace wavomer::archive
