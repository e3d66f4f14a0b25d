#!/bin/bash
# window-start.sh PROGRAM.exe TITLE [RUNS=3] [ARGS...]: under Wine on a private Xvfb, the time from
# start to the window named TITLE being shown, and the program's memory two seconds later.
# The prefix is created first (Wine's one-time ~13 s) and not counted; every run starts with no
# wineserver running, as a user's double-click would.
set -u
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
. "$HERE/../../scripts/windows/wine-common.sh"
PROGRAM_PID=""
finish() {
    [ -n "$PROGRAM_PID" ] && kill "$PROGRAM_PID" 2>/dev/null
    wine_run_cleanup
}
trap finish EXIT
trap 'exit 130' INT TERM

[ $# -ge 2 ] || { echo "usage: $0 PROGRAM.exe TITLE [RUNS=3] [ARGS...]" >&2; exit 2; }
program="$1" title="$2" runs="${3:-3}"
shift $(($# < 3 ? $# : 3))
command -v xdotool >/dev/null || { echo "xdotool is missing" >&2; exit 1; }

wine_run_prefix && wine_run_xvfb || exit 1
boot_start=$(date +%s.%N)
wine_run_boot || { echo "the Wine prefix could not be created" >&2; exit 1; }
echo "prefix created in $(echo "$(date +%s.%N) - $boot_start" | bc) s"

# The wineserver of this prefix: its working folder is the server folder named after the
# prefix's device and inode.
prefix_server() {
    local dir pid
    dir="/server-$(stat -c '%D' "$WINEPREFIX" | sed 's/^0*//')-$(printf '%x' "$(stat -c '%i' "$WINEPREFIX")")"
    for pid in $(pgrep -x 'wineserver(64)?'); do
        case "$(readlink "/proc/$pid/cwd")" in *"$dir") echo "$pid" && return 0 ;; esac
    done
    return 1
}

kib() { awk -v k="$1" '$1 == k":" { print $2 }' "/proc/$2/$3" 2>/dev/null; }

for run in $(seq 1 "$runs"); do
    start=$(date +%s.%N)
    "$WINE64" "$program" "$@" >>"$WINEPREFIX/run.log" 2>&1 &
    PROGRAM_PID=$!
    # Polled every 50 ms rather than with --sync: finer than its half second, and a search
    # that ends on an X error (a window of Wine's vanishing mid-search) is simply repeated.
    deadline=$((SECONDS + 60))
    until xdotool search --onlyvisible --name "^${title}\$" >/dev/null 2>&1; do
        if [ $SECONDS -ge $deadline ]; then
            echo "run $run: no window named \"$title\" within 60 s" >&2
            tail -n 20 "$WINEPREFIX/run.log" >&2
            exit 1
        fi
        sleep 0.05
    done
    shown=$(echo "$(date +%s.%N) - $start" | bc)
    sleep 2
    rss=$(kib VmRSS "$PROGRAM_PID" status)
    pss=$(kib Pss "$PROGRAM_PID" smaps_rollup)
    server=$(prefix_server) && server_rss=$(kib VmRSS "$server" status)
    printf 'run %d: window shown after %.2f s; program RSS %d MiB, PSS %d MiB; wineserver RSS %d MiB\n' \
        "$run" "$shown" $((${rss:-0} / 1024)) $((${pss:-0} / 1024)) $((${server_rss:-0} / 1024))
    kill "$PROGRAM_PID" 2>/dev/null
    wait "$PROGRAM_PID" 2>/dev/null
    PROGRAM_PID=""
    timeout 30 wineserver -k 2>/dev/null
    timeout 30 wineserver -w 2>/dev/null
done
