#!/usr/bin/env bash
# The LV2 plugin live in PipeWire: a private, headless daemon (its own runtime directory, a dummy
# driver, a null sink standing in for the speakers, the filter-chain module loading our shipped
# configuration) with WirePlumber making the links. A test file is played into the
# "VeltraDsp Speaker" sink and what reaches the null sink is recorded; once aligned it must equal
# `veltradsp speaker`'s output for the same file, with the enhancement on and, after switching it
# live with pw-cli, off. Needs the native build in build/release.
source "$(dirname "$0")/common.sh"
install_missing pipewire pipewire-bin wireplumber dbus sox python3

WORK="$ROOT/build/pipewire-test"
TOOL="$ROOT/build/release/tools/veltradsp"
rm -rf "$WORK"
mkdir -p "$WORK/conf/pipewire.conf.d"
cp "$ROOT/tests/lv2/pipewire-daemon.conf" "$WORK/conf/pipewire.conf"
cp "$ROOT/lv2/pipewire/veltradsp-speaker.conf" "$WORK/conf/pipewire.conf.d/"
# The socket's path must stay short (108 bytes), whatever the checkout's path.
RUNTIME="$(mktemp -d /tmp/veltra-pipewire.XXXXXX)"
export XDG_RUNTIME_DIR="$RUNTIME" LV2_PATH="$ROOT/build/release/lib/lv2"

pids=()
cleanup() {
    for p in "${pids[@]}"; do
        pkill -P "$p" 2>/dev/null || true  # wireplumber under dbus-run-session
        kill "$p" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$RUNTIME"
}
trap cleanup EXIT
PIPEWIRE_CONFIG_DIR="$WORK/conf" pipewire >"$WORK/pipewire.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [[ -S "$RUNTIME/pipewire-0" ]] && break; sleep 0.1; done
dbus-run-session -- wireplumber >"$WORK/wireplumber.log" 2>&1 &
pids+=($!)
# Ready when the filter's output is linked to the speakers.
for _ in $(seq 100); do
    pw-link -l 2>/dev/null | grep -q "veltradsp_speaker.output:output_FR" && break
    sleep 0.1
done
pw-link -l | grep -A1 "^test_speakers:playback_FL" | grep -q "veltradsp_speaker.output" ||
    { echo "the VeltraDsp Speaker sink did not come up"; cat "$WORK/pipewire.log"; exit 1; }

# A second of silence either side: the plugin's opening fade cycle and the last quantum the
# player may drop both fall on silence, where every setting gives the same samples.
cd "$WORK"
sox -q -n -r 48000 -c 2 -e floating-point -b 32 silence.wav trim 0 1
sox -q -n -r 48000 -c 1 -e floating-point -b 32 a.wav synth 2 sine 110-2000 gain -2
sox -q -n -r 48000 -c 1 -e floating-point -b 32 b.wav synth 2 pinknoise gain -4
sox -q -M a.wav b.wav -e floating-point -b 32 signal.wav
sox -q silence.wav signal.wav silence.wav -e floating-point -b 32 input.wav

play_and_compare() {  # enhancement on|off
    "$TOOL" speaker input.wav "reference-$1.wav" --enhancement "$1" --format float --quiet
    pw-record --target test_speakers -P '{ stream.capture.sink = true }' --format f32 \
        --rate 48000 --channels 2 "recording-$1.wav" &
    local recorder=$!
    sleep 0.5
    pw-play --target veltradsp_speaker input.wav
    sleep 0.5
    kill -INT "$recorder"
    wait "$recorder" || true
    "$ROOT/tests/support/wav_samples.py" "recording-$1.wav" "recording-$1.raw"
    "$ROOT/tests/support/wav_samples.py" "reference-$1.wav" "reference-$1.raw"
    echo -n "PipeWire, enhancement $1: "
    /usr/bin/python3 "$ROOT/tests/lv2/compare_aligned.py" "recording-$1.raw" "reference-$1.raw" 1e-6
}

play_and_compare on
node="$(pw-cli ls Node | awk '/^\tid/ {id = $2} /node.name = "veltradsp_speaker"/ {print id}' | tr -d ,)"
pw-cli set-param "$node" Props '{ params = [ "speaker:enhancement" 0.0 ] }' >/dev/null
sleep 0.5
play_and_compare off
