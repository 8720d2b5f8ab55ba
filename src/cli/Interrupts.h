// Ctrl-C, SIGTERM and SIGHUP while a command writes: the command notices, stops,
// removes its partial output and ends with 128 + the signal's number.
#pragma once

namespace wavomer::cli {

class InterruptGuard {
public:
    InterruptGuard();   // catches SIGINT, SIGTERM and SIGHUP
    ~InterruptGuard();  // puts the previous handlers back
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    // The signal that arrived, or 0.
    static int signalNumber();
};

}  // namespace wavomer::cli
