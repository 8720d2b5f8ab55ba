// Minimal JSON writing for the command-line tool's one-line outputs. Numbers are
// printed with 17 significant digits so that they read back exactly.
#pragma once

#include <cstdint>
#include <string>

namespace wavomer::cli {

std::string jsonString(const std::string& text);
std::string jsonNumber(double value);

// Builds one JSON object, keys in insertion order.
class JsonObject {
public:
    void add(const std::string& key, const std::string& value) { raw(key, jsonString(value)); }
    void add(const std::string& key, const char* value) { raw(key, jsonString(value)); }
    void add(const std::string& key, double value) { raw(key, jsonNumber(value)); }
    void add(const std::string& key, int64_t value) { raw(key, std::to_string(value)); }
    void add(const std::string& key, bool value) { raw(key, value ? "true" : "false"); }
    void addNull(const std::string& key) { raw(key, "null"); }
    // value is already JSON (an array, an object, ...).
    void raw(const std::string& key, const std::string& json);
    std::string str() const { return "{" + body_ + "}"; }

private:
    std::string body_;
};

// A JSON array of the items, each written by format(item), separated by ", ".
template <typename Items, typename Format>
std::string jsonArray(const Items& items, Format format) {
    std::string out = "[";
    bool first = true;
    for (const auto& item : items) {
        if (!first) out += ", ";
        out += format(item);
        first = false;
    }
    return out + "]";
}

}  // namespace wavomer::cli
