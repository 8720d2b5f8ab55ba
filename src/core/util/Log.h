// The program's log: short formatted lines on standard error, printf-style, as the
// program's own log lines are written ("ignore vob", "process err %d", ...).
// Safe from any thread; one call writes one whole line.
#pragma once

namespace wavomer {

void logLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A warning the user must see (a file that decoded only in part): printed whether or
// not the log is enabled, after the program's prefix ("wavomer-cli: ").
void warningLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Tests and the command-line tool (without -v) silence the log; the window
// redirects nothing here (it tees stderr).
void setLogEnabled(bool enabled);
// What every warning line starts with; empty by default. Set once at start-up.
void setWarningPrefix(const char* prefix);

}  // namespace wavomer
