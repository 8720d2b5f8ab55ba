// AudioSampleData: the sample data file, the decoded cache every source is read
// from. A 4096-byte header page (magic, channel count, frames per channel, sample
// rate, envelope points per second), then one page-rounded plane of 32-bit float
// samples per channel, then one page-rounded plane of envelope points per channel
// (200 per second). Planes start on page boundaries so any frame of any channel is
// one multiplication away, with no decoding.
//
// Threads: one object is used by one thread at a time (the import thread while
// writing, the audio reader for sections, the main thread for envelopes). Several
// objects may read the same file at once.
//
// Invariants: a file is opened for reading or for writing, never both. A written
// file is complete (envelope and header) only after closeData(); if any write
// failed, closeData() removes the file and answers false. Reads outside a
// channel's frames (or its envelope points) give 0.0.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace wavomer {

class AudioSampleData {
public:
    static constexpr uint32_t kMagic = 0x83626181u;
    static constexpr int64_t kPageSize = 4096;
    static constexpr int32_t kDefaultSampleRate = 44100;
    static constexpr int32_t kDefaultWavePointsPerSecond = 200;
    enum DataType : int32_t { kSampleData = 1, kWaveData = 2 };

    ~AudioSampleData();
    AudioSampleData(const AudioSampleData&) = delete;
    AudioSampleData& operator=(const AudioSampleData&) = delete;

    static std::unique_ptr<AudioSampleData> dataForWritingAtPath(const std::string& path);
    static std::unique_ptr<AudioSampleData> dataForReadingAtPath(const std::string& path);
    // nullptr when the file could not be opened.
    static std::unique_ptr<AudioSampleData> dataPath(const std::string& path, bool read);

    void openData();
    // Closes the file; in write mode first writes the envelope and the header.
    // Answers false when a written file could not be completed (it is then removed).
    bool closeData();

    const std::string& path() const { return path_; }
    bool isReadMode() const { return isReadMode_ != 0; }
    int fd() const { return fd_for_path; }
    int32_t channels() const { return nb_channels_streams; }
    void setChannels(int32_t channels) { nb_channels_streams = channels; }
    int64_t framePerChannel() const { return frame_per_channels; }
    void setFramePerChannel(int64_t frames) { frame_per_channels = frames; }
    int32_t sampleRate() const { return sample_rate; }
    int32_t wavPointsPerSecond() const { return sample_points_per_second; }
    double duration() const;
    // True when the file opened for reading starts with a valid header.
    bool hasValidHeader() const { return headerValid_; }

    // Plane sizes in bytes: S and W of the layout.
    int64_t sampleDataSizePerChannel() const;
    int64_t waveDataSizePerChannel() const;
    int64_t offsetForChannel(int32_t channel, int32_t dataType) const;

    int32_t readSample(float* buffer, int32_t channel, int32_t frames, int64_t offset);
    int32_t writeSample(const float* buffer, int32_t channel, int32_t frames, int64_t offset);
    // Envelope points of a channel; points the file holds no room for (the end of
    // every channel but the last) are computed from the channel's samples.
    int32_t readWave(float* buffer, int32_t channel, int32_t frames, int64_t offset);
    float sampleWaveAtTime(double time, int32_t channel);

    // The byte-level transfers under the reads and writes above.
    int32_t read_or_write(bool read, float* buffer, int32_t channel, int32_t frames, int64_t offset,
                          int32_t dataType);
    int32_t read_or_write_bytes(bool read, void* buffer, int64_t size, int64_t position);
    int32_t buffer_read(void* buffer, int64_t len, int64_t position);

    void generateSampleWavePoints();
    static float findSampleLevel(const float* values, int32_t count);
    // findSampleLevel's running level carried over more values: the level of a run
    // is foldSampleLevel(0, run) however the run is cut into pieces.
    static double foldSampleLevel(double level, const float* values, int32_t count);

    // Write mode: a channel's envelope made while its samples were written (by a
    // WavePointBuilder fed every sample of the channel's plane), written by closeData
    // instead of being read back from the plane. Ignored unless it holds exactly the
    // points of the channel's started seconds.
    void setWrittenEnvelope(int32_t channel, std::vector<float> points);

    // Writers that learn the real length only while decoding: makes room for
    // `frames` frames per channel, moving the sample planes of the first
    // `channelsWithData` channels to their new places. Sets framePerChannel.
    // The planes are brought back to the exact layout when the file is closed.
    bool reserveFramesPerChannel(int64_t frames, int32_t channelsWithData);
    // Room, in frames, of each sample plane while writing.
    int64_t reservedFramesPerChannel() const { return samplePlaneStride() / 4; }

    // Write mode: starts writing what was written so far to the disk, without waiting
    // for it, so that the flush of a finished file has little left to do.
    void startWriteBack();

    // True once any write failed (disk full, I/O error).
    bool hasWriteError() const { return writeError_; }
    const std::string& writeErrorText() const { return writeErrorText_; }

private:
    AudioSampleData() = default;
    int64_t samplePlaneStride() const;
    // Envelope points that belong to the channel (its plane, and for the last
    // channel the points of a started last second written past the planes).
    int64_t wavePointsOfChannel(int32_t channel) const;
    // Envelope point `index` of a channel from its samples, as the writer makes it.
    float computeWavePoint(int32_t channel, int64_t index, std::vector<float>& window);
    bool movePlanes(int64_t oldStride, int64_t newStride, int32_t channelsWithData);
    enum class Shift { done, unsupported, failed };
    Shift shiftPlanesInPlace(int64_t oldStride, int64_t newStride, int32_t channelsWithData);
    void noteWriteError(const char* what);

    std::string path_;
    int32_t isReadMode_ = 1;
    int fd_for_path = -1;
    int32_t sample_rate = kDefaultSampleRate;
    int32_t sample_points_per_second = kDefaultWavePointsPerSecond;
    int32_t nb_channels_streams = 0;
    int64_t frame_per_channels = 0;
    std::unique_ptr<uint8_t[]> data_buffer;
    int64_t data_buffer_offset = 0;
    // Read mode: the window that serves consecutive reads of a few pages.
    static constexpr int64_t kStreamWindowBytes = 64 * 1024;
    std::unique_ptr<uint8_t[]> streamWindow_;
    int64_t streamWindowOffset_ = 0;
    int64_t streamWindowLength_ = 0;
    void dropReadBuffers();
    // Write mode: samples written one after another gather in runs that end on
    // kRunBytes boundaries of the file and are written whole; only what waits for the
    // rest of its run is copied, the bytes that complete it go out with it as they
    // stand. The page cache keeps whole aligned runs in pages of that size, which
    // costs the kernel little more than half the time that unaligned writes of the
    // same bytes, kept in single pages, cost it. Larger runs save a little more but
    // take pages the kernel keeps no cache of, whose first touch costs more than the
    // saving inside a virtual machine.
    static constexpr int64_t kRunBytes = 32 * 1024;
    static constexpr size_t kMaxRuns = 16;
    struct PendingRun {
        int64_t position = 0;  // where the run's bytes go in the file
        int64_t length = 0;    // bytes gathered, never past the next kRunBytes boundary
        uint64_t lastUse = 0;
        std::unique_ptr<uint8_t[]> bytes;
    };
    std::vector<PendingRun> runs_;
    uint64_t runClock_ = 0;
    void writeSampleBytes(const uint8_t* bytes, int64_t size, int64_t position);
    void flushRun(PendingRun& run);
    void flushRuns();
    int64_t reservedStride_ = -1;  // write mode: plane stride while the length grows
    bool headerValid_ = false;
    bool writeError_ = false;
    std::string writeErrorText_;
    std::vector<std::vector<float>> writtenEnvelopes_;
};

// The envelope of one channel made as its samples go by, point for point what
// AudioSampleData::generateSampleWavePoints computes from the finished plane: each
// second's points are the levels of its windows (samples past the end read as 0).
class WavePointBuilder {
public:
    explicit WavePointBuilder(int32_t sampleRate = AudioSampleData::kDefaultSampleRate,
                              int32_t pointsPerSecond = AudioSampleData::kDefaultWavePointsPerSecond);
    // The channel's next `count` samples.
    void feed(const float* values, int64_t count);
    // Samples fed so far.
    int64_t fed() const { return fed_; }
    // Points made so far.
    size_t points() const { return points_.size(); }
    // The points of a channel `frames` long (every started second's); the samples fed
    // past `frames` must be 0.
    std::vector<float> finish(int64_t frames);
    // Takes over the points of the samples that follow, made by a builder of the same
    // rate fed from the start of a second; this one must have been fed whole seconds.
    // False, with neither changed, where they do not fit together.
    bool append(WavePointBuilder&& next);

private:
    // Makes the points of the N windows that start at values (the window now filling
    // starts there), where they are as long as length and all given.
    template <int N>
    bool foldWindows(const float* values, int64_t count, int32_t length);

    int32_t rate_;
    int32_t perSecond_;
    double step_;
    int32_t offset_ = 0;  // within the second
    int32_t point_ = 0;   // the second's window now filling
    double level_ = 0.0;
    int64_t fed_ = 0;
    std::vector<float> points_;
};

}  // namespace wavomer
