# Shared by the command-line tests: a scratch folder removed at exit, and check(), which runs a
# command and records a failure when its exit status is not the one wanted. Sourced after TOOL is
# set; sets WORK and fail.
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
fail=0
check() {  # description, expected status, command...
    local what="$1" want="$2"
    shift 2
    "$@" >"$WORK/stdout" 2>"$WORK/stderr"
    local got=$?
    if [[ $got -ne $want ]]; then
        echo "FAIL: $what: status $got, wanted $want"; cat "$WORK/stderr"; fail=1
    fi
}
