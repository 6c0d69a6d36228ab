#!/usr/bin/env bash
# Checks the LV2 bundle with independent tools: lv2_validate against the installed LV2 schema,
# lv2info for the ports, and lv2apply (which runs the plugin one frame at a time) against the
# offline tool's output for the same file, bit for bit, with the enhancement on and off.
#   lv2_hosts_test.sh BUNDLE_PARENT VELTRADSP
set -euo pipefail
export LV2_PATH="$1"
TOOL="$2"
SAMPLES="$(dirname "$0")/../support/wav_samples.py"
BUNDLE="$LV2_PATH/veltradsp.lv2"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

out="$(lv2_validate "$BUNDLE/manifest.ttl" "$BUNDLE/veltradsp.ttl" 2>&1)"
grep -q "Found 0 errors" <<<"$out" || { echo "$out"; echo "lv2_validate found errors"; exit 1; }

info="$(lv2info urn:veltradsp:speaker)"
expect() { grep -Eq "$1" <<<"$info" || { echo "lv2info lacks: $1"; echo "$info"; exit 1; }; }
expect "Name: +VeltraDsp Speaker"
expect "Has latency: +yes, reported by port 6"
for symbol in in_l in_r out_l out_r enhancement enabled latency; do expect "Symbol: +$symbol$"; done
expect "Designation: +http://lv2plug.in/ns/lv2core#enabled"
expect "Designation: +http://lv2plug.in/ns/lv2core#latency"
for symbol in enhancement enabled; do
    grep -A8 "Symbol: *$symbol$" <<<"$info" | grep -q "Default: *1.000000" || { echo "$symbol defaults to on"; exit 1; }
done
# One port per parameter of the table, with the built-in tuning as defaults.
grep -q "Symbol: *post_eq2_band10_q$" <<<"$info" || { echo "the tuning ports are missing"; exit 1; }
grep -A8 "Symbol: *headroom_gain_db$" <<<"$info" | grep -q "Default: *-10.000000" ||
    { echo "headroom_gain_db defaults to the built-in -10 dB"; exit 1; }

# Two seconds of stereo float: tones loud enough for the limiters, then a burst of noise.
sox -q -n -r 48000 -c 1 -e floating-point -b 32 "$WORK/a.wav" synth 2 sine 110-2000 gain -2
sox -q -n -r 48000 -c 1 -e floating-point -b 32 "$WORK/b.wav" synth 2 pinknoise gain -4
sox -q -M "$WORK/a.wav" "$WORK/b.wav" -e floating-point -b 32 "$WORK/in.wav"
for setting in on off; do
    value=1
    [[ $setting == off ]] && value=0
    lv2apply -i "$WORK/in.wav" -o "$WORK/plugin.wav" -c enhancement "$value" urn:veltradsp:speaker
    "$TOOL" speaker "$WORK/in.wav" "$WORK/tool.wav" --enhancement "$setting" --format float --quiet
    "$SAMPLES" "$WORK/plugin.wav" "$WORK/plugin.raw"
    "$SAMPLES" "$WORK/tool.wav" "$WORK/tool.raw"
    cmp -s "$WORK/plugin.raw" "$WORK/tool.raw" ||
        { echo "lv2apply output differs from veltradsp speaker (enhancement $setting)"; exit 1; }
    echo "lv2apply, enhancement $setting: bit-identical to veltradsp speaker"
done

# A tuned preset: exported as an LV2 preset bundle, read back by an independent Turtle reader and
# given to lv2apply as controls; the plugin must equal veltradsp speaker --preset to the bit.
PRESET="$(dirname "$0")/../presets/data/tuned.toml"
"$TOOL" preset export "$PRESET" --lv2 "$WORK/tuned.lv2"
read -r -a controls <<<"$("$(dirname "$0")/preset_controls.py" "$WORK/tuned.lv2/preset.ttl")"
lv2apply -i "$WORK/in.wav" -o "$WORK/plugin.wav" "${controls[@]}" urn:veltradsp:speaker
"$TOOL" speaker "$WORK/in.wav" "$WORK/tool.wav" --preset "$PRESET" --format float --quiet
"$SAMPLES" "$WORK/plugin.wav" "$WORK/plugin.raw"
"$SAMPLES" "$WORK/tool.wav" "$WORK/tuned.raw"
cmp -s "$WORK/plugin.raw" "$WORK/tuned.raw" ||
    { echo "lv2apply with the exported preset differs from veltradsp speaker --preset"; exit 1; }
! cmp -s "$WORK/tuned.raw" "$WORK/tool.raw" 2>/dev/null || { echo "the preset changed nothing"; exit 1; }
echo "lv2apply with the exported preset: bit-identical to veltradsp speaker --preset"
