#!/usr/bin/env bash
# End-to-end checks of the offline host: files in and out, exit codes, no leftovers on failure.
set -u
TOOL="$1"
SRC="$(cd "$(dirname "$0")/../.." && pwd)"
source "$SRC/tests/tools/cli_checks.sh"
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
# The summary's levels, against sox's own measurement of the same file (the mono path passes
# audio through, so both sides read the same).
"$TOOL" speaker mono.wav mono_out.wav >summary.txt 2>&1
levels="$(sox mono.wav -n stat 2>&1 | awk '/^Maximum amplitude/{p=$3} /^RMS +amplitude/{r=$3} END{printf "peak %.4f rms %.4f", p, r}')"
grep -q "in $levels, out $levels" summary.txt \
    || { echo "FAIL: summary levels: $(cat summary.txt), wanted $levels"; fail=1; }
check "response csv" 0 "$TOOL" response --csv r.csv --points 16
[[ "$(head -1 r.csv)" == "frequency_hz,PreEQ,PostEQ,PostEQ2,total" && $(wc -l <r.csv) -eq 17 ]] \
    || { echo "FAIL: csv shape"; fail=1; }

# Two runs over the same input give the same bytes (no time stamp in a float WAV).
sox -n -r 48000 -c 2 -e floating-point -b 32 long.wav synth 4 pinknoise 2>/dev/null
check "float output" 0 "$TOOL" speaker long.wav f1.wav --quiet
check "float output again" 0 "$TOOL" speaker long.wav f2.wav --quiet
cmp -s f1.wav f2.wav || { echo "FAIL: two runs differ"; fail=1; }
# The disk fills up mid-stream: an error, and neither the output nor a temporary remains.
(ulimit -f 300; trap '' XFSZ; exec "$TOOL" speaker long.wav bad11.wav --quiet) 2>"$WORK/stderr"
[[ $? -eq 2 ]] || { echo "FAIL: full disk status"; fail=1; }
grep -q "bad11.wav: cannot write" "$WORK/stderr" || { echo "FAIL: full disk message"; fail=1; }
# A compressed file cut short is found out only when the data runs dry, after output began.
sox -q long.wav -b 24 long.flac
head -c 400000 long.flac >cut.flac
check "input cut short mid-stream" 2 "$TOOL" speaker cut.flac bad12.wav
grep -q "cut.flac: the file is truncated" "$WORK/stderr" || { echo "FAIL: cut flac named"; fail=1; }

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
# Presets: the built-in one as shipped, refusals with status 65 and nothing written.
check "preset show" 0 "$TOOL" preset show
cmp -s "$WORK/stdout" "$SRC/presets/default.toml" || { echo "FAIL: preset show differs from presets/default.toml"; fail=1; }
printf 'format = 1\n[PreEQ]\nbands = [ { type = "peak", freq_hz = 30000.0, gain_db = 1.0 } ]\n' >bad.toml
check "invalid preset" 65 "$TOOL" preset check bad.toml
grep -q "^bad.toml:3:38: PreEQ band 1 freq_hz: 30000 Hz is at or above half of 44100 Hz" "$WORK/stderr" || { echo "FAIL: problem line"; cat "$WORK/stderr"; fail=1; }
check "speaker refuses an invalid preset" 65 "$TOOL" speaker in.flac bad8.wav --preset bad.toml
check "export refuses an invalid preset" 65 "$TOOL" preset export bad.toml --pipewire bad9.conf
printf 'Filter 1: ON PK Fc 100 Hz Gain 3 dB Q 1\nFilter 2: ON XY Fc 1 Hz\n' >filters.txt
check "import refuses an unknown type" 65 "$TOOL" preset import filters.txt --stage PreEQ -o bad10.toml
grep -q "^filters.txt:2: unknown filter type 'XY'" "$WORK/stderr" || { echo "FAIL: import line"; fail=1; }
head -1 filters.txt >good.txt
check "import" 0 "$TOOL" preset import good.txt --stage PostEQ -o imported.toml
check "imported preset is valid" 0 "$TOOL" preset check imported.toml
# The exports as REW (CRLF, its header) and AutoEq write them.
check "import a REW file" 0 "$TOOL" preset import "$SRC/tests/presets/data/rew.txt" --stage PostEQ2 -o rew.toml
check "import an AutoEq file" 0 "$TOOL" preset import "$SRC/tests/presets/data/autoeq.txt" --stage PreEQ -o autoeq.toml
check "imported REW preset is valid" 0 "$TOOL" preset check rew.toml
check "imported AutoEq preset is valid" 0 "$TOOL" preset check autoeq.toml
check "response compare" 65 "$TOOL" response --preset imported.toml --compare bad.toml --points 4
check "response with a preset" 0 "$TOOL" response --stage PostEQ --preset imported.toml --compare "$SRC/presets/default.toml" --points 4
[[ "$(head -1 "$WORK/stdout")" == "frequency_hz,PostEQ,default:PostEQ" ]] || { echo "FAIL: compare columns"; head -1 "$WORK/stdout"; fail=1; }

# Every command lists the statuses it ends with, from one table; a wrong command line ends with
# the one listed for it.
for command in speaker mic response preset pipewire measure fit; do
    "$TOOL" $command --help >help.txt 2>&1
    grep -q "^Exit codes:" help.txt && grep -q "^  64  the command line is wrong" help.txt ||
        { echo "FAIL: $command --help lists no exit codes"; fail=1; }
    check "$command with an unknown option" 64 "$TOOL" $command --no-such-option
done

# No PipeWire to be reached (an empty runtime folder): attach and status say so and write nothing.
mkdir -p noruntime config
XDG_RUNTIME_DIR="$WORK/noruntime" XDG_CONFIG_HOME="$WORK/config" check "attach without PipeWire" 7 \
    "$TOOL" pipewire attach --sink speakers
grep -q "PipeWire cannot be reached" "$WORK/stderr" || { echo "FAIL: attach without PipeWire: message"; fail=1; }
XDG_RUNTIME_DIR="$WORK/noruntime" XDG_CONFIG_HOME="$WORK/config" check "status without PipeWire" 7 \
    "$TOOL" pipewire status
[[ -z "$(ls -A config)" ]] || { echo "FAIL: a command without PipeWire wrote $(ls -A config)"; fail=1; }

leftovers=$(ls bad* x.wav ./*.part* 2>/dev/null | grep -v '^bad.toml$')
[[ -z "$leftovers" ]] || { echo "FAIL: leftover files: $leftovers"; fail=1; }
exit $fail
