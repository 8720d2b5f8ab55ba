// How many tracks, each with a "Low Pass" effect, the player renders in real time on one
// core: the cost of one 2048-frame stereo block (the timeline provider's per-frame reads
// through each track's effect, the fold, the hand-over to the graph) against the 46.4 ms
// that block lasts. Counters: msPerBlock, realTimeFactor (block length / cost) and
// tracksInRealTime (tracks x factor: the count the audio thread could just keep up with;
// a margin for a loaded machine is the reader's to apply), and the same for the worst
// block seen (worstMsPerBlock, tracksWorstBlockInRealTime).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "data/AudioSampleData.h"
#include "model/AudioTrack.h"
#include "render/AudioChannelsPlayer.h"
#include "model/ProjectLock.h"
#include "render/TimelineProvider.h"

using namespace wavomer;

namespace {

constexpr int64_t kSourceFrames = 44100 * 60;

// A minute of a two-tone signal in a sample data file, made once per run.
const std::string& source() {
    static std::string path = [] {
        char name[] = "/tmp/wavomer-playbench-XXXXXX";
        close(mkstemp(name));
        auto data = AudioSampleData::dataForWritingAtPath(name);
        data->setFramePerChannel(kSourceFrames);
        data->setChannels(1);
        std::vector<float> block(1024);
        for (int64_t p = 0; p < kSourceFrames; p += 1024) {
            for (int i = 0; i < 1024; ++i) {
                const double t = static_cast<double>(p + i) / 44100.0;
                block[i] = static_cast<float>(0.3 * std::sin(2 * M_PI * 440 * t) + 0.2 * std::sin(2 * M_PI * 6000 * t));
            }
            data->writeSample(block.data(), 0, 1024, p);
        }
        data->closeData();
        return std::string(name);
    }();
    return path;
}

// Takes each block and drops it, as a sound card with room to spare would.
class DiscardingGraph : public OutputAudioGraph {
public:
    void setDelegate(OutputAudioGraphDelegate* delegate) override { delegate_ = delegate; }
    void clearBuffer() override {}
    void start() override {}
    void stop() override {}
    bool isStart() const override { return true; }
    int64_t bufferFrames() const noexcept override { return 0; }
    void streamWriteSample(int32_t, const float* interleaved, int32_t) noexcept override {
        benchmark::DoNotOptimize(interleaved[0]);
    }
    void pull() { delegate_->decodeMoreAudioDataToAudioOutput(); }

private:
    OutputAudioGraphDelegate* delegate_ = nullptr;
};

void BM_PlaybackBlockWithLowPassPerTrack(benchmark::State& state) {
    const int tracks = static_cast<int>(state.range(0));
    EffectDic lowPass;
    lowPass["name"] = CoderValue(std::string("Low Pass"));
    lowPass["Cutoff Frequency"] = CoderValue(2000.0);
    lowPass["Resonance"] = CoderValue(0.0);
    std::vector<TrackPtr> timeline;
    for (int t = 0; t < tracks; ++t) {
        auto section = AudioSection::sectionWithPath(source());
        section->trackStartTime = 0.0;
        section->trackEndTime = section->endTime;
        section->effectDic = lowPass;
        section->fadeMode = 1;
        section->fadeDuration = 5.0;
        auto track = std::make_shared<AudioTrack>();
        track->setSectionArray({section});
        timeline.push_back(track);
    }
    ProjectLock lock;
    TimelineProvider provider(timeline, lock);
    auto owned = std::make_unique<DiscardingGraph>();
    DiscardingGraph& graph = *owned;
    AudioChannelsPlayer player(std::move(owned));
    player.setDelegate(&provider);
    const int64_t lastStart = kSourceFrames - 2 * AudioChannelsPlayer::kBlockFrames;
    double rendering = 0.0;
    double worst = 0.0;
    for (auto _ : state) {
        if (player.offsetFrame() >= lastStart) player.setCurrentTime(0.0);
        const auto begin = std::chrono::steady_clock::now();
        graph.pull();
        const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        state.SetIterationTime(took);
        rendering += took;
        worst = std::max(worst, took);
    }
    const double perBlock = rendering / static_cast<double>(state.iterations());
    const double blockSeconds = AudioChannelsPlayer::kBlockFrames / 44100.0;
    state.counters["msPerBlock"] = perBlock * 1e3;
    state.counters["realTimeFactor"] = blockSeconds / perBlock;
    state.counters["tracksInRealTime"] = blockSeconds / perBlock * tracks;
    // Every track refills its effect read-ahead (ten blocks' worth) in the same block, so
    // the worst block costs about ten average ones; the queue (100 ms at the server plus
    // up to two blocks here) must cover it.
    state.counters["worstMsPerBlock"] = worst * 1e3;
    state.counters["tracksWorstBlockInRealTime"] = blockSeconds / worst * tracks;
}
BENCHMARK(BM_PlaybackBlockWithLowPassPerTrack)->Arg(1)->Arg(8)->Arg(32)->Arg(64)->Arg(128)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace

BENCHMARK_MAIN();
