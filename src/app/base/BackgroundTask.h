// BackgroundTask: a long read of the project (a measure, a scan) run on a thread of its
// own while a window-modal progress dialog shows how far it is, with Cancel. The work
// reads only what the main thread handed it before it started (copies of the tracks),
// raises progress from 0 to 1 and stops soon after cancel is raised. The dialog shows
// only when the work lasts more than 300 ms.
//
// Threads: main thread; the work runs on a worker that is joined before this returns.
#pragma once

#include <QString>
#include <atomic>
#include <functional>
#include <vector>

#include "model/AudioTrack.h"

class QWidget;

namespace wavomer {
class WaveEditViewController;
}

namespace wavomer::app {

struct BackgroundTask {
    QString title;          // the dialog's title
    QString label;          // what it does ("Measuring the loudness...")
    QString progressName;   // the progress bar's accessible name
    std::function<void(const std::atomic<bool>& cancel, std::atomic<double>& progress)> work;
};

// Runs the task behind its dialog over parent; false when the user cancelled it.
bool runInBackground(QWidget* parent, const BackgroundTask& task);

// What a read of the project covers: the selected tracks within the selection, or every
// track over the whole project when nothing is selected.
struct ReadScope {
    double from = 0.0;
    double to = 0.0;
    std::vector<TrackPtr> tracks;
    bool wholeProject = false;
};
ReadScope readScope(const WaveEditViewController& engine);

}  // namespace wavomer::app
