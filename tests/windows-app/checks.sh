# Counted checks for the Windows application tests (sourced after "passed=0 failed=0"), and
# their one way to stop what they started and end with "$passed passed, $failed failed".
pass() { passed=$((passed + 1)); echo "ok: $*"; }
miss() { failed=$((failed + 1)); echo "FAIL: $*" >&2; }
check() { # check WHAT COMMAND...: one counted check
    local what=$1
    shift
    if "$@"; then pass "$what"; else miss "$what"; fi
}
fatal() { miss "$*"; exit 1; }
wait_for() { # wait_for SECONDS COMMAND...: polls every 0.1 s within the bound
    local rounds=$(($1 * 10))
    shift
    for _ in $(seq "$rounds"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

stop() { # stop PID: TERM, then KILL after a bound
    kill "$1" 2>/dev/null || true
    timeout 10 tail --pid="$1" -f /dev/null 2>/dev/null || kill -9 "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}
# finish NAME STATUS STOP_OWN: the end of a test, at its exit. Stops the client, Wine's processes
# and the window manager, then what only this test started (STOP_OWN, a command), then the
# sandbox; removes the work folder and ends with the counts.
finish() {
    [ -z "$client" ] || stop "$client"
    wine_run_cleanup
    [ -z "$wm" ] || stop "$wm"
    "$3"
    [ -z "$sandbox" ] || stop "$sandbox"
    rm -rf "$work"
    echo "$1 test: $((SECONDS - started)) s"
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ] || exit 1
    exit "$2"
}
