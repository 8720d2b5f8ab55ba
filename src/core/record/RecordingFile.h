// RecordingFile: the file a recording is written into, kept safe against a crash.
//
// The file is a WAV of 32-bit float frames at 44100 Hz, one or two channels. Its header
// reserves a JUNK chunk the size of an RF64 "ds64" chunk, so a recording that passes the
// 4 GiB a plain WAV can describe becomes RF64 in place, without moving its data. At
// least once a second the writer rewrites the header for the frames written so far and
// flushes the data to the disk (fdatasync), so a crash loses at most the last second.
// While a recording runs, a small marker file beside it (the recording's path with
// ".recording" appended) says so; a finished recording has none.
//
// At the next start, findUnfinishedRecordings lists the recordings whose marker is
// still there; repairUnfinishedRecording rewrites such a file's header from its length
// (whole frames only) and forgetUnfinishedRecording removes its marker.
//
// Threads: a writer runs its own thread, which does all the file work (creating the
// file and the marker, writing, the header, the flushes, the final close). append is
// called from the capture thread and never waits on the disk; the other calls come
// from one controlling thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "util/Outcome.h"

namespace wavomer {

// The marker beside a recording in progress.
std::string recordingMarkerPath(const std::string& wavPath);

struct UnfinishedRecording {
    std::string path;    // the recording itself
    int channels = 0;
    int64_t frames = 0;  // whole frames held after the repair
    double seconds() const { return static_cast<double>(frames) / 44100.0; }
};

// The recordings in folder whose marker says they were never finished (sorted by name).
std::vector<std::string> findUnfinishedRecordings(const std::string& folder);
// Rewrites the header of an unfinished recording from the file's length (plain WAV or
// RF64 as its size asks) and answers what it holds. The marker stays.
Outcome<UnfinishedRecording> repairUnfinishedRecording(const std::string& wavPath);
// Removes the marker: the recording is finished, or the user let it go.
void forgetUnfinishedRecording(const std::string& wavPath);

class RecordingFileWriter {
public:
    struct Options {
        // Header rewrite and fdatasync at least this often while data arrive.
        double syncSeconds = 1.0;
        // Past this many bytes of data the header becomes RF64 (lowered by the tests).
        uint64_t rf64DataBytes = 0xFFFFFFFFull - 1024;
        // Writes bytes to the file; the tests replace it to make the disk "fill up".
        std::function<long(int fd, const void* data, unsigned long size)> write;
    };

    RecordingFileWriter();
    explicit RecordingFileWriter(Options options);
    ~RecordingFileWriter();  // finishes a running recording
    RecordingFileWriter(const RecordingFileWriter&) = delete;
    RecordingFileWriter& operator=(const RecordingFileWriter&) = delete;

    // Starts the writer's thread, which creates the file and its marker. A file that
    // cannot be created shows as failure() soon after.
    void begin(const std::string& path, int channels);
    // Queues interleaved frames (channels as begun). Never waits on the disk.
    void append(const float* interleaved, int64_t frames);
    // Writes what is queued, the final header, flushes, removes the marker and stops
    // the thread. Answers the first failure, if any; what was written before it stays.
    Outcome<> finish();

    bool isRunning() const { return running_.load(); }
    // Frames in the file so far (written, not merely queued).
    int64_t framesWritten() const { return framesWritten_.load(); }
    // The first failure (the disk is full, the folder cannot be written); set on the
    // writer's thread, after which it drops what arrives.
    std::optional<Failure> failure() const;

private:
    void run(std::string path, int channels);

    Options options_;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::vector<float>> queue_;
    bool finishing_ = false;
    int channels_ = 0;  // of the frames append takes; 0 while none are taken
    std::optional<Failure> failure_;
    std::atomic<bool> running_{false};
    std::atomic<bool> failed_{false};
    std::atomic<int64_t> framesWritten_{0};
};

}  // namespace wavomer
