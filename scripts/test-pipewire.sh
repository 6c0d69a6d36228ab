#!/usr/bin/env bash
# The LV2 plugin live in PipeWire: a private, headless daemon (its own runtime directory, a dummy
# driver, a null sink standing in for the speakers, the filter-chain module loading our shipped
# configuration) with WirePlumber making the links. A test file is played into the
# "VeltraDsp Speaker" sink and what reaches the null sink is recorded; once aligned it must equal
# `veltradsp speaker`'s output for the same file, with the enhancement on and, after switching it
# live with pw-cli, off. Then the same through a configuration exported from a tuned preset, and
# again after one band of it was changed live with pw-cli. Needs the native build in build/release.
source "$(dirname "$0")/common.sh"
install_missing pipewire pipewire-bin wireplumber dbus sox python3

WORK="$ROOT/build/pipewire-test"
TOOL="$ROOT/build/release/tools/veltradsp"
rm -rf "$WORK"
mkdir -p "$WORK"
# The socket's path must stay short (108 bytes), whatever the checkout's path.
RUNTIME="$(mktemp -d /tmp/veltra-pipewire.XXXXXX)"
export XDG_RUNTIME_DIR="$RUNTIME" LV2_PATH="$ROOT/build/release/lib/lv2"

pids=()
stop_session() {
    for p in "${pids[@]}"; do
        pkill -P "$p" 2>/dev/null || true  # wireplumber under dbus-run-session
        kill "$p" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    pids=()
}
trap 'stop_session; rm -rf "$RUNTIME"' EXIT

start_session() {  # the filter-chain configuration to load
    rm -rf "$WORK/conf" "$RUNTIME"/*
    mkdir -p "$WORK/conf/pipewire.conf.d"
    cp "$ROOT/tests/lv2/pipewire-daemon.conf" "$WORK/conf/pipewire.conf"
    cp "$1" "$WORK/conf/pipewire.conf.d/veltradsp-speaker.conf"
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
}

set_control() {  # symbol value
    local node
    node="$(pw-cli ls Node | awk '/^\tid/ {id = $2} /node.name = "veltradsp_speaker"/ {print id}' | tr -d ,)"
    pw-cli set-param "$node" Props "{ params = [ \"speaker:$1\" $2 ] }" >/dev/null
    sleep 0.5
}

# A second of silence either side: the plugin's opening fade cycle and the last quantum the
# player may drop both fall on silence, where every setting gives the same samples.
cd "$WORK"
sox -q -n -r 48000 -c 2 -e floating-point -b 32 silence.wav trim 0 1
sox -q -n -r 48000 -c 1 -e floating-point -b 32 a.wav synth 2 sine 110-2000 gain -2
sox -q -n -r 48000 -c 1 -e floating-point -b 32 b.wav synth 2 pinknoise gain -4
sox -q -M a.wav b.wav -e floating-point -b 32 signal.wav
sox -q silence.wav signal.wav silence.wav -e floating-point -b 32 input.wav

play_and_compare() {  # description, then veltradsp speaker options for the reference
    local what="$1" name="${1// /-}"
    shift
    "$TOOL" speaker input.wav "reference-$name.wav" "$@" --format float --quiet
    pw-record --target test_speakers -P '{ stream.capture.sink = true }' --format f32 \
        --rate 48000 --channels 2 "recording-$name.wav" &
    local recorder=$!
    sleep 0.5
    pw-play --target veltradsp_speaker input.wav
    sleep 0.5
    kill -INT "$recorder"
    wait "$recorder" || true
    "$ROOT/tests/support/wav_samples.py" "recording-$name.wav" "recording-$name.raw"
    "$ROOT/tests/support/wav_samples.py" "reference-$name.wav" "reference-$name.raw"
    echo -n "PipeWire, $what: "
    /usr/bin/python3 "$ROOT/tests/lv2/compare_aligned.py" "recording-$name.raw" "reference-$name.raw" 1e-6
}

start_session "$ROOT/lv2/pipewire/veltradsp-speaker.conf"
play_and_compare "enhancement on" --enhancement on
set_control enhancement 0.0
play_and_compare "enhancement off" --enhancement off
stop_session

# A tuned preset exported as a filter-chain configuration, then one band changed live.
PRESET="$ROOT/tests/presets/data/tuned.toml"
"$TOOL" preset export "$PRESET" --pipewire tuned.conf
sed 's/{ freq_hz = 2180.0, gain_db = -3.1,/{ freq_hz = 2180.0, gain_db = 6.0,/' "$PRESET" >changed.toml
! cmp -s "$PRESET" changed.toml || { echo "the band to change was not found"; exit 1; }
start_session tuned.conf
play_and_compare "exported preset" --preset "$PRESET"
set_control pre_eq_band3_gain_db 6.0
play_and_compare "a band changed live" --preset changed.toml
