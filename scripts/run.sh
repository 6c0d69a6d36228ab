#!/usr/bin/env bash
# Installs what is missing, builds the offline host, and runs the speaker path over a generated
# stereo test signal, then plots the default equaliser responses.
source "$(dirname "$0")/common.sh"
install_missing "${PACKAGES[@]}"
configure_and_build "$ROOT/build/release" -DVELTRA_BUILD_TESTS=OFF -DVELTRA_BUILD_BENCH=OFF

OUT="$ROOT/out"
mkdir -p "$OUT"
TOOL="$ROOT/build/release/tools/veltradsp"
# Five seconds: a low and a mid tone, panned apart, with a short noise burst to wake the limiters.
sox -q -n -r 48000 -c 2 -b 24 "$OUT/test_signal.wav" synth 5 sine 110 sine 1500 \
    synth 5 whitenoise amod 0.5 gain -6
echo "== speaker path"
"$TOOL" speaker "$OUT/test_signal.wav" "$OUT/speaker_out.wav"
"$TOOL" response --png "$OUT/eq_response.png" --csv "$OUT/eq_response.csv"
echo "== results"
echo "processed file:  $OUT/speaker_out.wav"
echo "response plot:   $OUT/eq_response.png (table: $OUT/eq_response.csv)"
