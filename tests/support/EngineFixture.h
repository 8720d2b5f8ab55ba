// An editing engine with an in-test host: counters for the view hooks, a scheduler
// the test runs by hand, an in-process clipboard, and helpers that build tracks
// from sample data files written by the test.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "data/AudioWaveData.h"
#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"
#include "support/SampleFiles.h"
#include "support/TestSupport.h"

namespace wavomer::test {

class RecordingHost : public EngineHost {
public:
    VisibleRegion visibleRegion() const override { return region; }
    void setVisibleOriginX(double x) override { region.originX = x; }
    void reloadContainerView() override { ++reloads; }
    void userEventEnded(bool changed) override {
        if (onUserEventEnded) onUserEventEnded(changed);
    }
    void flushButtonStates() override { ++buttonFlushes; }
    void seekPlayerCurrentTime(double seconds) override { lastSeek = seconds; }
    bool isPlaying() const override { return playing; }
    bool isRecording() const override { return recording; }
    bool confirmDeleteTracks(int64_t first, int64_t last) override {
        confirmedFirst = first;
        confirmedLast = last;
        return answerOk;
    }
    double screenHeight() const override { return screen; }
    double windowHeight() const override { return window; }
    void setWindowHeightKeepingTop(double height) override { window = height; }

    VisibleRegion region{0.0, 1000.0, 400.0};
    int reloads = 0;
    int buttonFlushes = 0;
    double lastSeek = -1.0;
    bool playing = false;
    bool recording = false;
    bool answerOk = true;
    int64_t confirmedFirst = -1;
    int64_t confirmedLast = -1;
    double screen = 1080.0;
    double window = 600.0;
    std::function<void(bool changed)> onUserEventEnded;
};

// Runs posted work when the test says so. Work may be posted from any thread (an
// import's or a read's worker); the test runs it on its own.
class ManualScheduler : public MainThreadScheduler {
public:
    void post(std::function<void()> work) override {
        std::lock_guard<std::mutex> guard(lock_);
        queue.push_back(std::move(work));
    }
    void postAfter(double seconds, std::function<void()> work) override {
        std::lock_guard<std::mutex> guard(lock_);
        delayed.push_back(std::move(work));
    }
    void runAll() {
        for (;;) {
            std::function<void()> work;
            {
                std::lock_guard<std::mutex> guard(lock_);
                if (queue.empty() && delayed.empty()) return;
                auto& from = queue.empty() ? delayed : queue;
                work = std::move(from.front());
                from.pop_front();
            }
            work();
        }
    }
    // Waits up to ten seconds for work posted without delay; true when some arrived.
    bool waitForPosted() {
        for (int waited = 0; waited < 10000; ++waited) {
            {
                std::lock_guard<std::mutex> guard(lock_);
                if (!queue.empty()) return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }
    std::deque<std::function<void()>> queue;
    std::deque<std::function<void()>> delayed;

private:
    std::mutex lock_;
};

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        AudioWaveDataCache::share().removeAll();
        gWaveViewRefreshScheduled = false;
        engine = std::make_unique<WaveEditViewController>(host, clipboard, scheduler, undo);
        engine->importFolder = dir.path();
    }
    void TearDown() override {
        scheduler.runAll();
        engine.reset();
        AudioWaveDataCache::share().removeAll();
    }

    // One user event.
    void event(const std::function<void()>& body) {
        UserEvent scope(*engine);
        body();
    }

    // A mono sample data file of the given length whose frame k holds staircase(0, k).
    std::string source(const std::string& name, double seconds, int channels = 1) {
        std::string path = dir.file(name);
        writeSampleFile(path, channels, static_cast<int64_t>(seconds * 44100), staircase);
        return path;
    }

    SectionPtr audio(const std::string& path, double start, double end, double trackStart, int channel = 0) {
        return placedSection(path, start, end, trackStart, channel);
    }

    // Puts whole sources end to end on track i (no undo).
    void lay(size_t track, const std::vector<SectionPtr>& sections) {
        if (engine->audioTrackArray().size() <= track) resizeTracks(track + 1);
        engine->audioTrackArray()[track]->setSectionArray(sections);
        engine->setTimelineTrackArray(engine->audioTrackArray());
    }

    // Keeps the first count tracks, or adds empty ones up to count (no undo).
    void resizeTracks(size_t count) {
        std::vector<TrackPtr> tracks = engine->audioTrackArray();
        tracks.resize(std::min(tracks.size(), count));
        while (tracks.size() < count) tracks.push_back(std::make_shared<AudioTrack>());
        engine->setAudioTrackArray(tracks);
    }

    ScratchDir dir;
    RecordingHost host;
    InProcessClipboard clipboard;
    ManualScheduler scheduler;
    UndoManager undo;
    std::unique_ptr<WaveEditViewController> engine;
};

// Every track: sections adjacent from 0, ending at the project length.
inline void expectTidy(const WaveEditViewController& engine) {
    double length = engine.farestTrackEndTime();
    for (size_t t = 0; t < engine.audioTrackArray().size(); ++t) {
        const auto& sections = engine.audioTrackArray()[t]->sectionArray();
        double at = 0.0;
        for (const auto& s : sections) {
            EXPECT_NEAR(s->trackStartTime, at, 1e-9) << "track " << t;
            EXPECT_GT(s->trackEndTime - s->trackStartTime, 0.0009) << "sliver on track " << t;
            at = s->trackEndTime;
        }
        if (!sections.empty()) {
            EXPECT_NEAR(at, length, 0.001) << "track " << t;
        }
    }
}

}  // namespace wavomer::test
