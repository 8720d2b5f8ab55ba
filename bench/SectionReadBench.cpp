// Steady-state cost of one timeline read through a track: the cached section's
// range test plus an index into its read-ahead block (refills included, once
// every 2048 frames).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "data/AudioSampleData.h"
#include "model/AudioTrack.h"

using namespace wavomer;

namespace {

std::string makeSource(int64_t frames) {
    char name[] = "/tmp/wavomer-bench-XXXXXX";
    int fd = mkstemp(name);
    close(fd);
    auto data = AudioSampleData::dataForWritingAtPath(name);
    data->setFramePerChannel(frames);
    data->setChannels(1);
    std::vector<float> block(1024);
    for (int64_t p = 0; p < frames; p += 1024) {
        for (int i = 0; i < 1024; ++i) block[i] = static_cast<float>((p + i) % 977) / 977.0f;
        data->writeSample(block.data(), 0, 1024, p);
    }
    data->closeData();
    return name;
}

constexpr int64_t kSourceFrames = 44100 * 30;

// One 30-second source for every benchmark, removed when the program ends.
const std::string& sharedSource() {
    struct Source {
        std::string path = makeSource(kSourceFrames);
        ~Source() { std::remove(path.c_str()); }
    };
    static Source source;
    return source.path;
}

// A track holding the whole source as one section, shaped by configure.
void prepareTrack(AudioTrack& track, void (*configure)(AudioSection&)) {
    auto section = AudioSection::sectionWithPath(sharedSource());
    section->trackEndTime = section->endTime;
    configure(*section);
    track.setSectionArray({section});
}

void readFrameByFrame(benchmark::State& state, AudioTrack& track) {
    int64_t f = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(track.readSamplePointAtOffset(f));
        if (++f == kSourceFrames) f = 0;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_ReadSamplePointAtOffset(benchmark::State& state) {
    AudioTrack track;
    prepareTrack(track, [](AudioSection& s) { s.volumeValue = 0.8; });
    readFrameByFrame(state, track);
}
BENCHMARK(BM_ReadSamplePointAtOffset)->Repetitions(9)->ReportAggregatesOnly(true);

void BM_ReadSamplePointWithFade(benchmark::State& state) {
    AudioTrack track;
    prepareTrack(track, [](AudioSection& s) {
        s.fadeMode = 1;
        s.fadeDuration = s.endTime;
    });
    readFrameByFrame(state, track);
}
BENCHMARK(BM_ReadSamplePointWithFade)->Repetitions(9)->ReportAggregatesOnly(true);

// The block path the providers use: 2048 frames per call, per-frame cost reported.
void BM_ReadSamplesAtOffsetBlock(benchmark::State& state) {
    AudioTrack track;
    prepareTrack(track, [](AudioSection& s) { s.volumeValue = 0.8; });
    std::vector<float> block(2048);
    int64_t f = 0;
    for (auto _ : state) {
        track.readSamplesAtOffset(block.data(), 2048, f);
        benchmark::DoNotOptimize(block.data());
        f += 2048;
        if (f + 2048 >= kSourceFrames) f = 0;
    }
    state.SetItemsProcessed(state.iterations() * 2048);
}
BENCHMARK(BM_ReadSamplesAtOffsetBlock)->Repetitions(9)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
