# Sourced by the Wine runners: a private Wine prefix and a private Xvfb for one run, both ended
# and removed on exit. Callers set `set -u` themselves; nothing here is left running.

WINE64="${TOLLIVANCE_WINE64:-/usr/lib/wine/wine64}"
WINE_RUN_PREFIX=""
WINE_RUN_XVFB_PID=""

wine_run_cleanup() {
    if [ -n "$WINE_RUN_PREFIX" ]; then
        WINEPREFIX="$WINE_RUN_PREFIX" timeout 30 wineserver -k 2>/dev/null || true
        WINEPREFIX="$WINE_RUN_PREFIX" timeout 30 wineserver -w 2>/dev/null || true
        rm -rf "$WINE_RUN_PREFIX"
        WINE_RUN_PREFIX=""
    fi
    if [ -n "$WINE_RUN_XVFB_PID" ]; then
        kill "$WINE_RUN_XVFB_PID" 2>/dev/null || true
        wait "$WINE_RUN_XVFB_PID" 2>/dev/null || true
        WINE_RUN_XVFB_PID=""
    fi
}

# A fresh prefix of its own; no Mono or Gecko installer prompts, no Wine debug noise.
wine_run_prefix() {
    [ -x "$WINE64" ] || { echo "wine64 not found at $WINE64 (Debian package wine64)" >&2; return 1; }
    WINE_RUN_PREFIX="$(mktemp -d /tmp/tollivance-wine.XXXXXX)"
    export WINEPREFIX="$WINE_RUN_PREFIX"
    export WINEDEBUG="${WINEDEBUG:--all}"
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export WINEARCH=win64
}

# A private X display, chosen by the server itself so that parallel runs never collide.
wine_run_xvfb() {
    local fifo display
    fifo="$(mktemp -u /tmp/tollivance-xvfb.XXXXXX)"
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    WINE_RUN_XVFB_PID=$!
    display="$(timeout 20 head -n 1 "$fifo")" || true
    rm -f "$fifo"
    [ -n "$display" ] || { echo "Xvfb did not start" >&2; return 1; }
    export DISPLAY=":$display"
}

# Creates the prefix's registry and folders (the first start of Wine, ~13 s) within a bound.
wine_run_boot() {
    timeout 120 "$WINE64" wineboot --init >/dev/null 2>&1 &&
        timeout 60 wineserver -w
}
