#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: a normal build and the style and static
# checks (clang-format, cppcheck, clang-tidy), an AddressSanitizer + UndefinedBehaviorSanitizer
# build, a ThreadSanitizer build of the threaded suites, the Windows module under Wine, and each
# fuzzer briefly.
source "$(dirname "$0")/common.sh"
install_missing "${PACKAGES[@]}"

configure_and_build "$ROOT/build/release" -DVELTRA_WERROR=ON -DVELTRA_BUILD_TESTS=ON -DVELTRA_BUILD_BENCH=ON
(cd "$ROOT/build/release" && ctest --output-on-failure -j "$JOBS")
# clang-format, cppcheck and clang-tidy, all clean.
bash "$ROOT/scripts/lint.sh"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
configure_and_build "$ROOT/build/sanitize" -DVELTRA_WERROR=ON -DVELTRA_SANITIZE=ON -DVELTRA_BUILD_TESTS=ON -DVELTRA_BUILD_BENCH=OFF
(cd "$ROOT/build/sanitize" && ctest --output-on-failure -j "$JOBS")

# ThreadSanitizer: the suites with threads in them, the speaker object's three-thread stress test
# among them.
cmake -S "$ROOT" -B "$ROOT/build/tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRA_TSAN=ON \
    -DVELTRA_BUILD_BENCH=OFF -DVELTRA_BUILD_TOOLS=OFF >/dev/null
cmake --build "$ROOT/build/tsan" -j "$JOBS" --target apo_tests engine_tests
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 "$ROOT/build/tsan/tests/apo_tests"
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 "$ROOT/build/tsan/tests/engine_tests"

# Release (-O3) with GCC and clang, as a user builds it, but with warnings as errors.
bash "$ROOT/scripts/check-release.sh" >/dev/null
# The LV2 plugin live in a private PipeWire.
bash "$ROOT/scripts/test-pipewire.sh"
# veltradsp pipewire attach: the sink bound to one device as devices come and go.
bash "$ROOT/scripts/test-pipewire-attach.sh"
# Measuring a speaker made of PipeWire's own biquads, fitting it and measuring it again through the
# VeltraDsp sink.
bash "$ROOT/scripts/test-measure-pipewire.sh"
bash "$ROOT/scripts/check-mingw.sh"
bash "$ROOT/scripts/build-windows.sh"
bash "$ROOT/scripts/test-wine.sh"
bash "$ROOT/scripts/test-setup-wine.sh"
# Each fuzzer briefly, so that they keep building and their seeds keep passing.
bash "$ROOT/scripts/fuzz.sh" 30
