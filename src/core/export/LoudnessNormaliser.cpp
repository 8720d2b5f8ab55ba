#include "export/LoudnessNormaliser.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "media/MediaEngine.h"

namespace wavomer {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int32_t kPoints = 8;  // points read per sample: the sample and seven between it and the next
constexpr int32_t kPhases = kPoints - 1;
constexpr int32_t kTaps = 2 * TruePeakLimiter::kHalfTaps;
constexpr int32_t kHistory = 1024;  // frames kept: the delay, the look-ahead and the taps fit
static_assert(TruePeakLimiter::kLookAhead + 3 * TruePeakLimiter::kHalfTaps < kHistory);
// The release: the gain climbs back towards 1 with this time constant.
constexpr double kReleaseSeconds = 0.05;
// Within this of 1 the gain is 1 again: the audio leaves the limiter exactly as it came.
constexpr float kReleased = 1e-4f;

// Windowed-sinc coefficients for the point (k + 1) / 8 past sample n, from samples
// n - kHalfTaps + 1 ... n + kHalfTaps; and the largest sum of magnitudes of any phase,
// which bounds how far an interpolated point can pass the samples it is made of.
struct Interpolation {
    std::array<std::array<float, kTaps>, kPhases> coefficients{};
    float gainBound = 1.0f;
    Interpolation() {
        const double reach = TruePeakLimiter::kHalfTaps + 1.0;
        for (int32_t k = 0; k < kPhases; ++k) {
            const double fraction = (k + 1) / static_cast<double>(kPoints);
            double magnitude = 0.0;
            for (int32_t t = 0; t < kTaps; ++t) {
                const double d = (t - TruePeakLimiter::kHalfTaps + 1) - fraction;
                const double sinc = std::sin(kPi * d) / (kPi * d);
                const double window = 0.5 * (1.0 + std::cos(kPi * d / reach));
                coefficients[static_cast<size_t>(k)][static_cast<size_t>(t)] = static_cast<float>(sinc * window);
                magnitude += std::fabs(sinc * window);
            }
            gainBound = std::max(gainBound, static_cast<float>(magnitude));
        }
    }
};

const Interpolation& interpolation() {
    static const Interpolation table;
    return table;
}

// How far a point between two samples is taken to pass the larger of them, when deciding
// whether the points need reading: 3.5 dB, over the 3 dB of the classic worst case (a tone
// at a quarter of the sample rate sampled 45 degrees off its peaks). Only sequences built
// to defeat it go further; the bound for any input (the sum of the taps' magnitudes, some
// 11 dB) would send most samples of loud audio through the taps.
constexpr float kSkipBound = 1.5f;

double decibelsToFactor(double decibels) { return std::pow(10.0, decibels / 20.0); }

}  // namespace

std::string loudnessTargetProblem(double integrated, double truePeakCeiling) {
    if (!std::isfinite(integrated) || integrated < -70.0 || integrated > -5.0)
        return "the loudness target must be a number of LUFS from -70 to -5";
    if (!std::isfinite(truePeakCeiling) || truePeakCeiling < -20.0 || truePeakCeiling > 0.0)
        return "the true-peak ceiling must be a number of dBTP from -20 to 0";
    return {};
}

NormalisationGain normalisationGain(const Loudness& measured, const LoudnessTarget& target) {
    NormalisationGain gain;
    if (!measured.integrated) return gain;
    gain.measured = true;
    gain.decibels = target.integrated - *measured.integrated;
    // Without a peak (nothing above zero) there is nothing the gain could push over.
    const std::optional<double> peak =
        measured.truePeak ? measured.truePeak
                          : measured.samplePeak ? std::optional<double>(*measured.samplePeak + truePeakBound()) : std::nullopt;
    gain.limit = peak && *peak + gain.decibels > target.truePeakCeiling;
    return gain;
}

double truePeakBound() { return 20.0 * std::log10(interpolation().gainBound); }

// --- the true-peak reader -----------------------------------------------------------

TruePeakReader::TruePeakReader(int32_t channels) : channels_(std::max(channels, 1)) {
    // Silence before the first frame, for the first frames' taps.
    buffer_.assign(static_cast<size_t>(TruePeakLimiter::kHalfTaps) * static_cast<size_t>(channels_), 0.0f);
    done_ = TruePeakLimiter::kHalfTaps;
}

void TruePeakReader::addFrames(const float* interleaved, int64_t frames) {
    buffer_.insert(buffer_.end(), interleaved, interleaved + frames * channels_);
    for (int64_t i = 0; i < frames * channels_; ++i) largest_ = std::max(largest_, std::fabs(interleaved[i]));
    // A frame's points need the samples kHalfTaps past it.
    readUpTo(static_cast<int64_t>(buffer_.size()) / channels_ - TruePeakLimiter::kHalfTaps);
    // Keep the taps the next frames read before them.
    const int64_t keep = done_ - TruePeakLimiter::kHalfTaps;
    if (keep > 0) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(keep * channels_));
        done_ -= keep;
    }
}

void TruePeakReader::readUpTo(int64_t end) {
    const Interpolation& table = interpolation();
    constexpr int32_t h = TruePeakLimiter::kHalfTaps;
    // Whether a sample of frame m is loud enough for the points beside it to pass the
    // largest peak.
    const float threshold = largest_ / kSkipBound;
    auto loud = [&](int64_t m) {
        const float* frame = &buffer_[static_cast<size_t>(m * channels_)];
        for (int32_t c = 0; c < channels_; ++c)
            if (std::fabs(frame[c]) > threshold) return true;
        return false;
    };
    bool thisLoud = done_ < end && loud(done_);
    for (int64_t m = done_; m < end; ++m) {
        const bool nextLoud = loud(m + 1);
        const bool either = thisLoud || nextLoud;
        thisLoud = nextLoud;
        if (!either) continue;
        for (int32_t c = 0; c < channels_; ++c)
            for (int32_t k = 0; k < kPhases; ++k) {
                float value = 0.0f;
                for (int32_t t = 0; t < kTaps; ++t)
                    value += table.coefficients[static_cast<size_t>(k)][static_cast<size_t>(t)] *
                             buffer_[static_cast<size_t>((m - h + 1 + t) * channels_ + c)];
                largest_ = std::max(largest_, std::fabs(value));
            }
    }
    done_ = std::max(done_, end);
}

double TruePeakReader::peak() {
    // The last frames' points, with silence after them.
    const std::vector<float> silence(static_cast<size_t>(TruePeakLimiter::kHalfTaps) * static_cast<size_t>(channels_), 0.0f);
    const int64_t end = static_cast<int64_t>(buffer_.size()) / channels_;
    buffer_.insert(buffer_.end(), silence.begin(), silence.end());
    readUpTo(end);
    buffer_.resize(buffer_.size() - silence.size());
    done_ = std::min(done_, end);
    return largest_;
}

// --- the limiter ---------------------------------------------------------------------

TruePeakLimiter::TruePeakLimiter(int32_t channels, double ceilingDecibels, double sampleRate)
    : channels_(std::max(channels, 1)),
      ceiling_(static_cast<float>(decibelsToFactor(ceilingDecibels))),
      releaseStep_(static_cast<float>(1.0 - std::exp(-1.0 / (kReleaseSeconds * sampleRate)))),
      history_(static_cast<size_t>(kHistory) * static_cast<size_t>(std::max(channels, 1)), 0.0f),
      needed_(static_cast<size_t>(kHistory), 1.0f),
      smoothing_(static_cast<size_t>(kLookAhead), 1.0f) {
    minimumQueue_.reserve(static_cast<size_t>(kHistory));
    reset();
}

void TruePeakLimiter::reset() {
    std::fill(history_.begin(), history_.end(), 0.0f);
    std::fill(needed_.begin(), needed_.end(), 1.0f);
    std::fill(smoothing_.begin(), smoothing_.end(), 1.0f);
    smoothingSum_ = kLookAhead;
    minimumQueue_.clear();
    queueFront_ = 0;
    written_ = 0;
    release_ = 1.0f;
    deepest_ = 1.0f;
}

float TruePeakLimiter::peakAt(int64_t index) const {
    auto slot = [&](int64_t i) { return static_cast<size_t>(i & (kHistory - 1)) * static_cast<size_t>(channels_); };
    float peak = 0.0f;
    for (int32_t c = 0; c < channels_; ++c) peak = std::max(peak, std::fabs(history_[slot(index) + c]));
    // Only where the samples either side are loud enough can a point between them pass
    // the ceiling: elsewhere the interpolation is skipped.
    float next = 0.0f;
    for (int32_t c = 0; c < channels_; ++c) next = std::max(next, std::fabs(history_[slot(index + 1) + c]));
    if (std::max(peak, next) * kSkipBound <= ceiling_) return peak;
    const Interpolation& table = interpolation();
    for (int32_t c = 0; c < channels_; ++c)
        for (int32_t k = 0; k < kPhases; ++k) {
            float value = 0.0f;
            for (int32_t t = 0; t < kTaps; ++t)
                value += table.coefficients[static_cast<size_t>(k)][static_cast<size_t>(t)] *
                         history_[slot(index - kHalfTaps + 1 + t) + c];
            peak = std::max(peak, std::fabs(value));
        }
    return peak;
}

void TruePeakLimiter::push(const float* frame) {
    const int64_t i = written_++;
    float* slot = &history_[static_cast<size_t>(i & (kHistory - 1)) * static_cast<size_t>(channels_)];
    float loudest = 0.0f;
    for (int32_t c = 0; c < channels_; ++c) {
        slot[c] = frame[c];
        loudest = std::max(loudest, std::fabs(frame[c]));
    }

    // The gain frame m needs, now that the samples its interpolation reads are in.
    const int64_t m = i - kHalfTaps;
    const float peak = m >= 0 ? peakAt(m) : 0.0f;
    const float need = peak > ceiling_ ? ceiling_ / peak : 1.0f;
    needed_[static_cast<size_t>(m & (kHistory - 1))] = need;
    // The look-ahead minimum: the queue holds the indices whose needs rise from front to
    // back; the front is the minimum of needs [m - kLookAhead, m].
    while (minimumQueue_.size() > queueFront_ &&
           needed_[static_cast<size_t>(minimumQueue_.back() & (kHistory - 1))] >= need)
        minimumQueue_.pop_back();
    minimumQueue_.push_back(m);
    const int64_t k = m - kLookAhead;  // the frame that leaves the limiter now
    while (minimumQueue_[queueFront_] < k) ++queueFront_;
    if (queueFront_ > static_cast<size_t>(kHistory) / 2) {
        minimumQueue_.erase(minimumQueue_.begin(), minimumQueue_.begin() + static_cast<std::ptrdiff_t>(queueFront_));
        queueFront_ = 0;
    }
    const float ahead = needed_[static_cast<size_t>(minimumQueue_[queueFront_] & (kHistory - 1))];
    // Averaged over the look-ahead, the minimum becomes a ramp that reaches every frame's
    // need by the time the frame leaves, since each averaged minimum covers that frame.
    float& oldest = smoothing_[static_cast<size_t>(k & (kLookAhead - 1))];
    smoothingSum_ += ahead - oldest;
    oldest = ahead;
    const float smooth = static_cast<float>(smoothingSum_ / kLookAhead);
    const float recovered = release_ + (1.0f - release_) * releaseStep_;
    release_ = std::min(smooth, recovered > 1.0f - kReleased ? 1.0f : recovered);
    deepest_ = std::min(deepest_, release_);
}

void TruePeakLimiter::process(const float* in, float* out, int32_t frames) {
    for (int32_t f = 0; f < frames; ++f) {
        push(in + static_cast<size_t>(f) * static_cast<size_t>(channels_));
        const int64_t k = written_ - 1 - latency();
        float* target = out + static_cast<size_t>(f) * static_cast<size_t>(channels_);
        if (k < 0) {
            std::fill(target, target + channels_, 0.0f);
            continue;
        }
        const float* source = &history_[static_cast<size_t>(k & (kHistory - 1)) * static_cast<size_t>(channels_)];
        for (int32_t c = 0; c < channels_; ++c) target[c] = source[c] * release_;
    }
}

// --- the source ----------------------------------------------------------------------

void NormalisingSource::setGain(const NormalisationGain& gain, double truePeakCeiling, int32_t channels) {
    factor_ = static_cast<float>(decibelsToFactor(gain.decibels));
    channels_ = std::max(channels, 1);
    limiter_ = gain.limit ? std::make_unique<TruePeakLimiter>(channels_, truePeakCeiling) : nullptr;
}

void NormalisingSource::setCurrentTime(int64_t time) {
    inner_.setCurrentTime(time);
    prime();
}

void NormalisingSource::setCurrentFrame(int64_t frame) {
    inner_.setCurrentFrame(frame);
    prime();
}

void NormalisingSource::prime() {
    if (!limiter_) return;
    limiter_->reset();
    // The look-ahead is read now, so the next frame out is the frame positioned at.
    const int32_t ahead = limiter_->latency();
    std::vector<float> discard(static_cast<size_t>(ahead) * static_cast<size_t>(channels_));
    readSample(discard.data(), ahead);
}

bool NormalisingSource::readSample(float* buffer, int32_t frames) {
    const bool ended = inner_.readSample(buffer, frames);
    const size_t count = static_cast<size_t>(frames) * static_cast<size_t>(channels_);
    for (size_t i = 0; i < count; ++i) buffer[i] *= factor_;
    if (limiter_) limiter_->process(buffer, buffer, frames);
    return ended;
}

}  // namespace wavomer
