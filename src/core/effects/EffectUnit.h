// EffectUnit: one instance of an effect unit, the program's own stand-in for a
// platform audio effect component. A unit is found by its type/subtype code
// (findEffectComponent), made (newEffectUnitInstance), given a stream format and
// a render callback through which it pulls its input, initialised, and then
// rendered in slices of at most maxFramesPerSlice frames. Parameters are set and
// read by the catalogue's ids; the unit clamps them into their ranges. Its
// latency property says how far its output lags its input.
//
// Threads: a unit belongs to one processor and is configured and rendered on
// that processor's thread. render() and reset() are noexcept and allocate
// nothing; initialize() allocates.
//
// Invariants: every member answers a status code, kEffectNoErr on success; the
// stream format can change only while the unit is not initialised.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "effects/EffectKernel.h"

namespace wavomer {

using EffectStatus = int32_t;
constexpr EffectStatus kEffectNoErr = 0;
constexpr EffectStatus kEffectErrInvalidParameter = -10;
constexpr EffectStatus kEffectErrFormatNotSupported = -11;
constexpr EffectStatus kEffectErrUninitialized = -12;
constexpr EffectStatus kEffectErrInitialized = -13;
constexpr EffectStatus kEffectErrTooManyFrames = -14;
constexpr EffectStatus kEffectErrNoRenderCallback = -15;
constexpr EffectStatus kEffectErrInvalidBuffer = -16;
constexpr EffectStatus kEffectErrInvalidBus = -17;

constexpr uint32_t kEffectFormatLinearPCM = 0x6c70636d;  // 'lpcm'
constexpr uint32_t kEffectFormatFlagIsFloat = 1u;
constexpr uint32_t kEffectFormatFlagIsPacked = 8u;
constexpr uint32_t kEffectFormatFlagIsNonInterleaved = 32u;

struct EffectStreamFormat {
    double sampleRate = 44100.0;
    uint32_t formatID = kEffectFormatLinearPCM;
    uint32_t formatFlags = kEffectFormatFlagIsFloat | kEffectFormatFlagIsPacked | kEffectFormatFlagIsNonInterleaved;
    uint32_t bytesPerPacket = 4;
    uint32_t framesPerPacket = 1;
    uint32_t bytesPerFrame = 4;
    uint32_t channelsPerFrame = 2;
    uint32_t bitsPerChannel = 32;
};

// One non-interleaved channel buffer.
struct EffectAudioBuffer {
    uint32_t numberChannels = 1;
    uint32_t dataByteSize = 0;
    float* data = nullptr;
};

// A fixed-capacity buffer list (the units handle mono and stereo).
struct EffectBufferList {
    static constexpr uint32_t kMaxBuffers = 2;
    uint32_t numberBuffers = 0;
    EffectAudioBuffer buffers[kMaxBuffers];
};

// Fills io (buffers sized frames × 4 bytes each) with the unit's input for the
// render that starts at sampleTime.
using EffectRenderCallback = EffectStatus (*)(void* context, double sampleTime, uint32_t bus, uint32_t frames,
                                              EffectBufferList& io) noexcept;

class EffectUnit {
public:
    static constexpr uint32_t kDefaultMaxFramesPerSlice = 1024;
    static constexpr uint32_t kMaxChannels = EffectBufferList::kMaxBuffers;

    using KernelFactory = std::function<std::unique_ptr<EffectKernel>()>;
    EffectUnit(EffectParameters parameters, KernelFactory makeKernel);

    EffectStatus getStreamFormat(EffectStreamFormat& format) const noexcept;
    EffectStatus setStreamFormat(const EffectStreamFormat& format) noexcept;
    EffectStatus setRenderCallback(EffectRenderCallback callback, void* context) noexcept;
    EffectStatus initialize();
    EffectStatus uninitialize() noexcept;
    bool isInitialized() const noexcept { return initialized_; }

    EffectStatus getParameter(uint32_t id, float& value) const noexcept;
    EffectStatus setParameter(uint32_t id, float value) noexcept;
    const EffectParameters& parameters() const noexcept { return parameters_; }

    EffectStatus getLatency(double& seconds) const noexcept;
    EffectStatus getMaxFramesPerSlice(uint32_t& frames) const noexcept;

    // Pulls frames of input through the render callback and writes the
    // processed channels into output (one buffer per channel, frames × 4 bytes).
    EffectStatus render(double sampleTime, uint32_t bus, uint32_t frames, EffectBufferList& output) noexcept;
    // Forgets all signal history.
    EffectStatus reset() noexcept;

private:
    EffectParameters parameters_;
    bool parametersChanged_ = true;
    EffectStreamFormat format_;
    EffectRenderCallback callback_ = nullptr;
    void* callbackContext_ = nullptr;
    bool initialized_ = false;
    uint32_t maxFramesPerSlice_ = kDefaultMaxFramesPerSlice;
    std::vector<std::unique_ptr<EffectKernel>> kernels_;  // kMaxChannels, made at construction
    std::vector<float> inputMemory_;                      // kMaxChannels × maxFramesPerSlice
    EffectBufferList inputList_;
    // While every channel has had the same input since the last reset, the
    // kernels' states are equal too and one kernel's work serves all channels.
    bool channelsInLockstep_ = true;
};

// A unit the program can make: its codes and how to make its kernel.
struct EffectComponent {
    uint32_t type;
    uint32_t subtype;
    uint32_t manufacturer;
    std::unique_ptr<EffectKernel> (*makeKernel)();
    // Parameters beyond the catalogue's rows (nullptr when there are none).
    void (*addParameters)(EffectParameters& parameters);
};

constexpr uint32_t kEffectManufacturer = 0x77766d72;  // 'wvmr': the program's own units

// The first component with that type, subtype and manufacturer; nullptr when none.
const EffectComponent* findEffectComponent(uint32_t type, uint32_t subtype, uint32_t manufacturer) noexcept;
// A new, uninitialised instance of the component, its parameters at their defaults.
std::unique_ptr<EffectUnit> newEffectUnitInstance(const EffectComponent& component);

}  // namespace wavomer
