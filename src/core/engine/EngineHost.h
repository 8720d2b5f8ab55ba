// What the editing engine asks of the world around it: the window's geometry, the
// window's views, the clipboard, the main thread's scheduler, the player and the
// recording state. The window implements these with Qt; the command-line tool and the
// tests implement them in-process. The geometry is pure virtual, so every host states
// what its window measures; the notifications have harmless defaults, so a host
// overrides only what it shows.
//
// Threads: every call arrives on the main thread, except MainThreadScheduler::post,
// which any thread may call to hand work back to the main thread.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace wavomer {

class MarkerItem;

// The visible part of the waveform area, in pixels.
struct VisibleRegion {
    double originX = 0.0;
    double width = 1000.0;
    double height = 400.0;
};

// The window the engine lays its rows out in.
class WindowGeometry {
public:
    virtual ~WindowGeometry() = default;
    virtual VisibleRegion visibleRegion() const = 0;
    virtual void setVisibleOriginX(double x) = 0;
    // The window grows by one row per added track while the screen has room.
    virtual double screenHeight() const = 0;
    virtual double windowHeight() const = 0;
    virtual void setWindowHeightKeepingTop(double height) = 0;
};

class EngineHost : public WindowGeometry {
public:
    // The outermost user event ended; changed says whether it changed the project (it
    // left something to undo). Told once per event, after the project lock is let go.
    virtual void userEventEnded(bool changed) {}

    // Views.
    // The container rebuilds its rows (one per track) and sizes its content.
    virtual void reloadContainerView() {}
    virtual void redrawRows() {}
    virtual void redrawEditView() {}
    virtual void flushTimeline() {}  // the overview's cursor
    virtual void flushButtonStates() {}
    virtual void flushPlayerTimeString() {}
    virtual void updateMarkerWindowShow() {}
    virtual void removeMarkerView(MarkerItem& marker) {}
    virtual void openImportWindow() {}
    virtual void closeImportWindow() {}
    // A recording starts: each row notes whether its track receives it (the selected tracks).
    virtual void initRecordStatusInTrack() {}
    // The recorded length changed: the rows and the content follow it.
    virtual void recordingDurationChanged(double seconds) {}

    // Player and recording.
    virtual void seekPlayerCurrentTime(double seconds) {}
    virtual bool isPlaying() const { return false; }
    virtual bool isRecording() const { return false; }

    // Asks the user to confirm deleting tracks first..last (1-based); OK is true.
    virtual bool confirmDeleteTracks(int64_t first, int64_t last) { return true; }
};

// The general clipboard: one typed payload at a time, shared by every project.
class Clipboard {
public:
    virtual ~Clipboard() = default;
    virtual void clearAndSet(const std::string& type, const std::vector<uint8_t>& data) = 0;
    virtual bool hasType(const std::string& type) const = 0;
    virtual std::optional<std::vector<uint8_t>> dataForType(const std::string& type) const = 0;
};

// A clipboard that lives in the process: the command-line tool and the tests.
class InProcessClipboard : public Clipboard {
public:
    void clearAndSet(const std::string& type, const std::vector<uint8_t>& data) override {
        type_ = type;
        data_ = data;
    }
    bool hasType(const std::string& type) const override { return data_.has_value() && type_ == type; }
    std::optional<std::vector<uint8_t>> dataForType(const std::string& type) const override {
        if (!hasType(type)) return std::nullopt;
        return data_;
    }

private:
    std::string type_;
    std::optional<std::vector<uint8_t>> data_;
};

// Runs work on the main thread: now (post, from any thread) or after a delay.
class MainThreadScheduler {
public:
    virtual ~MainThreadScheduler() = default;
    virtual void post(std::function<void()> work) = 0;
    virtual void postAfter(double seconds, std::function<void()> work) = 0;
};

}  // namespace wavomer
