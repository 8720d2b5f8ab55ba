// CodingBase: the keyed-archiving base of every model record (tracks, sections,
// markers, tags, the user configuration). A subclass names its archived
// properties, in order, in allCoderKeys() and answers valueForKey() /
// setValueForKey() for each of them; the archive codec (core/archive) turns
// those values into the keyed property-list archive and back.
//
// Threads: a record is encoded or decoded on the thread that owns it (the main
// thread for the project, the export thread for its own copies).
//
// Invariants: valueForKey() answers every key of allCoderKeys(); setValueForKey()
// ignores keys it does not know and values of a type it cannot take, so a record
// that lacks a key, or carries keys from another version, keeps its defaults.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace wavomer {

class CodingBase;
struct CoderValue;

// A colour as the platform's calibrated-RGB colour record stores it.
struct CoderColor {
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
    double alpha = 1.0;
    bool operator==(const CoderColor&) const = default;
};

using CoderList = std::vector<CoderValue>;
// Dictionaries keep their keys sorted so that encoding is deterministic.
using CoderDictionary = std::map<std::string, CoderValue>;
using CoderObject = std::shared_ptr<CodingBase>;

// One archived value. std::monostate is the absent value ("$null").
// int32_t is the 32-bit integer properties (channel, fadeMode, ...); int64_t is
// any other integer found in an archive; doubles are written as 8-byte reals.
struct CoderValue {
    using Storage = std::variant<std::monostate, bool, int32_t, int64_t, double, std::string,
                                 CoderList, CoderDictionary, CoderObject, CoderColor>;
    Storage value;

    CoderValue() = default;
    CoderValue(bool v) : value(v) {}
    CoderValue(int32_t v) : value(v) {}
    CoderValue(int64_t v) : value(v) {}
    CoderValue(double v) : value(v) {}
    CoderValue(std::string v) : value(std::move(v)) {}
    CoderValue(const char* v) : value(std::string(v)) {}
    CoderValue(CoderList v) : value(std::move(v)) {}
    CoderValue(CoderDictionary v) : value(std::move(v)) {}
    CoderValue(CoderObject v) : value(std::move(v)) {}
    CoderValue(CoderColor v) : value(v) {}

    bool isNull() const { return std::holds_alternative<std::monostate>(value); }

    // Lenient readers: an archive may hold a double as an integer and a
    // boolean as an integer. Each answers false when the value cannot be taken.
    bool asDouble(double& out) const;
    bool asInt32(int32_t& out) const;
    bool asBool(bool& out) const;
    bool asString(std::string& out) const;
    const CoderList* asList() const { return std::get_if<CoderList>(&value); }
    const CoderDictionary* asDictionary() const { return std::get_if<CoderDictionary>(&value); }
    const CoderObject* asObject() const { return std::get_if<CoderObject>(&value); }
    const CoderColor* asColor() const { return std::get_if<CoderColor>(&value); }
};

class CodingBase {
public:
    virtual ~CodingBase() = default;

    // The class name written as "$classname" (for example "AudioSection").
    virtual std::string coderClassName() const = 0;
    virtual std::vector<std::string> allCoderKeys() const = 0;
    // The keys a decoder looks for: allCoderKeys, and the optional keys a record writes
    // only when they hold something (a decoder must know them though they are absent).
    virtual std::vector<std::string> decodedCoderKeys() const { return allCoderKeys(); }
    virtual CoderValue valueForKey(const std::string& key) const = 0;
    // Sets the property named key; unknown keys and unusable values are ignored.
    virtual void setValueForKey(const std::string& key, const CoderValue& value) = 0;
    // Called once every key of a decoded record has been set.
    virtual void didDecode() {}
};

}  // namespace wavomer
