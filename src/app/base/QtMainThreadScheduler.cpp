#include "base/QtMainThreadScheduler.h"

#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"

namespace wavomer::app {

QtMainThreadScheduler::QtMainThreadScheduler(QObject* parent) : QObject(parent) {}

void QtMainThreadScheduler::run(const std::function<void()>& work) {
    if (!engine_) {
        work();
        return;
    }
    UserEvent event(*engine_);
    work();
}

void QtMainThreadScheduler::post(std::function<void()> work) {
    QMetaObject::invokeMethod(this, [this, work = std::move(work)] { run(work); }, Qt::QueuedConnection);
}

void QtMainThreadScheduler::postAfter(double seconds, std::function<void()> work) {
    const int ms = seconds > 0.0 ? static_cast<int>(seconds * 1000.0 + 0.5) : 0;
    if (QThread::currentThread() == thread()) {
        QTimer::singleShot(ms, this, [this, work = std::move(work)] { run(work); });
        return;
    }
    // From another thread: hop to the main thread first, then start the timer there.
    QMetaObject::invokeMethod(
        this, [this, ms, work = std::move(work)] { QTimer::singleShot(ms, this, [this, work] { run(work); }); },
        Qt::QueuedConnection);
}

}  // namespace wavomer::app
