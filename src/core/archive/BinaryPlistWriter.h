// BinaryPlistWriter: builds a "bplist00" binary property list object by object and
// writes its bytes. Leaf objects (strings, numbers, booleans, UIDs, data) are shared
// by value, containers never, so equal inputs always give equal bytes.
//
// We write the bytes ourselves rather than through libplist's writer because that
// writer narrows every real that fits a float to 4 bytes, and the archive stores
// doubles as 8-byte reals, as the platform's archiver does.
//
// Threads: one writer per thread; no shared state.
//
// Invariants: every reference handed to array()/dict()/setDict() is an index this
// writer returned earlier (or reserved); finish() is called once.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "archive/FlatIndex.h"

namespace wavomer::archive {

class BinaryPlistWriter {
public:
    using Ref = uint64_t;

    Ref boolean(bool value);
    // Non-negative values take 1, 2, 4 or 8 bytes; negative ones 8 bytes, two's complement.
    Ref integer(int64_t value);
    // Always an 8-byte real.
    Ref real(double value);
    // UTF-8 in; written as ASCII when it is, as UTF-16 otherwise.
    Ref string(std::string_view utf8);
    Ref data(std::string_view bytes);
    Ref uid(uint64_t value);
    Ref array(const std::vector<Ref>& items);
    Ref dict(const std::vector<std::pair<Ref, Ref>>& entries);

    // A dictionary slot taken now and filled later, so that a parent can come
    // before its children in the object table.
    Ref reserveDict();
    void setDict(Ref slot, const std::vector<std::pair<Ref, Ref>>& entries);

    size_t objectCount() const { return objects_.size(); }

    // The finished property list with the given top object.
    std::vector<uint8_t> finish(Ref top) const;

private:
    enum class Kind : uint8_t { False, True, Integer, Real, Ascii, Utf16, Data, Uid, Array, Dict };
    struct Object {
        Kind kind;
        uint64_t bits = 0;      // integer, real bits, UID, or start in text_/refs_
        uint64_t length = 0;    // bytes in text_, or references in refs_
    };

    Ref add(Object object);
    Ref addText(Kind kind, std::string_view bytes);

    std::vector<Object> objects_;
    std::string text_;          // payloads of strings and data, back to back
    // References of arrays and dictionaries, back to back. Four bytes each: a table of
    // four billion objects would not fit in memory long before.
    std::vector<uint32_t> refs_;

    struct TextHash {
        using is_transparent = void;
        size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };
    // Sharing of leaves by value, one table per kind so that 1, 1.0 and YES stay apart.
    std::unordered_map<std::string, Ref, TextHash, std::equal_to<>> textIndex_[3];
    FlatIndex integerIndex_;
    FlatIndex realIndex_;
    FlatIndex uidIndex_;
    static constexpr uint64_t kDenseUids = uint64_t{1} << 26;
    static constexpr Ref kNoRef = UINT64_MAX;
    std::vector<Ref> uidRefs_;
    Ref boolIndex_[2] = {UINT64_MAX, UINT64_MAX};
};

// UTF-8 to UTF-16 code units. A byte that is not part of well-formed UTF-8 (a file
// name from another system, say) becomes the lone surrogate U+DC00 + byte, which the
// reader turns back into that byte, so every path survives the round trip.
std::u16string utf8ToUtf16(std::string_view utf8);

}  // namespace wavomer::archive
