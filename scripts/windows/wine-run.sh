#!/bin/bash
# wine-run.sh PROGRAM.exe [ARGS...]: runs a Windows program under Wine in a prefix of its own on
# a private Xvfb, bounded by TOLLIVANCE_WINE_TIMEOUT seconds (default 900), and ends the
# prefix's wineserver afterwards. Exits with the program's status.
set -u
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
. "$HERE/wine-common.sh"
trap wine_run_cleanup EXIT
trap 'exit 130' INT TERM

[ $# -ge 1 ] || { echo "usage: $0 PROGRAM.exe [ARGS...]" >&2; exit 2; }
wine_run_prefix || exit 1
wine_run_xvfb || exit 1
wine_run_boot || { echo "wine: the prefix could not be created" >&2; exit 1; }

timeout --kill-after=10 "${TOLLIVANCE_WINE_TIMEOUT:-900}" "$WINE64" "$@"
status=$?
[ $status -eq 124 ] && echo "wine-run: $1 did not finish in time" >&2
exit $status
