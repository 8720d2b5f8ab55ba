// AudioWaveData: one source's waveform envelope in memory (200 points per second
// per channel), loaded once from the wave planes of its sample data file and shared
// by every section of that source. AudioWaveDataCache finds the loaded envelope of
// a path so that splitting, copying or reopening sections never loads it twice.
//
// Threads: envelopes are looked up on the main thread; reads of the points may come
// from any thread once loaded (the points never change). The access counter and the
// cache's list are guarded by their own locks.
//
// Invariants: the content stays while any holder holds the object; a read outside a
// channel's points gives 0.0 (never a neighbouring channel's point).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace wavomer {

class AudioSampleData;

class AudioWaveData : public std::enable_shared_from_this<AudioWaveData> {
public:
    static constexpr int32_t kWavePerSecond = 200;
    static constexpr int32_t kMinimumPoints = 100;

    // The shared envelope of path: the cached one, or a newly loaded one that is
    // then cached; nullptr when the file cannot be read.
    static std::shared_ptr<AudioWaveData> waveDataWithPath(const std::string& path);

    void loadWaveDataWithPath(const std::string& path);
    void loadWaveDataWithSampleData(AudioSampleData& sampleData);

    float sampleWaveAtTime(double time, int32_t channel) const;
    // The largest of a channel's points [first, last), clamped to the points it has;
    // 0.0 when none is left. A drawn column covers many points when zoomed out, and a
    // click in any of them must show.
    float peakOfPoints(int64_t first, int64_t last, int32_t channel) const;

    const std::string& path() const { return path_; }
    int32_t channels() const { return channels_; }
    int32_t frames_per_channel() const { return frames_per_channel_; }
    int32_t wave_per_second() const { return wave_per_second_; }
    bool hasData() const { return hasData_.load(); }
    const std::vector<float>& data() const { return data_; }

    // Discardable content: the content is dropped only when no access is open and
    // no holder but the caller (or the cache) keeps the object, so a section never
    // loses the envelope it draws from. A discarded envelope answers 0.0 and is
    // never reloaded; the next lookup of its path loads a fresh one.
    bool beginContentAccess();
    void endContentAccess();
    void discardContentIfPossible();
    bool isContentDiscarded() const;

private:
    // The largest point of each run of kPeakBlock points, channel after channel, so that
    // the peak of a long span reads one value per run instead of every point.
    static constexpr int64_t kPeakBlock = 64;
    std::vector<float> blockPeaks_;
    int64_t blocksPerChannel_ = 0;

    std::string path_;
    std::vector<float> data_;
    std::atomic<bool> hasData_{false};
    int32_t channels_ = 0;
    int32_t frames_per_channel_ = 0;
    int32_t wave_per_second_ = kWavePerSecond;
    mutable std::mutex lock_;
    int32_t discard_content_counter = 0;
};

class AudioWaveDataCache {
public:
    static AudioWaveDataCache& share();

    // The first cached envelope of exactly this path whose content is present.
    std::shared_ptr<AudioWaveData> findWaveByPath(const std::string& path);
    void addWaveData(const std::shared_ptr<AudioWaveData>& waveData);
    size_t count();
    // Tests start from an empty cache.
    void removeAll();

private:
    std::mutex lock_;
    std::vector<std::shared_ptr<AudioWaveData>> caches;
};

}  // namespace wavomer
