#!/bin/sh
# Maps the WebDAV drive forwarded to local port 8022, once the forwarding listens (bounded);
# the ssh adapter's relay there serves only this user's processes.
# unmapwebdav.sh stops this mapping when the session's forwarding ends first (SIGTERM); the trap
# lets a mount under way finish, so that it can be taken back here rather than left behind.
set -u
here=$(dirname "$0")
# shellcheck source=drivecommon.sh
. "$here/drivecommon.sh"
state=$(drive_state_dir) || exit 1
echo $$ >"$state/mapwebdav.pid"
cancelled=false
trap 'cancelled=true' TERM
trap '[ "$(cat "$state/mapwebdav.pid" 2>/dev/null)" != $$ ] || rm -f "$state/mapwebdav.pid"' EXIT

wait_for_port "$WEBDAV_PORT" || not_mapped mapwebdav $? "$WEBDAV_PORT" WebDAV
url="dav://127.0.0.1:$WEBDAV_PORT/"
# Mounted already: the keeper of the mapping that mounted it takes it back.
is_mounted "$url" && exit 0
if ! error=$(timeout "$MOUNT_TIMEOUT" gio mount "$url" </dev/null 2>&1 >/dev/null); then
    $cancelled && exit 143
    echo "mapwebdav.sh: the WebDAV drive $url could not be mounted${error:+: $error}" >&2
    exit 1
fi
if $cancelled; then
    timeout "$MOUNT_TIMEOUT" gio mount -u "$url"
    exit 143
fi
keep_mount "$state" mapwebdav "$url"
