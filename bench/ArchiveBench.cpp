// Saving and loading a large project: 50 tracks of 2,000 sections each (audio
// sections from a few sources, with fades, volumes and effects here and there,
// separated by blank sections) and 100 markers. "Save" is encoding plus the atomic
// write (flushed to disk); "Load" is reading the file plus decoding, which attaches
// each section's shared wave data. Encode and decode alone are measured too.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "archive/ProjectArchive.h"
#include "data/AudioSampleData.h"
#include "data/AudioWaveData.h"

using namespace wavomer;

namespace {

constexpr int kTracks = 50;
constexpr int kSectionsPerTrack = 2000;
constexpr int kSources = 4;

struct LargeProject {
    std::string folder;
    std::vector<TrackPtr> tracks;
    std::vector<MarkerPtr> markers;

    LargeProject() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/wavomer-bench-XXXXXX";
        folder = ::mkdtemp(pattern.data()) ? pattern : "/tmp";
        std::vector<std::string> sources;
        for (int s = 0; s < kSources; ++s) {
            sources.push_back(folder + "/ImportAudio_" + std::to_string(1700000000 + s) + ".000000.data");
            auto data = AudioSampleData::dataForWritingAtPath(sources.back());
            data->setChannels(2);
            std::vector<float> block(1024, 0.25f);
            for (int c = 0; c < 2; ++c)
                for (int64_t p = 0; p < 10 * 44100; p += 1024) data->writeSample(block.data(), c, 1024, p);
            data->closeData();
        }
        for (int t = 0; t < kTracks; ++t) {
            SectionArray sections;
            double time = 0.0;
            for (int i = 0; i < kSectionsPerTrack; ++i) {
                const double length = 0.5 + 0.001 * ((i * 7919 + t * 104729) % 997);
                SectionPtr section;
                if (i % 2 == 1) {
                    section = AudioSection::blankSectionWithTrackStartTime(time, time + length);
                } else {
                    section = AudioSection::section();
                    section->updateAudioPath(sources[(i / 2 + t) % kSources]);
                    section->channel = t % 2;
                    section->startTime = 0.001 * (i % 5000);
                    section->endTime = section->startTime + length;
                    section->trackStartTime = time;
                    section->trackEndTime = time + length;
                    if (i % 10 == 0) {
                        section->fadeMode = 1 + i % 3;
                        section->fadeStartTimeOffset = 0.1;
                        section->fadeDuration = 2.0;
                    }
                    if (i % 6 == 0) section->volumeValue = 0.8;
                    if (i % 50 == 0) section->effectDic = EffectDic{{"name", "Reverb"}, {"wetDryMix", 35.0}};
                }
                time += length;
                sections.push_back(section);
            }
            auto track = std::make_shared<AudioTrack>();
            track->setSectionArray(std::move(sections));
            tracks.push_back(track);
        }
        for (int m = 0; m < 100; ++m) markers.push_back(MarkerItem::createMarkerWithTime(10.0 * m + 0.5));
    }

    ~LargeProject() {
        std::error_code ec;
        if (folder != "/tmp") std::filesystem::remove_all(folder, ec);
    }

    std::string archivePath() const { return archive::projectArchivePath(folder); }
};

LargeProject& project() {
    static LargeProject instance;
    return instance;
}

void BM_EncodeProject(benchmark::State& state) {
    LargeProject& p = project();
    size_t bytes = 0;
    for (auto _ : state) {
        auto encoded = archive::encodeProject(p.tracks, p.markers);
        bytes = encoded.size();
        benchmark::DoNotOptimize(encoded.data());
    }
    state.counters["fileMiB"] = static_cast<double>(bytes) / (1 << 20);
}

void BM_SaveProject(benchmark::State& state) {
    LargeProject& p = project();
    for (auto _ : state) {
        Outcome<> written = archive::writeProjectFile(p.archivePath(), p.tracks, p.markers);
        if (!written) state.SkipWithError(written.error().c_str());
    }
}

void BM_DecodeProject(benchmark::State& state) {
    LargeProject& p = project();
    const auto bytes = archive::encodeProject(p.tracks, p.markers);
    for (auto _ : state) {
        auto result = archive::decodeProject(bytes.data(), bytes.size());
        if (!result) state.SkipWithError(result.error().c_str());
        else benchmark::DoNotOptimize(result->tracks.data());
    }
}

void BM_LoadProject(benchmark::State& state) {
    LargeProject& p = project();
    Outcome<> written = archive::writeProjectFile(p.archivePath(), p.tracks, p.markers);
    if (!written) state.SkipWithError(written.error().c_str());
    for (auto _ : state) {
        auto result = archive::readProjectFile(p.archivePath());
        if (!result || result->tracks.size() != kTracks) state.SkipWithError(result.error().c_str());
        else benchmark::DoNotOptimize(result->tracks.data());
    }
}

}  // namespace

BENCHMARK(BM_EncodeProject)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveProject)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeProject)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadProject)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
