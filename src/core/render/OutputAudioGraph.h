// OutputAudioGraph: the sound output as the player sees it. It plays interleaved
// stereo 32-bit float frames at 44100 Hz from a queue, and calls its delegate's
// decodeMoreAudioDataToAudioOutput whenever it can take more; the delegate looks at
// bufferFrames and hands over blocks with streamWriteSample. The sound server adapter
// and the silent device (src/sound) implement it; tests implement it in-process.
//
// Threads: setDelegate, clearBuffer, start, stop and isStart are called on the main
// thread and never block on the sound server. The delegate is called on the graph's
// own thread, and bufferFrames and streamWriteSample are called from inside that call.
// The delegate is set before the first start and outlives the graph's running.
//
// Invariants: after clearBuffer and start, nothing queued before clearBuffer is played;
// bufferFrames counts frames handed over and not yet passed on to the device.
#pragma once

#include <cstdint>

namespace wavomer {

class OutputAudioGraphDelegate {
public:
    virtual ~OutputAudioGraphDelegate() = default;
    // The graph can take more audio. Runs on the graph's thread.
    virtual void decodeMoreAudioDataToAudioOutput() noexcept = 0;
};

class OutputAudioGraph {
public:
    static constexpr int32_t kSampleRate = 44100;
    static constexpr int32_t kChannels = 2;

    virtual ~OutputAudioGraph() = default;

    virtual void setDelegate(OutputAudioGraphDelegate* delegate) = 0;
    // Drops everything queued and not yet played.
    virtual void clearBuffer() = 0;
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isStart() const = 0;

    // Frames queued and not yet played. Called from inside the delegate's call.
    virtual int64_t bufferFrames() const noexcept = 0;
    // Queues `frames` interleaved stereo frames on stream `stream` (only stream 0 is
    // played). Called from inside the delegate's call; copies the data.
    virtual void streamWriteSample(int32_t stream, const float* interleaved, int32_t frames) noexcept = 0;
};

}  // namespace wavomer
