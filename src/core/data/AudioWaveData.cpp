#include "data/AudioWaveData.h"

#include <algorithm>
#include <cmath>

#include "data/AudioSampleData.h"

namespace wavomer {

std::shared_ptr<AudioWaveData> AudioWaveData::waveDataWithPath(const std::string& path) {
    AudioWaveDataCache& cache = AudioWaveDataCache::share();
    if (auto hit = cache.findWaveByPath(path)) return hit;
    auto wave = std::make_shared<AudioWaveData>();
    wave->loadWaveDataWithPath(path);
    if (!wave->hasData()) return nullptr;
    cache.addWaveData(wave);
    // Another thread may have loaded the same path meanwhile: hand out the one
    // the cache kept so that every section of the source shares it.
    if (auto kept = cache.findWaveByPath(path)) return kept;
    return wave;
}

void AudioWaveData::loadWaveDataWithPath(const std::string& path) {
    auto sampleData = AudioSampleData::dataForReadingAtPath(path);
    if (sampleData) loadWaveDataWithSampleData(*sampleData);
}

void AudioWaveData::loadWaveDataWithSampleData(AudioSampleData& sampleData) {
    const double duration = sampleData.duration();
    const int32_t channels = sampleData.channels();
    double wanted = std::max(duration * kWavePerSecond, double(kMinimumPoints));
    // An absurd header must not make us allocate the world.
    const int32_t points = static_cast<int32_t>(std::min(wanted, 200.0 * 3600 * 24));
    std::vector<float> data;
    data.reserve(static_cast<size_t>(channels) * static_cast<size_t>(points));
    const int32_t filePointsPerSecond = sampleData.wavPointsPerSecond();
    std::vector<float> plane(static_cast<size_t>(points));
    for (int32_t c = 0; c < channels; ++c) {
        if (filePointsPerSecond == kWavePerSecond) {
            // Point j of the envelope is point j of the file: read the plane at once.
            sampleData.readWave(plane.data(), c, points, 0);
            data.insert(data.end(), plane.begin(), plane.end());
        } else {
            for (int32_t j = 0; j < points; ++j)
                data.push_back(sampleData.sampleWaveAtTime(j / double(kWavePerSecond), c));
        }
    }
    const int64_t blocks = (static_cast<int64_t>(points) + kPeakBlock - 1) / kPeakBlock;
    std::vector<float> peaks(static_cast<size_t>(blocks * std::max(channels, 0)), 0.0f);
    for (int64_t c = 0; c < channels; ++c)
        for (int64_t b = 0; b < blocks; ++b) {
            const auto from = data.begin() + c * points + b * kPeakBlock;
            const auto to = data.begin() + c * points + std::min<int64_t>((b + 1) * kPeakBlock, points);
            peaks[static_cast<size_t>(c * blocks + b)] = *std::max_element(from, to);
        }
    std::lock_guard<std::mutex> guard(lock_);
    wave_per_second_ = kWavePerSecond;
    channels_ = channels;
    frames_per_channel_ = points;
    blockPeaks_ = std::move(peaks);
    blocksPerChannel_ = blocks;
    data_ = std::move(data);
    hasData_ = true;
    path_ = sampleData.path();
}

float AudioWaveData::sampleWaveAtTime(double time, int32_t channel) const {
    if (!hasData_.load() || channel < 0 || channel >= channels_) return 0.0f;
    double index = std::round(time * wave_per_second_);
    if (!(index >= 0.0) || index >= frames_per_channel_) return 0.0f;
    return data_[static_cast<size_t>(index) + static_cast<size_t>(channel) * frames_per_channel_];
}

float AudioWaveData::peakOfPoints(int64_t first, int64_t last, int32_t channel) const {
    if (!hasData_.load() || channel < 0 || channel >= channels_) return 0.0f;
    first = std::max<int64_t>(first, 0);
    last = std::min<int64_t>(last, frames_per_channel_);
    if (last <= first) return 0.0f;
    const float* points = data_.data() + static_cast<size_t>(channel) * static_cast<size_t>(frames_per_channel_);
    const float* blocks = blockPeaks_.data() + static_cast<size_t>(channel) * static_cast<size_t>(blocksPerChannel_);
    float peak = 0.0f;
    // The points before the first whole block, the whole blocks, the points after them.
    const int64_t wholeFrom = (first + kPeakBlock - 1) / kPeakBlock, wholeTo = last / kPeakBlock;
    if (wholeFrom >= wholeTo) {
        for (int64_t i = first; i < last; ++i) peak = std::max(peak, points[i]);
        return peak;
    }
    for (int64_t i = first; i < wholeFrom * kPeakBlock; ++i) peak = std::max(peak, points[i]);
    for (int64_t b = wholeFrom; b < wholeTo; ++b) peak = std::max(peak, blocks[b]);
    for (int64_t i = wholeTo * kPeakBlock; i < last; ++i) peak = std::max(peak, points[i]);
    return peak;
}

bool AudioWaveData::beginContentAccess() {
    std::lock_guard<std::mutex> guard(lock_);
    ++discard_content_counter;
    return hasData_;
}

void AudioWaveData::endContentAccess() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        --discard_content_counter;
    }
    discardContentIfPossible();
}

void AudioWaveData::discardContentIfPossible() {
    std::lock_guard<std::mutex> guard(lock_);
    if (discard_content_counter > 0) return;
    // Holders are the cache and the sections; one holder left is the caller or
    // the cache alone. The points stay allocated (a reader on another thread may
    // be indexing them); hasData_ makes every read answer 0.0 from now on.
    if (weak_from_this().use_count() > 1) return;
    hasData_ = false;
}

bool AudioWaveData::isContentDiscarded() const { return !hasData_.load(); }

AudioWaveDataCache& AudioWaveDataCache::share() {
    static AudioWaveDataCache instance;
    return instance;
}

std::shared_ptr<AudioWaveData> AudioWaveDataCache::findWaveByPath(const std::string& path) {
    std::lock_guard<std::mutex> guard(lock_);
    for (const auto& wave : caches)
        if (wave->hasData() && wave->path() == path) return wave;
    return nullptr;
}

void AudioWaveDataCache::addWaveData(const std::shared_ptr<AudioWaveData>& waveData) {
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<std::shared_ptr<AudioWaveData>> kept;
    kept.reserve(caches.size() + 1);
    for (const auto& wave : caches)
        if (wave->hasData()) kept.push_back(wave);
    bool present = std::any_of(kept.begin(), kept.end(), [&](const auto& w) { return w == waveData; });
    bool samePath = std::any_of(kept.begin(), kept.end(), [&](const auto& w) { return w->path() == waveData->path(); });
    if (!present && !samePath) kept.push_back(waveData);
    caches = std::move(kept);
}

size_t AudioWaveDataCache::count() {
    std::lock_guard<std::mutex> guard(lock_);
    return caches.size();
}

void AudioWaveDataCache::removeAll() {
    std::lock_guard<std::mutex> guard(lock_);
    caches.clear();
}

}  // namespace wavomer
