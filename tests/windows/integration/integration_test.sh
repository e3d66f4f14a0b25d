#!/usr/bin/env bash
# The portable integration cases under Wine against the sandbox, each as on Linux: in a program
# of its own against a sandbox of its own. Sets up one Wine prefix and Xvfb
# (scripts/windows/wine-common.sh), lists the cases of windows_integration_tests.exe, and for each
# starts the sandbox's SSH, print queue and desktop sides on ports the system picks and runs the
# case with the sandbox's ready line and folders in its environment (support/Sandbox_windows.cpp).
# Runs in a network namespace of its own with only loopback up; ends every sandbox and the prefix
# on exit; fails when any case failed.
#   integration_test.sh WINDOWS_BUILD_DIR [GTEST_FILTER]
set -uo pipefail
[ $# -ge 1 ] || { echo "usage: $0 WINDOWS_BUILD_DIR [GTEST_FILTER]" >&2; exit 2; }
if [ "${TOLLIVANCE_WINE_INTEGRATION_NETNS:-}" != 1 ]; then
    TOLLIVANCE_WINE_INTEGRATION_NETNS=1 exec unshare --net "$0" "$@"
fi
ip link set lo up
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(cd "$HERE/../../.." && pwd)"
build="$(cd "$1" && pwd)"
filter="${2:-*}"
program="$build/tests/windows/windows_integration_tests.exe"
[ -f "$program" ] || { echo "no $program: build the target windows_integration_tests" >&2; exit 1; }
. "$ROOT/scripts/windows/wine-common.sh"
started=$SECONDS
# The whole run's bound, below the CTest time-out: cases not started by then count as failed.
budget=1000
work="$(mktemp -d /tmp/tollivance-wine-integration.XXXXXX)"
sandbox=""

stop() { # stop PID: TERM, then KILL after a bound
    kill "$1" 2>/dev/null || true
    timeout 10 tail --pid="$1" -f /dev/null 2>/dev/null || kill -9 "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}
stop_sandbox() {
    exec 4>&- # the sandbox's standard input: it ends with it as well
    [ -z "$sandbox" ] || stop "$sandbox"
    sandbox=""
}
cleanup() {
    local status=$?
    stop_sandbox
    wine_run_cleanup
    rm -rf "$work"
    echo "windows integration: $((SECONDS - started)) s"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# start_sandbox STATE_DIR: the sandbox stops when its standard input closes, so it never outlives
# this script even when the script is killed. Opened both ways here, the pipe never blocks its
# opening; only this script holds it. Sets `ready`.
start_sandbox() {
    local state="$1"
    mkdir "$state"
    rm -f "$work/sandbox.in"
    mkfifo "$work/sandbox.in"
    exec 4<>"$work/sandbox.in"
    /usr/bin/python3 "$ROOT/sandbox/run_sandbox.py" --state-dir "$state" \
        --pki "$build/sandbox-pki" --keys "$build/keys" --exit-with-stdin --ssh --print-queue \
        --desktop <"$work/sandbox.in" 4>&- >"$work/sandbox.out" 2>"$work/sandbox.err" &
    sandbox=$!
    for _ in $(seq 150); do # 30 s
        grep -q '^READY ' "$work/sandbox.out" && break
        kill -0 "$sandbox" 2>/dev/null || break
        sleep 0.2
    done
    ready="$(sed -n 's/^READY //p' "$work/sandbox.out" | head -n 1)"
    [ -n "$ready" ] || { echo "the sandbox did not start: $(cat "$work/sandbox.err")" >&2; return 1; }
}

wine_run_prefix || exit 1
wine_run_xvfb || exit 1
wine_run_boot || { echo "wine: the prefix could not be created" >&2; exit 1; }
# One wineserver for every case's program rather than one each.
wineserver -p

cases="$(timeout 60 "$WINE64" "$program" --gtest_list_tests --gtest_filter="$filter" |
    tr -d '\r' | awk '/^[^ ]/ { suite = $1 } /^  [^ ]/ { print suite $1 }')"
[ -n "$cases" ] || { echo "no case matches $filter" >&2; exit 1; }

failed=()
count=0
n=0
for case in $cases; do
    n=$((n + 1))
    left=$((budget - (SECONDS - started)))
    if [ "$left" -lt 30 ]; then
        failed+=("$case (not started: the run's $budget s are spent)")
        continue
    fi
    count=$((count + 1))
    if ! start_sandbox "$work/state-$n"; then
        failed+=("$case (no sandbox)")
        stop_sandbox
        continue
    fi
    # Wine passes the environment on; Linux paths are Windows paths on drive Z:.
    status=0
    TOLLIVANCE_SANDBOX_READY="$ready" TOLLIVANCE_SANDBOX_STATE="Z:$work/state-$n" \
        TOLLIVANCE_SANDBOX_PKI="Z:$build/sandbox-pki" \
        timeout --kill-after=10 "$((left < 120 ? left : 120))" "$WINE64" "$program" \
        --gtest_filter="$case" --gtest_brief=1 4>&- || status=$?
    if [ "$status" -ne 0 ]; then
        [ "$status" -eq 124 ] && echo "$case did not finish in time" >&2
        failed+=("$case")
        echo "--- sandbox errors of $case:" >&2
        tail -n 40 "$work/sandbox.err" >&2 || true
    fi
    stop_sandbox
    rm -rf "$work/state-$n"
done

echo "windows integration: $count cases run, ${#failed[@]} failed"
[ "${#failed[@]}" -eq 0 ] && exit 0
printf 'FAILED: %s\n' "${failed[@]}" >&2
exit 1
