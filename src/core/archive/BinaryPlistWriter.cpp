#include "archive/BinaryPlistWriter.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>

namespace wavomer::archive {

namespace {

int byteWidth(uint64_t value) {
    if (value <= 0xFFu) return 1;
    if (value <= 0xFFFFu) return 2;
    if (value <= 0xFFFFFFFFu) return 4;
    return 8;
}

int widthExponent(int width) { return width == 1 ? 0 : width == 2 ? 1 : width == 4 ? 2 : 3; }

bool isAscii(std::string_view text) {
    for (unsigned char c : text)
        if (c >= 0x80) return false;
    return true;
}

}  // namespace

std::u16string utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    const size_t n = utf8.size();
    auto byteAt = [&](size_t k) { return static_cast<unsigned char>(utf8[k]); };
    size_t i = 0;
    while (i < n) {
        const unsigned char c = byteAt(i);
        uint32_t cp = 0;
        size_t length = 0;
        uint32_t minimum = 0;
        if (c < 0x80) { cp = c; length = 1; }
        else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; length = 2; minimum = 0x80; }
        else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; length = 3; minimum = 0x800; }
        else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; length = 4; minimum = 0x10000; }
        bool valid = length > 0 && i + length <= n;
        for (size_t k = 1; valid && k < length; ++k) {
            const unsigned char d = byteAt(i + k);
            valid = (d & 0xC0) == 0x80;
            cp = cp << 6 | (d & 0x3F);
        }
        valid = valid && cp >= minimum && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
        if (!valid) {
            out.push_back(static_cast<char16_t>(0xDC00 | c));
            ++i;
            continue;
        }
        i += length;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 | (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 | (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

BinaryPlistWriter::Ref BinaryPlistWriter::add(Object object) {
    objects_.push_back(object);
    return objects_.size() - 1;
}

BinaryPlistWriter::Ref BinaryPlistWriter::addText(Kind kind, std::string_view bytes) {
    auto& index = textIndex_[kind == Kind::Ascii ? 0 : kind == Kind::Utf16 ? 1 : 2];
    if (auto it = index.find(bytes); it != index.end()) return it->second;
    index.emplace(std::string(bytes), objects_.size());
    Object object{kind, text_.size(), bytes.size()};
    text_.append(bytes);
    return add(object);
}

BinaryPlistWriter::Ref BinaryPlistWriter::boolean(bool value) {
    Ref& slot = boolIndex_[value ? 1 : 0];
    if (slot == UINT64_MAX) slot = add({value ? Kind::True : Kind::False});
    return slot;
}

BinaryPlistWriter::Ref BinaryPlistWriter::integer(int64_t value) {
    const auto bits = static_cast<uint64_t>(value);
    auto [ref, inserted] = integerIndex_.findOrInsert(bits, objects_.size());
    if (inserted) add({Kind::Integer, bits});
    return ref;
}

BinaryPlistWriter::Ref BinaryPlistWriter::real(double value) {
    const auto bits = std::bit_cast<uint64_t>(value);
    auto [ref, inserted] = realIndex_.findOrInsert(bits, objects_.size());
    if (inserted) add({Kind::Real, bits});
    return ref;
}

BinaryPlistWriter::Ref BinaryPlistWriter::string(std::string_view utf8) {
    if (isAscii(utf8)) return addText(Kind::Ascii, utf8);
    std::u16string units = utf8ToUtf16(utf8);
    std::string bigEndian;
    bigEndian.reserve(units.size() * 2);
    for (char16_t u : units) {
        bigEndian.push_back(static_cast<char>(u >> 8));
        bigEndian.push_back(static_cast<char>(u & 0xFF));
    }
    return addText(Kind::Utf16, bigEndian);
}

BinaryPlistWriter::Ref BinaryPlistWriter::data(std::string_view bytes) { return addText(Kind::Data, bytes); }

BinaryPlistWriter::Ref BinaryPlistWriter::uid(uint64_t value) {
    // UIDs are numbered densely from 0, so most are found by position.
    if (value < kDenseUids) {
        if (value >= uidRefs_.size()) uidRefs_.resize(std::min<size_t>(kDenseUids, std::max<size_t>(value + 1, uidRefs_.size() * 2)), kNoRef);
        Ref& ref = uidRefs_[value];
        if (ref == kNoRef) ref = add({Kind::Uid, value});
        return ref;
    }
    auto [ref, inserted] = uidIndex_.findOrInsert(value, objects_.size());
    if (inserted) add({Kind::Uid, value});
    return ref;
}

BinaryPlistWriter::Ref BinaryPlistWriter::array(const std::vector<Ref>& items) {
    Object object{Kind::Array, refs_.size(), items.size()};
    for (Ref item : items) refs_.push_back(static_cast<uint32_t>(item));
    return add(object);
}

BinaryPlistWriter::Ref BinaryPlistWriter::dict(const std::vector<std::pair<Ref, Ref>>& entries) {
    Ref slot = reserveDict();
    setDict(slot, entries);
    return slot;
}

BinaryPlistWriter::Ref BinaryPlistWriter::reserveDict() { return add({Kind::Dict, 0, 0}); }

void BinaryPlistWriter::setDict(Ref slot, const std::vector<std::pair<Ref, Ref>>& entries) {
    Object& object = objects_[slot];
    object.bits = refs_.size();
    object.length = entries.size();
    for (const auto& entry : entries) refs_.push_back(static_cast<uint32_t>(entry.first));
    for (const auto& entry : entries) refs_.push_back(static_cast<uint32_t>(entry.second));
}

std::vector<uint8_t> BinaryPlistWriter::finish(Ref top) const {
    const int refSize = byteWidth(objects_.size());
    auto markerSize = [](uint64_t count) -> uint64_t { return count < 15 ? 1 : 2 + byteWidth(count); };
    auto objectSize = [&](const Object& object) -> uint64_t {
        switch (object.kind) {
        case Kind::False:
        case Kind::True: return 1;
        case Kind::Integer: return 1 + (static_cast<int64_t>(object.bits) < 0 ? 8 : byteWidth(object.bits));
        case Kind::Real: return 9;
        case Kind::Ascii:
        case Kind::Data: return markerSize(object.length) + object.length;
        case Kind::Utf16: return markerSize(object.length / 2) + object.length;
        case Kind::Uid: return 1 + byteWidth(object.bits);
        case Kind::Array: return markerSize(object.length) + object.length * refSize;
        case Kind::Dict: return markerSize(object.length) + object.length * 2 * refSize;
        }
        return 0;
    };
    // Sizes first, so that the whole file is one allocation written in one pass.
    uint64_t offsetTable = 8;
    for (const Object& object : objects_) offsetTable += objectSize(object);
    const int offsetSize = byteWidth(offsetTable);
    std::vector<uint8_t> out(offsetTable + objects_.size() * offsetSize + 32);
    uint8_t* p = out.data();
    uint8_t* offsets = out.data() + offsetTable;
    auto put = [&](uint64_t value, int width) {
        for (int i = width - 1; i >= 0; --i) *p++ = static_cast<uint8_t>(value >> (8 * i));
    };
    auto putMarker = [&](uint8_t type, uint64_t count) {
        if (count < 15) {
            *p++ = static_cast<uint8_t>(type << 4 | count);
            return;
        }
        *p++ = static_cast<uint8_t>(type << 4 | 0x0F);
        const int width = byteWidth(count);
        *p++ = static_cast<uint8_t>(0x10 | widthExponent(width));
        put(count, width);
    };
    auto putRefs = [&](uint64_t start, uint64_t count) {
        const uint32_t* refs = refs_.data() + start;
        switch (refSize) {
        case 1: for (uint64_t i = 0; i < count; ++i) *p++ = static_cast<uint8_t>(refs[i]); break;
        case 2:
            for (uint64_t i = 0; i < count; ++i) {
                *p++ = static_cast<uint8_t>(refs[i] >> 8);
                *p++ = static_cast<uint8_t>(refs[i]);
            }
            break;
        default: for (uint64_t i = 0; i < count; ++i) put(refs[i], refSize); break;
        }
    };
    std::memcpy(p, "bplist00", 8);
    p += 8;
    for (const Object& object : objects_) {
        const uint64_t at = static_cast<uint64_t>(p - out.data());
        for (int i = offsetSize - 1; i >= 0; --i) *offsets++ = static_cast<uint8_t>(at >> (8 * i));
        switch (object.kind) {
        case Kind::False: *p++ = 0x08; break;
        case Kind::True: *p++ = 0x09; break;
        case Kind::Integer: {
            const int width = static_cast<int64_t>(object.bits) < 0 ? 8 : byteWidth(object.bits);
            *p++ = static_cast<uint8_t>(0x10 | widthExponent(width));
            put(object.bits, width);
            break;
        }
        case Kind::Real:
            *p++ = 0x23;
            put(object.bits, 8);
            break;
        case Kind::Ascii:
        case Kind::Utf16:
        case Kind::Data: {
            const uint8_t type = object.kind == Kind::Ascii ? 0x5 : object.kind == Kind::Utf16 ? 0x6 : 0x4;
            putMarker(type, object.kind == Kind::Utf16 ? object.length / 2 : object.length);
            if (object.length > 0) std::memcpy(p, text_.data() + object.bits, object.length);
            p += object.length;
            break;
        }
        case Kind::Uid: {
            const int width = byteWidth(object.bits);
            *p++ = static_cast<uint8_t>(0x80 | (width - 1));
            put(object.bits, width);
            break;
        }
        case Kind::Array:
            putMarker(0xA, object.length);
            putRefs(object.bits, object.length);
            break;
        case Kind::Dict:
            putMarker(0xD, object.length);
            putRefs(object.bits, object.length * 2);
            break;
        }
    }
    p = offsets;
    for (int i = 0; i < 6; ++i) *p++ = 0;
    *p++ = static_cast<uint8_t>(offsetSize);
    *p++ = static_cast<uint8_t>(refSize);
    put(objects_.size(), 8);
    put(top, 8);
    put(offsetTable, 8);
    return out;
}

}  // namespace wavomer::archive
