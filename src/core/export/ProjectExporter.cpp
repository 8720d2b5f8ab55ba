#include "export/ProjectExporter.h"


#include <algorithm>
#include <cmath>

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

ProjectExporter::ProjectExporter(MediaWriterEngine& engine, TagWriter* tagWriter)
    : engine_(engine), tagWriter_(tagWriter), converter_(std::make_unique<MusicConverter>(engine)) {
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
    converter_->cancel();
}

float ProjectExporter::progressValue() const {
    const double progress = converter_->progress();
    if (!splitting_.load()) return static_cast<float>(progress);
    // After the last segment the finished count already includes the current file; the
    // bar never shows more than full.
    const double value = (finishedCount_.load() + progress) / std::max(totalConvertCount_.load(), 1);
    return static_cast<float>(std::min(value, 1.0));
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

    // Tags go into each file before it is put under its name: a file that can be seen
    // is complete, tags and all, and is never rewritten in place.
    std::string segmentPath;
    converter_->beforePublish = nullptr;
    const bool numberTags = request.convertUseMarker && (!request.tags || request.tags->track == 0);
    // A piece whose starting marker has a name takes it as its title.
    auto pieceName = [&](size_t index) -> std::optional<std::string> {
        if (!request.convertUseMarker || index >= snapshot.markerNames.size()) return std::nullopt;
        return snapshot.markerNames[index];
    };
    bool anyNamed = false;
    for (size_t i = 0; i < pieces.size(); ++i) anyNamed = anyNamed || pieceName(i).has_value();
    if (tagWriter_ && (request.tags || numberTags || anyNamed))
        converter_->beforePublish = [&](const std::string& temporaryPath) {
            ID3TagInfo tags = request.tags ? *request.tags : ID3TagInfo();
            if (numberTags) {
                tags.track = static_cast<uint32_t>(pieceIndex + 1);
                tags.totalTrack = static_cast<uint32_t>(pieces.size());
            }
            if (auto name = pieceName(pieceIndex)) tags.title = *name;
            tagFile(request, tags, temporaryPath, segmentPath, outcome);
        };

    // A piece runs from its start marker's frame to the next marker's frame, each frame
    // position computed once from the marker time: the pieces tile the project without
    // a frame repeated or lost. The whole project keeps its last block whole.
    auto exportSegment = [&](double from, double to, bool wholeProject) {
        // Numbered pieces are named after their marker where it has a name.
        const std::optional<std::string> marker = pieceName(pieceIndex);
        const std::string base =
            request.numberPieceNames && marker ? exportBaseName(*marker, request.baseName) : request.baseName;
        const std::string name =
            wholeProject ? request.baseName : pieceBaseName(base, pieceIndex, pieces.size(), request.numberPieceNames);
        const std::string path = getOutputPath(request.outputFolder, name, request.format.pathExtention);
        segmentPath = path;
        const int64_t first = framePosition(from), last = framePosition(to);
        Outcome<> result =
            wholeProject ? converter_->startConverterMusic(audioDataOutput, 0.0f, static_cast<float>(to), 0.0f, 0.0f, path)
                         : converter_->convertFrameRange(audioDataOutput, first, std::max<int64_t>(last - first, 0), path);
        if (result.ok()) outcome.writtenPaths.push_back(path);
        else outcome.failure = result.failure();
        return result.ok();
    };

    if (tracks <= 0) {
        // Nothing to render: no file at all rather than one no reader opens.
        outcome.failure = Failure::at(request.outputFolder, "the project has no tracks, there is nothing to export");
        totalConvertCount_ = 0;
    } else if (operationCancelled_) {
        outcome.failure = Failure::cancel(request.outputFolder);
    } else if (!request.convertUseMarker) {
        totalConvertCount_ = 1;
        if (exportSegment(0.0, snapshot.endTime, true)) finishedCount_ = 1;
    } else {
        // Counted as the segments between the markers, as the progress has always counted
        // them; a split that ends early at markers closer than a millisecond writes fewer.
        const size_t marks = snapshot.markerTimes.size();
        totalConvertCount_ = static_cast<int32_t>(marks > 0 ? marks - 1 : 0);
        for (; pieceIndex < pieces.size(); ++pieceIndex) {
            if (operationCancelled_) {
                outcome.failure = Failure::cancel(request.outputFolder);
                break;
            }
            if (!exportSegment(pieces[pieceIndex].first, pieces[pieceIndex].second, false)) break;
            finishedCount_ = static_cast<int32_t>(pieceIndex + 1);
        }
    }
    converter_->beforePublish = nullptr;
    return outcome;
}

void ProjectExporter::tagFile(const ExportRequest& request, const ID3TagInfo& tags, const std::string& temporaryPath,
                              const std::string& path, ExportReport& outcome) {
    Outcome<Tagging> result = tagWriter_->setId3InfoToOutputPath(temporaryPath, tags, request.format.pathExtention);
    if (result.ok() && *result == Tagging::unsupported) {
        // The file is written; the user hears which of their tags it could not keep (a
        // piece's own number is not theirs).
        const std::string leftOut = request.tags ? setTagNames(*request.tags) : std::string();
        if (!leftOut.empty())
            outcome.warnings.push_back(path + ": a ." + request.format.pathExtention +
                                       " file holds no tags; left out: " + leftOut);
        return;
    }
    if (result.ok()) return;
    // The warning names the file as the user will find it.
    std::string error = result.error();
    if (error.compare(0, temporaryPath.size(), temporaryPath) == 0) error = path + error.substr(temporaryPath.size());
    logLine("tag err %s", error.c_str());
    outcome.warnings.push_back(error);
}

}  // namespace wavomer
