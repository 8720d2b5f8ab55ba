// wavomer-cli play PROJECT.wvmp [--from S] [--loop START END] [--seconds N] [--silent]:
// plays every track of a project from S (default 0, or START with a loop) through the
// window's own playback controller, printing {"position": ..., "state": ...} on each
// 0.08 s tick. It ends when playback reaches the end of the longest track (which
// rewinds to 0) or after N seconds. A loop selects START..END on all tracks, so
// playback wraps there as it does in the window; without --seconds it loops until
// interrupted. --silent plays on the silent device; without it, a sound server that
// cannot be reached is reported on stderr and the project plays silently in real time.
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>

#include "CliEngineHost.h"
#include "engine/UserEvent.h"
#include "Json.h"
#include "OutputGraphFactory.h"
#include "PlayCommand.h"
#include "PulseOutputGraph.h"
#include "util/StandardPaths.h"
#include "engine/PlaybackController.h"

namespace wavomer::cli {

namespace {

struct PlayOptions {
    std::string project;
    double from = 0.0;
    bool fromGiven = false;
    std::optional<std::pair<double, double>> loop;
    std::optional<double> seconds;
    bool silent = false;
};

// Answers an error message, or empty when the arguments are good.
std::string parseOptions(const Arguments& args, PlayOptions* options) {
    auto number = [&](size_t at, double* value) -> std::string {
        if (at >= args.size()) return args[at - 1] + " needs a number";
        if (!parseFiniteNumber(args[at], *value)) return "not a number: \"" + args[at] + "\"";
        return {};
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        std::string error;
        if (word == "--from") {
            error = number(++i, &options->from);
            options->fromGiven = true;
        } else if (word == "--loop") {
            double start = 0.0, end = 0.0;
            error = number(++i, &start);
            if (error.empty()) error = number(++i, &end);
            if (error.empty() && !(end > start && start >= 0.0)) error = "a loop needs 0 <= START < END";
            options->loop = std::make_pair(start, end);
        } else if (word == "--seconds") {
            double seconds = 0.0;
            error = number(++i, &seconds);
            if (error.empty() && seconds < 0.0) error = "--seconds must not be negative";
            options->seconds = seconds;
        } else if (word == "--silent") {
            options->silent = true;
        } else if (!word.empty() && word[0] == '-') {
            error = "unknown option " + word;
        } else if (options->project.empty()) {
            options->project = word;
        } else {
            error = "more than one project";
        }
        if (!error.empty()) return error;
    }
    if (options->project.empty()) return "no project";
    if (options->from < 0.0) return "--from must not be negative";
    return {};
}

// The engine's host: the player answers isPlaying and follows every cursor move.
class PlayHost : public CliEngineHost {
public:
    void seekPlayerCurrentTime(double seconds) override {
        if (playback) playback->setPlayerCurrentTime(seconds);
    }
    bool isPlaying() const override { return playback && playback->isPlaying(); }
    PlaybackController* playback = nullptr;
};

void printTick(const WaveEditViewController& engine, const PlaybackController& playback) {
    JsonObject json;
    json.add("position", engine.currentTimelineTime());
    json.add("state", playback.isPlaying() ? "playing" : "stopped");
    std::printf("%s\n", json.str().c_str());
    std::fflush(stdout);
}

int play(const PlayOptions& options) {
    CliProject opened(std::make_unique<PlayHost>());
    auto& host = static_cast<PlayHost&>(opened.host());
    WaveEditViewController& engine = opened.engine();
    ProjectLock& lock = engine.projectLock;
    Outcome<> loaded = opened.open(options.project);
    if (!loaded) {
        reportFailure(options.project, loaded.error());
        return 1;
    }
    {
        UserEvent event(engine);
        if (!engine.audioTrackArray().empty()) engine.selectTracks(0, engine.audioTrackArray().size() - 1);
        if (options.loop) engine.setSelection(options.loop->first, options.loop->second);
        else engine.setSelection(0.0, 0.0);
        engine.updateCurrentTimelineTime(options.fromGiven || !options.loop ? options.from : options.loop->first);
    }

    std::unique_ptr<OutputAudioGraph> graph =
        makeOutputAudioGraph(options.silent ? OutputDevice::Silent : OutputDevice::Automatic);
    if (auto* pulse = dynamic_cast<PulseOutputGraph*>(graph.get())) {
        // No window to keep responsive: wait for the server here, up to its deadline.
        if (!pulse->waitUntilSettled(PulseOutputGraph::kConnectDeadlineSeconds + 0.5))
            std::fprintf(stderr, "wavomer-cli: no sound server (%s); playing silently\n", pulse->lastError().c_str());
    }
    PlaybackController playback(engine, lock, std::move(graph));
    host.playback = &playback;

    playback.playOrPause();
    const auto begin = std::chrono::steady_clock::now();
    auto next = begin;
    const auto period = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(PlaybackController::kPlayTimerSeconds));
    while (playback.hasPlayTimer()) {
        next += period;
        std::this_thread::sleep_until(next);
        playback.updateWaveViewWhenPlay();
        opened.drain();
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        if (options.seconds && elapsed >= *options.seconds && playback.isPlaying()) {
            playback.closePlayerTimer();
            playback.stopPlayer();
        }
        printTick(engine, playback);
    }
    host.playback = nullptr;
    return 0;
}

}  // namespace

int runPlay(const Arguments& args) {
    PlayOptions options;
    std::string error = parseOptions(args, &options);
    if (!error.empty()) {
        std::fprintf(stderr, "wavomer-cli: play: %s\n", error.c_str());
        std::fputs("usage: wavomer-cli play PROJECT.wvmp [--from S] [--loop START END] [--seconds N] [--silent]\n",
                   stderr);
        return 2;
    }
    int status = play(options);
    FileManagerExtention::removeProcessImportFolder();
    return status;
}

}  // namespace wavomer::cli
