#!/usr/bin/env bash
# Cross-builds VeltraDspAPO.dll with mingw-w64 into out/windows/ and checks what it exports and
# imports: exactly the four entry points, and nothing beyond Windows system DLLs.
#   build-windows.sh [-DVELTRA_PRESET=PRESET] [other CMake arguments]
# With a preset, the module runs it as its built-in list; the preset is written out by the
# native veltradsp (built in build/release first when it is not there). BUILD_DIR and OUT_DIR
# choose other folders than build/windows and out/windows.
source "$(dirname "$0")/common.sh"
install_missing g++-mingw-w64-x86-64 mingw-w64-tools wine wine64 cmake
BUILD="${BUILD_DIR:-$ROOT/build/windows}"
OUT="${OUT_DIR:-$ROOT/out/windows}"
preset_args=(-DVELTRA_PRESET=)  # a later -DVELTRA_PRESET=... on the command line wins
if [[ " $* " == *" -DVELTRA_PRESET="?* ]]; then
    TOOL="$ROOT/build/release/tools/veltradsp"
    if [[ ! -x "$TOOL" ]]; then
        install_missing "${PACKAGES[@]}"
        configure_and_build "$ROOT/build/release" -DVELTRA_BUILD_TESTS=OFF -DVELTRA_BUILD_BENCH=OFF
    fi
    preset_args+=(-DVELTRA_PRESET_TOOL="$TOOL")
fi
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DVELTRA_WERROR=ON -DVELTRA_BUILD_TESTS=OFF -DVELTRA_BUILD_BENCH=OFF \
    -DVELTRA_BUILD_TOOLS=OFF "${preset_args[@]}" "$@" >/dev/null
cmake --build "$BUILD" -j "$JOBS" --target VeltraDspAPO veltra_wine_host VeltraDspSetup veltra_key_lock
mkdir -p "$OUT"
DLL="$OUT/VeltraDspAPO.dll"
cp "$BUILD/apo/VeltraDspAPO.dll" "$DLL"
cp "$BUILD/setup/VeltraDspSetup.exe" "$OUT/"

# Windows system DLLs only: the C++ runtime is linked in.
allowed='^(ADVAPI32|KERNEL32|msvcrt|ole32|OLEAUT32|USER32|api-ms-win-.*)\.dll$'
imports_ok() {
    while read -r name; do
        [[ "$name" =~ $allowed ]] || { echo "$1 has an unexpected import: $name"; exit 1; }
    done < <(x86_64-w64-mingw32-objdump -p "$1" | awk '/DLL Name:/ {print $3}')
}
imports_ok "$OUT/VeltraDspSetup.exe"

dump="$(x86_64-w64-mingw32-objdump -p "$DLL")"
exports="$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | awk '/\]/ {print $NF}' | grep -v Table | sort | tr '\n' ' ')"
want="DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer "
[[ "$exports" == "$want" ]] || { echo "unexpected exports: $exports"; exit 1; }
imports_ok "$DLL"
echo "built $DLL: exports the four entry points, imports only system DLLs; and VeltraDspSetup.exe"

# The real-time entry, the registration records and the constant tables have their own sections.
for section in RT_CODE RT_DATA RT_CONST; do
    x86_64-w64-mingw32-objdump -h "$DLL" | awk '{print $2}' | grep -qx "$section" ||
        { echo "section $section missing"; exit 1; }
done
echo "sections RT_CODE, RT_DATA and RT_CONST present"
