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
# unmapftp.sh stops a mapping that is still waiting when the session ends.
echo $$ >"$state/mapftp.pid"
trap 'rm -f "$state/mapftp.pid"' EXIT

if ! wait_for_port "$FTP_PORT"; then
    echo "mapftp.sh: nothing listens on 127.0.0.1:$FTP_PORT after ${DRIVE_WAIT}s; the FTP drive is not mapped" >&2
    exit 1
fi
url="ftp://$(percent_encode "$user")@127.0.0.1:$FTP_PORT/"
# gio asks for the password on its output (dropped here) and reports failures on its error output.
if ! error=$(printf '%s\n' "$hash" | timeout "$MOUNT_TIMEOUT" gio mount "$url" 2>&1 >/dev/null); then
    echo "mapftp.sh: the FTP drive $url could not be mounted${error:+: $error}" >&2
    exit 1
fi
printf '%s\n' "$url" >"$state/ftp.url"
