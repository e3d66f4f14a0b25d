#!/usr/bin/env bash
# The whole Windows client under Wine against the sandbox: its window's title, size and
# position, the update check over verified TLS (Schannel with the sandbox's CA), a login typed
# into the window by a user the sandbox does not know, the login form's proof built from Wine's
# MachineGuid, and the "Login failed" box; then the window at 96, 144 and 192 DPI (the prefix's
# LogPixels) as the program itself measures it. Runs in a network namespace of its own with only
# loopback up; ends the sandbox, the prefix's wineserver and the Xvfb on exit.
#   window_test.sh WINDOWS_BUILD_DIR [--screenshot]
# --screenshot saves the display with the "Login failed" box to docs/images/windows-window.png
# and the window at each DPI to docs/images/windows-login-{100,150,200}.png.
set -euo pipefail
case $# in 1 | 2) ;; *) echo "usage: $0 WINDOWS_BUILD_DIR [--screenshot]" >&2; exit 2 ;; esac
if [ "${TOLLIVANCE_WINDOW_TEST_NETNS:-}" != 1 ]; then
    TOLLIVANCE_WINDOW_TEST_NETNS=1 exec unshare --net "$0" "$@"
fi
ip link set lo up
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(cd "$HERE/../.." && pwd)"
build="$(cd "$1" && pwd)"
screenshot=false
if [ $# -eq 2 ]; then
    [ "$2" = --screenshot ] || { echo "usage: $0 WINDOWS_BUILD_DIR [--screenshot]" >&2; exit 2; }
    screenshot=true
fi
started=$SECONDS

. "$ROOT/scripts/windows/wine-common.sh"
. "$build/demo-settings.sh" # TOLLIVANCE_VERSION and the sandbox's ports
work="$(mktemp -d /tmp/tollivance-window-test.XXXXXX)"
sandbox="" client="" wm=""
passed=0 failed=0
# shellcheck source=checks.sh
. "$HERE/checks.sh"
cleanup() { finish window $? true; }
trap cleanup EXIT
trap 'exit 130' INT TERM

for tool in xdotool Xvfb openbox xprop import; do
    command -v "$tool" >/dev/null || fatal "$tool not found (scripts/install-deps.sh installs it)"
done

# The sandbox, HTTPS only, with accounts that do not include the user typed below.
user=wintest7 password='pa ss&1'
start_sandbox() { # start_sandbox STATE_DIR PKI
    mkdir -p "$1"
    printf '{"accounts": {"someone-else": {"password": "x"}}}' >"$1/scenario.json"
    /usr/bin/python3 "$ROOT/sandbox/run_sandbox.py" --state-dir "$1" --pki "$2" \
        --keys "$build/keys" --fixed-ports --https >"$1.out" 2>"$1.err" &
    sandbox=$!
    wait_for 30 grep -q '^READY ' "$1.out" || fatal "the sandbox did not start: $(cat "$1.err")"
}
start_sandbox "$work/sandbox" "$build/sandbox-pki"
log="$work/sandbox/https_requests.jsonl"

wine_run_prefix || fatal "no Wine"
wine_run_xvfb || fatal "no Xvfb"
openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm=$!
wait_for 20 xprop -root _NET_SUPPORTING_WM_CHECK >/dev/null 2>&1 ||
    fatal "the window manager did not start"
wine_run_boot || fatal "the Wine prefix could not be created"
echo "window test: prefix ready after $((SECONDS - started)) s"

# The pictures lie beside the program in the build folder, its working folder. Each start
# writes the program's own measurement of its window to $work/layout-DPI.txt.
title="Quorvanta Tollivance $TOLLIVANCE_VERSION"
start_client() { # start_client DPI: the client and its window ($client, $window)
    (cd "$build" && TOLLIVANCE_LAYOUT_REPORT="Z:$work/layout-$1.txt" \
        exec "$WINE64" tollivance-sandbox.exe >"$work/client.log" 2>&1) &
    client=$!
    window="$(timeout 60 xdotool search --sync --name "^$title\$" 2>/dev/null | head -n 1)" ||
        true
    [ -n "$window" ] || fatal "no window \"$title\" within 60 s: $(cat "$work/client.log")"
}
start_client 96
pass "window \"$title\" after $((SECONDS - started)) s"

# Wine hands the frame to the window manager: the X window is the client part of the Windows
# window, which Wine places where Windows would, inside its own border and caption. So the
# Windows window of 500x400 at (50,50) shows as an X window inset from that rectangle by equal
# borders left, right and below and a taller caption above (3, 3, 3 and 22 pixels with Wine's
# default metrics); the window manager draws its own frame around it (xprop _NET_FRAME_EXTENTS).
# (xdotool's getwindowgeometry counts the frame twice for a reparented window; xwininfo does not.)
framed() { xprop -id "$window" _NET_FRAME_EXTENTS | grep -q =; }
wait_for 10 framed || fatal "the window manager did not frame the window"
sleep 0.5 # the frame's move follows its extents
geometry() { xwininfo -id "$window" | sed -n "s/^ *$1: *//p"; }
X="$(geometry 'Absolute upper-left X')" Y="$(geometry 'Absolute upper-left Y')"
WIDTH="$(geometry Width)" HEIGHT="$(geometry Height)"
left=$((X - 50)) right=$((550 - X - WIDTH)) top=$((Y - 50)) bottom=$((450 - Y - HEIGHT))
echo "window test: X window ${WIDTH}x${HEIGHT} at ($X,$Y): insets $left, $right, $top, $bottom" \
    "within 500x400 at (50,50); window manager's frame $(xprop -id "$window" _NET_FRAME_EXTENTS)"
windows_frame() {
    [ "$left" -gt 0 ] && [ "$left" -le 8 ] && [ "$right" -eq "$left" ] && [ "$bottom" -eq "$left" ] &&
        [ "$top" -gt "$left" ] && [ "$top" -le 40 ]
}
check "500x400 at (50,50) with Wine's border and caption (client ${WIDTH}x${HEIGHT} at ($X,$Y))" \
    windows_frame

# The window as the program measures it at a DPI: its size (caption and border included) the
# 500x400 scaled by the DPI, each label clear of its field, each status text's extent inside its
# box and the box inside the window.
layout_checks() { # layout_checks DPI
    local report="$work/layout-$1.txt" width=$((500 * $1 / 96)) height=$((400 * $1 / 96))
    reported() { [ "$(grep -c '^text ' "$report" 2>/dev/null)" = 2 ]; }
    wait_for 20 reported || { miss "no layout report at $1 DPI: $(cat "$work/client.log")"; return; }
    sed 's/^/window test:   /' "$report"
    check "$1 DPI: the program sees $1 DPI" grep -qx "dpi $1" "$report"
    check "$1 DPI: the window is ${width}x${height}" grep -qx "window ${width}x${height}" "$report"
    check "$1 DPI: every label clear of its field" \
        test "$(grep -c '^label .* clear$' "$report")" = 4
    check "$1 DPI: both status texts fit their boxes" \
        test "$(grep -c '^text .* fits$' "$report")" = 2
}
layout_checks 96
# The window with the window manager's frame around it.
shoot() { # shoot FILE
    $screenshot || return 0
    local extents l r t b
    extents="$(xprop -id "$window" _NET_FRAME_EXTENTS | sed 's/.*= *//; s/,//g')"
    read -r l r t b <<<"$extents"
    sleep 1
    mkdir -p "$ROOT/docs/images"
    import -window root -crop "$((WIDTH + l + r))x$((HEIGHT + t + b))+$((X - l))+$((Y - t))" \
        +repage "$ROOT/docs/images/$1"
    echo "window test: saved docs/images/$1"
}
shoot windows-login-100.png

# Under the pointer a themed button draws its own light background instead of the green one:
# the Connect label must still be drawn, not white on white.
label_under_pointer() {
    xdotool mousemove --window "$window" 255 307
    sleep 0.5
    local spread
    spread="$(import -window "$window" -crop 186x17+162+299 +repage -colorspace gray \
        -format '%[fx:standard_deviation]' info:)"
    echo "window test: the Connect button's grey spread under the pointer: $spread"
    awk -v spread="$spread" 'BEGIN { exit !(spread > 0.05) }'
}
check "the Connect label is drawn under the pointer" label_under_pointer

update_checked() { grep -q '"method": "GET", "path": "/downloads/quorvanta-client-version.txt"' "$log"; }
check "update check through Schannel with the sandbox's CA" wait_for 30 update_checked

# The login, typed as a person would (the same layout as on Linux).
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; sleep 0.3; }
click 255 146 && xdotool type --delay 30 "$user"
click 255 172 && xdotool type --delay 30 "$password"
click 255 307
login_sent() { grep -q '"path": "/session/start/"' "$log"; }
wait_for 30 login_sent || fatal "no login request within 30 s: $(cat "$work/client.log")"
pass "login request"

guid="$(timeout 60 "$WINE64" reg query 'HKLM\SOFTWARE\Microsoft\Cryptography' /v MachineGuid /reg:64 |
    tr -d '\r' | awk '$1 == "MachineGuid" { print $3 }')" || true
[ -n "$guid" ] || fatal "no MachineGuid in the prefix's registry"
# u as typed, p percent-encoded, s a salt of 16 letters and digits, h the proof over serial + s.
form="$(/usr/bin/python3 - "$log" "$guid" "$user" "$password" <<'EOF'
import hashlib, json, re, sys
from urllib.parse import quote
log, guid, user, password = sys.argv[1:]
logins = [r for r in map(json.loads, open(log, encoding="utf-8")) if r["path"] == "/session/start/"]
body = logins[0]["body"]
fields = [pair.split("=", 1) for pair in body.split("&")]
names = [f[0] for f in fields]
values = dict(f for f in fields if len(f) == 2)
serial = hashlib.sha256(guid.encode("ascii")).hexdigest()
salt = values.get("s", "")
problems = []
if names != ["u", "p", "s", "h"]:
    problems.append("fields %s, not u p s h" % names)
if values.get("u") != user:
    problems.append("u is %r, not %r" % (values.get("u"), user))
if values.get("p") != quote(password, safe="-._~"):
    problems.append("p is %r, not %r" % (values.get("p"), quote(password, safe="-._~")))
if not re.fullmatch(r"[A-Za-z0-9]{16}", salt):
    problems.append("s is %r, not 16 letters and digits" % salt)
if values.get("h") != hashlib.sha256((serial + salt).encode("ascii")).hexdigest():
    problems.append("h is %r, not SHA-256(serial + s) for MachineGuid %s" % (values.get("h"), guid))
print("; ".join(problems) if problems else "ok")
EOF
)"
check "login form u, p, s and h from MachineGuid $guid${form:+ ($form)}" test "$form" = ok

box="$(timeout 30 xdotool search --sync --name '^Login failed$' 2>/dev/null | head -n 1)" || true
check "the \"Login failed\" box" test -n "$box"
if $screenshot && [ -n "$box" ]; then
    sleep 1
    mkdir -p "$ROOT/docs/images"
    # The window with the box over it.
    import -window root -crop 500x400+50+50 +repage "$ROOT/docs/images/windows-window.png"
    echo "window test: saved docs/images/windows-window.png"
fi
# Dismissed with Return, the box goes and the window stays.
if [ -n "$box" ]; then
    xdotool windowactivate --sync "$box" key Return 2>/dev/null || true
    box_gone() { ! xdotool search --name '^Login failed$' >/dev/null 2>&1; }
    check "the box closes with Return" wait_for 10 box_gone
fi
check "the client still runs" kill -0 "$client"

# The same sandbox with a certificate its CA did not sign: the login ends in the "Login failed"
# box before any request reaches it.
stop "$sandbox"
sandbox=""
cp -r "$build/sandbox-pki" "$work/untrusted-pki"
cp "$work/untrusted-pki/untrusted.pem" "$work/untrusted-pki/server.pem"
cp "$work/untrusted-pki/untrusted.key" "$work/untrusted-pki/server.key"
start_sandbox "$work/untrusted" "$work/untrusted-pki"
click 255 307
box="$(timeout 30 xdotool search --sync --name '^Login failed$' 2>/dev/null | head -n 1)" || true
check "the \"Login failed\" box for a certificate the CA did not sign" test -n "$box"
check "no request past an unverified certificate" test ! -s "$work/untrusted/https_requests.jsonl"

# The same window at 150% and 200%: the prefix's DPI for programs started afterwards.
set_dpi() { # set_dpi DPI
    local key
    for key in 'HKCU\Control Panel\Desktop' \
        'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
        timeout 60 "$WINE64" reg add "$key" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1 ||
            return 1
    done
}
for dpi in 144 192; do
    stop "$client"
    client=""
    set_dpi "$dpi" || fatal "LogPixels $dpi could not be set"
    start_client "$dpi"
    wait_for 10 framed || fatal "the window manager did not frame the window at $dpi DPI"
    sleep 0.5
    X="$(geometry 'Absolute upper-left X')" Y="$(geometry 'Absolute upper-left Y')"
    WIDTH="$(geometry Width)" HEIGHT="$(geometry Height)"
    layout_checks "$dpi"
    shoot "windows-login-$((dpi * 100 / 96)).png"
done
