#!/usr/bin/env bash
# The whole Windows client under Wine from Connect to Disconnect: the real tollivance-sandbox.exe
# in a Windows program layout whose helper programs are one stand-in (tollivance_standin.exe,
# copied under each name; it records how it was started). Logs in through the window, gets a
# web-socket VNC desktop, prints a document queued on the sandbox's print queue on the printer
# the window shows (a private CUPS printer, which Wine lists as a Windows printer), then one whose
# print program fails, disconnects and connects again at once; then an NX desktop (X server and
# NX proxy). The program, the user's temporary folder and the diagnostic log (TOLLIVANCE_LOG) are
# in folders named with letters inside and outside the ANSI code page (1252 here). Checks the
# exact command lines, that the programs' windows are visible, that the failure's box and log
# line name the kept copy exactly, and that Disconnect ends them without a "Connection failed"
# box. Runs in a network namespace of its own with only loopback up; ends
# the client, the prefix's wineserver, the Xvfb, the window manager, CUPS and the sandbox on exit.
#   desktop_test.sh WINDOWS_BUILD_DIR [--screenshot]
# --screenshot saves the connected client beside the viewer to docs/images/windows-connected.png.
set -euo pipefail
usage() { echo "usage: $0 WINDOWS_BUILD_DIR [--screenshot]" >&2; exit 2; }
case $# in 1 | 2) ;; *) usage ;; esac
if [ "${TOLLIVANCE_DESKTOP_TEST_NETNS:-}" != 1 ]; then
    TOLLIVANCE_DESKTOP_TEST_NETNS=1 exec unshare --net "$0" "$@"
fi
ip link set lo up
# Wine reads names from the command line, the environment and the file system in the locale's
# character set; its Windows side is then en-US, ANSI code page 1252.
export LC_ALL=C.UTF-8
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(cd "$HERE/../.." && pwd)"
build="$(cd "$1" && pwd)"
screenshot=false
if [ $# -eq 2 ]; then
    [ "$2" = --screenshot ] || usage
    screenshot=true
fi
started=$SECONDS

. "$ROOT/scripts/windows/wine-common.sh"
. "$build/demo-settings.sh" # TOLLIVANCE_VERSION and the sandbox's ports
work="$(mktemp -d /tmp/tollivance-desktop-test.XXXXXX)"
sandbox="" client="" wm=""
passed=0 failed=0
# shellcheck source=checks.sh
. "$HERE/checks.sh"
stop_own() {
    exec 4>&- # the sandbox's standard input: it ends with it as well
    [ ! -f "$work/cups/cupsd.pid" ] || stop "$(cat "$work/cups/cupsd.pid")"
}
cleanup() { finish desktop $? stop_own; }
trap cleanup EXIT
trap 'exit 130' INT TERM

for tool in xdotool Xvfb openbox xprop import cupsd lpadmin; do
    command -v "$tool" >/dev/null || fatal "$tool not found (scripts/install-deps.sh installs it)"
done
standin="$build/tests/windows/tollivance_standin.exe"
[ -f "$standin" ] || fatal "no $standin: build the target tollivance_standin"

# The program layout, in a folder whose name has a blank as Windows folders often do, below one
# named in Greek, Cyrillic and German: the client and its pictures, and the stand-in under every
# helper program's name.
app="$work/Παύλος Иван Büro/Quorvanta Tollivance"
app_windows="Z:${app//\//\\}"
mkdir -p "$app"
cp "$build/tollivance-sandbox.exe" "$build/QuorvantaBackgroundImage.bmp" "$build/tollivance48.ico" "$app/"
viewer=turbovnc/turbovnc-client-go.exe xserver=vcxsrv/vcxsrv.exe nxproxy=nxproxy/nxproxy.exe
printer_program=sumatraPDF.exe
for program in "$viewer" "$xserver" "$nxproxy" openssh/ssh.exe "$printer_program"; do
    mkdir -p "$app/$(dirname "$program")"
    cp "$standin" "$app/$program"
done
windows_path() { printf '%s\\%s' "$app_windows" "${1//\//\\}"; }
# What the stand-in recorded of its Nth start: show=... TAB pid=... TAB command line.
started_line() { [ -f "$app/$1.record" ] && sed -n "$2p" "$app/$1.record"; }
has_started() { [ -n "$(started_line "$1" "$2")" ]; }
command_of() { started_line "$1" "$2" | cut -f3-; }
show_of() { started_line "$1" "$2" | cut -f1; }
# A program of this prefix runs: a process named after it with the prefix in its environment.
running() {
    local pid
    for pid in $(pgrep -f -- "$(basename "$1")"); do
        { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" &&
            return 0
    done
    return 1
}
gone() { ! running "$1"; }
title_of() { printf 'Stand-in %s' "$(basename "$1")"; }
visible() { xdotool search --onlyvisible --name "^$(title_of "$1")\$" >/dev/null 2>&1; }
no_window() { ! xdotool search --name "^$(title_of "$1")\$" >/dev/null 2>&1; }
no_failure_box() { ! xdotool search --name '^Connection failed$' >/dev/null 2>&1; }

# The printer: Wine lists the printers of CUPS as Windows printers; a private scheduler with one
# printer keeps the machine's own printers out of the window.
CUPS_SERVER="$("$ROOT/scripts/demo/local-printer.sh" "$work/cups")" || fatal "no private CUPS"
export CUPS_SERVER
printer=Sandbox_Printer

# The sandbox: HTTPS with the desktop proxy, the SSH side, the print queue and a desktop that the
# NX session's tunnel reaches (the NX proxy stand-in never talks to it). It stops when its
# standard input closes, so it never outlives this script.
state="$work/sandbox"
mkdir "$state"
cookie=wine-cookie-5e1 desktop_port=$SANDBOX_DESKTOP_PORT nx_port=$SANDBOX_DESKTOP_PORT
nx_cookie=wine-nx-cookie
# The scenario, re-read on every request: the session it hands out, and the prefix's hardware
# key among the accepted ones.
serial=""
scenario() { printf '{"serials": ["%s"], "session": %s}' "$serial" "$1" >"$state/scenario.json"; }
scenario '{}'
mkfifo "$work/sandbox.in"
exec 4<>"$work/sandbox.in"
/usr/bin/python3 "$ROOT/sandbox/run_sandbox.py" --state-dir "$state" --pki "$build/sandbox-pki" \
    --keys "$build/keys" --fixed-ports --exit-with-stdin --https --ssh --print-queue --desktop \
    <"$work/sandbox.in" 4>&- >"$work/sandbox.out" 2>"$work/sandbox.err" &
sandbox=$!
wait_for 30 grep -q '^READY ' "$work/sandbox.out" || fatal "the sandbox did not start: $(cat "$work/sandbox.err")"

wine_run_prefix || fatal "no Wine"
wine_run_xvfb || fatal "no Xvfb"
openbox --sm-disable >"$work/openbox.log" 2>&1 4>&- &
wm=$!
wait_for 20 xprop -root _NET_SUPPORTING_WM_CHECK >/dev/null 2>&1 ||
    fatal "the window manager did not start"
wine_run_boot 4>&- || fatal "the Wine prefix could not be created"
# The user's temporary folder and the diagnostic log under a profile named outside code page 1252.
profile='C:\users\Jürgen Müller Παύλος Иван'
temp_windows="$profile\AppData\Local\Temp"
unix_path() { local p="${1//\\//}"; printf '%s/drive_c%s' "$WINEPREFIX" "${p:2}"; }
mkdir -p "$(unix_path "$temp_windows")"
for variable in TEMP TMP; do
    timeout 60 "$WINE64" reg add 'HKCU\Environment' /v "$variable" /t REG_SZ /d "$temp_windows" /f \
        >/dev/null 2>&1 4>&- || fatal "the prefix's $variable could not be set"
done
log_windows="$profile\Tollivance log.txt"
log="$(unix_path "$log_windows")"
guid="$(timeout 60 "$WINE64" reg query 'HKLM\SOFTWARE\Microsoft\Cryptography' /v MachineGuid /reg:64 4>&- |
    tr -d '\r' | awk '$1 == "MachineGuid" { print $3 }')" || true
[ -n "$guid" ] || fatal "no MachineGuid in the prefix's registry"
serial="$(printf '%s' "$guid" | sha256sum | cut -d ' ' -f 1)"
scenario "$(printf '{"cookie": "%s", "port": %d, "websock": true}' "$cookie" "$desktop_port")"
echo "desktop test: prefix ready after $((SECONDS - started)) s"

# Started in its own folder, as the Start-menu entry starts it.
(cd "$app" && unset TMPDIR && TOLLIVANCE_LOG="$log_windows" exec "$WINE64" tollivance-sandbox.exe \
    >"$work/client.log" 2>&1 4>&-) &
client=$!
title="Quorvanta Tollivance $TOLLIVANCE_VERSION"
window="$(timeout 60 xdotool search --sync --name "^$title\$" 2>/dev/null | head -n 1)" || true
[ -n "$window" ] || fatal "no window \"$title\" within 60 s: $(cat "$work/client.log")"
sleep 1
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; sleep 0.3; }
press_button() { xdotool mousemove --window "$window" 255 307 click 1; }
click 255 146 && xdotool type --delay 30 demo
click 255 172 && xdotool type --delay 30 demo

# The web-socket VNC desktop.
press_button
wait_for 60 has_started "$viewer" 1 || fatal "no viewer within 60 s: $(cat "$work/client.log")"
expected="\"$(windows_path "$viewer")\"  -clipboard-to-server -clipboard-from-server  -compression 9"
expected+=" -quality 40 -subsample 2 wss://localhost:$SANDBOX_HTTPS_PORT/desktop/https/127.0.0.1/"
expected+="$((desktop_port + 5000)) $cookie"
check "the viewer's command line (got: $(command_of "$viewer" 1))" \
    test "$(command_of "$viewer" 1)" = "$expected"
check "the viewer's window is visible (started with $(show_of "$viewer" 1))" \
    wait_for 20 visible "$viewer"

# A document queued while connected is printed on the printer the window shows, and leaves
# the queue; the downloaded copy goes once printed.
queue="$state/print/demo/.mirlprinting"
document="$work/wine page 1.pdf"
{ printf '%%PDF-1.4\r\n'; head -c 3000 /dev/urandom; printf '\n\xc3\xa9\x00end'; } >"$document"
/usr/bin/python3 "$ROOT/sandbox/queue_print.py" --state-dir "$state" "$document" >/dev/null
printed_copy() { # a finished copy (the stand-in renames it into place)
    local f
    for f in "$app/printed/"*; do
        case $f in *.partial | */\*) ;; *) echo "$f" && return 0 ;; esac
    done
    return 1
}
printed() { printed_copy >/dev/null; }
if wait_for 60 printed; then
    copy="$(printed_copy)"
    check "the printed document has the queued bytes" cmp -s "$document" "$copy"
    line="$(command_of "$printer_program" 1)"
    prefix="\"$(windows_path "$printer_program")\" -print-to \"$printer\" \""
    file="${line#"$prefix"}" file="${file%\"}"
    check "the print program's command line (got: $line)" \
        test "${line:0:${#prefix}}" = "$prefix" -a "${file##*[\\/]}" = "$(basename "$copy")"
    check "the copy was downloaded into the user's temporary folder (got: $file)" \
        test "${file%[\\/]*}" = "$temp_windows"
    check "the downloaded copy is removed once printed" wait_for 10 test ! -e "$(unix_path "$file")"
else
    miss "nothing reached the print program within 60 s: $(cat "$work/client.log")"
fi
queue_empty() { [ -z "$(ls -A "$queue" 2>/dev/null)" ]; }
check "the document leaves the print queue" wait_for 30 queue_empty

# A document whose print program fails is kept in the temporary folder; the "Printing failed"
# text, as the log records it, names that copy exactly, letters outside code page 1252 included.
failing="$work/failing page.pdf"
printf '%%PDF-1.4 FAIL\n' >"$failing"
/usr/bin/python3 "$ROOT/sandbox/queue_print.py" --state-dir "$state" "$failing" >/dev/null
failure_line() { grep -a 'message "Printing failed": The print program failed' "$log" 2>/dev/null; }
failed_print_logged() { failure_line >/dev/null; }
if wait_for 60 failed_print_logged; then
    kept="$(failure_line | sed -n 's/.* is kept as \(.*\)\.$/\1/p' | head -n 1)"
    check "the failure names the kept copy in the temporary folder (got: $kept)" \
        test "${kept%[\\/]*}" = "$temp_windows"
    check "the kept copy is there with the document's bytes" cmp -s "$failing" "$(unix_path "$kept")"
    check "the log is UTF-8 without a replacement character" \
        sh -c '! grep -aq "$(printf "\357\277\275")" "$1" && iconv -f UTF-8 -t UTF-8 "$1" >/dev/null' \
        _ "$log"
else
    miss "no print failure in the log within 60 s: $(cat "$log" "$work/client.log" 2>/dev/null)"
fi
box="$(timeout 30 xdotool search --sync --name '^Printing failed$' 2>/dev/null | head -n 1)" || true
check "the \"Printing failed\" box" test -n "$box"
if [ -n "$box" ]; then
    xdotool windowactivate --sync "$box" key Return 2>/dev/null || true
    failure_box_gone() { ! xdotool search --name '^Printing failed$' >/dev/null 2>&1; }
    check "the box closes with Return" wait_for 10 failure_box_gone
fi

if $screenshot && visible "$viewer"; then
    sleep 1
    mkdir -p "$ROOT/docs/images"
    import -window root -crop 1040x420+30+30 +repage "$ROOT/docs/images/windows-connected.png"
    echo "desktop test: saved docs/images/windows-connected.png"
fi

# Disconnect ends the viewer; Connect at once starts the session again.
now_ms() { local t=${EPOCHREALTIME/./}; echo $((t / 1000)); }
disconnected=$(now_ms)
press_button
check "Disconnect ends the viewer" wait_for 10 gone "$viewer"
check "the viewer's window goes" wait_for 5 no_window "$viewer"
sleep 0.5 # the viewer's end returns the button to Connect
press_button
gap=$(($(now_ms) - disconnected))
check "Connect again ${gap} ms after Disconnect, within two seconds" test "$gap" -le 2000
check "the second session starts the viewer" wait_for 60 has_started "$viewer" 2
check "the second viewer's command line" test "$(command_of "$viewer" 2)" = "$expected"
check "the second viewer's window is visible" wait_for 20 visible "$viewer"
press_button
check "Disconnect ends the second viewer" wait_for 10 gone "$viewer"
check "no \"Connection failed\" box after the VNC sessions" no_failure_box

# The NX desktop: the X server and the NX proxy, both ended at Disconnect.
scenario "$(printf '{"protocol": "nx", "cookie": "%s", "port": %d}' "$nx_cookie" "$nx_port")"
sleep 1
press_button
wait_for 60 has_started "$nxproxy" 1 || fatal "no NX proxy within 60 s: $(cat "$work/client.log")"
wait_for 10 has_started "$xserver" 1 || fatal "no X server: $(cat "$work/client.log")"
check "the X server's command line (got: $(command_of "$xserver" 1))" test "$(command_of "$xserver" 1)" = \
    "\"$(windows_path "$xserver")\" :0 -silent-dup-error -multiwindow -clipboard -notrayicon"
# The temporary folder's name has blanks: the option string is quoted as one argument.
nx_root="/cygdrive/${temp_windows//\\//}" nx_root="${nx_root/:/}"
check "the NX proxy's command line (got: $(command_of "$nxproxy" 1))" test "$(command_of "$nxproxy" 1)" = \
    "\"$(windows_path "$nxproxy")\" -S \"nx,root=$nx_root,session=mirl,cookie=$nx_cookie,fullscreen=0,shmem=1,shpix=1,connect=127.0.0.1:$nx_port\""
check "the X server's window is visible (started with $(show_of "$xserver" 1))" \
    wait_for 20 visible "$xserver"
check "the NX proxy runs" running "$nxproxy"
press_button
check "Disconnect ends the NX proxy" wait_for 10 gone "$nxproxy"
check "Disconnect ends the X server" wait_for 10 gone "$xserver"
check "the X server's window goes" wait_for 5 no_window "$xserver"
sleep 1
check "no \"Connection failed\" box after the NX session" no_failure_box
check "the client still runs" kill -0 "$client"
