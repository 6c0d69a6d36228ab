#!/usr/bin/env bash
# `veltradsp pipewire attach` in a private, headless PipeWire with WirePlumber, the user
# configuration in a throw-away XDG_CONFIG_HOME. Two null sinks stand in for the devices,
# "speakers" and "hdmi", created after the session starts as devices appear. Checked: the
# VeltraDsp sink comes and goes with "speakers", is the default while it exists, processes what
# is played to the default exactly as `veltradsp speaker --preset`, and nothing of it reaches
# "hdmi"; twenty departures and returns leave one chain and no growth of WirePlumber;
# without PipeWire attach and status refuse and detach works; detach leaves the configuration
# tree byte for byte as it was, twice over.
# Needs the native build in build/release.
source "$(dirname "$0")/common.sh"
install_missing pipewire pipewire-bin wireplumber dbus sox python3

WORK="$ROOT/build/pipewire-attach-test"
TOOL="$ROOT/build/release/tools/veltradsp"
PRESET="$ROOT/tests/presets/data/tuned.toml"
rm -rf "$WORK"
mkdir -p "$WORK/conf" "$WORK/config/pipewire"
head -n "$(grep -n 'factory = adapter' "$ROOT/tests/lv2/pipewire-daemon.conf" | cut -d: -f1)" \
    "$ROOT/tests/lv2/pipewire-daemon.conf" | head -n -1 >"$WORK/conf/pipewire.conf"
echo "]" >>"$WORK/conf/pipewire.conf"
echo "# a file of the user's own, which must survive" >"$WORK/config/pipewire/keep.conf"
RUNTIME="$(mktemp -d /tmp/veltra-attach.XXXXXX)"
export XDG_RUNTIME_DIR="$RUNTIME" XDG_CONFIG_HOME="$WORK/config" LV2_PATH="$ROOT/build/release/lib/lv2"
cd "$WORK"

daemon=""
source "$ROOT/scripts/wireplumber-session.sh"
cleanup() {
    stop_manager
    [[ -n "$daemon" ]] && { kill "$daemon" 2>/dev/null || true; wait "$daemon" 2>/dev/null || true; }
    rm -rf "$RUNTIME"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; tail -20 "$WORK/wireplumber.log"; exit 1; }

PIPEWIRE_CONFIG_DIR="$WORK/conf" pipewire >"$WORK/pipewire.log" 2>&1 &
daemon=$!
for _ in $(seq 50); do [[ -S "$RUNTIME/pipewire-0" ]] && break; sleep 0.1; done
start_manager

node_id() { pw-cli ls Node | awk -v n="node.name = \"$1\"" '/^\tid/ {id = $2} index($0, n) {print id}' | tr -d ,; }
# WirePlumber 0.4.13 crashes when a node it is about to suspend for idleness is destroyed first
# (its timer keeps the gone node); these devices are never suspended, as the chain's own nodes.
add_device() {  # node name, description
    pw-cli create-node adapter "{ factory.name = support.null-audio-sink node.name = \"$1\"
        node.description = \"$2\" media.class = Audio/Sink audio.position = [ FL FR ]
        monitor.channel-volumes = true object.linger = true
        session.suspend-timeout-seconds = 0 }" >/dev/null
    for _ in $(seq 50); do [[ -n "$(node_id "$1")" ]] && break; sleep 0.1; done
}
remove_device() { pw-cli destroy "$(node_id "$1")" >/dev/null; sleep 1; }
wait_for() {  # node name, "present" or "absent"
    for _ in $(seq 100); do
        local id
        id="$(node_id "$1")"
        [[ "$2" == present && -n "$id" ]] && return 0
        [[ "$2" == absent && -z "$id" ]] && return 0
        sleep 0.1
    done
    return 1
}
default_sink() { pw-metadata 0 default.audio.sink 2>/dev/null | sed -n "s/.*value:'{ *\"name\": *\"\([^\"]*\)\".*/\1/p"; }
tree() { (cd "$XDG_CONFIG_HOME" && find . -printf '%y %p\n' | sort && find . -type f -exec sha256sum {} + | sort); }

add_device speakers "Laptop speakers"
add_device hdmi "HDMI output"
before="$(tree)"

# Refusals change nothing.
set +e
"$TOOL" pipewire attach --sink nothing_here >/dev/null 2>&1; [[ $? == 3 ]] || fail "unknown sink: exit 3"
printf 'format = 1\n[Headroom]\ngain_db = 99.0\n' >bad.toml
"$TOOL" pipewire attach --sink speakers --preset bad.toml >/dev/null 2>&1; [[ $? == 65 ]] || fail "invalid preset: exit 65"
mkdir -p locked && chmod 555 locked
if [[ $(id -u) -ne 0 ]]; then
    XDG_CONFIG_HOME="$WORK/locked" "$TOOL" pipewire attach --sink speakers >/dev/null 2>&1
    [[ $? == 5 ]] || fail "unwritable configuration: exit 5"
fi
set -e
[[ "$(tree)" == "$before" ]] || fail "a refused attach changed the configuration"

"$TOOL" pipewire attach --sink speakers --preset "$PRESET" --wireplumber 0.4
"$TOOL" pipewire list | grep -q "^speakers .*yes, preset $PRESET" || fail "list shows the attachment"
stop_manager
start_manager  # what --now does through systemd, which this session does not have
wait_for veltradsp_speaker present || fail "the VeltraDsp sink did not appear"
for _ in $(seq 50); do [[ "$(default_sink)" == veltradsp_speaker ]] && break; sleep 0.1; done
[[ "$(default_sink)" == veltradsp_speaker ]] || fail "the VeltraDsp sink is not the default ($(default_sink))"
"$TOOL" pipewire status | grep -q "speakers: attached, preset $PRESET, device present, running" ||
    fail "status: $("$TOOL" pipewire status)"

sox -q -n -r 48000 -c 2 -e floating-point -b 32 silence.wav trim 0 1
sox -q -n -r 48000 -c 1 -e floating-point -b 32 a.wav synth 2 sine 110-2000 gain -2
sox -q -n -r 48000 -c 1 -e floating-point -b 32 b.wav synth 2 pinknoise gain -4
sox -q -M a.wav b.wav -e floating-point -b 32 signal.wav
sox -q silence.wav signal.wav silence.wav -e floating-point -b 32 input.wav

record() {  # device, file; sets recorder
    pw-record --target "$1" -P '{ stream.capture.sink = true }' --format f32 --rate 48000 \
        --channels 2 "$2" &
    recorder="$recorder $!"
}
play_and_record() {  # name; plays input.wav to the default or to $2
    recorder=""
    record speakers "speakers-$1.wav"
    record hdmi "hdmi-$1.wav"
    sleep 0.5
    # A player with nowhere to play would wait for ever.
    if [[ -n "${2:-}" ]]; then timeout 20 pw-play --target "$2" input.wav; else timeout 20 pw-play input.wav; fi ||
        fail "the player could not play ($1)"
    sleep 0.5
    for r in $recorder; do kill -INT "$r"; wait "$r" || true; done
    for d in speakers hdmi; do "$ROOT/tests/support/wav_samples.py" "$d-$1.wav" "$d-$1.raw"; done
}
compare() {  # recording, reference wav
    "$ROOT/tests/support/wav_samples.py" "$2" "$2.raw"
    /usr/bin/python3 "$ROOT/tests/lv2/compare_aligned.py" "$1" "$2.raw" 1e-6
}
silent() { /usr/bin/python3 -c "import sys, array; a = array.array('f'); a.frombytes(open(sys.argv[1], 'rb').read()); sys.exit(0 if max(map(abs, a), default=0) == 0 else 1)" "$1"; }

"$TOOL" speaker input.wav reference.wav --preset "$PRESET" --format float --quiet
play_and_record default
echo -n "default output -> speakers: "
compare speakers-default.raw reference.wav || fail "the speakers did not get the tuned path's output"
silent hdmi-default.raw || fail "hdmi heard what was played to the default"
echo "hdmi: silent"
play_and_record direct hdmi
echo -n "played to hdmi -> hdmi: "
compare hdmi-direct.raw input.wav || fail "hdmi did not get the file unchanged"

remove_device speakers
wait_for veltradsp_speaker absent || fail "the VeltraDsp sink outlived its device"
[[ "$(default_sink)" != veltradsp_speaker ]] || fail "the default still names the VeltraDsp sink"
echo "speakers removed: the VeltraDsp sink is gone, the default is now '$(default_sink)'"
"$TOOL" pipewire status | grep -q "device absent, waiting for the device" || fail "status without the device"
pw-link -l | grep -q veltradsp && fail "a VeltraDsp link is left"

add_device speakers "Laptop speakers"
wait_for veltradsp_speaker present || fail "the VeltraDsp sink did not come back"
for _ in $(seq 50); do [[ "$(default_sink)" == veltradsp_speaker ]] && break; sleep 0.1; done
[[ "$(default_sink)" == veltradsp_speaker ]] || fail "the VeltraDsp sink is not the default again"
play_and_record again
echo -n "speakers back, default output -> speakers: "
compare speakers-again.raw reference.wav || fail "the returned sink does not process correctly"
silent hdmi-again.raw || fail "hdmi heard the default after the device came back"

# Twenty departures and returns: never more than one chain, none while the device is away,
# WirePlumber's memory after the last as after the fifth, and the path still exact.
wireplumber_kib() { awk '/^VmRSS/ {print $2}' "/proc/$(pgrep -P "$manager" -x wireplumber)/status"; }
chains() { pw-cli ls Node | grep -c 'node.name = "veltradsp_speaker' || true; }
for round in $(seq 20); do
    remove_device speakers
    wait_for veltradsp_speaker absent || fail "round $round: the VeltraDsp sink outlived its device"
    [[ "$(chains)" == 0 ]] || fail "round $round: a chain is left without the device"
    add_device speakers "Laptop speakers"
    wait_for veltradsp_speaker present || fail "round $round: the VeltraDsp sink did not come back"
    sleep 0.5
    [[ "$(chains)" == 2 ]] || fail "round $round: $(chains) VeltraDsp nodes, not one chain's two"
    [[ $round == 5 ]] && fifth="$(wireplumber_kib)"
done
growth=$(($(wireplumber_kib) - fifth))
echo "twenty departures and returns: one chain at a time; WirePlumber grew by $growth KiB after the fifth"
((growth < 256)) || fail "WirePlumber grew by $growth KiB over fifteen arrivals"
for _ in $(seq 50); do [[ "$(default_sink)" == veltradsp_speaker ]] && break; sleep 0.1; done
play_and_record rounds
echo -n "after twenty returns, default output -> speakers: "
compare speakers-rounds.raw reference.wav || fail "the sink does not process correctly after twenty returns"

"$TOOL" pipewire detach --sink speakers
[[ "$(tree)" == "$before" ]] || { diff <(echo "$before") <(tree); fail "detach left a trace"; }
for round in 1 2; do
    "$TOOL" pipewire attach --sink speakers --wireplumber 0.4 >/dev/null
    "$TOOL" pipewire attach --sink hdmi --wireplumber 0.5 >/dev/null
    "$TOOL" pipewire detach --all >/dev/null
    [[ "$(tree)" == "$before" ]] || fail "attach and detach, round $round, left a trace"
done
set +e
"$TOOL" pipewire detach --sink speakers >/dev/null 2>&1; [[ $? == 3 ]] || fail "detach of nothing: exit 3"
set -e
echo "detach: the configuration tree is as before, also after two more rounds"

# Without PipeWire: attach and status say so and change nothing; detach still works.
"$TOOL" pipewire attach --sink speakers --wireplumber 0.4 >/dev/null
kill "$daemon"; wait "$daemon" 2>/dev/null || true; daemon=""
stop_manager
attached="$(tree)"
set +e
"$TOOL" pipewire attach --sink hdmi >/dev/null 2>err.txt; code=$?
[[ $code == 7 ]] && grep -q "PipeWire cannot be reached" err.txt || fail "attach without PipeWire: exit $code"
"$TOOL" pipewire status >/dev/null 2>err.txt; code=$?
[[ $code == 7 ]] && grep -q "PipeWire cannot be reached" err.txt || fail "status without PipeWire: exit $code"
set -e
[[ "$(tree)" == "$attached" ]] || fail "a command without PipeWire changed the configuration"
"$TOOL" pipewire detach --sink speakers >/dev/null
[[ "$(tree)" == "$before" ]] || fail "detach without PipeWire left a trace"
echo "without PipeWire: attach and status exit 7 and change nothing; detach works"
