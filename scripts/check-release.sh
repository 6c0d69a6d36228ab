#!/usr/bin/env bash
# Builds everything in Release (-O3) with GCC and with clang, warnings as errors, so that what the
# optimiser warns about is seen here before a user's plain Release build meets it.
source "$(dirname "$0")/common.sh"
for compiler in g++ clang++; do
    dir="$ROOT/build/release-$compiler"
    cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER="$compiler" \
        -DVELTRA_WERROR=ON >/dev/null
    cmake --build "$dir" -j "$JOBS"
    echo "Release build with $compiler: no warnings"
done
