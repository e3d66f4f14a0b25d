#!/bin/sh
# Maps the WebDAV drive forwarded to local port 8022.
timeout 20 gio mount "dav://127.0.0.1:8022/" </dev/null
