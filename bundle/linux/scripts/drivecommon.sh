# shellcheck shell=sh
# Shared by the drive scripts and the ssh adapter (sourced, not run, by a script that has set
# "here" to its own folder): the forwarded ports, the bounded wait for them, user names in URLs,
# the per-user folder where the scripts note what they did, and the mounts' keepers.
# shellcheck disable=SC2034 # used by the scripts that source this
FTP_PORT=8021
WEBDAV_PORT=8022
# The forwarding starts beside the scripts, not before them: wait this long for it to listen.
DRIVE_WAIT=${TOLLIVANCE_DRIVE_WAIT:-60}
# A mount that the server never answers ends after this long.
MOUNT_TIMEOUT=30

# shellcheck source=../common/adapter.sh disable=SC2154 # "here" is the sourcing script's
. "$here/../common/adapter.sh"

# wait_for_port PORT: returns 0 once this user's own listener is on 127.0.0.1:PORT, 1 after
# DRIVE_WAIT s, 2 as soon as the variable cancelled is true (set by a signal trap), 3 when
# another user listens there, 4 when the socket table cannot be read (nothing is proven).
wait_for_port() {
    deadline=$(($(date +%s) + DRIVE_WAIT))
    while :; do
        ${cancelled:-false} && return 2
        case $(listener "$1") in
            own) return 0 ;;
            other) return 3 ;;
            unknown) return 4 ;;
        esac
        [ "$(date +%s)" -lt "$deadline" ] || return 1
        sleep 0.5
    done
}

# not_mapped NAME STATUS PORT DRIVE: after wait_for_port PORT returned STATUS (not 0), ends the
# script NAME.sh with the line that says why the DRIVE drive is not mapped.
not_mapped() {
    [ "$2" = 2 ] && exit 143
    case $2 in
        3) why="port $3 on this computer is taken by another user" ;;
        4) why="cannot tell who listens on port $3: /proc/net/tcp cannot be read" ;;
        *) why="nothing listens on 127.0.0.1:$3 after ${DRIVE_WAIT}s" ;;
    esac
    echo "$1.sh: $why; the $4 drive is not mapped" >&2
    exit 1
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
# STATE while it waits for its port, or the keeper it left behind, and forgets the note.
stop_waiting_mapping() {
    [ -f "$1/$2.pid" ] || return 0
    pid=$(cat "$1/$2.pid")
    # Only that script: the number may have been reused since.
    case $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null) in
        *"$2.sh"*) kill "$pid" 2>/dev/null ;;
    esac
    rm -f "$1/$2.pid"
}

# process_start PID: when the process PID started (nothing once it is gone), which tells it
# from a later process given the same number.
process_start() {
    sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f20
}

# keep_mount STATE NAME URL: leaves behind the mapping script NAME.sh a keeper that unmounts URL
# as soon as the client (the script's parent) has ended, however it ended: the forwarding has
# gone with it, and the port is anyone's to take. It notes itself in STATE/NAME.pid, where the
# unmapping scripts find and end it when the client unmaps the drive itself.
keep_mount() {
    client=$PPID
    client_start=$(process_start "$client")
    (
        trap 'exit 0' TERM
        while [ -n "$client_start" ] && [ "$(process_start "$client")" = "$client_start" ]; do
            sleep 1
        done
        is_mounted "$3" && timeout "$MOUNT_TIMEOUT" gio mount -u "$3"
    ) </dev/null >/dev/null 2>&1 &
    echo $! >"$1/$2.pid"
}
