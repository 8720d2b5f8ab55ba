#include "render/AudioChannelsPlayer.h"

#include <algorithm>
#include <cmath>

#include "render/PlaybackFold.h"

namespace wavomer {

AudioChannelsPlayer::AudioChannelsPlayer(std::unique_ptr<OutputAudioGraph> graph) : player_(std::move(graph)) {
    player_->setDelegate(this);
}

AudioChannelsPlayer::~AudioChannelsPlayer() {
    // The graph's thread may be inside decodeMoreAudioDataToAudioOutput until the graph
    // is gone, and reads player_ there: destroy the graph (which joins its threads)
    // before the pointer lets go of it, not after as reset() would.
    player_->stop();
    player_.get_deleter()(player_.get());
    static_cast<void>(player_.release());
}

void AudioChannelsPlayer::start() {
    player_->clearBuffer();
    player_->start();
}

void AudioChannelsPlayer::stop() { player_->stop(); }

double AudioChannelsPlayer::currentTime() const noexcept { return playerFrame() / kFramesPerSecond; }

void AudioChannelsPlayer::setCurrentTime(double seconds) noexcept {
    const double scaled = std::trunc(kFramesPerSecond * seconds);
    // A time beyond any project (or NaN) is kept representable rather than undefined.
    const int64_t frame = std::isfinite(scaled) && std::fabs(scaled) < 9.0e18 ? static_cast<int64_t>(scaled) : 0;
    offset_frame.store(frame, std::memory_order_release);
    player_frame.store(frame, std::memory_order_release);
}

void AudioChannelsPlayer::audioOutputForwordSample(double frames) noexcept {
    int64_t before = player_frame.load(std::memory_order_acquire);
    int64_t after;
    do {
        after = static_cast<int64_t>(std::trunc(static_cast<double>(before) + frames));
    } while (!player_frame.compare_exchange_weak(before, after, std::memory_order_acq_rel));
}

void AudioChannelsPlayer::setSelectionLoop(bool active, double startSeconds, double endSeconds) noexcept {
    // Sequentially consistent throughout: the reader's two looks at the sequence then
    // bracket its reads of the fields in one total order.
    const uint32_t sequence = loopSequence_.load();
    loopSequence_.store(sequence + 1);
    loopActive_.store(active);
    loopStart_.store(startSeconds);
    loopEnd_.store(endSeconds);
    loopSequence_.store(sequence + 2);
}

bool AudioChannelsPlayer::wrapSelectionIfNeeded() noexcept {
    // The writer holds the sequence odd for a few stores; a reader that meets it there
    // tries again a few times and otherwise leaves the check to the next read.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const uint32_t before = loopSequence_.load();
        if (before & 1u) continue;
        const bool active = loopActive_.load();
        const double start = loopStart_.load();
        const double end = loopEnd_.load();
        if (loopSequence_.load() != before) continue;
        if (!active) return false;
        const double t = currentTime();
        if (start < t && t < end && end - t <= kSelectionWrapSeconds) {
            setCurrentTime(start);
            return true;
        }
        return false;
    }
    return false;
}

void AudioChannelsPlayer::decodeMoreAudioDataToAudioOutput() noexcept {
    if (player_->bufferFrames() >= kBlockFrames) return;
    // The fold writes every value of the block.
    readSample(block_.data(), kBlockFrames, kOutputChannels);
    player_->streamWriteSample(0, block_.data(), kBlockFrames);
}

void AudioChannelsPlayer::readSample(float* out, int32_t frames, int32_t channels) noexcept {
    if (channels <= 0) return;
    while (frames > 0) {
        const int32_t n = std::min(frames, kBlockFrames);
        // The wrap is decided before any channel of the block is read, so every
        // channel of the block comes from the same position.
        wrapSelectionIfNeeded();
        int64_t start = offset_frame.load(std::memory_order_acquire);
        playbackFold(*this, out, n, channels, plane_.data(), offset_frame);
        // A seek made meanwhile (from the main thread) stands as it was made: the
        // positions move on by the block only when nobody moved them.
        if (offset_frame.compare_exchange_strong(start, start + n, std::memory_order_acq_rel))
            audioOutputForwordSample(n);
        out += static_cast<size_t>(n) * static_cast<size_t>(channels);
        frames -= n;
    }
}

int64_t AudioChannelsPlayer::audioSampleChannels() noexcept {
    SourceChannelProvider* source = delegate_.load(std::memory_order_acquire);
    const int64_t count = source ? source->audioSampleChannels() : 0;
    return count <= 0 ? 1 : count;
}

int32_t AudioChannelsPlayer::readSample(float* buffer, int32_t channel, int32_t frames, int64_t offset) noexcept {
    SourceChannelProvider* source = delegate_.load(std::memory_order_acquire);
    if (!source) {
        std::fill(buffer, buffer + std::max(frames, 0), 0.0f);
        return 0;
    }
    return source->readSample(buffer, channel, frames, offset);
}

}  // namespace wavomer
