// BinaryPlistReader: a checked, read-only view of a "bplist00" binary property list.
// Objects are read in place by index when asked for; nothing is copied into a tree.
// That keeps a file whose objects are shared many times (a list holding the same
// list twice, over and over) as small in memory as it is on disk, where libplist's
// reader expands every reference into its own copy and never finishes.
//
// Threads: the reader is immutable after open(); it borrows the bytes, which must
// outlive it.
//
// Invariants: after a successful open() every index below objectCount() has an
// offset inside the object area; each accessor checks the object it reads against
// the end of that area and answers false instead of reading past it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "util/Outcome.h"

namespace wavomer::archive {

class BinaryPlistReader {
public:
    enum class Kind { Null, Bool, Integer, Real, Date, Data, AsciiString, Utf16String, Uid, Array, Set, Dict };

    struct Object {
        Kind kind = Kind::Null;
        bool boolValue = false;
        uint64_t integerBits = 0;  // integers (8-byte ones in two's complement) and UIDs
        double realValue = 0.0;    // reals and dates
        uint64_t count = 0;        // bytes of data and ASCII, code units of UTF-16, entries of containers
        size_t payload = 0;        // offset of the payload or of the first reference
    };

    // Files with more objects than this are refused as absurd.
    static constexpr uint64_t kMaxObjects = 8'000'000;

    Outcome<> open(const uint8_t* bytes, size_t size);

    uint64_t objectCount() const { return objectCount_; }
    uint64_t topObject() const { return topObject_; }

    bool object(uint64_t index, Object& out) const;
    // The i-th reference of an array or set; of a dictionary, keys come first
    // (0 .. count-1) and values after them (count .. 2*count-1).
    bool reference(const Object& container, uint64_t i, uint64_t& index) const;
    // The text of a string object as UTF-8. ASCII strings point into the file;
    // other strings are converted into scratch.
    bool stringValue(const Object& object, std::string& scratch, std::string_view& out) const;
    bool dataValue(const Object& object, std::string_view& out) const;

private:
    uint64_t readBigEndian(size_t position, int width) const;
    bool offsetOf(uint64_t index, size_t& offset) const;

    const uint8_t* bytes_ = nullptr;
    size_t objectAreaEnd_ = 0;  // the offset table begins here
    uint64_t objectCount_ = 0;
    uint64_t topObject_ = 0;
    int offsetSize_ = 0;
    int refSize_ = 0;
};

}  // namespace wavomer::archive
