#pragma once

// Placement of what the real-time thread touches. The audio service expects the real-time entry
// and its helpers in RT_CODE, the registration records in RT_DATA and constant tables in RT_CONST,
// so that they can be kept resident. Only the Windows module has such sections.
#if defined(_WIN32) && defined(__GNUC__)
#define VELTRA_RT_CODE __attribute__((section("RT_CODE")))
#define VELTRA_RT_DATA __attribute__((section("RT_DATA")))
#define VELTRA_RT_CONST __attribute__((section("RT_CONST")))
#elif defined(_WIN32) && defined(_MSC_VER)
#pragma section("RT_DATA", read, write)
#pragma section("RT_CONST", read)
#define VELTRA_RT_CODE __declspec(code_seg("RT_CODE"))
#define VELTRA_RT_DATA __declspec(allocate("RT_DATA"))
#define VELTRA_RT_CONST __declspec(allocate("RT_CONST"))
#else
#define VELTRA_RT_CODE
#define VELTRA_RT_DATA
#define VELTRA_RT_CONST
#endif
