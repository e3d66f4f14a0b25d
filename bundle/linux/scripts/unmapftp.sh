#!/bin/sh
# Undoes mapftp.sh: stops a mapping still waiting for its port (or its keeper) and unmounts the
# FTP drive it mounted (or, when its note is gone, any FTP drive on the forwarded port 8021).
# The client runs it when the session's forwarding ends, which carried the WebDAV drive too:
# that goes as well.
set -u
here=$(dirname "$0")
# shellcheck source=drivecommon.sh
. "$here/drivecommon.sh"
state=$(drive_state_dir) || exit 1

stop_waiting_mapping "$state" mapftp

urls=
if [ -f "$state/ftp.url" ]; then
    urls=$(cat "$state/ftp.url")
    rm -f "$state/ftp.url"
fi
mounted=$(gio mount -l 2>/dev/null |
    sed -n "s|^Mount([0-9]*): .* -> \(ftp://[^ ]*127\.0\.0\.1:$FTP_PORT/\).*|\1|p")
status=0
for url in $(printf '%s\n%s\n' "$urls" "$mounted" | sort -u); do
    printf '%s\n' "$mounted" | grep -qxF "$url" || continue
    if ! timeout "$MOUNT_TIMEOUT" gio mount -u "$url"; then
        echo "unmapftp.sh: the FTP drive $url could not be unmounted" >&2
        status=1
    fi
done
sh "$here/unmapwebdav.sh" || status=1
exit $status
