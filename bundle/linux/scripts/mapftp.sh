#!/bin/sh
# Maps the FTP drive forwarded to local port 8021: mapftp.sh USER PASSWORD
# Bounded, and quiet on failure: the client does not wait for drive mapping.
[ $# -eq 2 ] || { echo "usage: mapftp.sh USER PASSWORD" >&2; exit 2; }
printf '%s\n' "$2" | timeout 20 gio mount "ftp://$1@127.0.0.1:8021/"
