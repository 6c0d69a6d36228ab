#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job.
source "$(dirname "$0")/common.sh"
install_missing "${PACKAGES[@]}"
configure_and_build "$ROOT/build/release" -DVELTRA_BUILD_TESTS=OFF
"$ROOT/build/release/bench/veltra_bench" --benchmark_min_time=0.05
