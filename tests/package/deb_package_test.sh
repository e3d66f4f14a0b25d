#!/usr/bin/env bash
# Builds the Debian package from a build folder, unpacks it into a throw-away root (never into
# this system) and starts the unpacked launcher briefly on a private Xvfb, in a network
# namespace of its own so that its start-up requests go nowhere.
#   deb_package_test.sh BUILD_FOLDER VERSION
set -euo pipefail
build=$1
version=$2
work=$(mktemp -d /tmp/tollivance-deb.XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && timeout 300 cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log" >&2; fail "cpack failed"; }
deb="$work/out/tollivance_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $(basename "$deb"); cpack made: $(ls "$work/out")"

# What the adapters run is declared, beside the libraries the programs link.
depends=$(dpkg-deb -f "$deb" Depends)
for program in tigervnc-viewer openssh-client cups-client nxproxy python3-websockets gvfs \
        libglib2.0-bin libwx; do
    grep -q "$program" <<<"$depends" || fail "Depends lacks $program: $depends"
done

root="$work/root"
dpkg -x "$deb" "$root"
for file in usr/bin/tollivance usr/lib/tollivance/tollivance \
        usr/lib/tollivance/turbovnc/turbovnc-client-go usr/lib/tollivance/turbovnc/wss-bridge.py \
        usr/lib/tollivance/openssh/ssh usr/lib/tollivance/nxproxy/nxproxy \
        usr/lib/tollivance/scripts/mapftp.sh usr/lib/tollivance/sumatraPDF; do
    [ -x "$root/$file" ] || fail "$file is missing or not executable"
done
[ -f "$root/usr/lib/tollivance/QuorvantaBackgroundImage.bmp" ] || fail "the artwork is missing"
[ ! -e "$root/usr/lib/tollivance/tollivance-sandbox" ] || fail "the sandbox build is packaged"

# The menu entry names a program on the PATH of the package and an icon it ships.
entry="$root/usr/share/applications/tollivance.desktop"
[ -f "$entry" ] || fail "no menu entry"
desktop-file-validate "$entry" || fail "the menu entry is not valid"
exec_line=$(sed -n 's/^Exec=//p' "$entry")
icon=$(sed -n 's/^Icon=//p' "$entry")
[ -x "$root/usr/bin/${exec_line%% *}" ] || fail "the menu entry starts '$exec_line', not in usr/bin"
[ -f "$root/usr/share/icons/hicolor/48x48/apps/$icon.png" ] || fail "no icon $icon"

# Start it as the menu entry does, on a private display, and wait for its window.
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$work/display")"
mkdir -p "$work/home"
HOME="$work/home" unshare --net "$root/usr/bin/$exec_line" >"$work/client.log" 2>&1 &
client=$!
pids+=($client)
window=$(timeout 60 xdotool search --sync --name "^Quorvanta Tollivance ${version}$" 2>/dev/null |
    head -n1) || true
[ -n "$window" ] || { cat "$work/client.log" >&2; fail "the installed client showed no window"; }
kill -0 "$client" 2>/dev/null || fail "the client ended early"
cwd=$(readlink "/proc/$client/cwd")
[ "$cwd" = "$root/usr/lib/tollivance" ] || fail "the client works in $cwd, not its working folder"
echo "the unpacked client opened its window in its working folder"
