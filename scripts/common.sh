# Shared by run.sh and test.sh: installs whatever Debian packages are missing.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
JOBS="$(nproc 2>/dev/null || echo 2)"

PACKAGES=(cmake g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev
          libsndfile1-dev libcli11-dev gnuplot-nox sox g++-mingw-w64-x86-64
          lv2-dev lilv-utils sordi libtomlplusplus-dev nlohmann-json3-dev time liblilv-dev
          libkissfft-dev libnlopt-dev)

install_missing() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if ((${#missing[@]})); then
        echo "installing: ${missing[*]}"
        local sudo=""
        [[ $(id -u) -ne 0 ]] && sudo="sudo"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
    fi
}

configure_and_build() {  # build-dir, extra cmake arguments...
    local dir="$1"
    shift
    cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j "$JOBS"
}

# A throw-away Wine prefix in a fresh work folder, quiet, with a null ALSA device (Wine's audio
# driver needs one to list endpoints). Sets WORK, WINEPREFIX and WINE.
fresh_wine_prefix() {  # work-folder
    WORK="$1"
    rm -rf "$WORK"
    mkdir -p "$WORK"
    export WINEPREFIX="$WORK/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    printf 'pcm.!default { type null }\nctl.!default { type hw card 0 }\n' >"$WORK/asound.conf"
    export ALSA_CONFIG_PATH="$WORK/asound.conf"
    WINE=/usr/lib/wine/wine64
    [[ -x "$WINE" ]] || WINE="$(command -v wine64 || command -v wine)"
    "$WINE" wineboot -i >/dev/null 2>&1 || true
}
