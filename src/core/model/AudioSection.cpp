#include "model/AudioSection.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "data/SampleDataFile.h"
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

void AudioSection::setEffectDic(std::optional<EffectDic> dic) {
    effectDic = std::move(dic);
    dropReadAhead();
}

void AudioSection::updateAudioPath(const std::string& path) {
    if (audioPath != path) {
        clearAudioSampleData();
        dropReadAhead();
        audioWaveData_.reset();
    }
    audioPath = path;
    loadAudioWaveData();
}

void AudioSection::updateRecordSectionWithNewPath(const std::string& path) {
    updateAudioPath(path);
    channel = 0;
}

void AudioSection::updateAudioPathWithDocumentPath(const std::string& documentPath) {
    if (!audioPath) return;
    // The stored path is kept only while it names a sample data file; anything
    // else there (a system file named by a hostile archive, a link, a FIFO) is not
    // this section's source, and the copy in the project's "Audios" is used.
    if (isSampleDataFile(*audioPath)) return;
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

void AudioSection::dropReadAhead() {
    dropEffectStream();
    cacheData_.clear();
    cacheOffset_ = 0;
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
    return applyFade(v, t);
}

[[gnu::always_inline]] inline float AudioSection::applyFade(float v, double t) const {
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

namespace {

// The timeline time of a frame, as every sampling call computes it.
inline double frameTime(int64_t frame) { return static_cast<double>(frame) / kFramesPerSecond; }

// How many frames from first on (at most frames) have their time within
// [start, end]. Frame times never decrease as frames grow, so the covered
// frames are one run: the end of it is estimated, then settled by the same
// comparisons the per-frame read makes.
int32_t coveredFrames(double start, double end, int64_t first, int32_t frames) {
    if (frames <= 0) return 0;
    const double firstTime = frameTime(first);
    if (!(start <= firstTime && firstTime <= end)) return 0;
    const int64_t lastAsked = first + frames - 1;
    const double estimate = std::floor(end * kFramesPerSecond);
    int64_t last = estimate < static_cast<double>(lastAsked) ? std::max<int64_t>(first, static_cast<int64_t>(estimate))
                                                             : lastAsked;
    while (last < lastAsked && frameTime(last + 1) <= end) ++last;
    while (last > first && !(frameTime(last) <= end)) --last;
    return static_cast<int32_t>(last - first + 1);
}

// Frame f of the timeline reads source frame round(44100 * (f / 44100 - trackStart
// + sourceStart)). Exactly, that is f + 44100 * (sourceStart - trackStart). With
// every time below 2^24 s the arithmetic errs by less than 1/500 of a frame, so
// when that offset lies further than 1/64 of a frame from a half, no error can
// carry a value across a half: every frame reads f plus the offset's nearest
// whole number, the same frame the per-frame read finds. Otherwise (a section
// placed almost exactly half a frame off, or absurd times) there is no shift.
bool constantFrameShift(double trackStart, double sourceStart, int64_t first, int64_t last, int64_t& shift) {
    constexpr double kLimit = 16777216.0;
    if (!(std::fabs(trackStart) < kLimit && std::fabs(sourceStart) < kLimit)) return false;
    if (!(std::fabs(frameTime(first)) < kLimit && std::fabs(frameTime(last)) < kLimit)) return false;
    const double offset = kFramesPerSecond * (sourceStart - trackStart);
    const double nearest = std::round(offset);
    if (!(std::fabs(offset - nearest) < 0.5 - 1.0 / 64.0)) return false;
    shift = static_cast<int64_t>(nearest);
    return true;
}

}  // namespace

template <class Shape>
int32_t AudioSection::fillShifted(float* out, int64_t firstFrame, int32_t count, int64_t shift, Shape shape) {
    int64_t source = firstFrame + shift;
    int32_t n = 0;
    while (n < count) {
        int64_t index = source - cacheOffset_;
        if (index < 0 || index >= static_cast<int64_t>(cacheData_.size())) {
            refillReadAhead(source);
            index = 0;
            if (cacheData_.empty()) break;
        }
        const int32_t run = static_cast<int32_t>(
            std::min<int64_t>(count - n, static_cast<int64_t>(cacheData_.size()) - index));
        shape(out + n, cacheData_.data() + index, run, firstFrame + n);
        n += run;
        source += run;
    }
    return n;
}

int32_t AudioSection::fillTrackSamples(float* out, int64_t firstFrame, int32_t frames) {
    const int32_t count = coveredFrames(trackStartTime, trackEndTime, firstFrame, frames);
    if (count == 0) return 0;
    if (isBlankSection || isMute) {
        std::fill(out, out + count, 0.0f);
        return count;
    }
    int64_t shift = 0;
    if (isNoiseSection || !constantFrameShift(trackStartTime, startTime, firstFrame, firstFrame + count - 1, shift)) {
        for (int32_t n = 0; n < count; ++n) out[n] = valueAt(frameTime(firstFrame + n), false);
        return count;
    }
    // Every value below is computed as valueAt computes it, so a block read gives
    // exactly what reading its frames one by one gives.
    const double volume = volumeValue;
    if (fadeMode == 0) {
        return fillShifted(out, firstFrame, count, shift, [volume](float* to, const float* from, int32_t run, int64_t) {
            for (int32_t k = 0; k < run; ++k) to[k] = static_cast<float>(static_cast<double>(from[k]) * volume);
        });
    }
    auto faded = [this, volume](float* to, const float* from, int32_t run, int64_t frame) {
        for (int32_t k = 0; k < run; ++k) {
            const float v = static_cast<float>(static_cast<double>(from[k]) * volume);
            to[k] = applyFade(v, frameTime(frame + k));
        }
    };
    return fillShifted(out, firstFrame, count, shift, faded);
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
    cacheData_.resize(static_cast<size_t>(frames));
    // readSample writes every frame, zero where the file has none.
    if (audioSampleData_) audioSampleData_->readSample(cacheData_.data(), channel, static_cast<int32_t>(frames), frameIndex);
    else std::fill(cacheData_.begin(), cacheData_.end(), 0.0f);
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

float AudioSection::wavePeakInTrack(double from, double to) {
    if (isBlankSection || isMute || !audioWaveData_) return 0.0f;
    const double rate = audioWaveData_->wave_per_second();
    const double s0 = from - trackStartTime + startTime;
    const auto first = static_cast<int64_t>(std::llround(s0 * rate));
    const auto last = std::max(static_cast<int64_t>(std::llround((to - trackStartTime + startTime) * rate)), first + 1);
    if (fadeMode != 0) {
        // The gain changes along the span: every point as it is drawn.
        float peak = valueAt(from, true);
        for (int64_t i = first + 1; i < last; ++i)
            peak = std::max(peak, valueAt(static_cast<double>(i) / rate - startTime + trackStartTime, true));
        return peak;
    }
    const auto volume = [this](float v) { return static_cast<float>(static_cast<double>(v) * volumeValue); };
    if (!isNoiseSection) return volume(audioWaveData_->peakOfPoints(first, last, channel));
    // Noise loops its source: the span, folded into the loop, is one run or two.
    const auto loop = static_cast<int64_t>(std::llround(kNoiseLoopSeconds * rate));
    if (last - first >= loop) return volume(audioWaveData_->peakOfPoints(0, loop, channel));
    const int64_t start = ((first % loop) + loop) % loop, end = start + (last - first);
    float peak = audioWaveData_->peakOfPoints(start, std::min(end, loop), channel);
    if (end > loop) peak = std::max(peak, audioWaveData_->peakOfPoints(0, end - loop, channel));
    return volume(peak);
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
