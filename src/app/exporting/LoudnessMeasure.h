// Track > Loudness...: the loudness of the selection (the selected tracks over the
// selected range), or of the whole project without one, measured on a thread of its own
// behind a progress dialog with Cancel, then told as four figures: integrated loudness
// (LUFS), loudness range (LU), true peak (dBTP) and sample peak (dBFS), each track a
// channel as the default export has it.
//
// Threads: main thread; the measuring runs on a worker it joins before it returns.
#pragma once

#include <QString>
#include <optional>

#include "EbuR128Meter.h"

namespace wavomer::app {

struct WindowContext;

// The four figures as the window tells them, one per line ("no sound" where a figure
// has nothing to measure).
QString loudnessReport(const Loudness& loudness);
// Measures and tells the figures; nothing is told when the user cancels.
void measureLoudness(const WindowContext& context);

}  // namespace wavomer::app
