// Output graphs for the playback tests. ManualOutputGraph is driven by the test: it
// asks its delegate for audio only when the test calls pull(), and reports whatever
// queue length the test sets. ThreadedOutputGraph asks from its own thread as fast as
// the delegate answers, the way a busy sound server would, for the thread tests.
#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "render/OutputAudioGraph.h"

namespace wavomer::test {

class ManualOutputGraph : public OutputAudioGraph {
public:
    struct Shared {
        std::vector<std::string> calls;        // "clearBuffer", "start", "stop"
        std::vector<std::vector<float>> blocks;  // every block written, interleaved stereo
        int64_t queuedFrames = 0;              // what bufferFrames answers
        bool running = false;
    };

    explicit ManualOutputGraph(Shared& shared) : shared_(shared) {}

    void setDelegate(OutputAudioGraphDelegate* delegate) override { delegate_ = delegate; }
    void clearBuffer() override { shared_.calls.push_back("clearBuffer"); }
    void start() override {
        shared_.calls.push_back("start");
        shared_.running = true;
    }
    void stop() override {
        shared_.calls.push_back("stop");
        shared_.running = false;
    }
    bool isStart() const override { return shared_.running; }
    int64_t bufferFrames() const noexcept override { return shared_.queuedFrames; }
    void streamWriteSample(int32_t stream, const float* interleaved, int32_t frames) noexcept override {
        shared_.blocks.emplace_back(interleaved, interleaved + static_cast<size_t>(frames) * kChannels);
    }

    // One request for more audio, as the graph's thread would make it.
    void pull() { delegate_->decodeMoreAudioDataToAudioOutput(); }

private:
    Shared& shared_;
    OutputAudioGraphDelegate* delegate_ = nullptr;
};

class ThreadedOutputGraph : public OutputAudioGraph {
public:
    ThreadedOutputGraph() : thread_([this] { run(); }) {}
    ~ThreadedOutputGraph() override {
        quit_ = true;
        thread_.join();
    }
    void setDelegate(OutputAudioGraphDelegate* delegate) override { delegate_.store(delegate); }
    void clearBuffer() override {}
    void start() override { running_ = true; }
    void stop() override { running_ = false; }
    bool isStart() const override { return running_; }
    int64_t bufferFrames() const noexcept override { return 0; }
    void streamWriteSample(int32_t, const float* interleaved, int32_t frames) noexcept override {
        blocks_.fetch_add(1);
        for (int32_t i = 0; i < frames * kChannels; ++i)
            if (interleaved[i] != 0.0f) {
                soundingBlocks_.fetch_add(1);
                break;
            }
    }
    int64_t blocks() const { return blocks_.load(); }
    int64_t soundingBlocks() const { return soundingBlocks_.load(); }

private:
    void run() {
        while (!quit_) {
            OutputAudioGraphDelegate* delegate = delegate_.load();
            if (running_ && delegate) delegate->decodeMoreAudioDataToAudioOutput();
            else std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    std::atomic<OutputAudioGraphDelegate*> delegate_{nullptr};
    std::atomic<bool> running_{false};
    std::atomic<bool> quit_{false};
    std::atomic<int64_t> blocks_{0};
    std::atomic<int64_t> soundingBlocks_{0};
    std::thread thread_;
};

}  // namespace wavomer::test
