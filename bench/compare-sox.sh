#!/usr/bin/env bash
# Times `veltradsp speaker` against sox doing a subset of the same work on one 60-second stereo
# 48 kHz float file: the -10 dB headroom and the three equalisers' bands ("PreEQ", "PostEQ",
# "PostEQ2" as sox highpass/equalizer with the same frequencies, gains and Q). sox has no
# look-ahead limiter or widener, so our side does strictly more. Runs are interleaved A/B; the
# figure is the ratio of the median CPU times (user + system).
#   bench/compare-sox.sh [RUNS]
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
RUNS="${1:-7}"
TOOL="${TOOL:-$ROOT/build/release/tools/veltradsp}"  # another build to compare
[[ -x "$TOOL" ]] || { echo "build the offline host first (scripts/run.sh)"; exit 1; }
command -v sox >/dev/null || { echo "sox is needed"; exit 1; }
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

sox -q -n -r 48000 -c 2 -e floating-point -b 32 "$WORK/in.wav" synth 60 pinknoise synth 60 \
    sine mix 220 gain -6
PRE=(highpass 180 0.8q equalizer 350 2q -10 equalizer 800 3q -3 equalizer 1500 2q 3
     equalizer 3000 2.8q 3 equalizer 4000 8q -9 equalizer 5000 3q 8 equalizer 9000 6q -5
     equalizer 250 2.5q 10)
POST=(highpass 200 0.8q)
POST2=(highpass 200 0.8q equalizer 250 2.5q 10 equalizer 350 3.5q -15 equalizer 800 3q -3
       equalizer 1500 2q 3 equalizer 3000 2.8q 3 equalizer 4000 8q -9 equalizer 5000 3q 8
       equalizer 9000 6q -5 equalizer 450 4.5q -5)
run_ours() { "$TOOL" speaker "$WORK/in.wav" "$WORK/ours.wav" --format float --quiet; }
run_sox() {
    sox -q "$WORK/in.wav" -e floating-point -b 32 "$WORK/sox.wav" gain -10 "${PRE[@]}" \
        "${POST[@]}" "${POST2[@]}"
}
cpu_seconds() {  # prints user + system CPU seconds of the command
    local TIMEFORMAT='%U %S'
    { time "$@" >/dev/null; } 2>&1 | awk '{print $1 + $2}'
}
median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
spread() { sort -g | awk 'NR == 1 {lo = $1} {hi = $1} END {printf "%.3f-%.3f", lo, hi}'; }

run_ours >/dev/null && run_sox >/dev/null  # warm the caches
ours=() theirs=()
for ((i = 0; i < RUNS; i++)); do
    ours+=("$(cpu_seconds run_ours)")
    theirs+=("$(cpu_seconds run_sox)")
done
o="$(printf '%s\n' "${ours[@]}" | median)"
s="$(printf '%s\n' "${theirs[@]}" | median)"
echo "60 s stereo 48 kHz float, $RUNS runs each, interleaved"
echo "veltradsp speaker: median $o s CPU (range $(printf '%s\n' "${ours[@]}" | spread)), $(awk -v t="$o" 'BEGIN {printf "%.0f", 60 / t}')x real time"
echo "sox subset:        median $s s CPU (range $(printf '%s\n' "${theirs[@]}" | spread)), $(awk -v t="$s" 'BEGIN {printf "%.0f", 60 / t}')x real time"
echo "ratio ours/sox:    $(awk -v a="$o" -v b="$s" 'BEGIN {printf "%.2f", a / b}')"
