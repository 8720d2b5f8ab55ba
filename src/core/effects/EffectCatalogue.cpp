#include "effects/EffectCatalogue.h"

#include <cmath>
#include <cstdlib>

#include "util/TextNumber.h"

namespace wavomer {

namespace {

constexpr EffectParameterRow kPeakLimiter[] = {
    {"Attack Time", 0, 0.001, 0.03, 0.012, 1, "Secs"},
    {"Decay Time", 1, 0.001, 0.06, 0.024, 1, "Secs"},
    {"Pre Gain", 2, -40, 40, 0, 1, "dB"},
};
constexpr EffectParameterRow kDynamicsProcessor[] = {
    {"Threshold", 0, -40, 20, -20, 1, "dB"},       {"Head Room", 1, 0.1, 40, 5, 1, "dB"},
    {"Expansion Ratio", 2, 1, 50, 2, 1, "%"},      {"Attack Time", 4, 0.0001, 0.2, 0.001, 1, "Secs"},
    {"Release Time", 5, 0.01, 3, 0.05, 1, "Secs"}, {"Master Gain", 6, -40, 40, 0, 1, "dB"},
};
constexpr EffectParameterRow kLowPass[] = {
    {"Cutoff Frequency", 0, 10, 20000, 6900, 1, "Hz"},
    {"Resonance", 1, -20, 40, 0, 1, "dB"},
};
constexpr EffectParameterRow kHighPass[] = {
    {"Cutoff Frequency", 0, 10, 20000, 6900, 1, "Hz"},
    {"Resonance", 1, -20, 40, 0, 1, "dB"},
};
constexpr EffectParameterRow kBandPass[] = {
    {"Center Frequency", 0, 20, 20000, 5000, 1, "Hz"},
    {"Bandwidth", 1, 100, 12000, 600, 1, "Cents"},
};
constexpr EffectParameterRow kHighShelf[] = {
    {"Cut Off Frequency", 0, 10000, 20000, 10000, 1, "Hz"},
    {"Gain", 1, -40, 40, 0, 1, "dB"},
};
constexpr EffectParameterRow kLowShelf[] = {
    {"Cut Off Frequency", 0, 10, 200, 80, 1, "Hz"},
    {"Gain", 1, -40, 40, 0, 1, "dB"},
};
constexpr EffectParameterRow kParametricEQ[] = {
    {"Center Freq", 0, 20, 20000, 2000, 1, "Hz"},
    {"Q", 1, 0.1, 20, 1, 1, "Hz"},
    {"Gain", 2, -20, 20, 0, 1, "dB"},
};
constexpr EffectParameterRow kDistortion[] = {
    {"Delay", 0, 0.1, 500, 0.1, 1, "Secs"},
    {"Decay", 1, 0.1, 50, 1, 1, "%"},
    {"Delay Mix", 2, 0, 100, 50, 1, "%"},
    {"Decimation", 3, 0, 100, 50, 1, "%"},
    {"Rounding", 4, 0, 100, 0, 1, "%"},
    {"Decimation Mix", 5, 0, 100, 50, 1, "%"},
    {"Linear Term", 6, 0, 1, 1, 1, "dB"},
    {"Squared Term", 7, 0, 20, 0, 1, "dB"},
    {"Cubic Term", 8, 0, 20, 0, 1, "dB"},
    {"Polynomial Mix", 9, 0, 100, 50, 1, "%"},
    {"Ring Mod Freq1", 10, 0.5, 8000, 100, 1, "Hz"},
    {"Ring Mod Freq2", 11, 0.5, 8000, 100, 1, "Hz"},
    {"Ring Mod Balance", 12, 0, 100, 50, 1, "%"},
    {"Ring Mod Mix", 13, 0, 100, 0, 1, "%"},
    {"Soft Clip Gain", 14, -80, 20, -6, 1, "dB"},
    {"Final Mix", 15, 0, 100, 50, 1, "%"},
};
constexpr EffectParameterRow kNBandEQ[] = {
    {"Global Gain", 0, -96, 24, 0, 1, "dB"},
    {"Frequency", 3000, 20, 20000, 1000, 1, "Hz"},
    {"Gain", 4000, -96, 24, 0, 1, "dB"},
    {"Bandwidth", 5000, 0.05, 5, 0.5, 1, "octaves"},
};
// The platform graphic equaliser's own rows. Only the last one ("Gain30") is
// ever used, as the template of a band slider; the chain is built from
// "Parametric EQ" units instead.
constexpr EffectParameterRow kGraphicEQ[] = {
    {"Number Of Bands", 10000, 0, 1, 0, 1, "index"},
    {"Gain0", 0, -20, 20, 0, 1, "dB"},
    {"Gain1", 1, -20, 20, 0, 1, "dB"},
    {"Gain2", 2, -20, 20, 0, 1, "dB"},
    {"Gain3", 3, -20, 20, 0, 1, "dB"},
    {"Gain4", 4, -20, 20, 0, 1, "dB"},
    {"Gain5", 5, -20, 20, 0, 1, "dB"},
    {"Gain6", 6, -20, 20, 0, 1, "dB"},
    {"Gain7", 7, -20, 20, 0, 1, "dB"},
    {"Gain8", 8, -20, 20, 0, 1, "dB"},
    {"Gain9", 9, -20, 20, 0, 1, "dB"},
    {"Gain10", 10, -20, 20, 0, 1, "dB"},
    {"Gain11", 11, -20, 20, 0, 1, "dB"},
    {"Gain12", 12, -20, 20, 0, 1, "dB"},
    {"Gain13", 13, -20, 20, 0, 1, "dB"},
    {"Gain14", 14, -20, 20, 0, 1, "dB"},
    {"Gain15", 15, -20, 20, 0, 1, "dB"},
    {"Gain16", 16, -20, 20, 0, 1, "dB"},
    {"Gain17", 17, -20, 20, 0, 1, "dB"},
    {"Gain18", 18, -20, 20, 0, 1, "dB"},
    {"Gain19", 19, -20, 20, 0, 1, "dB"},
    {"Gain20", 20, -20, 20, 0, 1, "dB"},
    {"Gain21", 21, -20, 20, 0, 1, "dB"},
    {"Gain22", 22, -20, 20, 0, 1, "dB"},
    {"Gain23", 23, -20, 20, 0, 1, "dB"},
    {"Gain24", 24, -20, 20, 0, 1, "dB"},
    {"Gain25", 25, -20, 20, 0, 1, "dB"},
    {"Gain26", 26, -20, 20, 0, 1, "dB"},
    {"Gain27", 27, -20, 20, 0, 1, "dB"},
    {"Gain28", 28, -20, 20, 0, 1, "dB"},
    {"Gain29", 29, -20, 20, 0, 1, "dB"},
    {"Gain30", 30, -20, 20, 0, 1, "dB"},
};
constexpr EffectParameterRow kMatrixReverb[] = {
    {"Dry Wet Mix", 0, 0, 99.9, 40, 1, "%"},          {"Small Large Mix", 1, 0, 100, 50, 1, "%"},
    {"Small Size", 2, 0.005, 0.02, 0.06, 1, "Secs"},  {"Pre Delay", 4, 0.001, 0.03, 0.025, 1, "Secs"},
    {"Large Delay", 5, 0.001, 0.1, 0.035, 1, "Secs"}, {"Small Density", 6, 0, 1, 0.28, 1, "Genr"},
    {"Large Density", 7, 0, 1, 0.82, 1, "Genr"},      {"Large Delay Range", 8, 0, 1, 0.3, 1, "Genr"},
    {"Small Brightness", 9, 0.1, 1, 0.96, 1, "Genr"}, {"Large Brightness", 10, 0.1, 1, 0.49, 1, "Genr"},
    {"Small Delay Range", 11, 0, 1, 0.5, 1, "Genr"},  {"Modulation Rate", 12, 0.001, 2, 1, 1, "Hz"},
    {"Modulation Depth", 13, 0, 1, 0.2, 1, "Genr"},
};
constexpr EffectParameterRow kAUFilter[] = {
    {"In Gate Threshold", 0, 0, 1, 0, 1, "index"},  {"In Gate Threshold Time", 1, 10, 20000, 100, 1, "Hz"},
    {"Out Gate Threshold", 2, -18, 18, 0, 1, "dB"}, {"Out Gate Threshold Time", 3, 10, 20000, 100, 1, "Hz"},
    {"Sensitivity", 4, -18, 18, 0, 1, "dB"},        {"Roger Type", 5, 0.05, 3, 2, 1, "octaves"},
    {"Center Freq 2", 6, 10, 20000, 100, 1, "Hz"},  {"Center Gain 2", 7, -18, 18, 0, 1, "dB"},
    {"Bandwidth 2", 8, 0.05, 3, 2, 1, "octaves"},   {"Center Freq 3", 9, 10, 20000, 100, 1, "Hz"},
    {"Center Gain 3", 10, -18, 18, 0, 1, "dB"},     {"Bandwidth 3", 11, 0.05, 3, 2, 1, "octaves"},
    {"High Filter Type", 12, 0, 1, 0, 1, "index"},  {"High Frequency", 13, 10, 20000, 100, 1, "Hz"},
    {"High Gain", 14, -18, 18, 0, 1, "dB"},
};
constexpr EffectParameterRow kRogerBeep[] = {
    {"In Gate Threshold", 0, -80, 0, -6, 1, "dB"},  {"In Gate Threshold Time", 1, 0, 1000, 1000, 1, "ms"},
    {"Out Gate Threshold", 2, -80, 0, -6, 1, "dB"}, {"Out Gate Threshold Time", 3, 0, 1000, 1000, 1, "ms"},
    {"Sensitivity", 4, 0, 2, 2, 1, "index"},        {"Roger Type", 5, 0, 2, 0, 1, "index"},
    {"Roger Gain", 6, -80, 20, -6, 1, "dB"},
};
constexpr EffectParameterRow kMultiBandCompressor[] = {
    {"Pre Gain", 0, -40, 40, 0, 1, "dB"},
    {"Post Gain", 1, -40, 40, 0, 1, "dB"},
    {"Crossover 1", 2, 20, 20000, 120, 1, "Hz"},
    {"Crossover 2", 3, 20, 20000, 700, 1, "Hz"},
    {"Crossover 3", 4, 20, 20000, 3000, 1, "Hz"},
    {"Threshold 1", 5, -100, 0, -22, 1, "dB"},
    {"Threshold 2", 6, -100, 0, -32, 1, "dB"},
    {"Threshold 3", 7, -100, 0, -33, 1, "dB"},
    {"Threshold 4", 8, -100, 0, -36, 1, "dB"},
    {"Headroom 1", 9, 0.1, 40, 5, 1, "dB"},
    {"Headroom 2", 10, 0.1, 40, 12, 1, "dB"},
    {"Headroom 3", 11, 0.1, 40, 5, 1, "dB"},
    {"Headroom 4", 12, 0.1, 40, 7.5, 1, "dB"},
    {"Attack Time", 13, 0.001, 0.2, 0.01, 1, "Secs"},
    {"Release Time", 14, 0.01, 3, 0.1, 1, "Secs"},
    {"EQ 1", 15, -20, 20, 0, 1, "dB"},
    {"EQ 2", 16, -20, 20, 0, 1, "dB"},
    {"EQ 3", 17, -20, 20, 0, 1, "dB"},
    {"EQ 4", 18, -20, 20, 0, 1, "dB"},
};

const EffectTypeRow kEffectTypes[] = {
    {"Peak Limiter", kEffectUnitType, fourCharCode("lmtr"), kPeakLimiter},
    {"Dynamics Processor", kEffectUnitType, fourCharCode("dcmp"), kDynamicsProcessor},
    {"Low Pass", kEffectUnitType, fourCharCode("lpas"), kLowPass},
    {"High Pass", kEffectUnitType, fourCharCode("hpas"), kHighPass},
    {"Band Pass", kEffectUnitType, fourCharCode("bpas"), kBandPass},
    {"High Shelf", kEffectUnitType, fourCharCode("hshf"), kHighShelf},
    {"Low Shelf", kEffectUnitType, fourCharCode("lshf"), kLowShelf},
    {"Parametric EQ", kEffectUnitType, fourCharCode("pmeq"), kParametricEQ},
    {"Distortion", kEffectUnitType, fourCharCode("dist"), kDistortion},
    {"N Band EQ", kEffectUnitType, fourCharCode("nbeq"), kNBandEQ},
    {"Graphic EQ 3", kEffectUnitType, fourCharCode("greq"), kGraphicEQ},
    {"Graphic EQ 10", kEffectUnitType, fourCharCode("greq"), kGraphicEQ},
    {"Graphic EQ 31", kEffectUnitType, fourCharCode("greq"), kGraphicEQ},
    {"Matrix Reverb", kEffectUnitType, fourCharCode("mrev"), kMatrixReverb},
    {"AU Filter", kEffectUnitType, fourCharCode("filt"), kAUFilter},
    {"Roger Beep", kEffectUnitType, fourCharCode("rogr"), kRogerBeep},
    {"Net Send", kEffectUnitType, fourCharCode("nsnd"), {}},
    {"Multi Band Compressor", kEffectUnitType, fourCharCode("mcmp"), kMultiBandCompressor},
};

constexpr int32_t kBands3[] = {80, 2500, 12000};
constexpr int32_t kBands10[] = {40, 80, 160, 320, 640, 1280, 2560, 5120, 10200, 20500};
constexpr int32_t kBands31[] = {20,   25,   32,   40,   50,   63,    80,    100,   125,  160,  200,
                                250,  315,  400,  500,  630,  800,   1000,  1200,  1600, 2000, 2500,
                                3100, 4000, 5000, 6300, 8000, 10000, 12000, 16000, 20000};

EffectSetting settingFromRow(const EffectParameterRow& row) {
    return EffectSetting{row.name, row.minimum, row.maximum, row.defaultValue, row.unit};
}

}  // namespace

CoderDictionary EffectSetting::toDictionary() const {
    return CoderDictionary{{"name", name}, {"min", min}, {"max", max}, {"value", value}, {"unit", unit}};
}

std::span<const EffectTypeRow> effectTypes() { return kEffectTypes; }

const EffectTypeRow* findEffectType(std::string_view name) {
    for (const auto& row : kEffectTypes)
        if (name == row.name) return &row;
    return nullptr;
}

const EffectTypeRow* findEffectTypeBySubtype(uint32_t subtype) {
    for (const auto& row : kEffectTypes)
        if (row.subtype == subtype) return &row;
    return nullptr;
}

std::vector<std::string> getAllEffects() {
    std::vector<std::string> names;
    for (const auto& row : kEffectTypes) names.emplace_back(row.name);
    return names;
}

bool useGraphicEQArray(const std::string& name) { return name.starts_with("Graphic EQ"); }

std::vector<EffectSetting> getEffectSettingsByName(const std::string& name) {
    if (useGraphicEQArray(name)) {
        // The band count is the number after the last space; "Graphic EQ" alone reads as 0 (→ 10).
        auto space = name.rfind(' ');
        int32_t bands = leadingIntegerValue(std::string_view(name).substr(space == std::string::npos ? 0 : space + 1));
        return getGraphicEQEffectSettingsByBands(bands);
    }
    return getEffectSettingsHelperByName(name);
}

std::vector<EffectSetting> getEffectSettingsHelperByName(const std::string& name) {
    std::vector<EffectSetting> settings;
    if (const EffectTypeRow* row = findEffectType(name))
        for (const auto& parameter : row->parameters) settings.push_back(settingFromRow(parameter));
    return settings;
}

std::span<const int32_t> graphicEQBandFrequencies(int32_t bands) {
    if (bands == 3) return kBands3;
    if (bands == 31) return kBands31;
    return kBands10;
}

std::vector<EffectSetting> getGraphicEQEffectSettingsByBands(int32_t bands) {
    const EffectParameterRow& slider = kGraphicEQ[std::size(kGraphicEQ) - 1];
    std::vector<EffectSetting> settings;
    for (int32_t frequency : graphicEQBandFrequencies(bands)) {
        EffectSetting setting = settingFromRow(slider);
        setting.name = std::to_string(frequency) + " Hz";
        settings.push_back(std::move(setting));
    }
    return settings;
}

Outcome<CoderDictionary> effectDicWithDefaults(const std::string& name,
                                               const std::vector<std::pair<std::string, double>>& overrides) {
    if (!findEffectType(name)) return Failure::because("unknown effect \"" + name + "\"");
    CoderDictionary dic{{"name", name}};
    for (const auto& setting : getEffectSettingsByName(name)) dic[setting.name] = setting.value;
    for (const auto& [key, value] : overrides) {
        if (key == "name" || !dic.contains(key))
            return Failure::because("effect \"" + name + "\" has no parameter \"" + key + "\"");
        dic[key] = value;
    }
    return dic;
}

bool sameEffectSettings(const CoderDictionary& a, const CoderDictionary& b) {
    if (a.size() != b.size()) return false;
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j) {
        if (i->first != j->first) return false;
        double x = 0.0, y = 0.0;
        std::string s, t;
        if (i->second.asDouble(x) && j->second.asDouble(y)) {
            if (!(x == y || (std::isnan(x) && std::isnan(y)))) return false;
        } else if (i->second.asString(s) && j->second.asString(t)) {
            if (s != t) return false;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace wavomer
