// Viewport: the visible part of the rows, as the ruler, the overview and the engine's
// bridge read and move it. The rows' view is the viewport; the others take it by
// reference instead of asking through functions of their own.
//
// Threads: main thread.
#pragma once

#include "engine/EngineHost.h"

namespace wavomer::app {

class Viewport {
public:
    // The visible region: its origin is the scroll offset in whole pixels.
    virtual VisibleRegion visibleRegion() const = 0;
    virtual void setVisibleOriginX(double x) = 0;
    // The cursor's time when the rows last drew it.
    virtual double lastDrawTimelineTime() const = 0;

protected:
    ~Viewport() = default;
};

}  // namespace wavomer::app
