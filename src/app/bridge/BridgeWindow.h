// BridgeWindow: what the engine's bridge asks of the window it serves: the window's
// geometry, where the rows last drew the cursor, the question before tracks are deleted
// and whether the recording panel is open. The main window implements it.
//
// Threads: main thread.
#pragma once

#include <cstdint>

#include "engine/EngineHost.h"

namespace wavomer::app {

class BridgeWindow : public WindowGeometry {
public:
    // The cursor's time when the rows last drew it.
    virtual double lastDrawTimelineTime() const = 0;
    // Asks the user to confirm deleting tracks first..last (1-based).
    virtual bool confirmDeleteTracks(int64_t first, int64_t last) = 0;
    virtual bool isRecordingPopoverShown() const = 0;
};

}  // namespace wavomer::app
