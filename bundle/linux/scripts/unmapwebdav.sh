#!/bin/sh
# Undoes mapwebdav.sh once the forwarding that carried the drive has ended: stops a mapping
# still waiting for its port (or its keeper) and unmounts the WebDAV drive on the forwarded
# port 8022, which anyone could take over once the forwarding has let go of it.
set -u
here=$(dirname "$0")
# shellcheck source=drivecommon.sh
. "$here/drivecommon.sh"
state=$(drive_state_dir) || exit 1

stop_waiting_mapping "$state" mapwebdav

url="dav://127.0.0.1:$WEBDAV_PORT/"
is_mounted "$url" || exit 0
if ! timeout "$MOUNT_TIMEOUT" gio mount -u "$url"; then
    echo "unmapwebdav.sh: the WebDAV drive $url could not be unmounted" >&2
    exit 1
fi
