#!/bin/sh
# Maps the WebDAV drive forwarded to local port 8022, once the forwarding listens (bounded).
set -u
here=$(dirname "$0")
# shellcheck source=drivecommon.sh
. "$here/drivecommon.sh"
if ! wait_for_port "$WEBDAV_PORT"; then
    echo "mapwebdav.sh: nothing listens on 127.0.0.1:$WEBDAV_PORT after ${DRIVE_WAIT}s; the WebDAV drive is not mapped" >&2
    exit 1
fi
url="dav://127.0.0.1:$WEBDAV_PORT/"
is_mounted "$url" && exit 0
if ! error=$(timeout "$MOUNT_TIMEOUT" gio mount "$url" </dev/null 2>&1 >/dev/null); then
    echo "mapwebdav.sh: the WebDAV drive $url could not be mounted${error:+: $error}" >&2
    exit 1
fi
