// wavomer-cli loudness PROJECT.wvmp [--from S] [--to E] [--channels tracks|stereo|mono]:
// the loudness of the export fold, as {"integrated", "range", "truePeak", "samplePeak"}.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <atomic>
#include <chrono>
#include <thread>

#include "CliEngineHost.h"
#include "Commands.h"
#include "EbuR128Meter.h"
#include "Interrupts.h"
#include "Json.h"
#include "LoudnessCommand.h"
#include "export/ExportFolds.h"
#include "export/TrackSnapshot.h"

namespace wavomer::cli {

namespace {

int usage() {
    std::fputs("usage: wavomer-cli loudness PROJECT.wvmp [--from S] [--to E] [--channels tracks|stereo|mono]\n", stderr);
    return 2;
}

std::string figureJson(const std::optional<double>& value) {
    if (!value) return "null";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", *value);
    return text;
}

}  // namespace

int runLoudness(const Arguments& args) {
    std::string project;
    int64_t channelType = kChannelPerTrack;
    double from = 0.0, to = -1.0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--channels" && hasValue) {
            if (!parseChannelType(args[++i], channelType)) return usage();
        } else if ((a == "--from" || a == "--to") && hasValue) {
            double value = 0.0;
            if (!parseFiniteNumber(args[++i], value) || value < 0.0) return usage();
            (a == "--from" ? from : to) = value;
        } else if (project.empty() && !a.empty() && a[0] != '-') {
            project = a;
        } else {
            return usage();
        }
    }
    if (project.empty()) return usage();
    CliProject opened;
    if (Outcome<> loaded = opened.open(project); !loaded) {
        reportFailure(project, loaded.error());
        return 1;
    }
    if (to < 0.0) to = opened.engine().farestTrackEndTime();
    TrackSnapshot snapshot = TrackSnapshot::take(tracksToExport(opened.engine().audioTrackArray(), from, to));
    const int64_t first = static_cast<int64_t>(std::trunc(from * 44100.0));
    const int64_t last = std::max(first, static_cast<int64_t>(std::trunc(to * 44100.0)));
    const int64_t tracks = snapshot.audioSampleChannels();
    const int32_t channels = exportOutputChannels(channelType, tracks);
    if (channels <= 0 || tracks <= 0) {
        reportFailure(project, "the project has no tracks, there is nothing to measure");
        return 1;
    }
    // Measured on a thread of its own while this one draws the progress and watches
    // for Ctrl-C.
    std::atomic<bool> cancel{false}, done{false};
    std::atomic<double> progress{0.0};
    std::optional<Loudness> measured;
    const int readThreads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    InterruptGuard interrupts;
    std::thread worker([&] {
        measured = measureFoldLoudness(snapshot, first, last, channelType, &cancel, &progress, readThreads);
        done = true;
    });
    const bool showProgress = ::isatty(STDERR_FILENO);
    while (!done) {
        if (InterruptGuard::signalNumber()) cancel = true;
        if (showProgress) std::fprintf(stderr, "\rmeasuring %3d%%", static_cast<int>(progress.load() * 100.0));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    worker.join();
    if (showProgress) std::fputc('\n', stderr);
    if (const int signal = InterruptGuard::signalNumber()) {
        std::fprintf(stderr, "wavomer-cli: loudness interrupted\n");
        return 128 + signal;
    }
    if (!measured) {
        reportFailure(project, "the loudness of " + std::to_string(channels) + " channels cannot be measured");
        return 1;
    }
    const Loudness& loudness = *measured;
    JsonObject json;
    json.raw("integrated", figureJson(loudness.integrated));
    json.raw("range", figureJson(loudness.range));
    json.raw("truePeak", figureJson(loudness.truePeak));
    json.raw("samplePeak", figureJson(loudness.samplePeak));
    std::printf("%s\n", json.str().c_str());
    return 0;
}

}  // namespace wavomer::cli
