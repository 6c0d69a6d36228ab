#!/usr/bin/env bash
# End-to-end checks of measure and fit: files in and out, exit codes (64 usage, 65 bad data),
# nothing written on failure, the same bytes for the same input.
set -u
TOOL="$1"
SRC="$(cd "$(dirname "$0")/../.." && pwd)"
COMPARE="/usr/bin/python3 $SRC/tests/measure/compare_response.py"
source "$SRC/tests/tools/cli_checks.sh"
says() {  # text the last command's error must hold
    grep -qF -- "$1" "$WORK/stderr" || { echo "FAIL: message lacks '$1': $(cat "$WORK/stderr")"; fail=1; }
}
absent() { for f in "$@"; do [[ -e "$f" ]] && { echo "FAIL: $f was written"; fail=1; }; done; ls "$WORK" | grep -q part && { echo "FAIL: a temporary was left"; fail=1; }; return 0; }
cd "$WORK"
# A measured device in closed form (cookbook sections on a 1/48-octave grid), REW text.
device() {  # file, sections as "TYPE f0 gain q"...
    local out="$1"
    shift
    /usr/bin/python3 - "$out" "$@" <<'PY'
import sys, math, cmath
def db(kind, f0, g, q, f, fs=48000.0):
    A = 10 ** (g / 40); w = 2 * math.pi * f0 / fs; c = math.cos(w); al = math.sin(w) / (2 * q)
    b, a = ([1 + al * A, -2 * c, 1 - al * A], [1 + al / A, -2 * c, 1 - al / A]) if kind == 'PK' else \
           ([(1 + c) / 2, -(1 + c), (1 + c) / 2], [1 + al, -2 * c, 1 - al])
    z = cmath.exp(-2j * math.pi * f / fs)
    return 20 * math.log10(abs((b[0] + b[1] * z + b[2] * z * z) / (a[0] + a[1] * z + a[2] * z * z)))
rows = ['* a device written by the test', '* Freq(Hz), SPL(dB), Phase(degrees)']
for i in range(0, 481):
    f = 20 * 2 ** (i / 48)
    level = 80 + sum(db(k, float(f0), float(g), float(q), f) for k, f0, g, q in (s.split() for s in sys.argv[2:]))
    rows.append('%.3f, %.4f, 0.000' % (f, level))
open(sys.argv[1], 'w').write('\n'.join(rows) + '\n')
PY
}

check "sweep" 0 "$TOOL" measure sweep sweep.wav --seconds 2
[[ "$(soxi -r sweep.wav 2>/dev/null)" == 48000 && "$(soxi -c sweep.wav 2>/dev/null)" == 2 ]] || { echo "FAIL: sweep format"; fail=1; }
grep -aq "veltradsp sweep: rate 48000 Hz, 20 Hz to 20000 Hz" sweep.wav || { echo "FAIL: sweep description"; fail=1; }
check "sweep above half the rate" 64 "$TOOL" measure sweep bad1.wav --to 30000
says "half the rate"
check "sweep too loud" 64 "$TOOL" measure sweep bad1.wav --level-db 3
absent bad1.wav

# A wire, with and without a calibration file of +3 dB (a row such as miniDSP's, and its header).
check "analyse a wire" 0 "$TOOL" measure analyse sweep.wav --sweep sweep.wav -o wire.txt --ir ir.wav --distortion d.csv
$COMPARE wire.txt --from 20 --to 20000 --within 0.01 >/dev/null || { echo "FAIL: a wire is not 0 dB"; fail=1; }
grep -q "^\* Freq(Hz), SPL(dB), Phase(degrees)$" wire.txt && grep -q "^\* 0 samples latency" wire.txt ||
    { echo "FAIL: REW header"; fail=1; }
[[ "$(head -1 d.csv)" == "frequency_hz,h2_db,h3_db" && "$(soxi -c ir.wav 2>/dev/null)" == 1 ]] || { echo "FAIL: distortion or IR file"; fail=1; }
printf '"Sens Factor =-.8dB, SERNO: 7000000"\n* 0 degrees\n10 3.0 0\n30000 3.0 0\n' >cal.txt
check "analyse with a calibration" 0 "$TOOL" measure analyse sweep.wav --sweep sweep.wav --cal cal.txt -o cal-wire.txt --smoothing 1/3
$COMPARE cal-wire.txt --from 20 --to 20000 --level --within 0.01 >offset.txt || { echo "FAIL: calibration not flat"; fail=1; }
grep -q "offset -3.00 dB" offset.txt || { echo "FAIL: calibration not removed: $(cat offset.txt)"; fail=1; }
grep -q "^\* Smoothing: 1/3 octave" cal-wire.txt || { echo "FAIL: smoothing not stated"; fail=1; }

# Recordings that cannot be measured.
sox -q sweep.wav -r 44100 at44.wav 2>/dev/null
check "another rate" 65 "$TOOL" measure analyse at44.wav --sweep sweep.wav -o bad2.txt
says "recorded at 44100 Hz, but the sweep is at 48000 Hz"
sox -q -n -r 48000 -c 2 silent.wav trim 0 5
check "silent" 65 "$TOOL" measure analyse silent.wav --sweep sweep.wav -o bad2.txt
says "silent"
sox -q sweep.wav -b 16 clipped.wav gain 20 2>/dev/null
check "clipped" 65 "$TOOL" measure analyse clipped.wav --sweep sweep.wav -o bad2.txt
says "clips: its peak is"
sox -q sweep.wav short.wav trim 0 1 2>/dev/null
check "shorter than the sweep" 65 "$TOOL" measure analyse short.wav --sweep sweep.wav -o bad2.txt
says "shorter than the sweep"
check "a missing channel" 65 "$TOOL" measure analyse sweep.wav --sweep sweep.wav --channel 3 -o bad2.txt
says "has 2 channel(s), no channel 3"
check "not our sweep" 65 "$TOOL" measure analyse sweep.wav --sweep silent.wav -o bad2.txt
says "not a sweep written by veltradsp measure sweep"
printf '100 1\n200 loud\n' >badcal.txt
check "an ill-formed calibration" 65 "$TOOL" measure analyse sweep.wav --sweep sweep.wav --cal badcal.txt -o bad2.txt
says "badcal.txt:2: 'loud' is not a level in dB"
check "bad smoothing" 64 "$TOOL" measure analyse sweep.wav --sweep sweep.wav --smoothing 1/0 -o bad2.txt
absent bad2.txt

# The fit: the same bytes twice, a narrow dip left alone, the limits of its options.
device speaker.txt "HP 90 0 0.7" "PK 1000 -15 12" "PK 3000 6 2" "PK 6000 -4 1.5"
check "fit" 0 "$TOOL" fit speaker.txt -o fit1.toml --csv fit.csv --png fit.png
check "fit again" 0 "$TOOL" fit speaker.txt -o fit2.toml
cmp -s fit1.toml fit2.toml || { echo "FAIL: two fits differ"; fail=1; }
[[ -s fit.png && "$(head -1 fit.csv)" == "frequency_hz,measured,target,before,after,PreEQ" ]] || { echo "FAIL: fit plot or table"; fail=1; }
"$TOOL" preset check fit1.toml >/dev/null || { echo "FAIL: the fitted preset is not valid"; fail=1; }
grep -q "# largest boost of the stage" fit1.toml || { echo "FAIL: the report is not in the preset"; fail=1; }
# The 1 kHz dip is a twelfth of an octave wide: the stage must not boost into it.
"$TOOL" response --preset fit1.toml --stage PreEQ --points 2000 --csv stage.csv
awk -F, 'NR > 1 && $1 > 950 && $1 < 1050 && $2 > 1.0 {bad = 1} END {exit bad}' stage.csv ||
    { echo "FAIL: the fit boosts into a narrow dip"; fail=1; }
check "response --measurement" 0 "$TOOL" response --measurement speaker.txt --preset fit1.toml --csv over.csv --png over.png
[[ "$(head -1 over.csv)" == "frequency_hz,measured,target,tuned" && -s over.png ]] || { echo "FAIL: response overlay"; fail=1; }

check "too many sections" 64 "$TOOL" fit speaker.txt --sections 17 -o bad3.toml
check "a range outside the measurement" 65 "$TOOL" fit speaker.txt --range 10-16000 -o bad3.toml
says "not within the measurement (20-20480 Hz)"
check "a range beyond the rate" 64 "$TOOL" fit speaker.txt --range 60-22000 -o bad3.toml
check "a range the wrong way round" 64 "$TOOL" fit speaker.txt --range 1000-100 -o bad3.toml
printf '* m\n100 70\n101 70\n102 70\n' >few.txt
check "too few points" 65 "$TOOL" fit few.txt --range 100-200 -o bad3.toml
check "an ill-formed measurement" 65 "$TOOL" fit badcal.txt -o bad3.toml
says "badcal.txt:2:"
check "an ill-formed target" 65 "$TOOL" fit speaker.txt --target badcal.txt -o bad3.toml
check "a missing measurement" 65 "$TOOL" fit nothing.txt -o bad3.toml
says "nothing.txt: cannot read the file"
absent bad3.toml

[[ $fail -eq 0 ]] && echo "measure and fit: all checks passed"
exit $fail
