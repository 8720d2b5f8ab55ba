#include "PulseConnect.h"

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/thread-mainloop.h>

#include <thread>

namespace wavomer::pulse {

std::string startLoop(pa_threaded_mainloop*& loop, pa_context*& context, const std::string& applicationName,
                      void (*stateCallback)(pa_context*, void*), void* userdata) {
    loop = pa_threaded_mainloop_new();
    if (!loop) return "cannot make a main loop";
    context = pa_context_new(pa_threaded_mainloop_get_api(loop), applicationName.c_str());
    if (!context) return "cannot make a context";
    pa_context_set_state_callback(context, stateCallback, userdata);
    if (pa_threaded_mainloop_start(loop) < 0) return "cannot start the main loop";
    return {};
}

bool waitUnlocking(pa_threaded_mainloop* loop, Deadline deadline, const std::function<bool()>& ready,
                   const std::function<bool()>& broken) {
    while (!ready()) {
        if (broken() || std::chrono::steady_clock::now() > deadline) return false;
        pa_threaded_mainloop_unlock(loop);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        pa_threaded_mainloop_lock(loop);
    }
    return true;
}

std::string connectContext(pa_threaded_mainloop* loop, pa_context* context, const std::string& server,
                           Deadline deadline) {
    if (pa_context_connect(context, server.empty() ? nullptr : server.c_str(), PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return pa_strerror(pa_context_errno(context));
    if (waitUnlocking(
            loop, deadline, [&] { return pa_context_get_state(context) == PA_CONTEXT_READY; },
            [&] { return !PA_CONTEXT_IS_GOOD(pa_context_get_state(context)); }))
        return {};
    const int code = pa_context_errno(context);
    return code ? pa_strerror(code) : "the server did not answer within the deadline";
}

}  // namespace wavomer::pulse
