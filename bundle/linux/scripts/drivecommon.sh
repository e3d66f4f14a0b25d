# Shared by the drive scripts (sourced, not run): the forwarded ports, the bounded wait for
# them, user names in URLs, and the per-user folder where mapftp.sh notes what it did.
# shellcheck disable=SC2034 # used by the scripts that source this
FTP_PORT=8021
WEBDAV_PORT=8022
# The forwarding starts beside the scripts, not before them: wait this long for it to listen.
DRIVE_WAIT=${TOLLIVANCE_DRIVE_WAIT:-60}
# A mount that the server never answers ends after this long.
MOUNT_TIMEOUT=30

# wait_for_port PORT: returns 0 once 127.0.0.1:PORT accepts a connection, 1 after DRIVE_WAIT s,
# 2 as soon as the variable cancelled is true (set by a signal trap).
wait_for_port() {
    deadline=$(($(date +%s) + DRIVE_WAIT))
    while :; do
        ${cancelled:-false} && return 2
        # dash has no /dev/tcp; bash is always there on Debian.
        timeout 2 bash -c 'exec 3<>"/dev/tcp/127.0.0.1/$1"' probe "$1" 2>/dev/null && return 0
        [ "$(date +%s)" -lt "$deadline" ] || return 1
        sleep 0.5
    done
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
