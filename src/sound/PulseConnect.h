// What the playback and the recorder share of libpulse: connecting a context on a
// threaded main loop within a deadline, and waiting for a state there, without ever
// holding the loop's lock while they wait (its thread keeps running the callbacks).
//
// Threads: an adapter's own worker thread, with the main loop locked; never the main
// thread of a window.
#pragma once

#include <chrono>
#include <functional>
#include <string>

struct pa_threaded_mainloop;
struct pa_context;

namespace wavomer::pulse {

using Deadline = std::chrono::steady_clock::time_point;
inline Deadline deadlineAfter(double seconds) {
    return std::chrono::steady_clock::now() +
           std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(seconds));
}

// Makes the main loop and the context (with its state callback) and starts the loop's
// thread; the caller owns both either way. Answers why not, or "".
std::string startLoop(pa_threaded_mainloop*& loop, pa_context*& context, const std::string& applicationName,
                      void (*stateCallback)(pa_context*, void*), void* userdata);

// With the loop locked: waits until ready() holds, unlocking the loop for 10 ms between
// checks. False once broken() holds or the deadline has passed.
bool waitUnlocking(pa_threaded_mainloop* loop, Deadline deadline, const std::function<bool()>& ready,
                   const std::function<bool()>& broken);

// With the loop locked: connects context to server (the desktop's own when empty),
// never spawning a daemon, and waits until it is ready. Answers why it is not, or ""
// when it is.
std::string connectContext(pa_threaded_mainloop* loop, pa_context* context, const std::string& server,
                           Deadline deadline);

}  // namespace wavomer::pulse
