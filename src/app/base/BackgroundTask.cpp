#include "base/BackgroundTask.h"

#include "engine/WaveEditViewController.h"

#include <QEventLoop>
#include <QProgressBar>
#include <QProgressDialog>
#include <QTimer>
#include <thread>

#include "base/Text.h"

namespace wavomer::app {

bool runInBackground(QWidget* parent, const BackgroundTask& task) {
    std::atomic<bool> cancel{false}, done{false};
    std::atomic<double> progress{0.0};
    std::thread worker([&] {
        task.work(cancel, progress);
        done = true;
    });
    QProgressDialog dialog(task.label, Text::tr("Cancel"), 0, 1000, parent);
    auto* bar = new QProgressBar(&dialog);
    bar->setAccessibleName(task.progressName);
    dialog.setBar(bar);
    dialog.setWindowTitle(task.title);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(300);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        dialog.setValue(static_cast<int>(progress.load() * 1000.0));
        if (done) loop.quit();
    });
    QObject::connect(&dialog, &QProgressDialog::canceled, &loop, [&] { cancel = true; });
    poll.start(30);
    loop.exec();
    poll.stop();
    worker.join();
    dialog.hide();
    return !cancel;
}

ReadScope readScope(const WaveEditViewController& engine) {
    ReadScope scope;
    scope.from = std::min(engine.selectedTimelineStartTime(), engine.selectedTimelineEndTime());
    scope.to = std::max(engine.selectedTimelineStartTime(), engine.selectedTimelineEndTime());
    scope.tracks = engine.timelineTrackArray();
    scope.wholeProject = scope.to - scope.from < 1e-9 || scope.tracks.empty();
    if (scope.wholeProject) {
        scope.from = 0.0;
        scope.to = engine.farestTrackEndTime();
        scope.tracks = engine.audioTrackArray();
    }
    return scope;
}

}  // namespace wavomer::app
