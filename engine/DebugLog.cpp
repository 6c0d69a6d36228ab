#include "engine/DebugLog.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace veltra {

namespace {

void standardErrorSink(const char* line) {
    std::fputs(line, stderr);
}

std::atomic<DebugSink> gSink{&standardErrorSink};

}  // namespace

void setDebugSink(DebugSink sink) {
    gSink.store(sink != nullptr ? sink : &standardErrorSink);
}

void logDebug(const char* format, ...) {
    if (format == nullptr) return;
    char message[1024];
    va_list arguments;
    va_start(arguments, format);
    // NOLINTNEXTLINE(clang-analyzer-valist.Uninitialized): started by va_start just above
    const int written = std::vsnprintf(message, sizeof message, format, arguments);
    va_end(arguments);
    if (written < 0) return;
    char line[2048];
    std::snprintf(line, sizeof line, "[%s] %s", "VeltraDsp", message);
    gSink.load()(line);
}

}  // namespace veltra
