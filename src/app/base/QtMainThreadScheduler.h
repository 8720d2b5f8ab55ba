// The engine's main-thread scheduler on Qt's event loop. Work posted from any thread
// runs on the main thread inside one user event of the engine, so a placement handed
// back by a background conversion takes the project lock and is one undo step.
//
// Threads: post and postAfter from any thread. Work still queued when the scheduler
// goes is dropped (Qt discards queued calls to a destroyed context object).
#pragma once

#include <QObject>
#include <functional>

#include "engine/EngineHost.h"

namespace wavomer {
class WaveEditViewController;
}

namespace wavomer::app {

class QtMainThreadScheduler : public QObject, public MainThreadScheduler {
    Q_OBJECT
public:
    explicit QtMainThreadScheduler(QObject* parent = nullptr);
    // The engine whose user event wraps every piece of work; null runs it bare.
    void setEngine(WaveEditViewController* engine) { engine_ = engine; }

    void post(std::function<void()> work) override;
    void postAfter(double seconds, std::function<void()> work) override;

private:
    void run(const std::function<void()>& work);
    WaveEditViewController* engine_ = nullptr;
};

}  // namespace wavomer::app
