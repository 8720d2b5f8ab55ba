#include "render/PreviewSource.h"

#include <algorithm>
#include <mutex>

namespace wavomer {

PreviewSource::~PreviewSource() { release(); }

void PreviewSource::setSections(std::vector<SectionArray> arrays, int64_t channels) {
    release();
    arrays_ = std::move(arrays);
    currentUsedSection_.assign(arrays_.size(), nullptr);
    channels_.store(std::max<int64_t>(0, channels), std::memory_order_relaxed);
}

double PreviewSource::sectionsDuration() const {
    double total = 0.0;
    if (!arrays_.empty())
        for (const auto& section : arrays_.front()) total += section->sectionDuration();
    return total;
}

void PreviewSource::release() {
    for (auto& section : currentUsedSection_) {
        if (section) section->clearAudioSampleData();
        section = nullptr;
    }
}

int64_t PreviewSource::audioSampleChannels() { return channels_.load(std::memory_order_relaxed); }

int32_t PreviewSource::readSample(float* buffer, int32_t channel, int32_t frames, int64_t offset) {
    if (frames <= 0) return 0;
    std::unique_lock guard(lock_, std::try_to_lock);
    if (!guard.owns_lock() || channel < 0 || static_cast<size_t>(channel) >= arrays_.size()) {
        std::fill(buffer, buffer + frames, 0.0f);
        return 0;
    }
    for (int32_t i = 0; i < frames; ++i) buffer[i] = getSamplePointAtOffset(offset + i, static_cast<size_t>(channel));
    return 0;
}

float PreviewSource::getSamplePointAtOffset(int64_t frame, size_t channel) {
    if (channel >= arrays_.size() || arrays_[channel].empty()) return 0.0f;
    const SectionArray& sections = arrays_[channel];
    const double t = sections.front()->trackStartTime + static_cast<double>(frame) / kFramesPerSecond;
    for (const auto& section : sections) {
        if (section->trackStartTime <= t && t <= section->trackEndTime) {
            SectionPtr& current = currentUsedSection_[channel];
            if (current != section) {
                if (current) current->clearAudioSampleData();
                section->loadAudioSampleData();
                current = section;
            }
            return section->getAudioSamleWithTimeInTrack(t, false) * factor();
        }
    }
    return 0.0f;
}

}  // namespace wavomer
