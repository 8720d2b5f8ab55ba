#include "effects/EffectAudioArrayUnit.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "util/TextNumber.h"

namespace wavomer {

namespace {

}  // namespace

std::unique_ptr<EffectAudioArrayUnit> EffectAudioArrayUnit::effectAudioWithInfo(const CoderDictionary& info) {
    std::vector<std::unique_ptr<EffectAudioUnit>> chain;
    for (const auto& [key, value] : info) {
        int32_t frequency = leadingIntegerValue(key);
        double gainValue = 0.0;
        if (frequency == 0 || !value.asDouble(gainValue)) continue;
        auto gain = static_cast<float>(gainValue);
        if (!(std::fabs(gain) >= 0.001f)) continue;
        // Q 0 is clamped up to the widest band the unit offers.
        CoderDictionary band{{"name", "Parametric EQ"},
                             {"Q", 0.0},
                             {"Center Freq", static_cast<double>(frequency)},
                             {"Gain", static_cast<double>(gain)}};
        auto unit = std::make_unique<EffectAudioUnit>();
        unit->loadEffect(band);
        if (unit->isValid()) chain.push_back(std::move(unit));
    }
    if (chain.empty()) return nullptr;
    auto array = std::make_unique<EffectAudioArrayUnit>();
    array->setEffects(std::move(chain));
    return array;
}

void EffectAudioArrayUnit::setEffects(std::vector<std::unique_ptr<EffectAudioUnit>> effects) {
    effects_ = std::move(effects);
    links_.assign(effects_.size(), Link{});
    for (size_t k = 1; k < effects_.size(); ++k) {
        links_[k].unit = effects_[k - 1].get();
        links_[k].source = k >= 2 ? &links_[k - 1] : nullptr;  // links_[1]'s source is the caller's, per call
    }
}

bool EffectAudioArrayUnit::processAudioChannelSamples(const float* input, int32_t frames, float* output) noexcept {
    // Each unit runs the whole block with its own latency compensation; the
    // units after the first work in place on the output.
    bool ok = true;
    const float* from = input;
    for (auto& unit : effects_) {
        ok = unit->processAudioChannelSamples(from, frames, output) && ok;
        from = output;
    }
    if (effects_.empty() && input != output && frames > 0) std::copy_n(input, frames, output);
    return ok;
}

int32_t EffectAudioArrayUnit::latencyFrames() const noexcept {
    int32_t total = 0;
    for (const auto& unit : effects_) total += unit->latencyFrames();
    return total;
}

void EffectAudioArrayUnit::reset() noexcept {
    for (auto& unit : effects_) unit->reset();
}

bool EffectAudioArrayUnit::processContinuing(EffectInputSource& source, int32_t frames, float* output) noexcept {
    if (effects_.empty()) {
        source.readNextFrames(output, frames);
        return true;
    }
    const size_t last = effects_.size() - 1;
    if (last >= 1) links_[1].source = &source;
    for (auto& link : links_) link.failed = false;
    bool ok = effects_[last]->processContinuing(last == 0 ? source : links_[last], frames, output);
    for (const auto& link : links_) ok = ok && !link.failed;
    return ok;
}

}  // namespace wavomer
