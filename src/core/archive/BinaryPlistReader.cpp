#include "archive/BinaryPlistReader.h"

#include <bit>
#include <cstring>

namespace wavomer::archive {

namespace {

constexpr size_t kHeaderSize = 8;
constexpr size_t kTrailerSize = 32;

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

}  // namespace

uint64_t BinaryPlistReader::readBigEndian(size_t position, int width) const {
    const uint8_t* p = bytes_ + position;
    // Offsets and references are read for every value; the usual widths take one load.
    switch (width) {
    case 1: return p[0];
    case 2: return static_cast<uint64_t>(p[0]) << 8 | p[1];
    case 4: {
        uint32_t v;
        std::memcpy(&v, p, 4);
        return __builtin_bswap32(v);
    }
    case 8: {
        uint64_t v;
        std::memcpy(&v, p, 8);
        return __builtin_bswap64(v);
    }
    default: {
        uint64_t value = 0;
        for (int i = 0; i < width; ++i) value = value << 8 | p[i];
        return value;
    }
    }
}

Outcome<> BinaryPlistReader::open(const uint8_t* bytes, size_t size) {
    auto fail = [&](const char* why) -> Outcome<> {
        objectCount_ = 0;
        return Failure::because(why);
    };
    if (size < kHeaderSize + 1 + kTrailerSize || std::memcmp(bytes, "bplist00", kHeaderSize) != 0)
        return fail("not a binary property list, or truncated");
    bytes_ = bytes;
    const size_t trailer = size - kTrailerSize;
    offsetSize_ = bytes[trailer + 6];
    refSize_ = bytes[trailer + 7];
    const uint64_t count = readBigEndian(trailer + 8, 8);
    const uint64_t top = readBigEndian(trailer + 16, 8);
    const uint64_t table = readBigEndian(trailer + 24, 8);
    if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8)
        return fail("damaged binary property list (bad trailer), or truncated");
    if (count == 0 || top >= count) return fail("damaged binary property list (bad object count), or truncated");
    if (count > kMaxObjects) return fail("binary property list with an absurd number of objects");
    if (table <= kHeaderSize || table > trailer || (trailer - table) / offsetSize_ < count)
        return fail("damaged binary property list (bad offset table), or truncated");
    objectAreaEnd_ = table;
    objectCount_ = count;
    topObject_ = top;
    return {};
}

bool BinaryPlistReader::offsetOf(uint64_t index, size_t& offset) const {
    if (index >= objectCount_) return false;
    const uint64_t value = readBigEndian(objectAreaEnd_ + index * offsetSize_, offsetSize_);
    if (value < kHeaderSize || value >= objectAreaEnd_) return false;
    offset = value;
    return true;
}

bool BinaryPlistReader::object(uint64_t index, Object& out) const {
    size_t at = 0;
    if (!offsetOf(index, at)) return false;
    const size_t end = objectAreaEnd_;
    const uint8_t marker = bytes_[at];
    const int type = marker >> 4;
    const int info = marker & 0x0F;
    out = Object{};
    auto fits = [&](size_t position, uint64_t length) { return position <= end && length <= end - position; };
    // The count of a sized object: in the marker, or an integer object after it.
    auto readCount = [&](uint64_t& count, size_t& payload) {
        if (info != 0x0F) {
            count = static_cast<uint64_t>(info);
            payload = at + 1;
            return true;
        }
        if (!fits(at + 1, 1)) return false;
        const uint8_t sizeMarker = bytes_[at + 1];
        if ((sizeMarker >> 4) != 0x1 || (sizeMarker & 0x0F) > 3) return false;
        const int width = 1 << (sizeMarker & 0x0F);
        if (!fits(at + 2, static_cast<uint64_t>(width))) return false;
        count = readBigEndian(at + 2, width);
        payload = at + 2 + width;
        return true;
    };
    switch (type) {
    case 0x0:
        if (info == 0x0) { out.kind = Kind::Null; return true; }
        if (info == 0x8 || info == 0x9) {
            out.kind = Kind::Bool;
            out.boolValue = info == 0x9;
            return true;
        }
        return false;
    case 0x1: {
        if (info > 4) return false;
        const int width = 1 << info;
        if (!fits(at + 1, static_cast<uint64_t>(width))) return false;
        out.kind = Kind::Integer;
        // 16-byte integers hold unsigned values past the signed range; their low half is the value.
        out.integerBits = width == 16 ? readBigEndian(at + 9, 8) : readBigEndian(at + 1, width);
        return true;
    }
    case 0x2:
    case 0x3: {
        if (info != 2 && info != 3) return false;
        if (type == 0x3 && info != 3) return false;
        const int width = 1 << info;
        if (!fits(at + 1, static_cast<uint64_t>(width))) return false;
        const uint64_t bits = readBigEndian(at + 1, width);
        out.kind = type == 0x2 ? Kind::Real : Kind::Date;
        out.realValue = width == 4 ? static_cast<double>(std::bit_cast<float>(static_cast<uint32_t>(bits)))
                                   : std::bit_cast<double>(bits);
        return true;
    }
    case 0x4:
    case 0x5:
    case 0x6: {
        uint64_t count = 0;
        size_t payload = 0;
        if (!readCount(count, payload)) return false;
        const uint64_t unitSize = type == 0x6 ? 2 : 1;
        if (payload > end || count > (end - payload) / unitSize) return false;
        out.kind = type == 0x4 ? Kind::Data : type == 0x5 ? Kind::AsciiString : Kind::Utf16String;
        out.count = count;
        out.payload = payload;
        return true;
    }
    case 0x8: {
        const int width = info + 1;
        if (width > 8 || !fits(at + 1, static_cast<uint64_t>(width))) return false;
        out.kind = Kind::Uid;
        out.integerBits = readBigEndian(at + 1, width);
        return true;
    }
    case 0xA:
    case 0xC:
    case 0xD: {
        uint64_t count = 0;
        size_t payload = 0;
        if (!readCount(count, payload)) return false;
        const uint64_t refs = static_cast<uint64_t>(refSize_) * (type == 0xD ? 2 : 1);
        if (payload > end || count > (end - payload) / refs) return false;
        out.kind = type == 0xA ? Kind::Array : type == 0xC ? Kind::Set : Kind::Dict;
        out.count = count;
        out.payload = payload;
        return true;
    }
    default:
        return false;
    }
}

bool BinaryPlistReader::reference(const Object& container, uint64_t i, uint64_t& index) const {
    uint64_t limit = 0;
    if (container.kind == Kind::Array || container.kind == Kind::Set) limit = container.count;
    else if (container.kind == Kind::Dict) limit = container.count * 2;
    else return false;
    if (i >= limit) return false;
    index = readBigEndian(container.payload + i * refSize_, refSize_);
    return index < objectCount_;
}

bool BinaryPlistReader::stringValue(const Object& object, std::string& scratch, std::string_view& out) const {
    const uint8_t* p = bytes_ + object.payload;
    if (object.kind == Kind::AsciiString) {
        const size_t n = object.count;
        size_t i = 0;
        while (i < n && p[i] < 0x80) ++i;
        if (i == n) {
            out = std::string_view(reinterpret_cast<const char*>(p), n);
            return true;
        }
        // Bytes past ASCII in a one-byte string are read as Latin-1.
        scratch.clear();
        for (size_t k = 0; k < n; ++k) appendUtf8(scratch, p[k]);
        out = scratch;
        return true;
    }
    if (object.kind != Kind::Utf16String) return false;
    scratch.clear();
    scratch.reserve(object.count);
    for (uint64_t k = 0; k < object.count; ++k) {
        uint32_t unit = static_cast<uint32_t>(p[2 * k]) << 8 | p[2 * k + 1];
        if (unit >= 0xD800 && unit <= 0xDBFF && k + 1 < object.count) {
            uint32_t low = static_cast<uint32_t>(p[2 * k + 2]) << 8 | p[2 * k + 3];
            if (low >= 0xDC00 && low <= 0xDFFF) {
                appendUtf8(scratch, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++k;
                continue;
            }
        }
        // A lone U+DC80..U+DCFF stands for a byte that was not UTF-8 when written.
        if (unit >= 0xDC80 && unit <= 0xDCFF) {
            scratch.push_back(static_cast<char>(unit & 0xFF));
            continue;
        }
        if (unit >= 0xD800 && unit <= 0xDFFF) unit = 0xFFFD;
        appendUtf8(scratch, unit);
    }
    out = scratch;
    return true;
}

bool BinaryPlistReader::dataValue(const Object& object, std::string_view& out) const {
    if (object.kind != Kind::Data) return false;
    out = std::string_view(reinterpret_cast<const char*>(bytes_ + object.payload), object.count);
    return true;
}

}  // namespace wavomer::archive
