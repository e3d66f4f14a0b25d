# Shared by the drive scripts (sourced, not run): the forwarded ports, the bounded wait for
# them, user names in URLs, and the per-user folder where mapftp.sh notes what it did.
# shellcheck disable=SC2034 # used by the scripts that source this
FTP_PORT=8021
WEBDAV_PORT=8022
# The forwarding starts beside the scripts, not before them: wait this long for it to listen.
DRIVE_WAIT=${TOLLIVANCE_DRIVE_WAIT:-60}
# A mount that the server never answers ends after this long.
MOUNT_TIMEOUT=30

# listener PORT: "own" when this user listens on 127.0.0.1:PORT (or on every address), "other"
# when another user of the computer does, nothing when nobody does. Whoever listens on the port
# would be handed the password hash or the drive, so only the user's own forwarding will do.
listener() {
    cat /proc/net/tcp /proc/net/tcp6 2>/dev/null | awk -v port=":$(printf '%04X' "$1")" \
        -v uid="$(id -u)" '$4 == "0A" && ($2 == "0100007F" port || $2 == "00000000" port ||
            $2 == "00000000000000000000000000000000" port ||
            $2 == "0000000000000000FFFF00000100007F" port) { if ($8 == uid) own = 1; else other = 1 }
        END { if (other) print "other"; else if (own) print "own" }'
}

# wait_for_port PORT: returns 0 once this user's own listener is on 127.0.0.1:PORT, 1 after
# DRIVE_WAIT s, 2 as soon as the variable cancelled is true (set by a signal trap), 3 when
# another user listens there.
wait_for_port() {
    deadline=$(($(date +%s) + DRIVE_WAIT))
    while :; do
        ${cancelled:-false} && return 2
        case $(listener "$1") in
            own) return 0 ;;
            other) return 3 ;;
        esac
        [ "$(date +%s)" -lt "$deadline" ] || return 1
        sleep 0.5
    done
}

# port_taken_message PORT: the line that says a drive's port belongs to someone else.
port_taken_message() {
    echo "port $1 on this computer is taken by another user"
}

# is_mounted URL: whether gio lists a mount of exactly that URL (an earlier session's may stay).
is_mounted() {
    gio mount -l 2>/dev/null | sed -n 's/^Mount([0-9]*): .* -> //p' | grep -qxF -- "$1"
}

# percent_encode TEXT: TEXT with every byte but A-Z a-z 0-9 - . _ ~ written as %XX.
percent_encode() {
    printf '%s' "$1" | od -An -v -tx1 | tr -s ' ' '\n' | while read -r byte; do
        case $byte in
            '') ;;
            3[0-9] | 4[1-9a-f] | 5[0-9a] | 6[1-9a-f] | 7[0-9a] | 2d | 2e | 5f | 7e)
                # shellcheck disable=SC2059 # an octal escape made on purpose
                printf "\\$(printf %03o "0x$byte")" ;;
            *) printf '%%%s' "$(printf %s "$byte" | tr a-f A-F)" ;;
        esac
    done
}

# drive_state_dir: prints (and makes) a folder only this user can use, for mapftp.sh's notes.
drive_state_dir() {
    dir=${XDG_RUNTIME_DIR:-${TMPDIR:-/tmp}}/tollivance-drives-$(id -u)
    [ -d "$dir" ] || mkdir -m 700 "$dir" 2>/dev/null
    if [ ! -d "$dir" ] || [ ! -O "$dir" ] || [ -L "$dir" ]; then
        echo "tollivance drives: $dir is not this user's own folder" >&2
        return 1
    fi
    chmod 700 "$dir"
    printf '%s\n' "$dir"
}

# stop_waiting_mapping STATE NAME: ends the mapping script NAME.sh that noted its process in
# STATE while it waits for its port, and forgets the note.
stop_waiting_mapping() {
    [ -f "$1/$2.pid" ] || return 0
    pid=$(cat "$1/$2.pid")
    # Only that script: the number may have been reused since.
    case $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null) in
        *"$2.sh"*) kill "$pid" 2>/dev/null ;;
    esac
    rm -f "$1/$2.pid"
}
