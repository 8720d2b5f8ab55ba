#include "model/AudioSection.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "effects/AudioEffectProcessor.h"
#include "effects/EffectCatalogue.h"
#include "util/PathUtil.h"

namespace wavomer {

namespace {
constexpr double kHalfPi = 1.5707963267948966;
constexpr double kFramesPerSecond = 44100.0;
const char* const kCoderKeys[] = {
    "audioPath",       "channel",        "startTime",    "endTime",           "trackStartTime",
    "trackEndTime",    "isMute",         "fadeMode",     "customFadeStart",   "customFadeStop",
    "fadeStartTimeOffset", "fadeDuration", "volumeValue", "effectDic",        "isBlankSection",
    "isNoiseSection"};
}  // namespace

class SampleDataEffectInput final : public EffectInputSource {
public:
    SampleDataEffectInput(AudioSampleData* data, int32_t channel, int64_t firstFrame)
        : data_(data), channel_(channel), next_(firstFrame) {}
    void readNextFrames(float* into, int32_t frames) noexcept override {
        if (data_) data_->readSample(into, channel_, frames, next_);
        else std::fill(into, into + frames, 0.0f);
        next_ += frames;
    }

private:
    AudioSampleData* data_;
    int32_t channel_;
    int64_t next_;
};

AudioSection::AudioSection() = default;
AudioSection::~AudioSection() = default;

std::shared_ptr<AudioSection> AudioSection::section() { return std::make_shared<AudioSection>(); }

std::shared_ptr<AudioSection> AudioSection::sectionWithPath(const std::string& path) {
    auto s = section();
    s->updateAudioPath(path);
    s->loadAudioSampleData();
    s->endTime = s->audioSampleData_ ? s->audioSampleData_->duration() : 0.0;
    s->clearAudioSampleData();
    return s;
}

std::shared_ptr<AudioSection> AudioSection::blankSectionWithTrackStartTime(double trackStart, double trackEnd) {
    auto s = section();
    s->audioPath.reset();
    s->startTime = trackStart;
    s->endTime = trackEnd;
    s->trackStartTime = trackStart;
    s->trackEndTime = trackEnd;
    s->isMute = false;
    s->fadeMode = 0;
    s->volumeValue = 1.0;
    s->isBlankSection = true;
    s->isNoiseSection = false;
    s->fadeStartTimeOffset = 0.0;
    s->fadeDuration = 1.0;
    s->customFadeStart = 1.0;
    s->customFadeStop = 1.0;
    return s;
}

std::shared_ptr<AudioSection> AudioSection::copy() const {
    auto s = section();
    s->audioPath = audioPath;
    s->audioWaveData_ = audioWaveData_;
    s->channel = channel;
    s->startTime = startTime;
    s->endTime = endTime;
    s->trackStartTime = trackStartTime;
    s->trackEndTime = trackEndTime;
    s->isMute = isMute;
    s->fadeMode = fadeMode;
    s->volumeValue = volumeValue;
    s->isBlankSection = isBlankSection;
    s->isNoiseSection = isNoiseSection;
    s->effectDic = effectDic;
    s->fadeStartTimeOffset = fadeStartTimeOffset;
    s->fadeDuration = fadeDuration;
    s->customFadeStart = customFadeStart;
    s->customFadeStop = customFadeStop;
    s->clearAudioSampleData();
    return s;
}

void AudioSection::updateAudioPath(const std::string& path) {
    audioPath = path;
    loadAudioWaveData();
}

void AudioSection::updateRecordSectionWithNewPath(const std::string& path) {
    updateAudioPath(path);
    channel = 0;
}

void AudioSection::updateAudioPathWithDocumentPath(const std::string& documentPath) {
    if (!audioPath) return;
    if (fileIsReadable(*audioPath)) return;
    updateAudioPath(documentPath + "/Audios/" + lastPathComponent(*audioPath));
}

void AudioSection::loadAudioWaveData() {
    if (audioWaveData_ || !audioPath) return;
    audioWaveData_ = AudioWaveData::waveDataWithPath(*audioPath);
}

void AudioSection::loadAudioSampleData() {
    if (audioDataLoadState) return;
    audioDataLoadState = true;
    audioSampleData_ = audioPath ? AudioSampleData::dataForReadingAtPath(*audioPath) : nullptr;
}

void AudioSection::clearAudioSampleData() {
    dropEffectStream();
    audioDataLoadState = false;
    audioSampleData_.reset();
}

void AudioSection::dropEffectStream() {
    effectProcessor_.reset();
    effectInput_.reset();
    effectNextFrame_ = -1;
}

double AudioSection::sectionDuration() const {
    if (isBlankSection) return trackEndTime - trackStartTime;
    return endTime - startTime;
}

[[gnu::always_inline]] inline float AudioSection::valueAt(double t, bool isDrawWave) {
    if (isBlankSection || isMute) return 0.0f;
    double s = t - trackStartTime + startTime;
    if (isNoiseSection) s = std::fmod(s, kNoiseLoopSeconds);
    float v = rawValueAt(s, isDrawWave);
    v = static_cast<float>(static_cast<double>(v) * volumeValue);
    if (fadeMode == 0) return v;
    float d = static_cast<float>(fadeDuration);
    if (d < 0.001f || std::isnan(d)) d = 0.001f;
    double a = kHalfPi * (t - trackStartTime + fadeStartTimeOffset) / d;
    double g;
    switch (fadeMode) {
        case 1: g = std::sin(a); break;
        case 2: g = std::cos(a); break;
        case 3: {
            double u = customFadeStop - customFadeStart;
            g = u >= 0 ? std::sin(a) * u + customFadeStart : customFadeStop - std::cos(a) * u;
            break;
        }
        default: return v;
    }
    return static_cast<float>(static_cast<double>(v) * g);
}

int32_t AudioSection::fillTrackSamples(float* out, int64_t firstFrame, int32_t frames) {
    // The section's fields are copied into locals: stores into out cannot change
    // them, and the compiler need not reload them for every frame.
    const double start = trackStartTime;
    const double end = trackEndTime;
    int32_t n = 0;
    if (isBlankSection || isMute) {
        for (; n < frames; ++n) {
            const double t = static_cast<double>(firstFrame + n) / kFramesPerSecond;
            if (!(start <= t && t <= end)) break;
            out[n] = 0.0f;
        }
        return n;
    }
    if (isNoiseSection || fadeMode != 0) {
        for (; n < frames; ++n) {
            const double t = static_cast<double>(firstFrame + n) / kFramesPerSecond;
            if (!(start <= t && t <= end)) break;
            out[n] = valueAt(t, false);
        }
        return n;
    }
    // The common case, plain audio at a volume: the same arithmetic as valueAt and
    // rawValueAt, step for step, so every value is identical to a single read.
    const double sourceStart = startTime;
    const double volume = volumeValue;
    const float* block = cacheData_.data();
    int64_t blockStart = cacheOffset_;
    int64_t blockLength = static_cast<int64_t>(cacheData_.size());
    for (; n < frames; ++n) {
        const double t = static_cast<double>(firstFrame + n) / kFramesPerSecond;
        if (!(start <= t && t <= end)) break;
        const double s = t - start + sourceStart;
        const double scaled = kFramesPerSecond * s;
        float v = 0.0f;
        if (std::fabs(scaled) < 9.0e15) {
            const double whole = std::trunc(scaled);
            const double fraction = scaled - whole;
            const int64_t i = static_cast<int64_t>(whole) + (fraction >= 0.5 ? 1 : (fraction <= -0.5 ? -1 : 0));
            const int64_t index = i - blockStart;
            if (index >= 0 && index < blockLength) {
                v = block[index];
            } else {
                refillReadAhead(i);
                block = cacheData_.data();
                blockStart = cacheOffset_;
                blockLength = static_cast<int64_t>(cacheData_.size());
                v = block[0];
            }
        }
        out[n] = static_cast<float>(static_cast<double>(v) * volume);
    }
    return n;
}

[[gnu::always_inline]] inline float AudioSection::rawValueAt(double s, bool isDrawWave) {
    if (isDrawWave) return getSampleWaveAtTime(s);
    double scaled = kFramesPerSecond * s;
    if (!(std::fabs(scaled) < 9.0e15)) return 0.0f;  // NaN, infinite or beyond any file
    // round() to nearest, halves away from zero, done inline: x - trunc(x) is exact.
    double whole = std::trunc(scaled);
    double fraction = scaled - whole;
    int64_t i = static_cast<int64_t>(whole) + (fraction >= 0.5 ? 1 : (fraction <= -0.5 ? -1 : 0));
    int64_t index = i - cacheOffset_;
    if (index >= 0 && index < static_cast<int64_t>(cacheData_.size())) return cacheData_[static_cast<size_t>(index)];
    refillReadAhead(i);
    return cacheData_[0];
}

void AudioSection::readUnprocessed(int64_t frameIndex, int64_t frames) {
    cacheData_.assign(static_cast<size_t>(frames), 0.0f);
    if (audioSampleData_) audioSampleData_->readSample(cacheData_.data(), channel, static_cast<int32_t>(frames), frameIndex);
}

void AudioSection::refillReadAhead(int64_t frameIndex) {
    cacheOffset_ = frameIndex;
    if (!effectDic) {
        dropEffectStream();
        readUnprocessed(frameIndex, kReadAheadFrames);
        return;
    }
    const int64_t n = kEffectReadAheadFrames;
    bool continuing = effectProcessor_ && frameIndex == effectNextFrame_ &&
                      sameEffectSettings(*effectDic, effectProcessorDic_);
    if (!continuing) {
        // A jump or new settings: a fresh processor, fed from this frame on.
        dropEffectStream();
        effectProcessor_ = effectAudioWithInfo(*effectDic);
        if (!effectProcessor_) {
            readUnprocessed(frameIndex, n);
            return;
        }
        effectProcessorDic_ = *effectDic;
        effectInput_ = std::make_unique<SampleDataEffectInput>(audioSampleData_.get(), channel, frameIndex);
    }
    cacheData_.assign(static_cast<size_t>(n), 0.0f);
    if (!effectProcessor_->processContinuing(*effectInput_, static_cast<int32_t>(n), cacheData_.data())) {
        // The effect failed: the block plays unprocessed and the next one starts anew.
        dropEffectStream();
        readUnprocessed(frameIndex, n);
        return;
    }
    effectNextFrame_ = frameIndex + n;
}

float AudioSection::getAudioSamleWithTimeInTrack(double t, bool isDrawWave) { return valueAt(t, isDrawWave); }

float AudioSection::getSampleValueWithTime(double s, bool isDrawWave) { return rawValueAt(s, isDrawWave); }

float AudioSection::getSampleWaveAtTime(double s) const {
    return audioWaveData_ ? audioWaveData_->sampleWaveAtTime(s, channel) : 0.0f;
}

std::vector<std::string> AudioSection::allCoderKeys() const {
    return std::vector<std::string>(std::begin(kCoderKeys), std::end(kCoderKeys));
}

CoderValue AudioSection::valueForKey(const std::string& keyString) const {
    // Compared as views: the length check comes first, which keeps archiving fast.
    std::string_view key = keyString;
    if (key == "audioPath") return audioPath ? CoderValue(*audioPath) : CoderValue();
    if (key == "channel") return CoderValue(channel);
    if (key == "startTime") return CoderValue(startTime);
    if (key == "endTime") return CoderValue(endTime);
    if (key == "trackStartTime") return CoderValue(trackStartTime);
    if (key == "trackEndTime") return CoderValue(trackEndTime);
    if (key == "isMute") return CoderValue(isMute);
    if (key == "fadeMode") return CoderValue(fadeMode);
    if (key == "customFadeStart") return CoderValue(customFadeStart);
    if (key == "customFadeStop") return CoderValue(customFadeStop);
    if (key == "fadeStartTimeOffset") return CoderValue(fadeStartTimeOffset);
    if (key == "fadeDuration") return CoderValue(fadeDuration);
    if (key == "volumeValue") return CoderValue(volumeValue);
    if (key == "effectDic") return effectDic ? CoderValue(*effectDic) : CoderValue();
    if (key == "isBlankSection") return CoderValue(isBlankSection);
    if (key == "isNoiseSection") return CoderValue(isNoiseSection);
    return {};
}

void AudioSection::setValueForKey(const std::string& keyString, const CoderValue& value) {
    std::string_view key = keyString;
    if (key == "audioPath") {
        std::string path;
        if (value.asString(path)) audioPath = path;
        else if (value.isNull()) audioPath.reset();
    } else if (key == "channel") value.asInt32(channel);
    else if (key == "startTime") value.asDouble(startTime);
    else if (key == "endTime") value.asDouble(endTime);
    else if (key == "trackStartTime") value.asDouble(trackStartTime);
    else if (key == "trackEndTime") value.asDouble(trackEndTime);
    else if (key == "isMute") value.asBool(isMute);
    else if (key == "fadeMode") value.asInt32(fadeMode);
    else if (key == "customFadeStart") value.asDouble(customFadeStart);
    else if (key == "customFadeStop") value.asDouble(customFadeStop);
    else if (key == "fadeStartTimeOffset") value.asDouble(fadeStartTimeOffset);
    else if (key == "fadeDuration") value.asDouble(fadeDuration);
    else if (key == "volumeValue") value.asDouble(volumeValue);
    else if (key == "effectDic") {
        if (auto dic = value.asDictionary()) effectDic = *dic;
        else if (value.isNull()) effectDic.reset();
    } else if (key == "isBlankSection") value.asBool(isBlankSection);
    else if (key == "isNoiseSection") value.asBool(isNoiseSection);
}

}  // namespace wavomer
