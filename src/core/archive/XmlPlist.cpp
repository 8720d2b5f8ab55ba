#include "archive/XmlPlist.h"

#include <plist/plist.h>

#include <cstring>
#include <limits>
#include <memory>

namespace wavomer::archive {

namespace {

bool isNameEnd(uint8_t c) { return c == '>' || c == '/' || c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool tagNameAt(const uint8_t* bytes, size_t size, size_t at, const char* name) {
    const size_t n = std::strlen(name);
    return at + n < size && std::memcmp(bytes + at, name, n) == 0 && isNameEnd(bytes[at + n]);
}

// The deepest nesting of <array> and <dict> elements. It counts every opening tag,
// also those a parser would skip inside comments, so it never reports less than the
// parser will meet.
int containerNesting(const uint8_t* bytes, size_t size) {
    int depth = 0;
    int deepest = 0;
    for (size_t i = 0; i < size; ++i) {
        if (bytes[i] != '<') continue;
        if (i + 1 < size && bytes[i + 1] == '/') {
            if ((tagNameAt(bytes, size, i + 2, "array") || tagNameAt(bytes, size, i + 2, "dict")) && depth > 0)
                --depth;
            continue;
        }
        if (!tagNameAt(bytes, size, i + 1, "array") && !tagNameAt(bytes, size, i + 1, "dict")) continue;
        size_t close = i + 1;
        while (close < size && bytes[close] != '>') ++close;
        const bool selfClosing = close < size && bytes[close - 1] == '/';
        if (!selfClosing && ++depth > deepest) deepest = depth;
    }
    return deepest;
}

struct PlistFree {
    void operator()(plist_t node) const { plist_free(node); }
};

}  // namespace

bool looksLikeXmlPlist(const uint8_t* bytes, size_t size) {
    size_t i = 0;
    if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) i = 3;
    while (i < size && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n')) ++i;
    return i < size && bytes[i] == '<';
}

Outcome<std::vector<uint8_t>> xmlPlistToBinary(const uint8_t* bytes, size_t size, int maxNesting) {
    auto fail = [](const char* why) -> Outcome<std::vector<uint8_t>> { return Failure::because(why); };
    if (size > std::numeric_limits<uint32_t>::max()) return fail("property list too large");
    if (containerNesting(bytes, size) > maxNesting) return fail("property list nested too deeply");
    plist_t parsed = nullptr;
    plist_from_xml(reinterpret_cast<const char*>(bytes), static_cast<uint32_t>(size), &parsed);
    std::unique_ptr<void, PlistFree> root(parsed);
    if (!root) return fail("not a property list (unreadable XML)");
    char* binary = nullptr;
    uint32_t length = 0;
    plist_to_bin(root.get(), &binary, &length);
    if (!binary) return fail("not a property list (unreadable XML)");
    std::vector<uint8_t> out(reinterpret_cast<uint8_t*>(binary), reinterpret_cast<uint8_t*>(binary) + length);
    plist_to_bin_free(binary);
    return out;
}

}  // namespace wavomer::archive
