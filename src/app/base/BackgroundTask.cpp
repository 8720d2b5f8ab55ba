#include "base/BackgroundTask.h"

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

}  // namespace wavomer::app
