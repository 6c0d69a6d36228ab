# Shared by the live tests: WirePlumber started and stopped in the private session under
# dbus-run-session, its log in $WORK/wireplumber.log. Sets `manager`.
manager=""
stop_manager() {
    [[ -n "$manager" ]] && { pkill -P "$manager" 2>/dev/null || true; kill "$manager" 2>/dev/null || true; wait "$manager" 2>/dev/null || true; }
    manager=""
}
start_manager() {
    dbus-run-session -- wireplumber >>"$WORK/wireplumber.log" 2>&1 &
    manager=$!
    sleep 2
}
