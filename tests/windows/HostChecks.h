#pragma once

#include <cstdio>

// The Wine host's own check: GoogleTest does not cross-build here, and the host only needs a
// named pass or fail per expectation and a failure count for its exit status.
namespace host {

inline int& failures() {
    static int count = 0;
    return count;
}

inline bool check(bool ok, const char* what) {
    if (!ok) {
        ++failures();
        std::printf("FAIL: %s\n", what);
    }
    return ok;
}

inline bool checkHr(long actual, long expected, const char* what) {
    if (actual != expected) {
        ++failures();
        std::printf("FAIL: %s: 0x%08lX, expected 0x%08lX\n", what,
                    static_cast<unsigned long>(actual), static_cast<unsigned long>(expected));
        return false;
    }
    return true;
}

}  // namespace host
