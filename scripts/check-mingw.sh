#!/usr/bin/env bash
# Compiles every source of the core and of apo/ with the mingw-w64 cross compiler, warnings as
# errors, so the shared source keeps building for Windows. Syntax and types only; no link.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
CXX=x86_64-w64-mingw32-g++-posix
cd "$ROOT"
FLAGS=(-std=c++20 -Wall -Wextra -Wpedantic -Werror -ffp-contract=off -I. -fsyntax-only)
find engine chain effects apo -name '*.cpp' ! -name 'Avx2*.cpp' -print0 |
    xargs -0 -P "$(nproc 2>/dev/null || echo 2)" -n 4 "$CXX" "${FLAGS[@]}"
# The AVX2 kernels (the files named Avx2*.cpp) get their instruction set, as in the build.
find effects/kernels -name 'Avx2*.cpp' -print0 | xargs -0 "$CXX" "${FLAGS[@]}" -mavx2
echo "mingw-w64: every source compiles"
