#!/usr/bin/env bash
# Runs the Windows module as the audio service would: the host drives out/windows/VeltraDspAPO.dll
# through COM under Wine, and its speaker output is compared with the native offline host's output
# for the same one-second signal. Then regsvr32 registers and unregisters the module.
# Needs scripts/build-windows.sh and the native build in build/release to have run.
source "$(dirname "$0")/common.sh"
install_missing wine wine64 sox

DLL="$ROOT/out/windows/VeltraDspAPO.dll"
HOST="$ROOT/build/windows/tests/windows/veltra_wine_host.exe"
TOOL="$ROOT/build/release/tools/veltradsp"
fresh_wine_prefix "$ROOT/build/wine-test"
windows_path() { local p="${1//\//\\}"; echo "Z:$p"; }

# One second of stereo 48 kHz float: a sweep on the left, a tone over noise on the right, loud
# enough after the headroom gain to make both limiters work.
sox -q -n -r 48000 -c 1 -e floating-point -b 32 "$WORK/left.wav" synth 1 sine 40-12000 gain -1
sox -q -n -r 48000 -c 1 -e floating-point -b 32 "$WORK/right.wav" synth 1 sine 997 synth 1 \
    pinknoise mix gain -2
sox -q -M "$WORK/left.wav" "$WORK/right.wav" -e floating-point -b 32 "$WORK/input.wav"
"$TOOL" speaker "$WORK/input.wav" "$WORK/reference.wav" --host-frames 480 --format float --quiet
# The host reads the bare float samples of the files' data chunks.
"$ROOT/tests/support/wav_samples.py" "$WORK/input.wav" "$WORK/input.f32"
"$ROOT/tests/support/wav_samples.py" "$WORK/reference.wav" "$WORK/reference.f32"

# Once per kernel path: each must give the native build's output to the bit (a path the CPU
# lacks falls back, and must then still match).
for isa in scalar sse2 avx2; do
    echo "== Wine host, VELTRA_ISA=$isa"
    VELTRA_ISA=$isa "$WINE" "$HOST" "$(windows_path "$DLL")" "$(windows_path "$WORK/input.f32")" \
        "$(windows_path "$WORK/reference.f32")" "$(windows_path "$ROOT/setup/VeltraDspApoExample.inf")"
done

# A module built with a preset runs it as its built-in list: the same host checks, against
# veltradsp speaker --preset on the same signal.
PRESET="$ROOT/tests/presets/data/tuned.toml"
BUILD_DIR="$ROOT/build/windows-preset" OUT_DIR="$ROOT/out/windows-preset" \
    bash "$ROOT/scripts/build-windows.sh" -DVELTRA_PRESET="$PRESET" >/dev/null
"$TOOL" speaker "$WORK/input.wav" "$WORK/tuned.wav" --host-frames 480 --format float --quiet \
    --preset "$PRESET"
"$ROOT/tests/support/wav_samples.py" "$WORK/tuned.wav" "$WORK/tuned.f32"
echo "== Wine host, module built with tests/presets/data/tuned.toml"
"$WINE" "$ROOT/build/windows-preset/tests/windows/veltra_wine_host.exe" \
    "$(windows_path "$ROOT/out/windows-preset/VeltraDspAPO.dll")" "$(windows_path "$WORK/input.f32")" \
    "$(windows_path "$WORK/tuned.f32")" "$(windows_path "$ROOT/setup/VeltraDspApoExample.inf")"

echo "== regsvr32"
key='HKCR\AudioEngine\AudioProcessingObjects\{6F1D2A90-3B7E-4C15-9A2D-7E40C8B1D352}'
"$WINE" regsvr32 /s "$(windows_path "$DLL")"
"$WINE" reg query "$key" /v FriendlyName | grep -q VeltraDspSpkAPOMFX ||
    { echo "regsvr32 did not write the speaker record"; exit 1; }
"$WINE" regsvr32 /u /s "$(windows_path "$DLL")"
if "$WINE" reg query "$key" >/dev/null 2>&1; then
    echo "regsvr32 /u left the speaker record"
    exit 1
fi
echo "regsvr32 and regsvr32 /u: records written and removed"
