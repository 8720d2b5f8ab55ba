// The program's log: short formatted lines on standard error, printf-style, as the
// program's own log lines are written ("ignore vob", "process err %d", ...).
// Safe from any thread; one call writes one whole line.
#pragma once

namespace wavomer {

void logLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Tests silence the log; the window redirects nothing here (it tees stderr).
void setLogEnabled(bool enabled);

}  // namespace wavomer
