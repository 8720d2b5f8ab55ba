#include "timeline/RowHeightCache.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "model/AudioTrack.h"

namespace wavomer::app {

namespace {

// FNV-1a over the bytes of each field.
struct Hasher {
    uint64_t value = 1469598103934665603ull;
    void bytes(const void* data, std::size_t size) {
        const auto* p = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i) {
            value ^= p[i];
            value *= 1099511628211ull;
        }
    }
    template <typename T>
    void add(const T& field) {
        bytes(&field, sizeof field);
    }
};

}  // namespace

uint64_t rowSignature(const AudioTrack& track) {
    Hasher h;
    const SectionArray& sections = track.sectionArray();
    h.add(sections.size());
    for (const SectionPtr& section : sections) {
        const AudioSection& s = *section;
        const void* identity = section.get();
        h.add(identity);
        h.add(s.channel);
        h.add(s.startTime);
        h.add(s.endTime);
        h.add(s.trackStartTime);
        h.add(s.trackEndTime);
        h.add(s.isMute);
        h.add(s.fadeMode);
        h.add(s.customFadeStart);
        h.add(s.customFadeStop);
        h.add(s.fadeStartTimeOffset);
        h.add(s.fadeDuration);
        h.add(s.volumeValue);
        h.add(s.isBlankSection);
        h.add(s.isNoiseSection);
        const bool hasEffect = s.effectDic.has_value();
        h.add(hasEffect);
        if (s.audioPath) h.bytes(s.audioPath->data(), s.audioPath->size());
    }
    return h.value;
}

const double* RowHeightCache::heights(std::size_t row, const RowCacheKey& key, int64_t first, int64_t count,
                                      const Compute& compute) {
    if (count <= 0) return nullptr;
    if (rows_.size() <= row) rows_.resize(row + 1);
    Entry& entry = rows_[row];
    const int64_t last = first + count;
    const int64_t cachedLast = entry.first + static_cast<int64_t>(entry.values.size());
    const bool usable = entry.valid && entry.key == key && first <= cachedLast && last >= entry.first &&
                        std::max(last, cachedLast) - std::min(first, entry.first) <= kMaxColumns;
    if (!usable) {
        entry.key = key;
        entry.first = first;
        entry.values.clear();
        compute(first, count, entry.values);
        entry.values.resize(static_cast<std::size_t>(count));
        entry.valid = true;
        computed_ += count;
        return entry.values.data();
    }
    // Extend the cached run to the left and to the right by the missing columns only.
    if (first < entry.first) {
        const int64_t missing = entry.first - first;
        compute(first, missing, scratch_);
        scratch_.resize(static_cast<std::size_t>(missing));
        entry.values.insert(entry.values.begin(), scratch_.begin(), scratch_.end());
        entry.first = first;
        computed_ += missing;
    }
    const int64_t end = entry.first + static_cast<int64_t>(entry.values.size());
    if (last > end) {
        const int64_t missing = last - end;
        compute(end, missing, scratch_);
        scratch_.resize(static_cast<std::size_t>(missing));
        entry.values.insert(entry.values.end(), scratch_.begin(), scratch_.end());
        computed_ += missing;
    }
    return entry.values.data() + (first - entry.first);
}

void RowHeightCache::invalidate() {
    for (Entry& entry : rows_) {
        entry.valid = false;
        entry.values.clear();
        entry.values.shrink_to_fit();
    }
}

}  // namespace wavomer::app
