#include "util/Log.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace wavomer {

namespace {

std::atomic<bool> gLogEnabled{true};
std::atomic<const char*> gWarningPrefix{""};

void writeLine(const char* prefix, const char* format, va_list args) {
    char line[1024];
    size_t start = std::strlen(prefix);
    if (start > 256) start = 256;
    std::memcpy(line, prefix, start);
    int n = std::vsnprintf(line + start, sizeof line - 1 - start, format, args);
    if (n < 0) return;
    size_t len = start + static_cast<size_t>(n);
    if (len > sizeof line - 2) len = sizeof line - 2;
    line[len] = '\n';
    std::fwrite(line, 1, len + 1, stderr);
}

}  // namespace

void setLogEnabled(bool enabled) { gLogEnabled.store(enabled); }

void setWarningPrefix(const char* prefix) { gWarningPrefix.store(prefix ? prefix : ""); }

void logLine(const char* format, ...) {
    if (!gLogEnabled.load()) return;
    va_list args;
    va_start(args, format);
    writeLine("", format, args);
    va_end(args);
}

void warningLine(const char* format, ...) {
    va_list args;
    va_start(args, format);
    writeLine(gWarningPrefix.load(), format, args);
    va_end(args);
}

}  // namespace wavomer
