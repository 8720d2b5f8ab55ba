// ProjectExporter: one export of a project, as the window's Export command and the
// command-line tool run it. On a background thread it renders every track (as one
// channel per track, or averaged to stereo or mono) from 0 to the end of the longest
// track into one file (in whole blocks), or into one file per marker segment (exactly
// the frames between its two markers, so the pieces add up to the whole); names the files
// Audio.EXT, Audio_1.EXT, ... never over an existing file; tags each written file;
// and reports progress, which files exist and what failed.
//
// Threads: start(), cancel(), progressValue() and the counters are for the main
// thread (or any thread); the work and the finished callback run on the export
// thread. The snapshot is taken on the main thread before start() (see
// TrackSnapshot), so the export never reads the live model.
//
// Invariants: every path in the outcome names a complete file. A project without
// tracks fails and writes nothing. A failure ends the
// export with a message naming the file; a cancel deletes the file in progress and
// ends the remaining segments; files finished before either stay and are tagged.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "export/FormatCatalogue.h"
#include "export/LoudnessNormaliser.h"
#include "export/MusicConverter.h"
#include "export/TrackSnapshot.h"
#include "model/ID3TagInfo.h"
#include "model/MarkerItem.h"

namespace wavomer {

class MediaWriterEngine;
class TagWriter;
struct PieceWorker;

struct ExportRequest {
    std::string outputFolder;           // selectedOutputDir
    std::string baseName = "Audio";     // the localized "Audio"
    FormatEncoderSettings format;       // from the export options
    int64_t exportChannelType = 0;      // 0 one channel per track, 1 stereo mix, 2 mono mix
    bool convertUseMarker = false;      // split at the markers
    // Split pieces are named "01 Audio.EXT", "02 Audio.EXT", ... (at least two digits).
    bool numberPieceNames = false;
    // 16 or 24: the sample size of the formats that offer one (see offersBitDepth); the
    // others keep their codec's own.
    int32_t bitDepth = 16;
    std::shared_ptr<const ID3TagInfo> tags;  // written into every file; none writes no tags
    // Loudness normalisation: the export is measured first, then gained to the target and
    // held under the ceiling. None writes the fold as it is.
    std::optional<LoudnessTarget> loudness;
    // A single-file export of a project with markers carries a chapter per marker span.
    bool chapters = false;
    // The title of a chapter whose marker has no name; "%1" is its number.
    std::string chapterTitle = "Chapter %1";
    // How many split pieces are encoded at once: 0 for the machine's cores (at most 8),
    // 1 for one after the other. The files are the same either way.
    int32_t jobs = 1;
};

// The pieces encoded at once for a request of `jobs` (see ExportRequest::jobs) and
// `pieces` pieces: at least 1, at most the pieces and 8.
int32_t exportJobs(int32_t jobs, size_t pieces);

// Whether the format stores a sample size the user may choose (FLAC, WAV, AIFF).
bool offersBitDepth(const FormatEncoderSettings& format);
// A file name the user typed, made safe to use as one: '/' becomes '-', blanks around
// are dropped, and an empty or dot-only name becomes fallback.
std::string exportBaseName(const std::string& typed, const std::string& fallback);
// The name of split piece index (0-based) of count: "01 NAME" when numbered, else NAME.
std::string pieceBaseName(const std::string& baseName, size_t index, size_t count, bool numbered);

struct ExportSnapshot;
// The chapters of a single-file export: one per span between consecutive markers (the
// project's start and end included) that is at least a millisecond long, titled by the
// marker that starts it, or by untitled with its number for "%1".
std::vector<MediaChapter> exportChapters(const ExportSnapshot& snapshot, const std::string& untitled);

// What the export renders, taken on the main thread.
struct ExportSnapshot {
    TrackSnapshot tracks;
    // getMarkArrayWihtTrackStartEndTime: 0, the markers in list order, the end.
    std::vector<double> markerTimes;
    // The name of each of markerTimes' markers, where the user gave one.
    std::vector<std::optional<std::string>> markerNames;
    double endTime = 0.0;  // farestTrackEndTime

    static ExportSnapshot take(const std::vector<TrackPtr>& audioTrackArray,
                               const std::vector<MarkerPtr>& markArrayWithTrackStartEndTime, double farestTrackEndTime);
};

// What an export did: the files it completed, and why it stopped when it did not finish
// (a cancel is a failure marked cancelled).
struct ExportReport {
    std::vector<std::string> writtenPaths;  // complete files, in segment order
    std::optional<Failure> failure;         // unset when every file was written
    std::vector<std::string> warnings;      // tags that could not be written, or that the format holds none of
    bool useITunesFormat = false;           // open the files in the audio player instead of revealing them
    bool ok() const { return !failure; }
    bool cancelled() const { return failure && failure->cancelled; }
    bool failed() const { return failure && !failure->cancelled; }
    std::string error() const { return failure ? failure->message() : std::string(); }
};

class ProjectExporter {
public:
    // meters measure the loudness of a normalised export; without them a request for
    // normalisation fails.
    ProjectExporter(MediaWriterEngine& engine, TagWriter* tagWriter, LoudnessMeters* meters = nullptr);
    ~ProjectExporter();  // cancels and waits

    // Starts the export on a new thread; false when one is still running. finished
    // runs on the export thread when it ends (post it to the main thread yourself).
    bool start(ExportRequest request, ExportSnapshot snapshot, std::function<void(const ExportReport&)> finished);
    // The same work on the calling thread.
    ExportReport run(const ExportRequest& request, ExportSnapshot& snapshot);
    // Waits for a started export to end.
    void wait();
    bool isRunning() const { return running_.load(); }

    // The Cancel button: stops after the current block, deletes that file, writes no
    // further segment.
    void cancel();
    // 0 to 1: the current file's progress, or (finished files + progress) / planned
    // files when splitting; a normalised export gives its first fifth to the measuring.
    float progressValue() const;
    int32_t finishedCount() const { return finishedCount_.load(); }
    int32_t totalConvertCount() const { return totalConvertCount_.load(); }

    // folder/N.E, or folder/N_k.E for the first k = 1, 2, ... that neither exists nor
    // was handed out in this export; remembered as handed out.
    std::string getOutputPath(const std::string& folder, const std::string& baseName, const std::string& extension);

private:
    ExportReport runLocked(const ExportRequest& request, ExportSnapshot& snapshot);
    // Measures each stretch [first, last) of frames of the fold in one pass; false when
    // cancelled or when the fold cannot be measured.
    // beforeStretch (may be empty) runs before each stretch is read; progress goes from
    // `from` to `to` of the measuring.
    bool measureStretches(ConverterSampleSource& fold, int32_t channels,
                          const std::vector<std::pair<int64_t, int64_t>>& stretches, std::vector<Loudness>& each,
                          Loudness& all, const std::function<void(size_t)>& beforeStretch, double from, double to);
    void tagFile(const ExportRequest& request, const ID3TagInfo& tags, const std::string& temporaryPath,
                 const std::string& path, std::vector<std::string>& warnings);

    MediaWriterEngine& engine_;
    TagWriter* tagWriter_;
    LoudnessMeters* meters_;
    std::mutex runLock_;  // one export at a time
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<bool> operationCancelled_{false};
    std::atomic<bool> splitting_{false};
    std::atomic<bool> normalising_{false};
    std::atomic<bool> measuring_{false};
    std::atomic<double> measured_{0.0};  // the share of the measuring done
    std::atomic<int32_t> finishedCount_{0};
    std::atomic<int32_t> totalConvertCount_{0};
    std::unique_ptr<MusicConverter> converter_;  // made once, so the progress timer may always read it
    // The workers of a split export encoded in parallel, while it runs.
    mutable std::mutex workersLock_;
    std::vector<std::unique_ptr<PieceWorker>> workers_;
    std::atomic<bool> stopPieces_{false};  // a cancel or a failed piece stops every worker
    std::vector<std::string> usedPaths_;
};

}  // namespace wavomer
