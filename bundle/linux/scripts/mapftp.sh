#!/bin/sh
# Maps the FTP drive forwarded to local port 8021: mapftp.sh USER, with the password hash in
# TOLLIVANCE_FTP_HASH: on a command line (this script's or a subshell's) any user of the
# computer could read it, and log in to the drive. The hash reaches gio on its standard input.
# The client starts this beside the forwarding ssh, so it first waits (bounded) for the port.
set -u
here=$(dirname "$0")
hash=${TOLLIVANCE_FTP_HASH-}
unset TOLLIVANCE_FTP_HASH
if [ $# -ne 1 ] || [ -z "$hash" ]; then
    echo "usage: TOLLIVANCE_FTP_HASH=PASSWORD_HASH mapftp.sh USER" >&2
    exit 2
fi
user=$1
# shellcheck source=drivecommon.sh
. "$here/drivecommon.sh"
state=$(drive_state_dir) || exit 1
# unmapftp.sh stops this mapping when the session ends first (SIGTERM). The trap lets a mount
# under way finish, so that it can be taken back here rather than left behind.
echo $$ >"$state/mapftp.pid"
cancelled=false
trap 'cancelled=true' TERM
trap '[ "$(cat "$state/mapftp.pid" 2>/dev/null)" != $$ ] || rm -f "$state/mapftp.pid"' EXIT

wait_for_port "$FTP_PORT" || not_mapped mapftp $? "$FTP_PORT" FTP
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
hash=
keep_mount "$state" mapftp "$url"
