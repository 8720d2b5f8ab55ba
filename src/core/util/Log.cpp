#include "util/Log.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace wavomer {

namespace {
std::atomic<bool> gLogEnabled{true};
}

void setLogEnabled(bool enabled) { gLogEnabled.store(enabled); }

void logLine(const char* format, ...) {
    if (!gLogEnabled.load()) return;
    char line[1024];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(line, sizeof line - 1, format, args);
    va_end(args);
    if (n < 0) return;
    size_t len = static_cast<size_t>(n) < sizeof line - 1 ? static_cast<size_t>(n) : sizeof line - 2;
    line[len] = '\n';
    std::fwrite(line, 1, len + 1, stderr);
}

}  // namespace wavomer
