#!/usr/bin/env bash
# The demo: the client, installed in a working folder of its own, against the sandbox.
#   scripts/demo/demo.sh BUILD_FOLDER
# Starts, all on loopback: a remote desktop (TigerVNC's Xvnc), the sandbox (the service's HTTPS
# side, where its desktop proxy also hands the desktop to the viewer as a web-socket; its SSH
# side and the print queue, the FTP and WebDAV drives, and the desktop host's SSH for sessions
# in tunnel mode; the ports are in sandbox/ports.json) and a local printer (a private CUPS
# whose jobs land in a folder). With a display the window opens for you: log in as demo / demo.
# Without one, everything runs on a private Xvfb and the script itself connects, prints a page
# and disconnects; then connects in tunnel mode, where the drives are mounted, and to an NX
# desktop; and saves a screenshot of each state.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(readlink -f "$1")
. "$build/demo-settings.sh"  # the client's version and the sandbox's ports
install=$build/install
shots=$build/demo-screenshots
state=$(mktemp -d /tmp/tollivance-demo.XXXXXX)
chmod 755 "$state"  # the local printer's backend runs as lp and writes below it

pids=() bus= drives_used=false
cleanup() {
    # On your own session bus, the WebDAV drive of a tunnel-mode session would outlive the demo.
    if [ -z "$bus" ] && $drives_used; then timeout 10 gio mount -u dav://127.0.0.1:8022/ 2>/dev/null || true; fi
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    [ -f "$state/cups/cupsd.pid" ] && kill "$(cat "$state/cups/cupsd.pid")" 2>/dev/null || true
    wait "${pids[@]}" 2>/dev/null || true
    if [ -n "$bus" ]; then kill "$bus" 2>/dev/null || true; fi  # last: the client's scripts use it
    wait 2>/dev/null || true
    rm -rf "$state"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Starts an X server that reports its display number on fd 5, and sets the variable NAME to
# ":N". (Not in a command substitution: the server's process id must reach this shell.)
start_x_server() {
    local name=$1
    shift
    "$@" -displayfd 5 5>"$state/$name.display" >"$state/$name.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do
        if [ -s "$state/$name.display" ]; then
            printf -v "$name" ':%s' "$(head -n1 "$state/$name.display")"
            return
        fi
        sleep 0.1
    done
    echo "demo: $name did not start; see $state/$name.log" >&2
    exit 1
}

wait_for_file() {  # wait_for_file PATTERN SECONDS
    for _ in $(seq $(($2 * 10))); do
        compgen -G "$1" >/dev/null && return 0
        sleep 0.1
    done
    return 1
}

# The drives are mounted on the session bus (gio): the demo brings its own when there is none,
# and GVFS's daemons end with it.
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
    if [ -z "${XDG_RUNTIME_DIR:-}" ]; then  # GVFS's sockets and the drive scripts' notes
        export XDG_RUNTIME_DIR=$state/runtime
        mkdir -m 700 "$XDG_RUNTIME_DIR"
    fi
    dbus-daemon --session --nofork --nopidfile --print-address=5 5>"$state/bus.address" \
        2>"$state/bus.log" &
    bus=$!
    for _ in $(seq 100); do
        [ -s "$state/bus.address" ] && break
        sleep 0.1
    done
    DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$state/bus.address")
    export DBUS_SESSION_BUS_ADDRESS
    export NO_AT_BRIDGE=1  # this bus has no accessibility service to offer
fi

headless=false
if [ -z "${DISPLAY:-}" ]; then
    headless=true
    start_x_server xvfb Xvfb -screen 0 1300x720x24 -nolisten tcp
    export DISPLAY=$xvfb
    openbox --sm-disable >"$state/openbox.log" 2>&1 &  # window frames, as on a desktop
    pids+=($!)
fi

# The remote desktop, protected by the session's cookie as its VNC password.
cookie=$(od -An -N4 -tx1 /dev/urandom | tr -d ' \n')
printf '%s\n' "$cookie" | vncpasswd -f >"$state/vncpasswd"
start_x_server xvnc Xvnc -rfbport "$SANDBOX_DESKTOP_PORT" -localhost -SecurityTypes VncAuth \
    -PasswordFile "$state/vncpasswd" -geometry 680x560 -depth 24 -desktop "Sandbox desktop"
desktop=$xvnc
cat >"$state/desktop-rc" <<RC
PS1='remote\$ '
print_test_page() {
    /usr/bin/python3 "$root/sandbox/queue_print.py" --state-dir "$state/sandbox" "$root/scripts/demo/test-page.txt"
}
echo "This is the sandbox's remote desktop."
echo "Type print_test_page to print a page on your local printer."
RC
DISPLAY=$desktop xsetroot -solid '#2e5f86' || true
DISPLAY=$desktop xterm -geometry 80x16+40+40 -title "Remote terminal" -e bash --rcfile "$state/desktop-rc" &
pids+=($!)

# The local printer.
CUPS_SERVER=$("$root/scripts/demo/local-printer.sh" "$state/cups")
export CUPS_SERVER

# The sandbox, on its fixed ports; the sessions it hands out lead to the desktops above.
# TOLLIVANCE_DEMO_DESKTOP chooses the first session (with a display, the only one):
#   websock  the VNC desktop as a web-socket on the desktop proxy (the default)
#   tunnel   the VNC desktop through the client's two OpenSSH forwardings (tunnel mode), the
#            second one to the desktop host's SSH, which also forwards the FTP and WebDAV drives
#   nx       an NX desktop (the sandbox's nxagent, with the same terminal in it), shown through
#            the NX proxy adapter
first_session=${TOLLIVANCE_DEMO_DESKTOP:-websock}
mkdir -p "$state/sandbox"
# Every scenario names the NX desktop's program: the agent starts it when it starts, which may
# be before the session that shows it.
nx_program=$(printf '"nx": {"program": ["xterm", "-geometry", "80x16+40+40", "-title", "Remote terminal", "-e", "bash", "--rcfile", "%s"]}' \
    "$state/desktop-rc")
websock_scenario() {
    printf '{"session": {"cookie": "%s"}, %s}' "$cookie" "$nx_program" >"$state/sandbox/scenario.json"
}
tunnel_scenario() {
    drives_used=true
    printf '{"session": {"cookie": "%s", "tunnel_mode": true, "websock": false, "drives": true}, %s}' \
        "$cookie" "$nx_program" >"$state/sandbox/scenario.json"
}
nx_scenario() {
    printf '{"session": {"protocol": "nx"}, %s}' "$nx_program" >"$state/sandbox/scenario.json"
}
viewer_title() {  # viewer_title KIND: the title of the window that shows that kind of desktop
    if [ "$1" = nx ]; then echo "Sandbox NX desktop"; else echo TigerVNC; fi
}
case $first_session in
    websock | tunnel | nx) "${first_session}_scenario" ;;
    *) echo "demo: TOLLIVANCE_DEMO_DESKTOP is websock, tunnel or nx, not $first_session" >&2; exit 2 ;;
esac
/usr/bin/python3 "$root/sandbox/run_sandbox.py" --state-dir "$state/sandbox" \
    --pki "$build/sandbox-pki" --keys "$build/keys" --fixed-ports --https --ssh --print-queue \
    --drives --desktop-ssh --nx \
    >"$state/sandbox.out" 2>"$state/sandbox.err" &
pids+=($!)
wait_for_file "$state/sandbox.out" 30 && for _ in $(seq 300); do
    grep -q '^READY ' "$state/sandbox.out" && break
    sleep 0.1
done
grep -q '^READY ' "$state/sandbox.out" || { echo "demo: the sandbox did not start:" >&2; cat "$state/sandbox.err" >&2; exit 1; }

"$install/bin/tollivance-sandbox" >"$state/client.log" 2>&1 &
client=$!
pids+=($client)

if ! $headless; then
    echo "The client is running. Log in with user ID demo and password demo, then press Connect."
    echo "In the remote desktop's terminal, type print_test_page to print on Sandbox_Printer;"
    echo "printed pages land in $state/cups/output/."
    if [ "$first_session" = tunnel ]; then
        echo "In tunnel mode the FTP and WebDAV drives appear in your file manager (gio mount -l)."
    fi
    wait "$client" || true
    exit 0
fi

# Headless: drive the window the way a person would, and take a picture of each state.
mkdir -p "$shots"
shot() { import -window root "$shots/$1.png"; echo "demo: saved $shots/$1.png"; }
window=$(timeout 30 xdotool search --sync --name "^Quorvanta Tollivance $TOLLIVANCE_VERSION\$" | head -n1)
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; sleep 0.3; }
sleep 1
click 255 146 && xdotool type --delay 20 demo
click 255 172 && xdotool type --delay 20 demo
shot 1-ready-to-connect
connect() {  # connect VIEWER_TITLE: presses Connect and waits for the viewer's window
    click 255 307
    viewer=$(timeout 60 xdotool search --sync --name "$1" | head -n1) || {
        echo "demo: the desktop viewer did not open; the client said:" >&2
        cat "$state/client.log" >&2
        exit 1
    }
    xdotool windowmove "$viewer" 590 50  # beside the client's window
}
disconnect() {  # disconnect VIEWER_TITLE: presses Disconnect and waits for the viewer to go
    click 255 307
    if [ -n "$drives_terminal" ]; then kill "$drives_terminal" 2>/dev/null || true; fi
    for _ in $(seq 100); do
        xdotool search --name "$1" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    echo "demo: the desktop viewer is still open after Disconnect" >&2
    exit 1
}
drive_mounts() {  # the URIs of the mounted drives, sorted, each followed by a blank
    gio mount -l 2>/dev/null | sed -n 's/^Mount([0-9]*): .* -> //p' | sort | tr '\n' ' '
}
wait_for_mounts() {  # wait_for_mounts TEXT SECONDS
    for _ in $(seq $(($2 * 10))); do
        [ "$(drive_mounts)" = "$1" ] && return 0
        sleep 0.1
    done
    return 1
}
both_drives="dav://127.0.0.1:8022/ ftp://demo@127.0.0.1:8021/ " drives_terminal=
# In tunnel mode the viewer reaches the desktop through the forwarding ssh's local port, and the
# drive scripts mount both drives through it; a terminal on this computer shows them.
check_tunnel_session() {
    pgrep -f "vncviewer .*127\.0\.0\.1::$((SANDBOX_TUNNEL_DESKTOP_PORT + 4000))\$" >/dev/null || {
        echo "demo: the viewer does not use the tunnel's local port" >&2
        exit 1
    }
    wait_for_mounts "$both_drives" 60 || {
        echo "demo: the drives were not mounted (mounted: $(drive_mounts)); the client said:" >&2
        cat "$state/client.log" >&2
        exit 1
    }
    echo "demo: in tunnel mode, the desktop came through the forwarding ssh; drives mounted: $both_drives"
    xterm -geometry 72x10+20+470 -title "Drives on this computer" -e sh -c '
        gio mount -l 2>/dev/null | grep -e "ftp://" -e "dav://"; echo
        printf "FTP drive, welcome.txt:    "; gio cat ftp://demo@127.0.0.1:8021/welcome.txt
        printf "WebDAV drive, welcome.txt: "; gio cat dav://127.0.0.1:8022/welcome.txt
        exec sleep 600' 2>/dev/null &
    drives_terminal=$!
    pids+=("$drives_terminal")
}

connect "$(viewer_title "$first_session")"
case $first_session in
    nx) ;;
    tunnel) check_tunnel_session ;;
    websock)
        grep -q '"path": "/desktop/https/127.0.0.1/'"$((SANDBOX_DESKTOP_PORT + 5000))"'"' "$state/sandbox/https_requests.jsonl" || {
            echo "demo: the desktop did not come through the desktop proxy's web-socket path" >&2
            exit 1
        }
        echo "demo: the desktop came through the desktop proxy's web-socket path" ;;
esac
sleep 4
shot 2-connected
# TOLLIVANCE_DEMO_MEASURE=SECONDS: the client's CPU while connected and idle, from /proc, in a few
# runs of that length (the machine is shared: a range, not one figure).
if [ -n "${TOLLIVANCE_DEMO_MEASURE:-}" ]; then
    ticks() { awk '{ print $14 + $15 }' "/proc/$client/stat"; }
    hz=$(getconf CLK_TCK)
    for run in 1 2 3; do
        before=$(ticks)
        sleep "$TOLLIVANCE_DEMO_MEASURE"
        after=$(ticks)
        echo "demo: client CPU while connected, run $run: $(awk -v t=$((after - before)) -v hz="$hz" \
            -v s="$TOLLIVANCE_DEMO_MEASURE" 'BEGIN { printf "%.2f", 100 * t / hz / s }')% of a core"
    done
fi

/usr/bin/python3 "$root/sandbox/queue_print.py" --state-dir "$state/sandbox" "$root/scripts/demo/test-page.txt"
wait_for_file "$state/cups/output/job-*" 60 || { echo "demo: nothing was printed" >&2; exit 1; }
sleep 1
shot 3-printed
echo "demo: printed $(ls "$state/cups/output" | wc -l) page(s) on Sandbox_Printer"

disconnect "$(viewer_title "$first_session")"
sleep 1
shot 4-disconnected
echo "demo: connected, printed and disconnected"

# The other kinds of session, once each.
if [ "$first_session" != tunnel ]; then
    tunnel_scenario
    connect TigerVNC
    check_tunnel_session
    sleep 4
    shot 5-tunnel-mode-drives
    disconnect TigerVNC
    # The end of the forwarding unmounts the FTP drive; the WebDAV drive stays until unmounted.
    wait_for_mounts "dav://127.0.0.1:8022/ " 30 || {
        echo "demo: the FTP drive is still mounted after Disconnect: $(drive_mounts)" >&2
        exit 1
    }
    echo "demo: connected in tunnel mode with both drives, and disconnected"
fi
if [ "$first_session" != nx ]; then
    nx_scenario
    connect "$(viewer_title nx)"
    sleep 4
    shot 6-nx-desktop
    disconnect "$(viewer_title nx)"
    echo "demo: connected to the NX desktop, and disconnected"
fi
