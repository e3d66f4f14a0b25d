#!/bin/sh
# Removes the FTP drive that mapftp.sh mapped, whoever it was mapped for.
for mount in $(gio mount -l 2>/dev/null | sed -n 's/^Mount([0-9]*): .* -> \(ftp:\/\/[^ ]*127\.0\.0\.1:8021\/\).*/\1/p'); do
    timeout 20 gio mount -u "$mount"
done
exit 0
