#!/bin/sh
# Maps the FTP drive forwarded to local port 8021: mapftp.sh USER PASSWORD_HASH
# The client starts this beside the forwarding ssh, so it first waits (bounded) for the port.
# The password hash reaches gio on its standard input; this script re-runs itself at once with
# the hash on a pipe, so the hash is on no command line while it waits and mounts.
set -u
here=$(dirname "$0")
if [ "${1:-}" != "--hash-on-stdin" ]; then
    if [ $# -ne 2 ]; then
        echo "usage: mapftp.sh USER PASSWORD_HASH" >&2
        exit 2
    fi
    exec sh "$0" --hash-on-stdin "$1" <<HASH
$2
HASH
fi
user=$2
IFS= read -r hash || hash=
# shellcheck source=drivecommon.sh
. "$here/drivecommon.sh"
state=$(drive_state_dir) || exit 1
# unmapftp.sh stops this mapping when the session ends first (SIGTERM). The trap lets a mount
# under way finish, so that it can be taken back here rather than left behind.
echo $$ >"$state/mapftp.pid"
cancelled=false
trap 'cancelled=true' TERM
trap '[ "$(cat "$state/mapftp.pid" 2>/dev/null)" != $$ ] || rm -f "$state/mapftp.pid"' EXIT

wait_for_port "$FTP_PORT"
case $? in
    0) ;;
    2) exit 143 ;;
    3)
        echo "mapftp.sh: $(port_taken_message "$FTP_PORT"); the FTP drive is not mapped" >&2
        exit 1 ;;
    *)
        echo "mapftp.sh: nothing listens on 127.0.0.1:$FTP_PORT after ${DRIVE_WAIT}s; the FTP drive is not mapped" >&2
        exit 1 ;;
esac
url="ftp://$(percent_encode "$user")@127.0.0.1:$FTP_PORT/"
# gio asks for the password on its output (dropped here) and reports failures on its error output.
if ! is_mounted "$url" &&
    ! error=$(printf '%s\n' "$hash" | timeout "$MOUNT_TIMEOUT" gio mount "$url" 2>&1 >/dev/null); then
    $cancelled && exit 143
    echo "mapftp.sh: the FTP drive $url could not be mounted${error:+: $error}" >&2
    exit 1
fi
if $cancelled; then
    timeout "$MOUNT_TIMEOUT" gio mount -u "$url"
    exit 143
fi
printf '%s\n' "$url" >"$state/ftp.url"
