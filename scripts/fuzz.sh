#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for SECONDS (default 600),
# starting from the seed corpus in tests/fuzz/corpus and keeping what it finds in build/fuzz/corpus.
# A crash leaves its input in build/fuzz/findings and fails the script. With RUNS set, each target
# stops after that many executions or SECONDS, whichever comes first.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#   RUNS=10000000 scripts/fuzz.sh 3600        # the depth run whose figures docs/fuzzing.md keeps
source "$(dirname "$0")/common.sh"
install_missing "${PACKAGES[@]}"
SECONDS_EACH="${1:-600}"
shift || true
TARGETS=("$@")
((${#TARGETS[@]})) || TARGETS=(parameter_blocks apo_object audio_file preset_file filter_import
                                pipewire speaker_plugin response_file)

BUILD="${FUZZ_BUILD:-$ROOT/build/fuzz}"
CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRA_FUZZ=ON \
    -DVELTRA_SANITIZE=ON -DVELTRA_BUILD_TESTS=OFF -DVELTRA_BUILD_BENCH=OFF >/dev/null
cmake --build "$BUILD" -j "$JOBS" >/dev/null

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$BUILD/findings"
for target in "${TARGETS[@]}"; do
    corpus="$BUILD/corpus/$target"
    mkdir -p "$corpus"
    rm -f "$BUILD/findings/$target-"*
    echo "== fuzz_$target for ${SECONDS_EACH}s"
    # On the targets that run the signal path, hit counts of its loops would be new features at
    # every other frame count: only whether each branch ran counts there.
    counters=1
    case "$target" in parameter_blocks | apo_object | audio_file | speaker_plugin) counters=0 ;; esac
    # Filter text is fitted section by section: 768 bytes hold a header and seventeen short
    # filter lines, one more than an equaliser takes, and keep each input's fit short.
    limit=()
    [[ "$target" == filter_import ]] && limit=(-max_len=768)
    "$BUILD/tests/fuzz/fuzz_$target" "$corpus" "$ROOT/tests/fuzz/corpus/$target" -use_counters=$counters "${limit[@]}" \
        -max_total_time="$SECONDS_EACH" ${RUNS:+-runs="$RUNS"} -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$BUILD/findings/$target-" 2>&1 |
        grep -E "^(stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb|==[0-9]+==ERROR|SUMMARY)|Done|DONE" || true
    if compgen -G "$BUILD/findings/$target-*" >/dev/null; then
        echo "fuzz_$target found a failing input: $(ls "$BUILD/findings/$target-"*)"
        exit 1
    fi
done
