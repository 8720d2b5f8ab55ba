// wavomer-cli render PROJECT.wvmp -o OUT.f32 [--channels tracks|stereo|mono] [--from S] [--to E]:
// the export fold's output as raw little-endian 32-bit float frames at 44100 Hz.
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>

#include "CliEngineHost.h"
#include "Commands.h"
#include "Interrupts.h"
#include "Json.h"
#include "ProjectInputs.h"
#include "RenderCommand.h"
#include "export/ExportFolds.h"
#include "export/TrackSnapshot.h"
#include "util/OutputFile.h"

namespace wavomer::cli {

namespace {

bool parseSeconds(const std::string& text, double& out) { return parseFiniteNumber(text, out) && out >= 0.0; }

int usage() {
    std::fputs("usage: wavomer-cli render PROJECT.wvmp -o OUT.f32 [--channels tracks|stereo|mono] [--from S] [--to E]\n",
               stderr);
    return 2;
}

}  // namespace

int runRender(const Arguments& args) {
    std::string project, output;
    int64_t channelType = kChannelPerTrack;
    double from = 0.0, to = -1.0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool hasValue = i + 1 < args.size();
        if (a == "-o" && hasValue) output = args[++i];
        else if (a == "--channels" && hasValue) {
            if (!parseChannelType(args[++i], channelType)) return usage();
        }
        else if (a == "--from" && hasValue) {
            if (!parseSeconds(args[++i], from)) return usage();
        } else if (a == "--to" && hasValue) {
            if (!parseSeconds(args[++i], to)) return usage();
        } else if (project.empty() && a[0] != '-') project = a;
        else return usage();
    }
    if (project.empty() || output.empty()) return usage();

    CliProject opened;
    Outcome<> loaded = opened.open(project);
    if (!loaded) {
        reportFailure(project, loaded.error());
        return 1;
    }
    const double length = opened.engine().farestTrackEndTime();
    if (to < 0.0) to = length;
    TrackSnapshot snapshot = TrackSnapshot::take(tracksToExport(opened.engine().audioTrackArray(), from, to));
    const int64_t first = static_cast<int64_t>(std::trunc(from * 44100.0));
    const int64_t last = std::max(first, static_cast<int64_t>(std::trunc(to * 44100.0)));
    const int64_t tracks = snapshot.audioSampleChannels();
    const int32_t outChannels = exportOutputChannels(channelType, tracks);

    // Written under a temporary name beside the output and renamed over it when
    // complete: a failed render leaves whatever stood there. A device, a FIFO or
    // "-" (standard output) is written in place.
    OutputFile target;
    if (Outcome<> placed = target.prepare(output, projectInputFiles(project, opened.engine())); !placed) {
        reportFailure(output, placed.failure().why());
        return 1;
    }
    FILE* file = target.toStandardOutput() ? stdout : std::fopen(target.writePath().c_str(), "wb");
    if (!file) {
        reportFailure(output, std::strerror(errno));
        return 1;
    }
    // Large blocks, the tracks read by every core at once: each track of the
    // snapshot is a copy of its own, and the fold's values do not depend on the
    // block size.
    constexpr int32_t kBlock = 65536;
    const int readThreads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    // Zeroed once: with no tracks the mix writes nothing and the output is silence;
    // otherwise the folds write every value of each block.
    std::vector<float> block(static_cast<size_t>(kBlock) * std::max(outChannels, 1), 0.0f);
    std::vector<float> scratch;
    bool ok = true;
    InterruptGuard interrupts;
    for (int64_t at = first; at < last && ok && !InterruptGuard::signalNumber(); at += kBlock) {
        int32_t n = static_cast<int32_t>(std::min<int64_t>(kBlock, last - at));
        if (outChannels == 0) break;
        if (channelType == kChannelPerTrack) exportFoldUnmixed(snapshot, block.data(), n, outChannels, at, scratch, readThreads);
        else if (tracks > 0) exportFoldMixed(snapshot, block.data(), n, outChannels, at, scratch, readThreads);
        size_t count = static_cast<size_t>(n) * outChannels;
        ok = std::fwrite(block.data(), sizeof(float), count, file) == count;
    }
    int saved = ok ? 0 : errno;
    if (std::fflush(file) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (file != stdout && std::fclose(file) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (const int signal = InterruptGuard::signalNumber()) {
        target.abandon();
        std::fprintf(stderr, "wavomer-cli: render interrupted\n");
        return 128 + signal;
    }
    if (Outcome<> committed = ok ? target.commit() : Outcome<>(); !committed) {
        reportFailure(output, committed.failure().why());
        return 1;
    }
    if (!ok) {
        target.abandon();
        reportFailure(output, std::strerror(saved ? saved : EIO));
        return 1;
    }
    JsonObject json;
    json.add("channels", static_cast<int64_t>(outChannels));
    json.add("frames", outChannels == 0 ? int64_t(0) : last - first);
    // With the samples on standard output, the summary goes to standard error.
    std::fprintf(target.toStandardOutput() ? stderr : stdout, "%s\n", json.str().c_str());
    return 0;
}

}  // namespace wavomer::cli
