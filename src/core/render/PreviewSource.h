// PreviewSource: what the fade, volume and effect panels play while they are open.
// Channel c plays the c-th list of the selected sections (one list per selected
// track that has sections in the range) from that list's first section on; frame n
// is the timeline time firstSection.trackStartTime + n / 44100, read through the
// section that covers it (so its fade, volume and current effect apply) and scaled
// by the panel's factor. A time in a gap, and a selected track without sections
// (there can be fewer lists than channels), play silence.
//
// Threads: setSections, setFactor and release run on the main thread; the reads run
// on the preview player's thread. A read try-locks the project lock like the
// timeline's and answers silence for a block while the main thread holds it; the
// panel replaces the lists only while holding that lock (or before playing).
//
// Invariants: each channel keeps the sample data of the one section it reads loaded
// (its currentUsedSection) and releases it when it moves on, so a section's open
// file and effect state belong to one reader; nothing here allocates while reading.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "model/AudioSection.h"
#include "model/ProjectLock.h"
#include "render/SourceChannelProvider.h"

namespace wavomer {

class PreviewSource final : public SourceChannelProvider {
public:
    static constexpr double kFramesPerSecond = 44100.0;

    explicit PreviewSource(ProjectLock& lock) : lock_(lock) {}
    ~PreviewSource() override;

    // The panel's sectionArrayArray and the number of selected tracks.
    void setSections(std::vector<SectionArray> arrays, int64_t channels);
    // The volume panel's slideValue; 1 for the fade and effect panels.
    void setFactor(float factor) noexcept { factor_.store(factor, std::memory_order_relaxed); }
    float factor() const noexcept { return factor_.load(std::memory_order_relaxed); }
    // The sum of sectionDuration over the first list: how long the preview runs.
    double sectionsDuration() const;
    // Releases the sample data the reads loaded (the panel closes).
    void release();

    int64_t audioSampleChannels() override;
    int32_t readSample(float* buffer, int32_t channel, int32_t frames, int64_t offset) override;
    // One value, for a caller that holds the project lock or owns the sections.
    float getSamplePointAtOffset(int64_t frame, size_t channel);

    const std::vector<SectionArray>& sectionArrayArray() const { return arrays_; }

private:
    ProjectLock& lock_;
    std::vector<SectionArray> arrays_;
    std::vector<SectionPtr> currentUsedSection_;  // one per list
    std::atomic<int64_t> channels_{0};
    std::atomic<float> factor_{1.0f};
};

}  // namespace wavomer
