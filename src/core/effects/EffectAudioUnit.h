// EffectAudioUnit: a processor around one effect unit. loadEffect() finds the
// unit for the dictionary's effect name by the catalogue's type/subtype codes,
// gives it a two-channel float stream at 44100 Hz and this processor's render
// callback, sets every parameter the dictionary names (clamped into the
// catalogue's range) and initialises it. Processing renders slices of at most
// 1024 frames; both input channels carry the same mono block and the left
// output is kept.
//
// Threads: one processor, one thread (see AudioEffectProcessor). Each render
// holds the processor's lock, because the render callback reads audio_data;
// the lock is only ever tried, never waited for: a render that finds it taken
// fails like any other render.
//
// Invariants: isValid() ⇔ a unit is held. audio_samples counts every frame
// rendered since construction or reset(); it is the next render's sample time.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>

#include "effects/AudioEffectProcessor.h"
#include "effects/EffectUnit.h"

namespace wavomer {

class EffectAudioUnit final : public AudioEffectProcessor {
public:
    static constexpr int32_t kSliceFrames = 1024;

    EffectAudioUnit();
    // Wraps a unit made elsewhere (one the component table does not list):
    // sets its stream format and render callback and initialises it.
    explicit EffectAudioUnit(std::unique_ptr<EffectUnit> unit);
    ~EffectAudioUnit() override;
    EffectAudioUnit(const EffectAudioUnit&) = delete;
    EffectAudioUnit& operator=(const EffectAudioUnit&) = delete;

    void loadEffect(const CoderDictionary& info);
    void checkUnitFormat();
    void startEffectAudio();
    void closeEffectAudio();
    bool isValid() const { return effectUnit_ != nullptr; }
    EffectUnit* effectUnit() const { return effectUnit_.get(); }

    bool processAudioChannelSamples(const float* input, int32_t frames, float* output) noexcept override;
    // Renders frames (any count) in slices of at most 1024; output may be input.
    bool processAudioChannelLongSamples(const float* input, int32_t frames, float* output) noexcept;
    // One render of frames ≤ 1024. Leaves output untouched when the render fails.
    bool processAudioChannelSliceSamples(const float* input, int32_t frames, float* output) noexcept;
    void processSlientAudioChannelFrames(int64_t frames) noexcept;

    double effectLatency() const noexcept;
    int32_t maxFramesPerSlice() const noexcept;
    float effectNodeValueForKey(uint32_t parameterId) const noexcept;
    void setEffectNodeValue(float value, uint32_t parameterId) noexcept;

    int32_t latencyFrames() const noexcept override;
    void reset() noexcept override;
    bool processContinuing(EffectInputSource& source, int32_t frames, float* output) noexcept override;

    int64_t audioSamples() const { return audio_samples; }

    // The padding for a latency: the latency in frames rounded to a multiple of 4.
    static int32_t paddingFramesForLatency(double seconds) noexcept;

private:
    static EffectStatus EffectAudioUnitInput(void* context, double sampleTime, uint32_t bus, uint32_t frames,
                                             EffectBufferList& io) noexcept;
    static void fillAudioBuffer(EffectBufferList& list, float* memory, int32_t frames) noexcept;
    void fillDataToAudioBuffer(EffectBufferList& list) noexcept;
    static void copyAudioBufferSamples(const EffectBufferList& list, float* output) noexcept;
    bool createAUNode(uint32_t type, uint32_t subtype);

    std::unique_ptr<EffectUnit> effectUnit_;
    const float* audio_data = nullptr;
    int32_t audio_data_frames = 0;
    int64_t audio_samples = 0;
    std::mutex renderLock_;

    // Scratch of the slices, made once: the render's two output channels, and
    // one slice of input and of output for the padded and streaming paths.
    std::array<float, 2 * kSliceFrames> listMemory_{};
    std::array<float, kSliceFrames> sliceInput_{};
    std::array<float, kSliceFrames> sliceOutput_{};
    // Stream state: whether the stream has begun, and how many rendered
    // frames (the effect's delay) are still to be dropped.
    bool streamStarted_ = false;
    int32_t streamSkip_ = 0;
};

}  // namespace wavomer
