// wavomer-cli export / formats: loads a project folder into an editing engine, builds
// the export options the window would show, and runs the project exporter on its
// background thread while this thread draws progress and watches for Ctrl-C.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <thread>

#include "CliEngineHost.h"
#include "EbuR128Meter.h"
#include "ExportCommand.h"
#include "FFmpegCoverImage.h"
#include "FFmpegMediaEngine.h"
#include "FFmpegMovieFileOutput.h"
#include "Interrupts.h"
#include "Json.h"
#include "TagLibTagWriter.h"
#include "engine/WaveEditViewController.h"
#include "engine/WindowState.h"
#include "export/FormatCatalogue.h"
#include "export/ProjectExporter.h"
#include "util/TextNumber.h"

namespace wavomer::cli {

namespace {

struct UsageError {
    std::string message;
};

struct ExportArguments {
    std::string project;
    std::string folder;
    std::string format;
    std::string sampleRate;
    std::string bitRate;
    int64_t channelType = 0;
    bool splitAtMarkers = false;
    std::string name = "Audio";
    bool numberFiles = false;
    int32_t bitDepth = 0;  // 0 when not given
    std::optional<LoudnessTarget> loudness;
    std::string loudnessText, truePeakText, loudnessMode;
    bool chapters = false;
    int32_t jobs = 0;  // the machine's cores
    std::string coverPath;
    std::shared_ptr<ID3TagInfo> tags = std::make_shared<ID3TagInfo>();
    // Files are tagged only when a tag option was given: otherwise they stay exactly
    // as the encoder wrote them.
    bool tagsGiven = false;
};

uint32_t number(const std::string& option, const std::string& text) {
    // The tag dialog's numeric fields hold at most four digits.
    CustomDigitFomatter digits;
    if (!text.empty() && text.size() > static_cast<size_t>(digits.maxLength))
        throw UsageError{option + " takes at most " + std::to_string(digits.maxLength) + " digits, not \"" + text + "\""};
    uint32_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        throw UsageError{option + " takes a whole number, not \"" + text + "\""};
    return value;
}

// "N" or "N/M".
std::pair<uint32_t, uint32_t> numberOfTotal(const std::string& option, const std::string& text) {
    size_t slash = text.find('/');
    if (slash == std::string::npos) return {number(option, text), 0};
    return {number(option, text.substr(0, slash)), number(option, text.substr(slash + 1))};
}

int64_t channelType(const std::string& text) {
    int64_t type = 0;
    if (!parseChannelType(text, type))
        throw UsageError{"--channels takes tracks, stereo or mono, not \"" + text + "\""};
    return type;
}

ExportArguments parse(const Arguments& args, bool forExport) {
    ExportArguments a;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) throw UsageError{arg + " needs a value"};
            return args[++i];
        };
        static const std::set<std::string> kTagOptions = {"--title", "--artist", "--album",    "--year",
                                                          "--track", "--disc",   "--genre",    "--comment",
                                                          "--composer", "--group", "--bpm", "--cover"};
        if (forExport && kTagOptions.count(arg)) a.tagsGiven = true;
        if (arg == "--channels") a.channelType = channelType(value());
        else if (!forExport && !arg.empty() && arg[0] == '-') throw UsageError{"unknown option " + arg};
        else if (!forExport) {
            if (!a.project.empty()) throw UsageError{"one project only"};
            a.project = arg;
        }
        else if (arg == "-d") a.folder = value();
        else if (arg == "--format") a.format = value();
        else if (arg == "--sample-rate") a.sampleRate = value();
        else if (arg == "--bit-rate") a.bitRate = value();
        else if (arg == "--split-at-markers") a.splitAtMarkers = true;
        else if (arg == "--name") a.name = value();
        else if (arg == "--number-files") a.numberFiles = true;
        else if (arg == "--bit-depth") {
            const std::string& depth = value();
            if (depth != "16" && depth != "24") throw UsageError{"--bit-depth takes 16 or 24, not \"" + depth + "\""};
            a.bitDepth = depth == "16" ? 16 : 24;
        }
        else if (arg == "--loudness") a.loudnessText = value();
        else if (arg == "--true-peak") a.truePeakText = value();
        else if (arg == "--loudness-mode") a.loudnessMode = value();
        else if (arg == "--chapters") a.chapters = true;
        else if (arg == "--jobs") {
            const std::string& text = value();
            int32_t jobs = 0;
            auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), jobs);
            if (ec != std::errc() || end != text.data() + text.size() || jobs < 1 || jobs > 8)
                throw UsageError{"--jobs takes a whole number from 1 to 8, not \"" + text + "\""};
            a.jobs = jobs;
        }
        else if (arg == "--title") a.tags->title = value();
        else if (arg == "--artist") a.tags->artist = value();
        else if (arg == "--album") a.tags->album = value();
        else if (arg == "--year") a.tags->year = number(arg, value());
        else if (arg == "--track") std::tie(a.tags->track, a.tags->totalTrack) = numberOfTotal(arg, value());
        else if (arg == "--disc") std::tie(a.tags->disc, a.tags->totalDisc) = numberOfTotal(arg, value());
        else if (arg == "--genre") a.tags->genre = value();
        else if (arg == "--comment") a.tags->comment = value();
        else if (arg == "--composer") a.tags->composer = value();
        else if (arg == "--group") a.tags->group = value();
        else if (arg == "--bpm") a.tags->bpm = number(arg, value());
        else if (arg == "--cover") a.coverPath = value();
        else if (!arg.empty() && arg[0] == '-') throw UsageError{"unknown option " + arg};
        else {
            if (!a.project.empty()) throw UsageError{"one project only"};
            a.project = arg;
        }
    }
    if (a.project.empty()) throw UsageError{"no project given"};
    if (forExport && a.folder.empty()) throw UsageError{"no output folder given (-d DIR)"};
    if (!a.loudnessText.empty()) {
        LoudnessTarget target;
        // Text that is not a whole number is NaN here, which the target check refuses.
        auto decibels = [](const std::string& text) {
            double value = 0.0;
            return parseFiniteNumber(text, value) ? value : std::nan("");
        };
        target.integrated = decibels(a.loudnessText);
        if (!a.truePeakText.empty()) target.truePeakCeiling = decibels(a.truePeakText);
        if (a.loudnessMode == "pieces") target.perPiece = true;
        else if (!a.loudnessMode.empty() && a.loudnessMode != "whole")
            throw UsageError{"--loudness-mode takes whole or pieces, not \"" + a.loudnessMode + "\""};
        const std::string problem = loudnessTargetProblem(target.integrated, target.truePeakCeiling);
        if (!problem.empty()) throw UsageError{problem};
        a.loudness = target;
    } else if (!a.truePeakText.empty() || !a.loudnessMode.empty()) {
        throw UsageError{"--true-peak and --loudness-mode go with --loudness LUFS"};
    }
    return a;
}

// A popup title typed as the popup shows it ("192 kbps") or as its number ("192").
bool selectTitle(const PopupModel& popup, const std::string& typed, std::string& title) {
    for (const std::string& candidate : popup.titles)
        if (candidate == typed) return title = candidate, true;
    for (const std::string& candidate : popup.titles)
        if (std::to_string(leadingIntegerValue(candidate)) == typed) return title = candidate, true;
    return false;
}

std::string choicesText(const PopupModel& popup) {
    std::string text;
    for (const std::string& title : popup.titles) text += (text.empty() ? "" : ", ") + title;
    return text;
}


// The title of the offered format typed as its title or as its short name (any case);
// the typed text itself when none matches.
std::string offeredTitle(const ExportOptionsModel& options, const std::string& typed) {
    std::string lower = typed;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    for (const std::string& title : options.formatButton().titles)
        if (title == typed || formatShortName(title) == lower) return title;
    return typed;
}

void drawProgress(float value, bool done) {
    const int width = 40;
    int filled = static_cast<int>(value * width + 0.5f);
    filled = std::max(0, std::min(width, filled));
    std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(static_cast<size_t>(filled), '#').c_str(),
                 std::string(static_cast<size_t>(width - filled), ' ').c_str(), static_cast<int>(value * 100 + 0.5f));
    if (done) std::fputc('\n', stderr);
    std::fflush(stderr);
}

}  // namespace

int runExport(const Arguments& args) {
    ExportArguments a;
    try {
        a = parse(args, true);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "wavomer-cli export: %s\n", e.message.c_str());
        return 2;
    }
    if (!a.coverPath.empty()) {
        // Any picture FFmpeg decodes becomes the PNG cover; a folder, a device or a
        // file that cannot be read is refused with the system's reason.
        struct stat st{};
        if (::stat(a.coverPath.c_str(), &st) != 0) {
            reportFailure(a.coverPath, std::strerror(errno));
            return 1;
        }
        if (S_ISDIR(st.st_mode)) {
            reportFailure(a.coverPath, std::strerror(EISDIR));
            return 1;
        }
        if (!S_ISREG(st.st_mode)) {
            reportFailure(a.coverPath, "not a regular file");
            return 1;
        }
        if (::access(a.coverPath.c_str(), R_OK) != 0) {
            reportFailure(a.coverPath, std::strerror(errno));
            return 1;
        }
        FFmpegCoverImageConverter converter;
        Outcome<std::vector<uint8_t>> png = converter.pngFromImageFile(a.coverPath);
        if (!png) {
            reportFailure(a.coverPath, png.failure().why());
            return 1;
        }
        a.tags->image = std::move(*png);
    }

    CliProject project;
    Outcome<> loaded = project.open(a.project);
    if (!loaded) {
        reportFailure(a.project, loaded.error());
        return 1;
    }
    WaveEditViewController& engine = project.engine();
    // The window's Export is enabled by the same rule: a track, and something on it.
    const StateFlags flags = stateFlagsOf(engine, false);
    if (!validateCommand(WindowCommand::convert, flags, false)) {
        reportFailure(a.project, flags.hasTrackForDelete ? "the project is empty, there is nothing to export"
                                                         : "the project has no tracks, there is nothing to export");
        return 1;
    }

    FFmpegMediaWriterEngine writerEngine;
    ExportOptionsModel options(FormatCatalogue::builtIn(), &writerEngine);
    options.setTrackCount(tracksToExport(engine.audioTrackArray(), 0.0, engine.farestTrackEndTime()).size());
    options.exportChannelTypeChanged(a.channelType);
    try {
        if (!a.format.empty() && !options.formatChangedAction(offeredTitle(options, a.format))) {
            std::string offered;
            for (const std::string& title : options.formatButton().titles)
                offered += (offered.empty() ? "" : ", ") + formatShortName(title);
            throw UsageError{"the format \"" + a.format + "\" is not offered for this project; offered: " + offered};
        }
        if (options.formatButton().titles.empty()) throw UsageError{"no format can hold this project's channels"};
        std::string title;
        if (!a.sampleRate.empty()) {
            if (!selectTitle(options.sampleRateButton(), a.sampleRate, title))
                throw UsageError{"sample rate \"" + a.sampleRate + "\" is not one of: " +
                                 choicesText(options.sampleRateButton())};
            options.selectSampleRate(title);
        }
        if (!a.bitRate.empty()) {
            if (!selectTitle(options.bitRateButton(), a.bitRate, title))
                throw UsageError{"bit rate \"" + a.bitRate + "\" is not one of: " + choicesText(options.bitRateButton())};
            options.selectBitRate(title);
        }
        if (a.bitDepth != 0 && !offersBitDepth(options.encoderSettings()))
            throw UsageError{"--bit-depth is for FLAC, WAV and AIFF, not " + options.encoderSettings().formatTitle};
    } catch (const UsageError& e) {
        std::fprintf(stderr, "wavomer-cli export: %s\n", e.message.c_str());
        return 2;
    }

    ExportRequest request;
    request.outputFolder = a.folder;
    request.baseName = exportBaseName(a.name, "Audio");
    request.format = options.encoderSettings();
    request.exportChannelType = a.channelType;
    request.convertUseMarker = a.splitAtMarkers;
    request.numberPieceNames = a.numberFiles;
    request.bitDepth = a.bitDepth == 0 ? 16 : a.bitDepth;
    request.loudness = a.loudness;
    // An audiobook file is made for its chapters.
    request.chapters = a.chapters || request.format.pathExtention == "m4b";
    request.jobs = a.jobs;
    if (a.tagsGiven) request.tags = a.tags;
    ExportSnapshot snapshot = ExportSnapshot::take(engine.audioTrackArray(), engine.getMarkArrayWihtTrackStartEndTime(),
                                                   engine.farestTrackEndTime());

    TagLibTagWriter tagWriter;
    EbuR128Meters meters;
    ProjectExporter exporter(writerEngine, &tagWriter, &meters);
    std::atomic<bool> finished{false};
    ExportReport outcome;
    // Ctrl-C, SIGTERM and SIGHUP cancel: the partial file is removed.
    std::optional<InterruptGuard> interrupts(std::in_place);
    exporter.start(std::move(request), std::move(snapshot), [&](const ExportReport& o) {
        outcome = o;
        finished = true;
    });
    const bool showProgress = ::isatty(STDERR_FILENO);
    bool cancelled = false;
    while (!finished) {
        if (InterruptGuard::signalNumber() && !cancelled) {
            exporter.cancel();
            cancelled = true;
        }
        if (showProgress) drawProgress(exporter.progressValue(), false);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    exporter.wait();
    const int interruptedBy = InterruptGuard::signalNumber();
    interrupts.reset();
    if (showProgress) drawProgress(outcome.ok() ? 1.0f : exporter.progressValue(), true);

    for (const std::string& path : outcome.writtenPaths) std::printf("%s\n", path.c_str());
    std::fflush(stdout);
    for (const std::string& warning : outcome.warnings) std::fprintf(stderr, "wavomer-cli: %s\n", warning.c_str());
    if (outcome.ok()) return 0;
    if (outcome.cancelled()) {
        std::fprintf(stderr, "wavomer-cli: export cancelled\n");
        return 128 + (interruptedBy ? interruptedBy : SIGINT);
    }
    std::fprintf(stderr, "wavomer-cli: %s\n", outcome.error().c_str());
    return 1;
}

int runFormats(const Arguments& args) {
    ExportArguments a;
    try {
        a = parse(args, false);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "wavomer-cli formats: %s\n", e.message.c_str());
        return 2;
    }
    CliProject project;
    Outcome<> loaded = project.open(a.project);
    if (!loaded) {
        reportFailure(a.project, loaded.error());
        return 1;
    }
    FFmpegMediaWriterEngine writerEngine;
    ExportOptionsModel options(FormatCatalogue::builtIn(), &writerEngine);
    const WaveEditViewController& engine = project.engine();
    options.setTrackCount(tracksToExport(engine.audioTrackArray(), 0.0, engine.farestTrackEndTime()).size());
    options.exportChannelTypeChanged(a.channelType);
    auto list = [](const PopupModel& popup) { return jsonArray(popup.titles, jsonString); };
    const std::vector<std::string> titles = options.formatButton().titles;
    for (const std::string& title : titles) {
        options.formatChangedAction(title);
        JsonObject json;
        json.add("title", title);
        json.add("name", formatShortName(title));
        json.add("extension", options.catalogue().pathExtention(title));
        json.add("menu", formatMenuName(options.currentMenu()));
        json.raw("sampleRates", list(options.sampleRateButton()));
        json.add("sampleRate", options.sampleRateButton().selectedTitle().value_or(""));
        json.raw("bitRates", list(options.bitRateButton()));
        json.add("bitRate", options.bitRateButton().selectedTitle().value_or(""));
        std::printf("%s\n", json.str().c_str());
    }
    return 0;
}

}  // namespace wavomer::cli
