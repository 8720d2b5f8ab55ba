#include "export/ProjectExporter.h"


#include <algorithm>
#include <cmath>
#include <thread>

#include "util/StandardPaths.h"
#include "export/ExportFolds.h"
#include "export/MusicDataOutput.h"
#include "export/TagWriter.h"
#include "media/MediaWriter.h"
#include "util/Log.h"

namespace wavomer {

namespace {

constexpr double kMarkerTolerance = 0.001;
constexpr double kExportFrameRate = 44100.0;
// The room (dB) a normalised lossy export leaves under its true-peak ceiling for the
// encoder's overshoot; MPEG Layer-2's filter bank rings more than the others' encoders.
double lossyPeakRoom(const std::string& codec) { return codec == "mp2" ? 1.5 : 1.0; }

bool losslessCodec(const std::string& codec) {
    return codec == "flac" || codec == "alac" || codec.rfind("pcm_", 0) == 0;
}

// The frame a time in seconds falls on, in double precision.
int64_t framePosition(double seconds) { return static_cast<int64_t>(std::llround(seconds * kExportFrameRate)); }

// The window's side of the sample source: the snapshot's tracks and the channel type.
class SnapshotDelegate final : public MusicDataOutputDelegate {
public:
    SnapshotDelegate(TrackSnapshot& tracks, int64_t exportChannelType)
        : tracks_(tracks), exportChannelType_(exportChannelType) {}
    int64_t audioSampleChannels() override { return tracks_.audioSampleChannels(); }
    int32_t readSample(float* buffer, int32_t channel, int32_t frames, int64_t offset) override {
        return tracks_.readSample(buffer, channel, frames, offset);
    }
    bool forceMixOutputAudio() override { return exportChannelType_ != 0; }

private:
    TrackSnapshot& tracks_;
    int64_t exportChannelType_;
};

// The names of the tags that hold a value, in the tag dialog's order.
std::string setTagNames(const ID3TagInfo& tags) {
    std::string names;
    auto add = [&](bool set, const char* name) {
        if (set) names += (names.empty() ? "" : ", ") + std::string(name);
    };
    auto has = [](const std::optional<std::string>& value) { return value && !value->empty(); };
    add(has(tags.title), "title");
    add(has(tags.artist), "artist");
    add(has(tags.album), "album");
    add(tags.year != 0, "year");
    add(tags.track != 0 || tags.totalTrack != 0, "track");
    add(tags.disc != 0 || tags.totalDisc != 0, "disc");
    add(has(tags.genre), "genre");
    add(has(tags.comment), "comment");
    add(has(tags.composer), "composer");
    add(has(tags.group), "grouping");
    add(tags.bpm != 0, "BPM");
    add(tags.image.has_value(), "cover");
    return names;
}

// The codec that writes format at 24 bits: the 24-bit PCM of the same byte order; FLAC
// keeps its codec and is told the sample size.
std::string codecForBitDepth(const std::string& codec, int32_t bitDepth) {
    if (bitDepth != 24) return codec;
    if (codec == "pcm_s16le") return "pcm_s24le";
    if (codec == "pcm_s16be") return "pcm_s24be";
    return codec;
}

}  // namespace

// One encoder of a split export in parallel, with tracks of its own: a section holds one
// reader's file and effect state, so no two workers may read the same section.
struct PieceWorker {
    PieceWorker(MediaWriterEngine& engine, const TrackSnapshot& from, int64_t exportChannelType)
        : tracks(TrackSnapshot::take(from.tracks())),
          delegate(tracks, exportChannelType),
          fold(engine),
          normalised(fold),
          converter(engine) {
        fold.delegate = &delegate;
    }
    TrackSnapshot tracks;
    SnapshotDelegate delegate;
    MusicDataOutput fold;
    NormalisingSource normalised;
    MusicConverter converter;
    std::atomic<bool> busy{false};  // encoding a piece now
};

int32_t exportJobs(int32_t jobs, size_t pieces) {
    if (jobs <= 0) jobs = static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
    jobs = std::min<int32_t>(jobs, 8);
    return std::max<int32_t>(1, std::min<int32_t>(jobs, static_cast<int32_t>(std::max<size_t>(pieces, 1))));
}

bool offersBitDepth(const FormatEncoderSettings& format) {
    return format.codecName == "flac" || format.codecName == "pcm_s16le" || format.codecName == "pcm_s16be";
}

std::string exportBaseName(const std::string& typed, const std::string& fallback) {
    std::string name = typed;
    std::replace(name.begin(), name.end(), '/', '-');
    name.erase(std::remove(name.begin(), name.end(), '\0'), name.end());
    const auto first = name.find_first_not_of(" \t"), last = name.find_last_not_of(" \t");
    name = first == std::string::npos ? std::string() : name.substr(first, last - first + 1);
    if (name.find_first_not_of('.') == std::string::npos) return fallback;
    return name;
}

std::string pieceBaseName(const std::string& baseName, size_t index, size_t count, bool numbered) {
    if (!numbered) return baseName;
    const std::string number = std::to_string(index + 1);
    const size_t width = std::max<size_t>(2, std::to_string(count).size());
    return std::string(width > number.size() ? width - number.size() : 0, '0') + number + " " + baseName;
}

std::vector<MediaChapter> exportChapters(const ExportSnapshot& snapshot, const std::string& untitled) {
    std::vector<MediaChapter> chapters;
    // Only the project's start and end: no markers, no chapters.
    if (snapshot.markerTimes.size() <= 2) return chapters;
    // The name of a marker whose span is empty (another marker at the same time) goes
    // to the next span, unless that marker has a name of its own.
    std::optional<std::string> carried;
    for (size_t i = 0; i + 1 < snapshot.markerTimes.size(); ++i) {
        const double a = snapshot.markerTimes[i], b = snapshot.markerTimes[i + 1];
        std::optional<std::string> name = i < snapshot.markerNames.size() ? snapshot.markerNames[i] : std::nullopt;
        if (!name || name->empty()) name = carried;
        if (b - a < kMarkerTolerance) {
            carried = name;
            continue;
        }
        carried.reset();
        MediaChapter chapter;
        chapter.startFrame = framePosition(a);
        chapter.endFrame = framePosition(b);
        if (name && !name->empty()) {
            chapter.title = *name;
        } else {
            chapter.title = untitled;
            const size_t at = chapter.title.find("%1");
            const std::string number = std::to_string(chapters.size() + 1);
            if (at == std::string::npos) chapter.title += " " + number;
            else chapter.title.replace(at, 2, number);
        }
        chapters.push_back(std::move(chapter));
    }
    return chapters;
}

ExportSnapshot ExportSnapshot::take(const std::vector<TrackPtr>& audioTrackArray,
                                    const std::vector<MarkerPtr>& markArrayWithTrackStartEndTime,
                                    double farestTrackEndTime) {
    ExportSnapshot snapshot;
    snapshot.tracks = TrackSnapshot::take(tracksToExport(audioTrackArray, 0.0, farestTrackEndTime));
    for (const MarkerPtr& marker : markArrayWithTrackStartEndTime) {
        snapshot.markerTimes.push_back(marker->markerTime);
        snapshot.markerNames.push_back(marker->markerName);
    }
    snapshot.endTime = farestTrackEndTime;
    return snapshot;
}

ProjectExporter::ProjectExporter(MediaWriterEngine& engine, TagWriter* tagWriter, LoudnessMeters* meters)
    : engine_(engine), tagWriter_(tagWriter), meters_(meters), converter_(std::make_unique<MusicConverter>(engine)) {
    converter_->operationCancelled = &operationCancelled_;
}

ProjectExporter::~ProjectExporter() {
    cancel();
    wait();
}

bool ProjectExporter::start(ExportRequest request, ExportSnapshot snapshot,
                            std::function<void(const ExportReport&)> finished) {
    if (running_.exchange(true)) return false;
    if (thread_.joinable()) thread_.join();
    operationCancelled_ = false;
    finishedCount_ = 0;
    totalConvertCount_ = request.convertUseMarker ? 0 : 1;
    thread_ = std::thread([this, request = std::move(request), snapshot = std::move(snapshot),
                           finished = std::move(finished)]() mutable {
        ExportReport outcome = run(request, snapshot);
        running_ = false;
        if (finished) finished(outcome);
    });
    return true;
}

void ProjectExporter::wait() {
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void ProjectExporter::cancel() {
    operationCancelled_ = true;
    stopPieces_ = true;
    converter_->cancel();
}

float ProjectExporter::progressValue() const {
    constexpr double kMeasuringShare = 0.2;
    if (measuring_.load()) return static_cast<float>(kMeasuringShare * measured_.load());
    double progress = converter_->progress();
    {
        // Pieces encoded in parallel: the share of each one in progress.
        std::lock_guard<std::mutex> guard(workersLock_);
        if (!workers_.empty()) {
            progress = 0.0;
            for (const auto& worker : workers_)
                if (worker->busy.load()) progress += worker->converter.progress();
        }
    }
    // After the last segment the finished count already includes the current file; the
    // bar never shows more than full.
    const double value = splitting_.load()
                             ? std::min((finishedCount_.load() + progress) / std::max(totalConvertCount_.load(), 1), 1.0)
                             : progress;
    return static_cast<float>(normalising_.load() ? kMeasuringShare + (1.0 - kMeasuringShare) * value : value);
}

bool ProjectExporter::measureStretches(ConverterSampleSource& fold, int32_t channels,
                                       const std::vector<std::pair<int64_t, int64_t>>& stretches,
                                       std::vector<Loudness>& each, Loudness& all,
                                       const std::function<void(size_t)>& beforeStretch, double from, double to) {
    constexpr int32_t kBlock = 16384;
    std::vector<float> block(static_cast<size_t>(kBlock) * static_cast<size_t>(channels));
    std::vector<std::unique_ptr<LoudnessMeter>> meters;
    int64_t total = 0, done = 0;
    for (const auto& [first, last] : stretches) total += std::max<int64_t>(last - first, 0);
    measured_ = from;
    measuring_ = true;
    each.clear();
    for (const auto& [first, last] : stretches) {
        std::unique_ptr<LoudnessMeter> meter = meters_->meter(channels, 44100);
        if (!meter) break;
        if (beforeStretch) beforeStretch(meters.size());
        fold.setCurrentFrame(first);
        TruePeakReader peaks(channels);
        for (int64_t at = first; at < last; at += kBlock) {
            if (operationCancelled_) break;
            const auto frames = static_cast<int32_t>(std::min<int64_t>(kBlock, last - at));
            fold.readSample(block.data(), frames);
            meter->addFrames(block.data(), frames);
            peaks.addFrames(block.data(), frames);
            done += frames;
            measured_ = from + (to - from) * static_cast<double>(done) / static_cast<double>(std::max<int64_t>(total, 1));
        }
        // The meter reads the loudness; the true peak is read here as the limiter reads
        // it, and only where it can be found, at a fraction of an oversampling meter's cost.
        Loudness loudness = meter->result();
        if (const double peak = peaks.peak(); peak > 0.0) loudness.truePeak = 20.0 * std::log10(peak);
        each.push_back(loudness);
        meters.push_back(std::move(meter));
    }
    measuring_ = false;
    if (operationCancelled_ || meters.size() != stretches.size()) return false;
    std::vector<const LoudnessMeter*> measuredMeters;
    for (const auto& meter : meters) measuredMeters.push_back(meter.get());
    all = meters_->together(measuredMeters);
    for (const Loudness& one : each)
        if (one.truePeak && (!all.truePeak || *one.truePeak > *all.truePeak)) all.truePeak = one.truePeak;
    fold.setCurrentFrame(0);
    return true;
}

std::string ProjectExporter::getOutputPath(const std::string& folder, const std::string& baseName,
                                           const std::string& extension) {
    auto taken = [&](const std::string& path) {
        return FileManagerExtention::somethingExistsAtPath(path) || std::find(usedPaths_.begin(), usedPaths_.end(), path) != usedPaths_.end();
    };
    std::string candidate = FileManagerExtention::stringByAppendingPathComponent(folder, baseName + "." + extension);
    for (int k = 1; taken(candidate); ++k)
        candidate = FileManagerExtention::stringByAppendingPathComponent(
            folder, baseName + "_" + std::to_string(k) + "." + extension);
    usedPaths_.push_back(candidate);
    return candidate;
}

ExportReport ProjectExporter::run(const ExportRequest& request, ExportSnapshot& snapshot) {
    std::lock_guard<std::mutex> guard(runLock_);
    return runLocked(request, snapshot);
}

ExportReport ProjectExporter::runLocked(const ExportRequest& request, ExportSnapshot& snapshot) {
    ExportReport outcome;
    outcome.useITunesFormat = request.format.useITunesFormat;
    usedPaths_.clear();
    finishedCount_ = 0;
    splitting_ = request.convertUseMarker;
    normalising_ = false;

    // The output format: the catalogue's values, the channel layout from the channel
    // type (one channel per track, or the stereo or mono mix).
    const int32_t tracks = static_cast<int32_t>(snapshot.tracks.audioSampleChannels());
    const int32_t channels = exportOutputChannels(request.exportChannelType, tracks);
    TSFFMovieFileOutputFormat format = engine_.defaultMovieFileOutputFormat();
    format.sample_rate = request.format.sampleRate;
    format.audio_bit_rate = request.format.bitRate;
    const bool chosenDepth = offersBitDepth(request.format) && request.bitDepth == 24;
    format.audio_codec_id = engine_.codecIdByName(codecForBitDepth(request.format.codecName, chosenDepth ? 24 : 16));
    format.bits_per_sample = chosenDepth ? 24 : 0;
    format.channel_layout = engine_.defaultChannelLayout(channels);
    converter_->movieFormat = format;
    converter_->supportMutilChannels = true;

    SnapshotDelegate delegate(snapshot.tracks, request.exportChannelType);
    MusicDataOutput audioDataOutput(engine_);
    audioDataOutput.delegate = &delegate;

    // The pieces of a split export, up to the first empty one; each is numbered in its
    // track tag (N/M) unless the user set a track number.
    std::vector<std::pair<double, double>> pieces;
    if (request.convertUseMarker)
        for (size_t i = 0; i + 1 < snapshot.markerTimes.size(); ++i) {
            const double a = snapshot.markerTimes[i], b = snapshot.markerTimes[i + 1];
            if (std::fabs(a - b) < kMarkerTolerance) break;
            pieces.emplace_back(a, b);
        }
    size_t pieceIndex = 0;

    // Normalisation: every stretch that becomes a file is measured first; the pieces then
    // get one gain for all (an album keeps its levels) or each its own.
    NormalisingSource normalised(audioDataOutput);
    ConverterSampleSource* source = &audioDataOutput;
    std::vector<NormalisationGain> gains;
    LoudnessTarget limited;
    auto normalise = [&]() -> bool {
        if (!meters_) {
            outcome.failure = Failure::at(request.outputFolder, "loudness cannot be measured in this program");
            return false;
        }
        const std::string problem = loudnessTargetProblem(request.loudness->integrated, request.loudness->truePeakCeiling);
        if (!problem.empty()) {
            outcome.failure = Failure::at(request.outputFolder, problem);
            return false;
        }
        normalising_ = true;
        std::vector<std::pair<int64_t, int64_t>> stretches;
        if (request.convertUseMarker)
            for (const auto& [a, b] : pieces) stretches.emplace_back(framePosition(a), framePosition(b));
        else
            stretches.emplace_back(0, framePosition(snapshot.endTime));
        TSFFAudioFormat fold;
        fold.channel_layout = format.channel_layout;
        audioDataOutput.configOutputFormat(fold);
        std::vector<Loudness> each;
        Loudness all;
        auto measured = [&](ConverterSampleSource& fold, const std::function<void(size_t)>& beforeStretch, double from,
                            double to) {
            if (measureStretches(fold, channels, stretches, each, all, beforeStretch, from, to)) return true;
            outcome.failure = operationCancelled_ ? Failure::cancel(request.outputFolder)
                                                  : Failure::at(request.outputFolder, "the export's loudness cannot be measured");
            return false;
        };
        if (!measured(audioDataOutput, nullptr, 0.0, 0.4)) return false;
        const bool perPiece = request.convertUseMarker && request.loudness->perPiece;
        // A lossy encoder's peaks pass what it was given (its filtering rings at
        // transients): the limiter leaves it room under the ceiling.
        limited = *request.loudness;
        if (!losslessCodec(request.format.codecName)) limited.truePeakCeiling -= lossyPeakRoom(request.format.codecName);
        for (size_t i = 0; i < stretches.size(); ++i) {
            gains.push_back(normalisationGain(perPiece ? each[i] : all, limited));
            if (gains.back().measured || (!perPiece && i > 0)) continue;
            const std::string what = perPiece ? "piece " + std::to_string(i + 1) + " of the export" : "the export";
            outcome.warnings.push_back(what + " is silent or too quiet to measure; its loudness is left as it is");
        }
        // Where the limiter pulls peaks down the result is quieter than the gain alone
        // makes it, and each dB of gain brings less than a dB of loudness: the limited
        // fold is measured again and the gain corrected (by the loudness each dB brought
        // in the last two readings, at most 6 dB a step), four times at most, until it
        // lands within a twentieth of a LU. Where a dB of gain brings less than a tenth
        // of a LU, the peaks hold the audio down and the best gain so far stays.
        auto stretchGain = [&](size_t i) {
            normalised.setGain(gains[i], limited.truePeakCeiling, channels);
        };
        std::vector<std::optional<std::pair<double, double>>> lastReading(gains.size());  // gain, loudness
        std::vector<bool> heldByPeaks(gains.size(), false);
        for (int pass = 0; pass < 4; ++pass) {
            if (std::none_of(gains.begin(), gains.end(), [](const NormalisationGain& g) { return g.limit; })) break;
            if (!measured(normalised, stretchGain, 0.4 + 0.15 * pass, 0.55 + 0.15 * pass)) return false;
            bool close = true;
            for (size_t i = 0; i < gains.size(); ++i) {
                const Loudness& reached = perPiece ? each[i] : all;
                if (!gains[i].limit || !reached.integrated || heldByPeaks[i]) continue;
                const double miss = limited.integrated - *reached.integrated;
                double slope = 1.0;
                if (lastReading[i] && std::fabs(gains[i].decibels - lastReading[i]->first) > 1e-3)
                    slope = (*reached.integrated - lastReading[i]->second) / (gains[i].decibels - lastReading[i]->first);
                if (std::fabs(miss) < 0.05) continue;
                if (slope < 0.1) {
                    // More gain no longer buys loudness, only limiting: the gain that
                    // got closest stays.
                    heldByPeaks[i] = true;
                    if (lastReading[i] && lastReading[i]->second > *reached.integrated)
                        gains[i].decibels = lastReading[i]->first;
                    continue;
                }
                lastReading[i] = std::make_pair(gains[i].decibels, *reached.integrated);
                close = false;
                // At most 6 dB a step: the readings say little about far-off gains.
                gains[i].decibels += std::clamp(miss / std::min(slope, 1.0), -6.0, 6.0);
            }
            if (close) break;
        }
        for (size_t i = 0; i < gains.size(); ++i) {
            if (!heldByPeaks[i]) continue;
            char text[200];
            std::snprintf(text, sizeof text, "%s cannot reach %.1f LUFS: the limiter holds its peaks under %.1f dBTP",
                          perPiece ? ("piece " + std::to_string(i + 1) + " of the export").c_str() : "the export",
                          limited.integrated, request.loudness->truePeakCeiling);
            outcome.warnings.push_back(text);
            if (!perPiece) break;
        }
        source = &normalised;
        return true;
    };

    // A single file carries the markers as chapters.
    converter_->chapters.clear();
    if (request.chapters && !request.convertUseMarker) converter_->chapters = exportChapters(snapshot, request.chapterTitle);

    // Tags go into each file before it is put under its name: a file that can be seen
    // is complete, tags and all, and is never rewritten in place.
    const bool numberTags = request.convertUseMarker && (!request.tags || request.tags->track == 0);
    // A piece whose starting marker has a name takes it as its title.
    auto pieceName = [&](size_t index) -> std::optional<std::string> {
        if (!request.convertUseMarker || index >= snapshot.markerNames.size()) return std::nullopt;
        return snapshot.markerNames[index];
    };
    bool anyNamed = false;
    for (size_t i = 0; i < pieces.size(); ++i) anyNamed = anyNamed || pieceName(i).has_value();
    const bool tagging = tagWriter_ && (request.tags || numberTags || anyNamed);
    // The hook that tags piece `index` (the whole export is piece 0) as `path`, its
    // warnings going to `warnings`.
    auto tagHook = [&](size_t index, std::string path, std::vector<std::string>* warnings) -> TSFFMovieFileOutput::BeforePublish {
        if (!tagging) return nullptr;
        return [&, index, path, warnings](const std::string& temporaryPath) {
            ID3TagInfo tags = request.tags ? *request.tags : ID3TagInfo();
            if (numberTags) {
                tags.track = static_cast<uint32_t>(index + 1);
                tags.totalTrack = static_cast<uint32_t>(pieces.size());
            }
            if (auto name = pieceName(index)) tags.title = *name;
            tagFile(request, tags, temporaryPath, path, *warnings);
        };
    };
    // The file name of a piece; numbered pieces are named after their marker where it
    // has a name.
    auto pieceFileName = [&](size_t index) {
        const std::optional<std::string> marker = pieceName(index);
        const std::string base =
            request.numberPieceNames && marker ? exportBaseName(*marker, request.baseName) : request.baseName;
        return pieceBaseName(base, index, pieces.size(), request.numberPieceNames);
    };

    // A piece runs from its start marker's frame to the next marker's frame, each frame
    // position computed once from the marker time: the pieces tile the project without
    // a frame repeated or lost. The whole project keeps its last block whole.
    auto exportSegment = [&](double from, double to, bool wholeProject) {
        const std::string name = wholeProject ? request.baseName : pieceFileName(pieceIndex);
        const std::string path = getOutputPath(request.outputFolder, name, request.format.pathExtention);
        converter_->beforePublish = tagHook(pieceIndex, path, &outcome.warnings);
        if (!gains.empty())
            normalised.setGain(gains[std::min(pieceIndex, gains.size() - 1)], limited.truePeakCeiling, channels);
        const int64_t first = framePosition(from), last = framePosition(to);
        Outcome<> result =
            wholeProject ? converter_->startConverterMusic(*source, 0.0f, static_cast<float>(to), 0.0f, 0.0f, path)
                         : converter_->convertFrameRange(*source, first, std::max<int64_t>(last - first, 0), path);
        if (result.ok()) outcome.writtenPaths.push_back(path);
        else outcome.failure = result.failure();
        return result.ok();
    };

    // The pieces of a split export encoded by several workers at once. Names are handed
    // out in piece order first, so the files are those one worker would write; each
    // worker takes the next piece left. A cancel or a failure stops them all, and every
    // file in progress is removed; the failure reported is that of the first piece that
    // failed.
    auto exportInParallel = [&](int32_t jobs) {
        std::vector<std::string> paths;
        for (size_t i = 0; i < pieces.size(); ++i)
            paths.push_back(getOutputPath(request.outputFolder, pieceFileName(i), request.format.pathExtention));
        std::vector<std::optional<Failure>> failures(pieces.size());
        std::vector<char> written(pieces.size(), 0);  // not vector<bool>: each worker writes its own element
        std::vector<std::vector<std::string>> warnings(pieces.size());
        stopPieces_ = operationCancelled_.load();
        {
            std::vector<std::unique_ptr<PieceWorker>> made;
            for (int32_t w = 0; w < jobs; ++w) {
                auto worker = std::make_unique<PieceWorker>(engine_, snapshot.tracks, request.exportChannelType);
                worker->converter.movieFormat = format;
                worker->converter.supportMutilChannels = true;
                worker->converter.operationCancelled = &stopPieces_;
                made.push_back(std::move(worker));
            }
            std::lock_guard<std::mutex> guard(workersLock_);
            workers_ = std::move(made);
        }
        std::atomic<size_t> next{0};
        auto work = [&](PieceWorker& worker) {
            for (size_t i = next++; i < pieces.size() && !stopPieces_; i = next++) {
                worker.converter.beforePublish = tagHook(i, paths[i], &warnings[i]);
                ConverterSampleSource* from = &worker.fold;
                if (!gains.empty()) {
                    worker.normalised.setGain(gains[i], limited.truePeakCeiling, channels);
                    from = &worker.normalised;
                }
                const int64_t first = framePosition(pieces[i].first), last = framePosition(pieces[i].second);
                worker.busy = true;
                Outcome<> result = worker.converter.convertFrameRange(*from, first, std::max<int64_t>(last - first, 0), paths[i]);
                if (result.ok()) {
                    written[i] = 1;
                    ++finishedCount_;
                } else {
                    failures[i] = result.failure();
                    stopPieces_ = true;
                }
                worker.busy = false;
            }
            worker.converter.beforePublish = nullptr;
        };
        std::vector<std::thread> threads;
        for (int32_t w = 1; w < jobs; ++w) threads.emplace_back(work, std::ref(*workers_[static_cast<size_t>(w)]));
        work(*workers_[0]);
        for (std::thread& thread : threads) thread.join();
        {
            std::lock_guard<std::mutex> guard(workersLock_);
            workers_.clear();
        }
        for (size_t i = 0; i < pieces.size(); ++i) {
            if (written[i]) outcome.writtenPaths.push_back(paths[i]);
            outcome.warnings.insert(outcome.warnings.end(), warnings[i].begin(), warnings[i].end());
            if (failures[i] && !failures[i]->cancelled && !outcome.failed()) outcome.failure = failures[i];
        }
        if (!outcome.failure && (operationCancelled_ || std::count(written.begin(), written.end(), 1) < static_cast<std::ptrdiff_t>(pieces.size())))
            outcome.failure = Failure::cancel(request.outputFolder);
    };

    if (tracks <= 0) {
        // Nothing to render: no file at all rather than one no reader opens.
        outcome.failure = Failure::at(request.outputFolder, "the project has no tracks, there is nothing to export");
        totalConvertCount_ = 0;
    } else if (operationCancelled_) {
        outcome.failure = Failure::cancel(request.outputFolder);
    } else if (request.loudness && !normalise()) {
        totalConvertCount_ = 0;
    } else if (!request.convertUseMarker) {
        totalConvertCount_ = 1;
        if (exportSegment(0.0, snapshot.endTime, true)) finishedCount_ = 1;
    } else {
        // Counted as the segments between the markers, as the progress has always counted
        // them; a split that ends early at markers closer than a millisecond writes fewer.
        const size_t marks = snapshot.markerTimes.size();
        totalConvertCount_ = static_cast<int32_t>(marks > 0 ? marks - 1 : 0);
        const int32_t jobs = exportJobs(request.jobs, pieces.size());
        if (jobs > 1) {
            exportInParallel(jobs);
        } else {
            for (; pieceIndex < pieces.size(); ++pieceIndex) {
                if (operationCancelled_) {
                    outcome.failure = Failure::cancel(request.outputFolder);
                    break;
                }
                if (!exportSegment(pieces[pieceIndex].first, pieces[pieceIndex].second, false)) break;
                finishedCount_ = static_cast<int32_t>(pieceIndex + 1);
            }
        }
    }
    converter_->beforePublish = nullptr;
    converter_->chapters.clear();
    normalising_ = false;
    return outcome;
}

void ProjectExporter::tagFile(const ExportRequest& request, const ID3TagInfo& tags, const std::string& temporaryPath,
                              const std::string& path, std::vector<std::string>& warnings) {
    Outcome<Tagging> result = tagWriter_->setId3InfoToOutputPath(temporaryPath, tags, request.format.pathExtention);
    if (result.ok() && *result == Tagging::unsupported) {
        // The file is written; the user hears which of their tags it could not keep (a
        // piece's own number is not theirs).
        const std::string leftOut = request.tags ? setTagNames(*request.tags) : std::string();
        if (!leftOut.empty())
            warnings.push_back(path + ": a ." + request.format.pathExtention +
                                       " file holds no tags; left out: " + leftOut);
        return;
    }
    if (result.ok()) return;
    // The warning names the file as the user will find it.
    std::string error = result.error();
    if (error.compare(0, temporaryPath.size(), temporaryPath) == 0) error = path + error.substr(temporaryPath.size());
    logLine("tag err %s", error.c_str());
    warnings.push_back(error);
}

}  // namespace wavomer
