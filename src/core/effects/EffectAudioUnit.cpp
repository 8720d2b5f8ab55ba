#include "effects/EffectAudioUnit.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "effects/EffectCatalogue.h"
#include "util/Log.h"

namespace wavomer {

namespace {
constexpr double kProcessingRate = 44100.0;
// Beyond any latency a unit could sensibly report (10 s).
constexpr int32_t kMaxPaddingFrames = 441000;
}  // namespace

EffectAudioUnit::EffectAudioUnit() = default;

EffectAudioUnit::EffectAudioUnit(std::unique_ptr<EffectUnit> unit) : effectUnit_(std::move(unit)) {
    if (effectUnit_) checkUnitFormat();
    if (effectUnit_) startEffectAudio();
}

EffectAudioUnit::~EffectAudioUnit() { closeEffectAudio(); }

bool EffectAudioUnit::createAUNode(uint32_t type, uint32_t subtype) {
    const EffectComponent* component = findEffectComponent(type, subtype, kEffectManufacturer);
    if (!component) return false;
    effectUnit_ = newEffectUnitInstance(*component);
    return effectUnit_ != nullptr;
}

void EffectAudioUnit::loadEffect(const CoderDictionary& info) {
    std::string name;
    if (auto it = info.find("name"); it != info.end()) it->second.asString(name);
    const EffectTypeRow* row = findEffectType(name);
    if (!row) return;
    closeEffectAudio();
    createAUNode(row->type, row->subtype);
    if (effectUnit_) checkUnitFormat();
    if (effectUnit_) {
        for (const EffectParameterRow& parameter : row->parameters) {
            auto it = info.find(parameter.name);
            double v = 0.0;
            if (it == info.end() || !it->second.asDouble(v)) continue;
            v = std::min(v, parameter.maximum);
            v = std::max(v, parameter.minimum);
            v /= parameter.divisor;
            setEffectNodeValue(static_cast<float>(v), parameter.id);
        }
        startEffectAudio();
    }
}

void EffectAudioUnit::checkUnitFormat() {
    if (!effectUnit_) return;
    EffectStreamFormat current;
    bool ok = effectUnit_->getStreamFormat(current) == kEffectNoErr;
    if (ok) {
        EffectStreamFormat format;
        format.sampleRate = kProcessingRate;
        format.formatID = kEffectFormatLinearPCM;
        format.formatFlags = 41;  // float, packed, non-interleaved
        format.bytesPerPacket = 4;
        format.framesPerPacket = 1;
        format.bytesPerFrame = 4;
        format.channelsPerFrame = 2;
        format.bitsPerChannel = 32;
        ok = effectUnit_->setStreamFormat(format) == kEffectNoErr;
    }
    if (ok) ok = effectUnit_->setRenderCallback(&EffectAudioUnit::EffectAudioUnitInput, this) == kEffectNoErr;
    if (!ok) closeEffectAudio();
}

void EffectAudioUnit::startEffectAudio() {
    if (!effectUnit_) return;
    EffectStatus status = effectUnit_->initialize();
    if (status != kEffectNoErr) logLine("effect err %d", status);
}

void EffectAudioUnit::closeEffectAudio() {
    std::unique_ptr<EffectUnit> unit = std::move(effectUnit_);
    effectUnit_ = nullptr;
    if (unit) unit->uninitialize();
}

int32_t EffectAudioUnit::paddingFramesForLatency(double seconds) noexcept {
    if (!(seconds > 0.0)) return 0;
    double frames = std::trunc(kProcessingRate * seconds);
    if (!(frames < kMaxPaddingFrames)) return kMaxPaddingFrames;
    auto padding = 4 * static_cast<int32_t>(std::trunc((frames + 2.0) / 4.0));
    return std::max(padding, 0);
}

int32_t EffectAudioUnit::latencyFrames() const noexcept { return paddingFramesForLatency(effectLatency()); }

bool EffectAudioUnit::processAudioChannelSamples(const float* input, int32_t frames, float* output) noexcept {
    if (frames <= 0) return frames == 0;
    // The block runs as if followed by `padding` zeros; the first `padding`
    // frames rendered are the unit's delay and are dropped.
    const int64_t padding = latencyFrames();
    const int64_t total = frames + padding;
    bool ok = true;
    for (int64_t k = 0; k < total; k += kSliceFrames) {
        auto m = static_cast<int32_t>(std::min<int64_t>(kSliceFrames, total - k));
        const float* slice = input + k;
        if (k + m > frames) {
            int64_t available = std::max<int64_t>(0, frames - k);
            std::copy_n(input + k, available, sliceInput_.data());
            std::fill(sliceInput_.begin() + available, sliceInput_.begin() + m, 0.0f);
            slice = sliceInput_.data();
        }
        std::fill_n(sliceOutput_.data(), m, 0.0f);
        ok = processAudioChannelSliceSamples(slice, m, sliceOutput_.data()) && ok;
        for (int64_t j = std::max(k, padding); j < k + m; ++j) output[j - padding] = sliceOutput_[j - k];
    }
    return ok;
}

bool EffectAudioUnit::processAudioChannelLongSamples(const float* input, int32_t frames, float* output) noexcept {
    bool ok = true;
    for (int32_t k = 0; k < frames; k += kSliceFrames) {
        int32_t m = std::min(kSliceFrames, frames - k);
        std::fill_n(sliceOutput_.data(), kSliceFrames, 0.0f);
        ok = processAudioChannelSliceSamples(input + k, m, sliceOutput_.data()) && ok;
        std::copy_n(sliceOutput_.data(), m, output + k);
    }
    return ok;
}

void EffectAudioUnit::fillAudioBuffer(EffectBufferList& list, float* memory, int32_t frames) noexcept {
    list.numberBuffers = 2;
    for (uint32_t c = 0; c < 2; ++c)
        list.buffers[c] = EffectAudioBuffer{1, static_cast<uint32_t>(frames) * 4, memory + c * frames};
}

bool EffectAudioUnit::processAudioChannelSliceSamples(const float* input, int32_t frames, float* output) noexcept {
    if (frames == 0) return true;
    if (frames < 0 || frames > kSliceFrames) {
        logLine("process err %d", frames);
        return false;
    }
    EffectBufferList list;
    fillAudioBuffer(list, listMemory_.data(), frames);
    EffectStatus status = kEffectErrUninitialized;
    {
        std::unique_lock<std::mutex> lock(renderLock_, std::try_to_lock);
        if (lock.owns_lock()) {
            double sampleTime = static_cast<double>(audio_samples);
            audio_samples += frames;
            audio_data = input;
            audio_data_frames = frames;
            if (effectUnit_) status = effectUnit_->render(sampleTime, 0, static_cast<uint32_t>(frames), list);
            audio_data = nullptr;
            audio_data_frames = 0;
        }
    }
    if (status != kEffectNoErr) {
        logLine("process err %d", frames);
        return false;
    }
    copyAudioBufferSamples(list, output);
    return true;
}

void EffectAudioUnit::processSlientAudioChannelFrames(int64_t frames) noexcept {
    std::fill(sliceInput_.begin(), sliceInput_.end(), 0.0f);
    for (int64_t k = 0; k < frames; k += kSliceFrames) {
        auto m = static_cast<int32_t>(std::min<int64_t>(kSliceFrames, frames - k));
        processAudioChannelSliceSamples(sliceInput_.data(), m, sliceOutput_.data());
    }
}

EffectStatus EffectAudioUnit::EffectAudioUnitInput(void* context, double, uint32_t, uint32_t frames,
                                                   EffectBufferList& io) noexcept {
    auto* self = static_cast<EffectAudioUnit*>(context);
    if (io.numberBuffers > 0 && io.buffers[0].dataByteSize != frames * 4)
        logLine("error buffer size %d %d", static_cast<int>(io.buffers[0].dataByteSize), static_cast<int>(frames));
    self->fillDataToAudioBuffer(io);
    return kEffectNoErr;
}

void EffectAudioUnit::fillDataToAudioBuffer(EffectBufferList& list) noexcept {
    const uint32_t expected = static_cast<uint32_t>(audio_data_frames) * 4;
    for (uint32_t c = 0; c < list.numberBuffers; ++c) {
        EffectAudioBuffer& buffer = list.buffers[c];
        std::memset(buffer.data, 0, buffer.dataByteSize);
        if (audio_data && buffer.dataByteSize == expected)
            std::memcpy(buffer.data, audio_data, expected);
        else
            logLine("error fill data %d frames %d", static_cast<int>(buffer.dataByteSize), audio_data_frames);
    }
}

void EffectAudioUnit::copyAudioBufferSamples(const EffectBufferList& list, float* output) noexcept {
    if (list.numberBuffers == 0) return;
    std::memcpy(output, list.buffers[0].data, list.buffers[0].dataByteSize);
}

double EffectAudioUnit::effectLatency() const noexcept {
    double seconds = 0.0;
    EffectStatus status = effectUnit_ ? effectUnit_->getLatency(seconds) : kEffectErrUninitialized;
    if (status != kEffectNoErr) {
        logLine("latency err %f %d", 0.0, status);
        return 0.0;
    }
    return seconds;
}

int32_t EffectAudioUnit::maxFramesPerSlice() const noexcept {
    uint32_t frames = 0;
    EffectStatus status = effectUnit_ ? effectUnit_->getMaxFramesPerSlice(frames) : kEffectErrUninitialized;
    if (status != kEffectNoErr) {
        logLine("slice err %d %d", 0, status);
        return 0;
    }
    return static_cast<int32_t>(frames);
}

float EffectAudioUnit::effectNodeValueForKey(uint32_t parameterId) const noexcept {
    float value = 0.0f;
    EffectStatus status = effectUnit_ ? effectUnit_->getParameter(parameterId, value) : kEffectErrUninitialized;
    if (status != kEffectNoErr) {
        logLine("effect value err %d", static_cast<int>(parameterId));
        return 0.0f;
    }
    return value;
}

void EffectAudioUnit::setEffectNodeValue(float value, uint32_t parameterId) noexcept {
    EffectStatus status = effectUnit_ ? effectUnit_->setParameter(parameterId, value) : kEffectErrUninitialized;
    if (status != kEffectNoErr) logLine("effect value write err %d", static_cast<int>(parameterId));
}

void EffectAudioUnit::reset() noexcept {
    if (effectUnit_) effectUnit_->reset();
    audio_samples = 0;
    streamStarted_ = false;
    streamSkip_ = 0;
}

bool EffectAudioUnit::processContinuing(EffectInputSource& source, int32_t frames, float* output) noexcept {
    if (frames <= 0) return frames == 0;
    if (!streamStarted_) {
        // The stream's first frames are the unit's delay: render past them.
        streamSkip_ = latencyFrames();
        streamStarted_ = true;
    }
    bool ok = true;
    int32_t produced = 0;
    while (produced < frames) {
        auto m = static_cast<int32_t>(std::min<int64_t>(kSliceFrames, int64_t{streamSkip_} + (frames - produced)));
        source.readNextFrames(sliceInput_.data(), m);
        std::fill_n(sliceOutput_.data(), m, 0.0f);
        ok = processAudioChannelSliceSamples(sliceInput_.data(), m, sliceOutput_.data()) && ok;
        int32_t drop = std::min(streamSkip_, m);
        streamSkip_ -= drop;
        std::copy(sliceOutput_.begin() + drop, sliceOutput_.begin() + m, output + produced);
        produced += m - drop;
    }
    return ok;
}

}  // namespace wavomer
