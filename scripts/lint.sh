#!/usr/bin/env bash
# The style and static checks every change keeps clean: clang-format, cppcheck over the whole
# tree, and clang-tidy (.clang-tidy) over every source the native release build compiles.
# Needs the native build in build/release (scripts/test.sh makes it first).
source "$(dirname "$0")/common.sh"
install_missing clang-format clang-tidy cppcheck
cd "$ROOT"

git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
echo "clang-format: clean"

cppcheck --quiet --library=googletest --enable=warning,performance,portability --std=c++20 \
    --inline-suppr -I . -I tests --error-exitcode=1 apo engine chain effects files presets pipewire measure fit text lv2 tools setup tests bench
echo "cppcheck: clean"

# Our own sources in the compile database (not the build tree's generated ones).
sources="$(mktemp)"
log="$(mktemp)"
trap 'rm -f "$sources" "$log"' EXIT
/usr/bin/python3 -c '
import json, os, sys
for entry in json.load(open(sys.argv[1] + "/build/release/compile_commands.json")):
    path = os.path.relpath(entry["file"], sys.argv[1])
    if not path.startswith(("build/", "../")): print(path)
' "$ROOT" | sort -u >"$sources"
if ! xargs -a "$sources" -P "$JOBS" -n 4 clang-tidy -p build/release --quiet \
        --warnings-as-errors='*' >"$log" 2>&1; then
    grep -E 'warning:|error:' -A3 "$log"
    echo "clang-tidy found problems"
    exit 1
fi
echo "clang-tidy: clean over $(wc -l <"$sources") sources"
