#!/usr/bin/env bash
# Starts a private CUPS scheduler in FOLDER with one printer, "Sandbox_Printer", whose jobs are
# written to FOLDER/output/ (one file per job, as the print program sent it), and makes it the
# default. Prints the CUPS_SERVER value to use and leaves cupsd running in the background;
# FOLDER/cupsd.pid holds its process id.
#   scripts/demo/local-printer.sh FOLDER
set -euo pipefail
dir=$(readlink -f "$1")
mkdir -p "$dir"/{spool,cache,state,log,tmp,output,bin/backend}
chmod 755 "$dir"
chmod 1777 "$dir/tmp" "$dir/output"
for entry in /usr/lib/cups/*; do
    [ "$(basename "$entry")" = backend ] || ln -sf "$entry" "$dir/bin/"
done
cat > "$dir/bin/backend/capture" <<'BACKEND'
#!/bin/sh
# Writes each job to the folder its device URI names (capture:/folder), as job-<id>.
[ $# -eq 0 ] && { echo 'direct capture "Unknown" "Demo capture"'; exit 0; }
out="${DEVICE_URI#capture:}/job-$1"
if [ -n "$6" ]; then cat "$6"; else cat; fi > "$out.partial" && mv "$out.partial" "$out"
BACKEND
chmod 755 "$dir/bin/backend/capture"
cat > "$dir/cupsd.conf" <<CONF
Listen $dir/cups.sock
LogLevel warn
WebInterface No
Browsing Off
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
cat > "$dir/cups-files.conf" <<CONF
ServerRoot $dir
RequestRoot $dir/spool
CacheDir $dir/cache
StateDir $dir/state
TempDir $dir/tmp
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
ServerBin $dir/bin
DataDir /usr/share/cups
User lp
Group lp
SystemGroup root
CONF
/usr/sbin/cupsd -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" </dev/null >/dev/null 2>&1 &
echo $! > "$dir/cupsd.pid"
export CUPS_SERVER="$dir/cups.sock"
for _ in $(seq 100); do
    lpstat -r 2>/dev/null | grep -q "scheduler is running" && break
    sleep 0.1
done
for _ in $(seq 10); do
    lpadmin -p Sandbox_Printer -E -v "capture:$dir/output" -m raw >/dev/null 2>&1 && break
    sleep 0.2
done
lpadmin -d Sandbox_Printer
echo "$CUPS_SERVER"
