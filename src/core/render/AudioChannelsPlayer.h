// AudioChannelsPlayer: plays source channels through an output graph. It owns the
// graph, keeps the play position as frame counts, and answers the graph's requests for
// more audio by pulling 2048 frames from its delegate (a source-channel provider) and
// folding them into stereo. It also carries the play-selection wrap: while a selection
// loop is set, a block that would start within 0.05 s of the loop's end starts at the
// loop's start instead.
//
// Threads: start, stop, isStart, setDelegate and setSelectionLoop are called on the
// main thread. decodeMoreAudioDataToAudioOutput, the fold and wrapSelectionIfNeeded run
// on the graph's thread; they are noexcept and allocate nothing. setCurrentTime and
// currentTime may be called from either: the positions and the selection loop are
// atomics, so a seek from the main thread and a wrap on the audio thread never tear.
//
// Invariants: offset_frame is the next frame read from the delegate and player_frame
// the position reported to the user; both move together by each block handed out, so
// currentTime runs ahead of the audible sound by what the graph holds queued.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

#include "render/OutputAudioGraph.h"
#include "render/SourceChannelProvider.h"

namespace wavomer {

class AudioChannelsPlayer final : public OutputAudioGraphDelegate, public SourceChannelProvider {
public:
    static constexpr int32_t kBlockFrames = 2048;
    static constexpr int32_t kOutputChannels = 2;
    static constexpr double kFramesPerSecond = 44100.0;
    static constexpr double kSelectionWrapSeconds = 0.05;

    // The player becomes the graph's delegate.
    explicit AudioChannelsPlayer(std::unique_ptr<OutputAudioGraph> graph);
    ~AudioChannelsPlayer() override;
    AudioChannelsPlayer(const AudioChannelsPlayer&) = delete;
    AudioChannelsPlayer& operator=(const AudioChannelsPlayer&) = delete;

    // Not owned. Set it while the player is stopped.
    void setDelegate(SourceChannelProvider* delegate) noexcept { delegate_.store(delegate); }
    SourceChannelProvider* delegate() const noexcept { return delegate_.load(); }
    OutputAudioGraph& graph() { return *player_; }

    void start();
    void stop();
    bool isStart() const { return player_->isStart(); }

    double currentTime() const noexcept;
    void setCurrentTime(double seconds) noexcept;
    void audioOutputForwordSample(double frames) noexcept;
    int64_t offsetFrame() const noexcept { return offset_frame.load(std::memory_order_acquire); }
    int64_t playerFrame() const noexcept { return player_frame.load(std::memory_order_acquire); }

    // The play-selection wrap. The main thread publishes the loop (or none) whenever the
    // selection may have changed; the fold calls wrapSelectionIfNeeded before each block,
    // ahead of reading any of its channels. Answers whether it jumped.
    void setSelectionLoop(bool active, double startSeconds, double endSeconds) noexcept;
    bool wrapSelectionIfNeeded() noexcept;

    // OutputAudioGraphDelegate: hands the graph one block when it holds fewer than
    // kBlockFrames frames.
    void decodeMoreAudioDataToAudioOutput() noexcept override;

    // The fold: `frames` interleaved frames of `channels` output channels from
    // offset_frame on, then both positions advance by `frames`. Longer requests than a
    // block are folded a block at a time.
    void readSample(float* out, int32_t frames, int32_t channels) noexcept;

    // SourceChannelProvider, forwarded to the delegate (silence and 1 channel without).
    int64_t audioSampleChannels() noexcept override;
    int32_t readSample(float* buffer, int32_t channel, int32_t frames, int64_t offset) noexcept override;

private:
    std::unique_ptr<OutputAudioGraph> player_;
    std::atomic<SourceChannelProvider*> delegate_{nullptr};
    std::atomic<int64_t> offset_frame{0};
    std::atomic<int64_t> player_frame{0};

    // The selection loop, written by the main thread under a sequence count so the
    // audio thread reads start, end and the flag as one (odd count: being written).
    std::atomic<uint32_t> loopSequence_{0};
    std::atomic<bool> loopActive_{false};
    std::atomic<double> loopStart_{0.0};
    std::atomic<double> loopEnd_{0.0};

    std::array<float, static_cast<size_t>(kBlockFrames) * kOutputChannels> block_{};
    std::array<float, kBlockFrames> plane_{};
};

}  // namespace wavomer
