#!/usr/bin/env bash
# Peak resident memory of `veltradsp speaker` over a 10-second and a 10-minute stereo 48 kHz float
# file. The tool streams, so the two must lie within 2 MB of each other and under 16 MB; the
# script says so and fails otherwise.
#   bench/stream-memory.sh
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
TOOL="${TOOL:-$ROOT/build/release/tools/veltradsp}"  # another build to compare
[[ -x "$TOOL" ]] || { echo "build the offline host first (scripts/run.sh)"; exit 1; }
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

peak_kb() {  # seconds of audio -> peak resident set of the tool in KiB
    sox -q -n -r 48000 -c 2 -e floating-point -b 32 "$WORK/in.wav" synth "$1" pinknoise gain -6
    /usr/bin/time -f '%M' -o "$WORK/rss" "$TOOL" speaker "$WORK/in.wav" "$WORK/out.wav" --quiet
    cat "$WORK/rss"
}
short=$(peak_kb 10)
long=$(peak_kb 600)
echo "veltradsp speaker, stereo 48 kHz float: peak RSS $short KiB for 10 s, $long KiB for 10 min"
verdict=0
(( long - short <= 2048 )) || { echo "FAIL: memory grows with the file's length"; verdict=1; }
(( long <= 16384 )) || { echo "FAIL: more than 16 MB"; verdict=1; }
exit $verdict
