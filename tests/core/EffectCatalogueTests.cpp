// The effect catalogue: the effects offered and their order, the sliders of each
// effect, the graphic equaliser bands, and complete effect dictionaries.
#include <gtest/gtest.h>

#include "effects/EffectCatalogue.h"

using namespace wavomer;

TEST(EffectCatalogue, OffersEveryEffectInProgramOrder) {
    std::vector<std::string> expected{
        "Peak Limiter",  "Dynamics Processor", "Low Pass",   "High Pass",  "Band Pass",    "High Shelf",
        "Low Shelf",     "Parametric EQ",      "Distortion", "N Band EQ",  "Graphic EQ 3", "Graphic EQ 10",
        "Graphic EQ 31", "Matrix Reverb",      "AU Filter",  "Roger Beep", "Net Send",     "Multi Band Compressor"};
    EXPECT_EQ(getAllEffects(), expected);
}

TEST(EffectCatalogue, EveryEffectIsAnEffectUnitWithItsOwnSubtype) {
    EXPECT_EQ(fourCharCode("aufx"), 0x61756678u);
    for (const auto& row : effectTypes()) EXPECT_EQ(row.type, kEffectUnitType) << row.name;
    EXPECT_EQ(findEffectType("Peak Limiter")->subtype, fourCharCode("lmtr"));
    EXPECT_EQ(findEffectType("Multi Band Compressor")->subtype, fourCharCode("mcmp"));
    EXPECT_EQ(findEffectType("Graphic EQ 31")->subtype, fourCharCode("greq"));
    EXPECT_EQ(findEffectType("Net Send")->subtype, fourCharCode("nsnd"));
}

TEST(EffectCatalogue, NamesMatchOnlyWithTheirExactLetterCase) {
    EXPECT_NE(findEffectType("Low Pass"), nullptr);
    EXPECT_EQ(findEffectType("low pass"), nullptr);
    EXPECT_EQ(findEffectType("Low Pass "), nullptr);
    EXPECT_TRUE(getEffectSettingsByName("LOW PASS").empty());
}

TEST(EffectCatalogue, TheSettingsOfAnEffectAreItsParameterRowsWithTheirDefaults) {
    auto settings = getEffectSettingsByName("Low Pass");
    ASSERT_EQ(settings.size(), 2u);
    EXPECT_EQ(settings[0], (EffectSetting{"Cutoff Frequency", 10, 20000, 6900, "Hz"}));
    EXPECT_EQ(settings[1], (EffectSetting{"Resonance", -20, 40, 0, "dB"}));

    auto reverb = getEffectSettingsHelperByName("Matrix Reverb");
    ASSERT_EQ(reverb.size(), 13u);
    // The catalogue's default may lie outside its own range; the window shows it as it is.
    EXPECT_EQ(reverb[2], (EffectSetting{"Small Size", 0.005, 0.02, 0.06, "Secs"}));

    EXPECT_EQ(getEffectSettingsByName("Distortion").size(), 16u);
    EXPECT_EQ(getEffectSettingsByName("Multi Band Compressor").size(), 19u);
    EXPECT_EQ(getEffectSettingsByName("Dynamics Processor")[3].name, "Attack Time");
}

TEST(EffectCatalogue, AnUnknownEffectOrOneWithoutParametersHasNoSettings) {
    EXPECT_TRUE(getEffectSettingsByName("Flanger").empty());
    EXPECT_TRUE(getEffectSettingsByName("Net Send").empty());
    EXPECT_TRUE(getEffectSettingsHelperByName("").empty());
}

TEST(EffectCatalogue, ASettingBecomesADictionaryWithTheWindowsKeys) {
    CoderDictionary d = EffectSetting{"Gain", -20, 20, 0, "dB"}.toDictionary();
    std::string name, unit;
    double min = 0, max = 0, value = 1;
    ASSERT_TRUE(d.at("name").asString(name));
    ASSERT_TRUE(d.at("unit").asString(unit));
    ASSERT_TRUE(d.at("min").asDouble(min));
    ASSERT_TRUE(d.at("max").asDouble(max));
    ASSERT_TRUE(d.at("value").asDouble(value));
    EXPECT_EQ(name, "Gain");
    EXPECT_EQ(unit, "dB");
    EXPECT_EQ(min, -20);
    EXPECT_EQ(max, 20);
    EXPECT_EQ(value, 0);
}

TEST(GraphicEqualiserSettings, OffersOneSliderPerBandNamedByItsFrequency) {
    auto three = getGraphicEQEffectSettingsByBands(3);
    ASSERT_EQ(three.size(), 3u);
    EXPECT_EQ(three[0], (EffectSetting{"80 Hz", -20, 20, 0, "dB"}));
    EXPECT_EQ(three[1].name, "2500 Hz");
    EXPECT_EQ(three[2].name, "12000 Hz");

    auto ten = getGraphicEQEffectSettingsByBands(10);
    ASSERT_EQ(ten.size(), 10u);
    EXPECT_EQ(ten.front().name, "40 Hz");
    EXPECT_EQ(ten[8].name, "10200 Hz");
    EXPECT_EQ(ten.back().name, "20500 Hz");

    auto thirtyOne = getGraphicEQEffectSettingsByBands(31);
    ASSERT_EQ(thirtyOne.size(), 31u);
    EXPECT_EQ(thirtyOne[5].name, "63 Hz");
    EXPECT_EQ(thirtyOne[22].name, "3100 Hz");
    for (const auto& band : thirtyOne) {
        EXPECT_EQ(band.min, -20);
        EXPECT_EQ(band.max, 20);
        EXPECT_EQ(band.value, 0);
        EXPECT_EQ(band.unit, "dB");
    }
}

TEST(GraphicEqualiserSettings, AnyOtherBandCountOffersTheTenBands) {
    EXPECT_EQ(getGraphicEQEffectSettingsByBands(7), getGraphicEQEffectSettingsByBands(10));
    EXPECT_EQ(getGraphicEQEffectSettingsByBands(0).size(), 10u);
    EXPECT_EQ(getGraphicEQEffectSettingsByBands(-3).size(), 10u);
}

TEST(GraphicEqualiserSettings, TheBandCountIsTheNumberAfterTheLastSpaceOfTheName) {
    EXPECT_EQ(getEffectSettingsByName("Graphic EQ 3").size(), 3u);
    EXPECT_EQ(getEffectSettingsByName("Graphic EQ 31").size(), 31u);
    EXPECT_EQ(getEffectSettingsByName("Graphic EQ 10").size(), 10u);
    EXPECT_EQ(getEffectSettingsByName("Graphic EQ 7"), getGraphicEQEffectSettingsByBands(10));
}

TEST(GraphicEqualiserSettings, OnlyNamesBeginningWithGraphicEQUseTheChain) {
    EXPECT_TRUE(useGraphicEQArray("Graphic EQ 10"));
    EXPECT_TRUE(useGraphicEQArray("Graphic EQ 7"));
    EXPECT_FALSE(useGraphicEQArray("graphic EQ 10"));
    EXPECT_FALSE(useGraphicEQArray("Parametric EQ"));
    EXPECT_FALSE(useGraphicEQArray(""));
}

TEST(EffectDictionaries, HoldTheNameAndEveryParameterAtItsDefault) {
    Outcome<CoderDictionary> made = effectDicWithDefaults("Parametric EQ", {});
    ASSERT_TRUE(made) << made.error();
    CoderDictionary dic = made ? *made : CoderDictionary();
    EXPECT_EQ(dic.size(), 4u);
    std::string name;
    double freq = 0, q = 0, gain = 1;
    ASSERT_TRUE(dic.at("name").asString(name));
    ASSERT_TRUE(dic.at("Center Freq").asDouble(freq));
    ASSERT_TRUE(dic.at("Q").asDouble(q));
    ASSERT_TRUE(dic.at("Gain").asDouble(gain));
    EXPECT_EQ(name, "Parametric EQ");
    EXPECT_EQ(freq, 2000);
    EXPECT_EQ(q, 1);
    EXPECT_EQ(gain, 0);
}

TEST(EffectDictionaries, TakeOverridesByDisplayNameAsGiven) {
    Outcome<CoderDictionary> made = effectDicWithDefaults("Low Pass", {{"Cutoff Frequency", 30000}});
    ASSERT_TRUE(made) << made.error();
    CoderDictionary dic = made ? *made : CoderDictionary();
    double cutoff = 0;
    ASSERT_TRUE(dic.at("Cutoff Frequency").asDouble(cutoff));
    EXPECT_EQ(cutoff, 30000);  // clamped when the effect loads, not here
}

TEST(EffectDictionaries, OfAGraphicEqualiserHoldEveryBand) {
    Outcome<CoderDictionary> made = effectDicWithDefaults("Graphic EQ 10", {{"80 Hz", 6}});
    ASSERT_TRUE(made) << made.error();
    CoderDictionary dic = made ? *made : CoderDictionary();
    EXPECT_EQ(dic.size(), 11u);
    double gain = 0;
    ASSERT_TRUE(dic.at("80 Hz").asDouble(gain));
    EXPECT_EQ(gain, 6);
    ASSERT_TRUE(dic.at("20500 Hz").asDouble(gain));
    EXPECT_EQ(gain, 0);
}

TEST(EffectDictionaries, RefuseAnUnknownEffectOrParameter) {
    auto refusal = [](const std::string& name, const std::vector<std::pair<std::string, double>>& overrides) {
        Outcome<CoderDictionary> made = effectDicWithDefaults(name, overrides);
        EXPECT_FALSE(made) << name;
        return made.error();
    };
    EXPECT_NE(refusal("Flanger", {}).find("Flanger"), std::string::npos);
    refusal("low pass", {});
    EXPECT_NE(refusal("Low Pass", {{"Cutoff", 100}}).find("Cutoff"), std::string::npos);
    refusal("Low Pass", {{"name", 1}});
}

TEST(EffectDictionaries, OfNetSendHoldOnlyTheName) {
    Outcome<CoderDictionary> made = effectDicWithDefaults("Net Send", {});
    ASSERT_TRUE(made) << made.error();
    CoderDictionary dic = made ? *made : CoderDictionary();
    EXPECT_EQ(dic.size(), 1u);
}

TEST(EffectDictionaries, AreTheSameSettingsWhenTheirNamesAndNumbersAgree) {
    CoderDictionary a{{"name", "Low Pass"}, {"Cutoff Frequency", 800.0}, {"Resonance", int32_t{3}}};
    CoderDictionary b{{"name", "Low Pass"}, {"Cutoff Frequency", 800.0}, {"Resonance", 3.0}};
    EXPECT_TRUE(sameEffectSettings(a, b));
    b["Cutoff Frequency"] = 801.0;
    EXPECT_FALSE(sameEffectSettings(a, b));
    b = a;
    b["name"] = "High Pass";
    EXPECT_FALSE(sameEffectSettings(a, b));
    b = a;
    b["Extra"] = 1.0;
    EXPECT_FALSE(sameEffectSettings(a, b));
    b = a;
    b["Resonance"] = CoderList{};
    EXPECT_FALSE(sameEffectSettings(a, b));
    EXPECT_FALSE(sameEffectSettings(b, b));  // a value it cannot compare counts as a change
}
