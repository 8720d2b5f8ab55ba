#include "Json.h"

#include <cmath>
#include <cstdio>

namespace wavomer::cli {

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
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
