// The recovery snapshot of a large project: 50 tracks of 400 sections each (20,000
// sections, audio with fades, volumes and an effect here and there, and blanks) and
// 100 markers. "Copy" is what the main thread does at the end of a user event that
// changed the project (the copy of the archived values the writer thread encodes,
// sharing the tracks the event left unchanged); "Encode" is the writer thread's
// encoding of it, for comparison.
#include <benchmark/benchmark.h>

#include <deque>
#include <functional>

#include "engine/EngineHost.h"
#include "engine/UndoManager.h"
#include "engine/WaveEditViewController.h"
#include "recovery/DocumentSnapshot.h"

using namespace wavomer;

namespace {

constexpr int kTracks = 50;
constexpr int kSectionsPerTrack = 400;

class QuietHost : public EngineHost {
public:
    VisibleRegion visibleRegion() const override { return {}; }
    void setVisibleOriginX(double) override {}
    double screenHeight() const override { return 0.0; }
    double windowHeight() const override { return 0.0; }
    void setWindowHeightKeepingTop(double) override {}
};

class NoScheduler : public MainThreadScheduler {
public:
    void post(std::function<void()>) override {}
    void postAfter(double, std::function<void()>) override {}
};

struct LargeDocument {
    QuietHost host;
    InProcessClipboard clipboard;
    NoScheduler scheduler;
    UndoManager undo;
    WaveEditViewController engine{host, clipboard, scheduler, undo, 0, 11.0};

    LargeDocument() {
        std::vector<TrackPtr> tracks;
        for (int t = 0; t < kTracks; ++t) {
            SectionArray sections;
            double time = 0.0;
            for (int i = 0; i < kSectionsPerTrack; ++i) {
                const double length = 0.5 + 0.001 * ((i * 7919 + t * 104729) % 997);
                SectionPtr section = i % 2 ? AudioSection::blankSectionWithTrackStartTime(time, time + length)
                                           : AudioSection::section();
                if (i % 2 == 0) {
                    section->audioPath = "/home/user/.cache/org.wavomer.Wavomer/ImportDir/1234-0123456789abcdef/"
                                         "ImportAudio_" + std::to_string(786000000 + i % 4) + ".000000.data";
                    section->startTime = 0.001 * (i % 5000);
                    section->endTime = section->startTime + length;
                    section->trackStartTime = time;
                    section->trackEndTime = time + length;
                    if (i % 10 == 0) section->fadeMode = 1;
                    if (i % 14 == 0) section->volumeValue = 0.5;
                    if (i % 50 == 0) section->effectDic = EffectDic{{"name", "Reverb"}, {"wetDryMix", 40.0}};
                }
                sections.push_back(section);
                time += length;
            }
            auto track = std::make_shared<AudioTrack>();
            track->setSectionArray(sections);
            tracks.push_back(track);
        }
        engine.setAudioTrackArray(tracks);
        std::vector<MarkerPtr> markers;
        for (int m = 0; m < 100; ++m) markers.push_back(MarkerItem::createMarkerWithTime(m * 3.0));
        engine.setMarkArray(markers);
    }
};

LargeDocument& document() {
    static LargeDocument large;
    return large;
}

// The copy after a user event that changed one section of one track (a volume, a
// fade, a cut): the other tracks are found unchanged and shared with the last copy.
void BM_RecoveryCopyAfterAnEdit(benchmark::State& state) {
    LargeDocument& large = document();
    DocumentSnapshot last = takeSnapshot(large.engine);
    const SectionPtr edited = large.engine.audioTrackArray()[kTracks / 2]->sectionArray()[kSectionsPerTrack / 2];
    for (auto _ : state) {
        edited->volumeValue = edited->volumeValue == 1.0 ? 0.5 : 1.0;
        last = takeSnapshot(large.engine, &last);
        benchmark::DoNotOptimize(last.tracks.data());
    }
    state.SetLabel("50 tracks x 400 sections, 100 markers");
}
BENCHMARK(BM_RecoveryCopyAfterAnEdit)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

// The first copy, or one after an edit that changed every track (Select All and Delete).
void BM_RecoveryCopyOfEveryTrack(benchmark::State& state) {
    LargeDocument& large = document();
    for (auto _ : state) {
        DocumentSnapshot snapshot = takeSnapshot(large.engine);
        benchmark::DoNotOptimize(snapshot.tracks.data());
    }
}
BENCHMARK(BM_RecoveryCopyOfEveryTrack)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

void BM_RecoveryEncodeOnTheWriterThread(benchmark::State& state) {
    const DocumentSnapshot snapshot = takeSnapshot(document().engine);
    for (auto _ : state) {
        std::vector<uint8_t> bytes = encodeSnapshot(snapshot);
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_RecoveryEncodeOnTheWriterThread)->Unit(benchmark::kMillisecond);

}  // namespace


BENCHMARK_MAIN();
