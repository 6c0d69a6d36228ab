#!/usr/bin/env bash
# Measuring and tuning live, in a private, headless PipeWire with WirePlumber. The "speaker" is a
# filter-chain of PipeWire's own cookbook biquads in front of a null sink, so its response is
# known in closed form; the "microphone" is that null sink's monitor. Checked: `measure run` reads
# the biquads within 0.1 dB; after `fit` and `pipewire attach`, `measure run --through` reads the
# predicted tuned response within 0.5 dB and the target within 1 dB where the boost limit allows.
# Needs the native build in build/release.
source "$(dirname "$0")/common.sh"
install_missing pipewire pipewire-bin wireplumber dbus python3

WORK="$ROOT/build/measure-pipewire-test"
TOOL="$ROOT/build/release/tools/veltradsp"
COMPARE="/usr/bin/python3 $ROOT/tests/measure/compare_response.py"
BASE="$ROOT/tests/measure/data/measure-base.toml"
# The speaker: a 150 Hz high-pass, a resonance and a dip. PipeWire 0.3.65's bq_highpass takes its
# "Q" as a resonance in dB; at 0 dB it is the cookbook's high-pass with Q = 1/sqrt(2).
SPEAKER=("HP 150 0 0.70710678" "PK 1500 6 3" "PK 6000 -5 2")
rm -rf "$WORK"
mkdir -p "$WORK/conf" "$WORK/config"
head -n "$(grep -n 'factory = adapter' "$ROOT/tests/lv2/pipewire-daemon.conf" | cut -d: -f1)" \
    "$ROOT/tests/lv2/pipewire-daemon.conf" | head -n -1 >"$WORK/conf/pipewire.conf"
echo "]" >>"$WORK/conf/pipewire.conf"
# The speaker runs as a client process of its own, as a device would come and go: WirePlumber
# 0.4.13 restarted does not take up again nodes that were configured before it started.
cat >"$WORK/conf/speaker.conf" <<'CONF'
context.properties = { log.level = 0 }
context.spa-libs = {
    audio.convert.* = audioconvert/libspa-audioconvert
    support.*       = support/libspa-support
}
context.modules = [
    { name = libpipewire-module-protocol-native }
    { name = libpipewire-module-client-node }
    { name = libpipewire-module-adapter }
    {   name = libpipewire-module-filter-chain
        args = {
            node.description = "Test speaker"
            filter.graph = {
                nodes = [
                    { type = builtin name = hp label = bq_highpass control = { "Freq" = 150.0 "Q" = 0.0 } }
                    { type = builtin name = res label = bq_peaking control = { "Freq" = 1500.0 "Q" = 3.0 "Gain" = 6.0 } }
                    { type = builtin name = dip label = bq_peaking control = { "Freq" = 6000.0 "Q" = 2.0 "Gain" = -5.0 } }
                ]
                links = [
                    { output = "hp:Out" input = "res:In" }
                    { output = "res:Out" input = "dip:In" }
                ]
            }
            audio.channels = 2
            audio.position = [ FL FR ]
            capture.props = {
                node.name = "test_speaker"
                media.class = "Audio/Sink"
                session.suspend-timeout-seconds = 0
            }
            playback.props = {
                node.name = "test_speaker.output"
                node.passive = true
                target.object = "test_air"
                session.suspend-timeout-seconds = 0
            }
        }
    }
]
CONF
RUNTIME="$(mktemp -d /tmp/veltra-measure.XXXXXX)"
export XDG_RUNTIME_DIR="$RUNTIME" XDG_CONFIG_HOME="$WORK/config" XDG_STATE_HOME="$WORK/state" LV2_PATH="$ROOT/build/release/lib/lv2"
cd "$WORK"

daemon=""
speaker=""
stop_speaker() {
    [[ -n "$speaker" ]] && { kill "$speaker" 2>/dev/null || true; wait "$speaker" 2>/dev/null || true; }
    speaker=""
}
start_speaker() {
    PIPEWIRE_CONFIG_DIR="$WORK/conf" pipewire -c speaker.conf >>"$WORK/speaker.log" 2>&1 &
    speaker=$!
}
source "$ROOT/scripts/wireplumber-session.sh"
cleanup() {
    stop_session
    rm -rf "$RUNTIME"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; pw-link -l; pw-cli ls Node | grep node.name; tail -20 "$WORK/wireplumber.log"; exit 1; }
node_id() { pw-cli ls Node | awk -v n="node.name = \"$1\"" '/^\tid/ {id = $2} index($0, n) {print id}' | tr -d ,; }
linked() { pw-link -l 2>/dev/null | grep -A1 "^$1" | grep -q "$2"; }

# A whole session: WirePlumber 0.4.13 restarted alone hangs on nodes that have run.
start_session() {
    PIPEWIRE_CONFIG_DIR="$WORK/conf" pipewire >>"$WORK/pipewire.log" 2>&1 &
    daemon=$!
    for _ in $(seq 50); do [[ -S "$RUNTIME/pipewire-0" ]] && break; sleep 0.1; done
    pw-cli create-node adapter '{ factory.name = support.null-audio-sink node.name = "test_air"
        node.description = "What the microphone hears" media.class = Audio/Sink
        audio.position = [ FL FR ] monitor.channel-volumes = true object.linger = true
        session.suspend-timeout-seconds = 0 }' >/dev/null
    start_manager
    start_speaker
    for _ in $(seq 100); do linked "test_speaker.output:output_FL" test_air && break; sleep 0.1; done
    linked "test_speaker.output:output_FL" test_air || fail "the test speaker is not linked to the air"
}
stop_session() {
    stop_speaker
    stop_manager
    [[ -n "$daemon" ]] && { kill "$daemon" 2>/dev/null || true; wait "$daemon" 2>/dev/null || true; }
    daemon=""
    rm -rf "${RUNTIME:?}"/*
}
start_session

# Refusals, with nothing written.
set +e
"$TOOL" measure run --sink no_such_sink --source test_air -o bad.txt --quiet >/dev/null 2>&1
[[ $? == 65 && ! -e bad.txt ]] || fail "an unknown sink: exit 65, nothing written"
"$TOOL" measure run --sink test_speaker --source no_such_mic -o bad.txt --quiet >/dev/null 2>&1
[[ $? == 65 && ! -e bad.txt ]] || fail "an unknown source: exit 65, nothing written"
"$TOOL" measure run --sink test_speaker --source test_air --through -o bad.txt --quiet >/dev/null 2>&1
[[ $? == 65 && ! -e bad.txt ]] || fail "--through without an attached sink: exit 65"
"$TOOL" measure run --sink test_speaker --source test_air --level-db -60 -o bad.txt --quiet >quiet.log 2>&1
[[ $? == 65 && ! -e bad.txt ]] || fail "a recording too quiet: exit 65"
grep -q "too quiet: its peak is -5[0-9].[0-9] dBFS, at least -50 dBFS" quiet.log || fail "the quiet message: $(cat quiet.log)"
set -e

"$TOOL" measure run --sink test_speaker --source test_air -o raw.txt --recording raw.wav --quiet
echo -n "measure run, the speaker's biquads from 50 Hz to 16 kHz: "
$COMPARE raw.txt --cookbook "${SPEAKER[@]}" --from 50 --to 16000 --within 0.1 || fail "the measured speaker"

"$TOOL" fit raw.txt --into "$BASE" --smoothing none -o fitted.toml >fit.log
cat fit.log
"$TOOL" response --measurement raw.txt --preset fitted.toml --smoothing none --csv predicted.csv
"$TOOL" pipewire attach --sink test_speaker --preset fitted.toml --wireplumber 0.4 >/dev/null
stop_session
start_session
for _ in $(seq 100); do linked "veltradsp_speaker.output:output_FL" test_speaker && break; sleep 0.1; done
linked "veltradsp_speaker.output:output_FL" test_speaker || fail "the VeltraDsp sink is not linked to the speaker"

"$TOOL" measure run --sink test_speaker --through --source test_air -o tuned.txt --quiet
echo -n "measure run --through against the predicted tuned response, 60 Hz to 16 kHz: "
$COMPARE tuned.txt --csv predicted.csv tuned --from 60 --to 16000 --within 0.5 || fail "the tuned speaker"
# The fit's band lies between the speaker's roll-offs; the boost limit allows the whole dip.
band="$(sed -n 's/.*fitted over \([0-9]*\)-\([0-9]*\) Hz/\1 \2/p' fit.log)"
echo -n "measure run --through against a flat target over ${band/ /-} Hz: "
$COMPARE tuned.txt --from "${band% *}" --to "${band#* }" --level --within 1.0 || fail "the tuned speaker against the target"
"$TOOL" pipewire detach --sink test_speaker >/dev/null
