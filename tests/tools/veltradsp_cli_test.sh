#!/usr/bin/env bash
# End-to-end checks of the offline host: files in and out, exit codes, no leftovers on failure.
set -u
TOOL="$1"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
fail=0
check() {  # description, expected status, command...
    local what="$1" want="$2"
    shift 2
    "$@" >"$WORK/stdout" 2>"$WORK/stderr"
    local got=$?
    if [[ $got -ne $want ]]; then
        echo "FAIL: $what: status $got, wanted $want"; cat "$WORK/stderr"; fail=1
    fi
}
cd "$WORK"
sox -n -r 44100 -c 2 -b 24 in.flac synth 0.5 sine 300 sine 2000 gain -3
sox -n -r 48000 -c 1 -b 16 mono.wav synth 0.2 sine 500
sox -n -r 48000 -c 17 -b 16 wide.wav synth 0.1 sine 500

check "speaker" 0 "$TOOL" speaker in.flac out.wav --quiet --format pcm16
[[ "$(soxi -r out.wav)" == 44100 && "$(soxi -c out.wav)" == 2 && "$(soxi -s out.wav)" == "$(soxi -s in.flac)" ]] \
    || { echo "FAIL: speaker output shape"; fail=1; }
[[ "$(soxi -b out.wav)" == 16 ]] || { echo "FAIL: pcm16 format"; fail=1; }
check "mic" 0 "$TOOL" mic in.flac mic.wav --quiet --host-frames 160
[[ "$(soxi -s mic.wav)" == "$(soxi -s in.flac)" ]] || { echo "FAIL: mic length"; fail=1; }
check "mono passes" 0 "$TOOL" speaker mono.wav mono_out.wav --quiet
cmp -s <(sox mono.wav -t f32 - 2>/dev/null) <(sox mono_out.wav -t f32 - 2>/dev/null) \
    || { echo "FAIL: mono file changed"; fail=1; }
check "response csv" 0 "$TOOL" response --csv r.csv --points 16
[[ "$(head -1 r.csv)" == "frequency_hz,PreEQ,PostEQ,PostEQ2,total" && $(wc -l <r.csv) -eq 17 ]] \
    || { echo "FAIL: csv shape"; fail=1; }

check "missing input" 2 "$TOOL" speaker missing.wav bad1.wav
grep -q "missing.wav" "$WORK/stderr" || { echo "FAIL: error names the file"; fail=1; }
echo "not audio" >junk.wav
check "unreadable input" 2 "$TOOL" speaker junk.wav bad2.wav
check "too many channels" 2 "$TOOL" speaker wide.wav bad3.wav
check "unwritable output" 2 "$TOOL" speaker in.flac no/such/dir/out.wav
sox -n -r 48000 -c 2 -b 16 whole.wav synth 0.1 sine 440 2>/dev/null
head -c 10000 whole.wav >cut.wav
check "truncated input" 2 "$TOOL" speaker cut.wav bad4.wav
grep -q "truncated" "$WORK/stderr" || { echo "FAIL: truncation named"; fail=1; }
: >empty.wav
check "zero-length input" 2 "$TOOL" speaker empty.wav bad5.wav
printf 'RIFF\xff\xff\xff\x7fWAVEfmt \x10\0\0\0\x01\0\xff\x03' >corrupt.wav
check "corrupt header" 2 "$TOOL" speaker corrupt.wav bad6.wav
sox -n -r 8000 -c 300 -b 16 huge.wav synth 0.01 sine 100 2>/dev/null
check "huge channel count" 2 "$TOOL" mic huge.wav bad7.wav
grep -q "at most 16" "$WORK/stderr" || { echo "FAIL: channel limit named"; fail=1; }
check "usage" 64 "$TOOL" speaker in.flac
check "bad option value" 64 "$TOOL" speaker in.flac x.wav --enhancement maybe
check "unknown stage" 64 "$TOOL" response --stage Nope
check "version" 0 "$TOOL" --version
grep -q "^veltradsp (VeltraDsp) " "$WORK/stdout" || { echo "FAIL: version text"; fail=1; }
check "help" 0 "$TOOL" --help
leftovers=$(ls bad* x.wav ./*.part* 2>/dev/null)
[[ -z "$leftovers" ]] || { echo "FAIL: leftover files: $leftovers"; fail=1; }
exit $fail
