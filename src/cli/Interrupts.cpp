#include "Interrupts.h"

#include <csignal>

namespace wavomer::cli {

namespace {

volatile std::sig_atomic_t gSignal = 0;
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction gPrevious[3];

extern "C" void onSignal(int number) { gSignal = number; }

}  // namespace

InterruptGuard::InterruptGuard() {
    gSignal = 0;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < 3; ++i) ::sigaction(kSignals[i], &action, &gPrevious[i]);
}

InterruptGuard::~InterruptGuard() {
    for (int i = 0; i < 3; ++i) ::sigaction(kSignals[i], &gPrevious[i], nullptr);
}

int InterruptGuard::signalNumber() { return gSignal; }

}  // namespace wavomer::cli
