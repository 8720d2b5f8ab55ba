// Cost of each effect per second of audio: one section's stream through a
// continuing processor in read-ahead blocks of 20480 frames, on one core.
// "x_realtime" is seconds of audio processed per second of CPU time; the aim is
// at least 50 for every effect. Graphic equalisers run with every band set
// (their most expensive case); the others with their catalogue defaults.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "effects/AudioEffectProcessor.h"
#include "effects/EffectCatalogue.h"

using namespace wavomer;

namespace {

constexpr int32_t kBlockFrames = 20480;
constexpr int64_t kSecondFrames = 44100;

// Noise that loops forever, so the stream never runs dry.
class LoopedNoise final : public EffectInputSource {
public:
    LoopedNoise() : samples_(kSecondFrames) {
        std::mt19937 random(1);
        std::uniform_real_distribution<float> uniform(-0.7f, 0.7f);
        for (auto& x : samples_) x = uniform(random);
    }
    void readNextFrames(float* into, int32_t frames) noexcept override {
        for (int32_t i = 0; i < frames; ++i) {
            into[i] = samples_[static_cast<size_t>(position_)];
            if (++position_ == kSecondFrames) position_ = 0;
        }
    }

private:
    std::vector<float> samples_;
    int64_t position_ = 0;
};

CoderDictionary benchDictionary(const std::string& name) {
    std::vector<std::pair<std::string, double>> overrides;
    if (useGraphicEQArray(name))
        for (const auto& band : getEffectSettingsByName(name)) overrides.emplace_back(band.name, 3.0);
    Outcome<CoderDictionary> dic = effectDicWithDefaults(name, overrides);
    return dic ? *dic : CoderDictionary();
}

void BM_Effect(benchmark::State& state, const std::string& name) {
    auto processor = effectAudioWithInfo(benchDictionary(name));
    if (!processor) {
        state.SkipWithError("effect unavailable");
        return;
    }
    LoopedNoise source;
    std::vector<float> block(kBlockFrames);
    int64_t frames = 0;
    for (auto _ : state) {
        processor->processContinuing(source, kBlockFrames, block.data());
        benchmark::DoNotOptimize(block.data());
        frames += kBlockFrames;
    }
    double seconds = static_cast<double>(frames) / static_cast<double>(kSecondFrames);
    state.counters["x_realtime"] = benchmark::Counter(seconds, benchmark::Counter::kIsRate);
    state.SetItemsProcessed(frames);
}

const bool registered = [] {
    for (const auto& name : getAllEffects()) {
        if (name == "Net Send") continue;
        benchmark::RegisterBenchmark(("BM_Effect/" + name).c_str(), BM_Effect, name)->Unit(benchmark::kMillisecond);
    }
    return true;
}();

}  // namespace

BENCHMARK_MAIN();
