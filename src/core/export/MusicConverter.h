// MusicConverter: the driver of one export file. It opens a file writer of the media
// engine with the output format, pulls 1024-frame blocks from a sample source (from a
// source item's trim start for its trim duration) and writes them, keeping progress and
// honouring cancel. A whole export writes its last block whole, so the file holds its
// duration rounded up to whole blocks (the rest is the silence past the project end);
// a frame range (a piece of a split export) cuts its last block to the range, so that
// the pieces add up to the whole, frame for frame.
//
// Threads: an export runs on one background thread. progress(), convertingTime() and
// cancel() may be called from any thread (the window's progress timer, its Cancel
// button, a signal handler's thread).
//
// Invariants: a file is either complete at its path or absent. A writer that cannot
// open, start, write or finish fails the file with a message naming it and leaves
// nothing; a cancelled file is deleted (never revealed). The cancel flag is reset at the
// start of every file.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "media/MediaWriter.h"
#include "util/Outcome.h"

namespace wavomer {

class ConverterSampleSource;

// A source item: the source read from trimStart to trimStop (media time), with fades
// that the export leaves at 0.
struct ExportSourceItem {
    ConverterSampleSource* movie = nullptr;
    int64_t trimStart = 0;
    int64_t trimStop = 0;
    int64_t fadeIn = 0;
    int64_t fadeOut = 0;
    int64_t trimDuration() const { return trimStop - trimStart; }
};

class MusicConverter {
public:
    static constexpr int32_t kBlockFrames = 1024;

    // movieFormat := defaultFormat().
    explicit MusicConverter(MediaWriterEngine& engine);

    // Stereo, 44100 Hz, 192 kbit/s, every other field 0.
    TSFFMovieFileOutputFormat defaultFormat() const;

    TSFFMovieFileOutputFormat movieFormat;
    // The writer's input gets the output's channel layout.
    bool supportMutilChannels = false;
    // Given to each file's writer: runs on the complete file before it gets its name.
    TSFFMovieFileOutput::BeforePublish beforePublish;
    // Given to each file's writer before it starts.
    std::vector<MediaChapter> chapters;
    // Seconds of silence written after each source (the export leaves it at 0).
    double gap = 0.0;

    // One source from left to right seconds into a file; the times become media time in
    // single precision, as the window's export always computed them.
    Outcome<> startConverterMusic(ConverterSampleSource& source, float leftTrimTime, float rightTrimTime,
                                      float fadeInTime, float fadeOutTime, const std::string& exportPath);
    Outcome<> exportMovies(const std::vector<ExportSourceItem>& items, const std::string& path);
    // Exactly frameCount frames of the source from startFrame on (44100 Hz frames) into
    // a file: the last block is cut to the count.
    Outcome<> convertFrameRange(ConverterSampleSource& source, int64_t startFrame, int64_t frameCount,
                                    const std::string& path);
    // Opens a writer on path, runs dataAction with it (false: the writer failed), then
    // finishes the file, or drops it when cancelled or failed.
    Outcome<> exportToFile(const std::string& path, const std::function<bool(TSFFMovieFileOutput&)>& dataAction);
    // Reads one block of frames from the item's source into sample.
    bool readMovie(const ExportSourceItem& item, float* sample, int32_t frame, int64_t hasRead, int64_t total);

    double progress() const { return progress_.load(std::memory_order_relaxed); }
    double convertingTime() const { return convertingTime_.load(std::memory_order_relaxed); }
    void cancel() { cancel_.store(true, std::memory_order_relaxed); }
    // Cancelled by cancel() since this file began, or by the whole export's own flag
    // (which survives the reset at the start of each file, so a cancel that lands
    // between two files is not lost).
    bool isCancelled() const {
        return cancel_.load(std::memory_order_relaxed) ||
               (operationCancelled && operationCancelled->load(std::memory_order_relaxed));
    }
    const std::atomic<bool>* operationCancelled = nullptr;

private:
    // Writes total frames read from the source's current position in blocks; the last
    // block whole, or cut to total when cutLastBlock.
    bool writeFrames(TSFFMovieFileOutput& writer, ConverterSampleSource& source, int64_t total, bool cutLastBlock);

    MediaWriterEngine& engine_;
    std::atomic<double> convertingTime_{0.0};
    std::atomic<double> progress_{0.0};
    std::atomic<bool> cancel_{false};
};

}  // namespace wavomer
