#include "Json.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace wavomer::cli {

namespace {

// Length of the well-formed UTF-8 sequence at text[i], or 0 when it is malformed.
size_t utf8SequenceLength(const std::string& text, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = byte(i);
    size_t length = 0;
    uint32_t cp = 0;
    if (c >= 0xC2 && c <= 0xDF) { length = 2; cp = c & 0x1F; }
    else if (c >= 0xE0 && c <= 0xEF) { length = 3; cp = c & 0x0F; }
    else if (c >= 0xF0 && c <= 0xF4) { length = 4; cp = c & 0x07; }
    else return 0;
    if (i + length > text.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        cp = cp << 6 | (byte(i + k) & 0x3F);
    }
    const bool overlong = (length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000);
    if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return length;
}

}  // namespace

// Bytes that are not UTF-8 (a file name from another system, say) become U+FFFD,
// so that the output is always valid JSON.
std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const size_t length = utf8SequenceLength(text, i);
            if (length == 0) {
                out += "\\ufffd";
            } else {
                out.append(text, i, length);
                i += length - 1;
            }
            continue;
        }
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

std::string jsonNumber(double value) {
    // JSON has no NaN or infinity; such values print as null.
    if (!std::isfinite(value)) return "null";
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

void JsonObject::raw(const std::string& key, const std::string& json) {
    if (!body_.empty()) body_ += ", ";
    body_ += jsonString(key) + ": " + json;
}

}  // namespace wavomer::cli
