#include "effects/EffectUnit.h"

#include <cmath>
#include <cstring>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

#include "effects/EffectCatalogue.h"

namespace wavomer {

namespace {

// Feedback paths (reverb, filters) decay into subnormal numbers in silence,
// which cost a hundred times a normal operation on x86; a render flushes them.
class SubnormalFlush {
public:
#if defined(__SSE__)
    SubnormalFlush() noexcept : saved_(_mm_getcsr()) { _mm_setcsr(saved_ | 0x8040u); }
    ~SubnormalFlush() { _mm_setcsr(saved_); }

private:
    unsigned saved_;
#endif
};

bool formatSupported(const EffectStreamFormat& f) {
    const uint32_t needed = kEffectFormatFlagIsFloat | kEffectFormatFlagIsNonInterleaved;
    return std::isfinite(f.sampleRate) && f.sampleRate >= 8000.0 && f.sampleRate <= 384000.0 &&
           f.formatID == kEffectFormatLinearPCM && (f.formatFlags & needed) == needed && f.bitsPerChannel == 32 &&
           f.bytesPerFrame == 4 && f.framesPerPacket == 1 && f.bytesPerPacket == 4 && f.channelsPerFrame >= 1 &&
           f.channelsPerFrame <= EffectUnit::kMaxChannels;
}

}  // namespace

void EffectParameters::add(uint32_t id, double minimum, double maximum, double defaultValue) {
    if (contains(id)) return;
    double v = std::fmax(minimum, std::fmin(defaultValue, maximum));
    entries_.push_back(Entry{id, minimum, maximum, static_cast<float>(v)});
}

const EffectParameters::Entry* EffectParameters::find(uint32_t id) const noexcept {
    for (const auto& e : entries_)
        if (e.id == id) return &e;
    return nullptr;
}

float EffectParameters::value(uint32_t id) const noexcept {
    const Entry* e = find(id);
    return e ? e->value : 0.0f;
}

bool EffectParameters::set(uint32_t id, float value) noexcept {
    auto* e = const_cast<Entry*>(find(id));
    if (!e || std::isnan(value)) return false;
    double v = std::fmax(e->minimum, std::fmin(static_cast<double>(value), e->maximum));
    e->value = static_cast<float>(v);
    return true;
}

EffectUnit::EffectUnit(EffectParameters parameters, KernelFactory makeKernel) : parameters_(std::move(parameters)) {
    for (uint32_t c = 0; c < kMaxChannels; ++c) kernels_.push_back(makeKernel());
}

EffectStatus EffectUnit::getStreamFormat(EffectStreamFormat& format) const noexcept {
    format = format_;
    return kEffectNoErr;
}

EffectStatus EffectUnit::setStreamFormat(const EffectStreamFormat& format) noexcept {
    if (initialized_) return kEffectErrInitialized;
    if (!formatSupported(format)) return kEffectErrFormatNotSupported;
    format_ = format;
    return kEffectNoErr;
}

EffectStatus EffectUnit::setRenderCallback(EffectRenderCallback callback, void* context) noexcept {
    callback_ = callback;
    callbackContext_ = context;
    return kEffectNoErr;
}

EffectStatus EffectUnit::initialize() {
    if (initialized_) return kEffectNoErr;
    const uint32_t channels = format_.channelsPerFrame;
    inputMemory_.assign(static_cast<size_t>(channels) * maxFramesPerSlice_, 0.0f);
    inputList_.numberBuffers = channels;
    for (uint32_t c = 0; c < channels; ++c) {
        inputList_.buffers[c] =
            EffectAudioBuffer{1, 0, inputMemory_.data() + static_cast<size_t>(c) * maxFramesPerSlice_};
        kernels_[c]->prepare(format_.sampleRate);
        kernels_[c]->configure(parameters_);
        kernels_[c]->reset();
    }
    parametersChanged_ = false;
    channelsInLockstep_ = true;
    initialized_ = true;
    return kEffectNoErr;
}

EffectStatus EffectUnit::uninitialize() noexcept {
    initialized_ = false;
    return kEffectNoErr;
}

EffectStatus EffectUnit::getParameter(uint32_t id, float& value) const noexcept {
    if (!parameters_.contains(id)) return kEffectErrInvalidParameter;
    value = parameters_.value(id);
    return kEffectNoErr;
}

EffectStatus EffectUnit::setParameter(uint32_t id, float value) noexcept {
    if (!parameters_.set(id, value)) return kEffectErrInvalidParameter;
    parametersChanged_ = true;
    return kEffectNoErr;
}

EffectStatus EffectUnit::getLatency(double& seconds) const noexcept {
    seconds = kernels_[0]->latencySeconds(parameters_, format_.sampleRate);
    return kEffectNoErr;
}

EffectStatus EffectUnit::getMaxFramesPerSlice(uint32_t& frames) const noexcept {
    frames = maxFramesPerSlice_;
    return kEffectNoErr;
}

EffectStatus EffectUnit::render(double sampleTime, uint32_t bus, uint32_t frames, EffectBufferList& output) noexcept {
    if (!initialized_) return kEffectErrUninitialized;
    if (bus != 0) return kEffectErrInvalidBus;
    if (frames > maxFramesPerSlice_) return kEffectErrTooManyFrames;
    if (!callback_) return kEffectErrNoRenderCallback;
    const uint32_t channels = format_.channelsPerFrame;
    const uint32_t bytes = frames * 4;
    if (output.numberBuffers < channels) return kEffectErrInvalidBuffer;
    for (uint32_t c = 0; c < channels; ++c)
        if (!output.buffers[c].data || output.buffers[c].dataByteSize < bytes) return kEffectErrInvalidBuffer;
    if (frames == 0) return kEffectNoErr;

    for (uint32_t c = 0; c < channels; ++c) inputList_.buffers[c].dataByteSize = bytes;
    inputList_.numberBuffers = channels;
    EffectStatus status = callback_(callbackContext_, sampleTime, bus, frames, inputList_);
    if (status != kEffectNoErr) return status;

    SubnormalFlush flush;
    if (parametersChanged_) {
        for (uint32_t c = 0; c < channels; ++c) kernels_[c]->configure(parameters_);
        parametersChanged_ = false;
    }
    const auto n = static_cast<int32_t>(frames);
    if (channels == 2 && channelsInLockstep_ &&
        std::memcmp(inputList_.buffers[0].data, inputList_.buffers[1].data, bytes) == 0) {
        kernels_[0]->process(inputList_.buffers[0].data, output.buffers[0].data, n);
        std::memcpy(output.buffers[1].data, output.buffers[0].data, bytes);
    } else {
        if (channels == 2 && channelsInLockstep_) {
            kernels_[1]->copyStateFrom(*kernels_[0]);
            channelsInLockstep_ = false;
        }
        for (uint32_t c = 0; c < channels; ++c)
            kernels_[c]->process(inputList_.buffers[c].data, output.buffers[c].data, n);
    }
    for (uint32_t c = 0; c < channels; ++c) output.buffers[c].dataByteSize = bytes;
    return kEffectNoErr;
}

EffectStatus EffectUnit::reset() noexcept {
    if (initialized_)
        for (uint32_t c = 0; c < format_.channelsPerFrame; ++c) kernels_[c]->reset();
    channelsInLockstep_ = true;
    return kEffectNoErr;
}

std::unique_ptr<EffectUnit> newEffectUnitInstance(const EffectComponent& component) {
    EffectParameters parameters;
    if (const EffectTypeRow* row = findEffectTypeBySubtype(component.subtype))
        for (const auto& p : row->parameters) parameters.add(p.id, p.minimum, p.maximum, p.defaultValue);
    if (component.addParameters) component.addParameters(parameters);
    return std::make_unique<EffectUnit>(std::move(parameters), component.makeKernel);
}

}  // namespace wavomer
