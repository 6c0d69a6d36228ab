#pragma once

namespace veltra {

// Receives each finished debug line. The Windows module installs one that calls
// OutputDebugStringA; elsewhere the default writes to standard error.
using DebugSink = void (*)(const char* line);

// Installs the sink for all later lines; null restores the default.
void setDebugSink(DebugSink sink);

// Formats the arguments into a 1024-byte buffer, then that text into "[VeltraDsp] <text>" in a
// 2048-byte buffer, and hands the result to the sink. No newline is added. Text beyond 1023
// characters after formatting is cut off.
void logDebug(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

}  // namespace veltra
