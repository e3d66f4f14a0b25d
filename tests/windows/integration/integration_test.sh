#!/usr/bin/env bash
# The Windows client's SSH half under Wine against the sandbox: starts the sandbox's SSH, print
# queue and desktop sides on ports the system picks, then runs windows_integration_tests.exe
# under Wine (scripts/windows/wine-run.sh: a prefix and an Xvfb of its own) with the sandbox's
# ready line and folders in its environment. Runs in a network namespace of its own with only
# loopback up; ends the sandbox on exit and exits with the program's status.
#   integration_test.sh WINDOWS_BUILD_DIR [GTEST_ARGS...]
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 WINDOWS_BUILD_DIR [GTEST_ARGS...]" >&2; exit 2; }
if [ "${TOLLIVANCE_WINE_INTEGRATION_NETNS:-}" != 1 ]; then
    TOLLIVANCE_WINE_INTEGRATION_NETNS=1 exec unshare --net "$0" "$@"
fi
ip link set lo up
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(cd "$HERE/../../.." && pwd)"
build="$(cd "$1" && pwd)"
shift
program="$build/tests/windows/windows_integration_tests.exe"
[ -f "$program" ] || { echo "no $program: build the target windows_integration_tests" >&2; exit 1; }
started=$SECONDS
work="$(mktemp -d /tmp/tollivance-wine-integration.XXXXXX)"
sandbox=""

stop() { # stop PID: TERM, then KILL after a bound
    kill "$1" 2>/dev/null || true
    timeout 10 tail --pid="$1" -f /dev/null 2>/dev/null || kill -9 "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}
cleanup() {
    local status=$?
    exec 4>&- # the sandbox's standard input: it ends with it as well
    [ -z "$sandbox" ] || stop "$sandbox"
    rm -rf "$work"
    echo "windows integration: $((SECONDS - started)) s"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The sandbox stops when its standard input closes, so it never outlives this script even
# when the script is killed. Opened both ways here, the pipe never blocks its opening; only
# this script holds it.
mkdir "$work/state"
mkfifo "$work/sandbox.in"
exec 4<>"$work/sandbox.in"
/usr/bin/python3 "$ROOT/sandbox/run_sandbox.py" --state-dir "$work/state" \
    --pki "$build/sandbox-pki" --keys "$build/keys" --exit-with-stdin --ssh --print-queue \
    --desktop <"$work/sandbox.in" 4>&- >"$work/sandbox.out" 2>"$work/sandbox.err" &
sandbox=$!
for _ in $(seq 150); do # 30 s
    grep -q '^READY ' "$work/sandbox.out" && break
    kill -0 "$sandbox" 2>/dev/null || break
    sleep 0.2
done
ready="$(sed -n 's/^READY //p' "$work/sandbox.out" | head -n 1)"
[ -n "$ready" ] || { echo "the sandbox did not start: $(cat "$work/sandbox.err")" >&2; exit 1; }

# Wine passes the environment on; Linux paths are Windows paths on drive Z:.
export TOLLIVANCE_SANDBOX_READY="$ready"
export TOLLIVANCE_SANDBOX_STATE="Z:$work/state"
export TOLLIVANCE_SANDBOX_PKI="Z:$build/sandbox-pki"
status=0
TOLLIVANCE_WINE_TIMEOUT=120 "$ROOT/scripts/windows/wine-run.sh" "$program" --gtest_brief=1 "$@" \
    4>&- || status=$?
if [ "$status" -ne 0 ]; then
    echo "--- sandbox errors:" >&2
    tail -n 40 "$work/sandbox.err" >&2 || true
fi
exit "$status"
