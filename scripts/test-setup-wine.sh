#!/usr/bin/env bash
# Tests VeltraDspSetup.exe under Wine on simulated endpoints: a throw-away prefix whose endpoint
# tree the test fills (a plain render endpoint, one with another vendor's effects, a malformed
# one and a capture endpoint), the module registered with regsvr32. Each step is checked by
# reading the registry back with `reg`. Needs scripts/build-windows.sh to have run.
source "$(dirname "$0")/common.sh"
install_missing wine wine64

OUT="$ROOT/out/windows"
SETUP="$OUT/VeltraDspSetup.exe"
LOCK="$ROOT/build/windows/tests/setup/veltra_key_lock.exe"
fresh_wine_prefix "$ROOT/build/setup-test"
cp "$OUT/VeltraDspAPO.dll" "$WORK/prefix/drive_c/windows/system32/"

TREE='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\MMDevices\Audio'
MODE='{D04E05A6-594B-4FB6-A80D-01AF5EED7D1D},6'
MODES='{D3993A3F-99C2-4402-B5EC-A92A0367664B},6'
SPEAKER='{6F1D2A90-3B7E-4C15-9A2D-7E40C8B1D352}'
MIC='{A4E7C3B2-5D19-4F08-8B6E-2C9F71D0E4A6}'
DEFAULT_MODE='{C18E2F7E-933D-4965-B7D1-1EEF228D2AF3}'
PLAIN='{11111111-1111-4111-8111-111111111111}'
VENDOR='{22222222-2222-4222-8222-222222222222}'
BROKEN='{33333333-3333-4333-8333-333333333333}'
MICROPHONE='{44444444-4444-4444-8444-444444444444}'
OTHER='{0B0B0B0B-1234-4321-8888-ABCDEFABCDEF}'

reg() { "$WINE" reg "$@" >/dev/null 2>&1; }
endpoint() {  # flow guid name
    reg add "$TREE\\$1\\$2" /v DeviceState /t REG_DWORD /d 1 /f
    reg add "$TREE\\$1\\$2\\Properties" /v '{a45c254e-df1c-4efd-8020-67d146a850e0},14' /t REG_SZ /d "$3" /f
}
endpoint Render "$PLAIN" "Plain Speakers"
endpoint Render "$VENDOR" "Vendor Speakers"
reg add "$TREE\\Render\\$VENDOR\\FxProperties" /v '{D04E05A6-594B-4FB6-A80D-01AF5EED7D1D},5' /t REG_SZ /d "$OTHER" /f
reg add "$TREE\\Render\\$VENDOR\\FxProperties" /v "$MODE" /t REG_SZ /d "$OTHER" /f
reg add "$TREE\\Render\\$VENDOR\\FxProperties" /v "$MODES" /t REG_MULTI_SZ /d '{9E90EA20-B493-4FD1-A1A8-7E1361A956CF}' /f
endpoint Render "$BROKEN" "Broken Speakers"
reg add "$TREE\\Render\\$BROKEN\\FxProperties" /v "$MODE" /t REG_DWORD /d 1 /f
endpoint Capture "$MICROPHONE" "Test Microphone"

fail() { echo "FAIL: $*"; exit 1; }
run() {  # expected-exit command...: runs the setup, keeps its output in $out
    local want="$1"
    shift
    local got=0
    "$WINE" "$SETUP" "$@" >"$WORK/output.txt" 2>&1 || got=$?
    out="$(tr -d '\r' <"$WORK/output.txt")"
    [[ "$got" == "$want" ]] || fail "VeltraDspSetup $* exited $got, expected $want: $out"
}
value() {  # flow guid name: the value's type and data as reg shows them, or "absent"
    "$WINE" reg query "$TREE\\$1\\$2\\FxProperties" /v "$3" 2>/dev/null | tr -d '\r' |
        awk -v n="$3" 'index($0, n) {sub(/^ +/, ""); sub(n, ""); sub(/^ +/, ""); print; found = 1}
                       END {if (!found) print "absent"}'
}
snapshot() {  # every simulated endpoint's keys, exported
    : >"$1"
    for key in "Render\\$PLAIN" "Render\\$VENDOR" "Render\\$BROKEN" "Capture\\$MICROPHONE"; do
        "$WINE" reg export "$TREE\\$key" "Z:${WORK//\//\\}\\part.reg" /y >/dev/null 2>&1
        cat "$WORK/part.reg" >>"$1"
    done
}

echo "== setup tool under Wine"
run 64 frobnicate
run 0 --help
grep -q "Exit codes" <<<"$out" || fail "--help lists the exit codes"

# Not registered yet: attach refuses and changes nothing.
run 0 list
snapshot "$WORK/before.reg"
run 4 attach --endpoint "$PLAIN"
snapshot "$WORK/now.reg"
cmp -s "$WORK/before.reg" "$WORK/now.reg" || fail "attach without the module changed the registry"

"$WINE" regsvr32 /s 'C:\windows\system32\VeltraDspAPO.dll'
run 0 list
for name in "Plain Speakers" "Vendor Speakers" "Broken Speakers" "Test Microphone"; do
    grep -q "\"$name\"" <<<"$out" || fail "list shows $name"
done
grep -A2 "$VENDOR" <<<"$out" | grep -q "mode effect: *$OTHER" || fail "list shows the vendor's effect"
grep -A4 "$BROKEN" <<<"$out" | grep -q "malformed" || fail "list reports the malformed value"

# Attach: our class and the default mode; a second attach changes nothing.
run 0 attach --endpoint "{0.0.0.00000000}.$PLAIN"
[[ "$(value Render "$PLAIN" "$MODE")" == "REG_SZ    $SPEAKER" ]] || fail "plain endpoint's mode effect"
[[ "$(value Render "$PLAIN" "$MODES")" == "REG_MULTI_SZ    $DEFAULT_MODE" ]] || fail "plain endpoint's modes"
snapshot "$WORK/attached.reg"
run 0 attach --endpoint "$PLAIN"
snapshot "$WORK/now.reg"
cmp -s "$WORK/attached.reg" "$WORK/now.reg" || fail "a second attach changed the registry"
run 0 attach --endpoint "$VENDOR"
[[ "$(value Render "$VENDOR" "$MODE")" == "REG_SZ    $SPEAKER" ]] || fail "vendor endpoint's mode effect"
value Render "$VENDOR" "$MODES" | grep -q "{9E90EA20-B493-4FD1-A1A8-7E1361A956CF}\\\\0$DEFAULT_MODE" ||
    fail "the vendor's modes are kept and the default mode added: $(value Render "$VENDOR" "$MODES")"
run 0 attach --endpoint "$MICROPHONE"
[[ "$(value Capture "$MICROPHONE" "$MODE")" == "REG_SZ    $MIC" ]] || fail "capture endpoint gets the microphone"
run 6 attach --endpoint "$BROKEN"
[[ "$(value Render "$BROKEN" "$MODE")" == "REG_DWORD    0x1" ]] || fail "the malformed value is left alone"
run 3 attach --endpoint '{99999999-9999-4999-8999-999999999999}'
run 0 status

# A driver update rewrites the values: status says so, repair puts ours back.
reg add "$TREE\\Render\\$VENDOR\\FxProperties" /v "$MODE" /t REG_SZ /d "$OTHER" /f
run 1 status
grep -q "$VENDOR: replaced" <<<"$out" || fail "status reports the replaced endpoint: $out"
run 0 repair
[[ "$(value Render "$VENDOR" "$MODE")" == "REG_SZ    $SPEAKER" ]] || fail "repair re-attaches"
run 0 status

# A key the setup may not write: access denied, and nothing changed.
snapshot "$WORK/locked-before.reg"
"$WINE" "$LOCK" lock "${TREE#HKLM\\}\\Render\\$VENDOR\\FxProperties" || fail "cannot lock the key"
run 5 detach --endpoint "$VENDOR"
grep -q "elevated" <<<"$out" || fail "access denied says what is needed: $out"
"$WINE" "$LOCK" unlock "${TREE#HKLM\\}\\Render\\$VENDOR\\FxProperties"
snapshot "$WORK/now.reg"
cmp -s "$WORK/locked-before.reg" "$WORK/now.reg" || fail "a refused detach changed the registry"

# Detach restores exactly what was there, absent values included.
run 0 detach --all
snapshot "$WORK/now.reg"
cmp -s "$WORK/before.reg" "$WORK/now.reg" || { diff "$WORK/before.reg" "$WORK/now.reg"; fail "detach did not restore the registry byte for byte"; }
"$WINE" reg query 'HKLM\SOFTWARE\VeltraDsp' >/dev/null 2>&1 && fail "detach left its backup keys"

# An attached endpoint whose module goes away.
run 0 attach --endpoint "$PLAIN"
"$WINE" regsvr32 /u /s 'C:\windows\system32\VeltraDspAPO.dll'
run 1 status
grep -q "module missing" <<<"$out" || fail "status reports the missing module: $out"
run 0 detach --endpoint "$PLAIN"
echo "setup tool: list, attach, status, repair, detach, refusals and exit codes as documented"
