# Counted checks for the Windows application tests (sourced after "passed=0 failed=0"); the
# script's cleanup prints "$passed passed, $failed failed" at its end.
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
