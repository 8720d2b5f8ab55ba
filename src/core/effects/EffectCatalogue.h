// EffectCatalogue: the fixed table of effects the program offers, in program
// order, with each effect's unit type/subtype codes and parameter rows (display
// name = key in a section's effectDic, unit parameter id, range, default, unit
// label). Also the settings the effect window shows for one effect, the graphic
// equaliser bands, and a builder for complete effect dictionaries.
//
// Threads: everything here is pure and callable from any thread.
//
// Invariants: the table never changes at run time; names compare exactly,
// letter case included.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "coding/CodingBase.h"
#include "util/Outcome.h"

namespace wavomer {

// A four-character code packed big-endian, as unit types and subtypes are written ('aufx').
constexpr uint32_t fourCharCode(const char (&code)[5]) {
    return (static_cast<uint32_t>(static_cast<unsigned char>(code[0])) << 24) |
           (static_cast<uint32_t>(static_cast<unsigned char>(code[1])) << 16) |
           (static_cast<uint32_t>(static_cast<unsigned char>(code[2])) << 8) |
           static_cast<uint32_t>(static_cast<unsigned char>(code[3]));
}

constexpr uint32_t kEffectUnitType = fourCharCode("aufx");

struct EffectParameterRow {
    const char* name;  // display name and effectDic key
    uint32_t id;       // the unit's parameter id
    double minimum;
    double maximum;
    double defaultValue;  // may lie outside [minimum, maximum]; loading clamps
    int32_t divisor;      // 1 in every row
    const char* unit;
};

struct EffectTypeRow {
    const char* name;
    uint32_t type;
    uint32_t subtype;
    std::span<const EffectParameterRow> parameters;
};

// One slider of the effect window: what getEffectSettings* answer.
struct EffectSetting {
    std::string name;
    double min = 0.0;
    double max = 0.0;
    double value = 0.0;
    std::string unit;
    bool operator==(const EffectSetting&) const = default;
    // The dictionary form: "name", "min", "max", "value", "unit".
    CoderDictionary toDictionary() const;
};

// The catalogue in program order (the table's closing empty row is not part of the span).
std::span<const EffectTypeRow> effectTypes();
// Exact, case-sensitive lookup; nullptr when no row has that name.
const EffectTypeRow* findEffectType(std::string_view name);
// The first row with that subtype; nullptr when none.
const EffectTypeRow* findEffectTypeBySubtype(uint32_t subtype);

std::vector<std::string> getAllEffects();
std::vector<EffectSetting> getEffectSettingsByName(const std::string& name);
std::vector<EffectSetting> getEffectSettingsHelperByName(const std::string& name);
std::vector<EffectSetting> getGraphicEQEffectSettingsByBands(int32_t bands);
bool useGraphicEQArray(const std::string& name);

// The band centre frequencies of a graphic equaliser with that many bands
// (3, 10 or 31; any other count is taken as 10).
std::span<const int32_t> graphicEQBandFrequencies(int32_t bands);

// Builds the effectDic of the named effect with every parameter (every band for
// a graphic equaliser) at its catalogue default, then the overrides applied by
// display name. Values are stored as given; loading the effect clamps them.
// A failure for an unknown effect or parameter name.
Outcome<CoderDictionary> effectDicWithDefaults(const std::string& name,
                                               const std::vector<std::pair<std::string, double>>& overrides);

// True when two effect dictionaries make the same effect: the same keys, with
// equal numbers (an integer and a double of the same value are equal) or equal
// strings. Anything else held under a key counts as a difference, so a reader
// that keeps a processor while the settings are unchanged errs towards a fresh one.
bool sameEffectSettings(const CoderDictionary& a, const CoderDictionary& b);

}  // namespace wavomer
