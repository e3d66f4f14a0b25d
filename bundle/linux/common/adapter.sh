# shellcheck shell=sh
# Shared by the Linux adapters and drive scripts (sourced, not run): who listens on a loopback
# port, and running a program that ends with the client.

# listener PORT: "own" when this user listens on 127.0.0.1:PORT (or on every address), "other"
# when another user of the computer does, "unknown" when the kernel's socket table cannot be
# read (which proves nothing, so it is never taken for "own"), nothing when nobody listens.
# Whoever listens there would be handed a password, a hash or a drive.
listener() {
    tcp=$(cat /proc/net/tcp 2>/dev/null) || { echo unknown; return; }
    # tcp6 is missing where IPv6 is off.
    { printf '%s\n' "$tcp"; cat /proc/net/tcp6 2>/dev/null; } | awk -v port=":$(printf '%04X' "$1")" \
        -v uid="$(id -u)" '$4 == "0A" && ($2 == "0100007F" port || $2 == "00000000" port ||
            $2 == "00000000000000000000000000000000" port ||
            $2 == "0000000000000000FFFF00000100007F" port) { if ($8 == uid) own = 1; else other = 1 }
        END { if (other) print "other"; else if (own) print "own" }'
}

# await_listener PORT: waits up to 20 s for someone to listen on 127.0.0.1:PORT (the forwarding
# may start just before this) and prints listener's last answer; and unproven PORT ANSWER: the
# words that say why that answer is no proof of the user's own listener. Only looked up, never
# connected to: a forwarding that carries one connection would take a probe for the program.
await_listener() {
    waited=0
    while answer=$(listener "$1") && [ -z "$answer" ] && [ "$waited" -lt 200 ]; do
        sleep 0.1
        waited=$((waited + 1))
    done
    printf '%s\n' "$answer"
}
unproven() {
    case $2 in
        other) echo "Port $1 on this computer is taken by another user" ;;
        unknown) echo "Cannot tell who listens on port $1: /proc/net/tcp cannot be read" ;;
        *) echo "Nothing listens on port $1 after 20 seconds" ;;
    esac
}

# exec_with_parent PROGRAM [ARG...]: becomes PROGRAM, killed (SIGKILL) as soon as this process's
# parent, the client, ends, however it ends. A parent that ended before the signal was armed is
# noticed, and PROGRAM is not started. "setpriv ... -c "$PARENT_CHECK" with-parent PID PROGRAM"
# does the same for a program whose parent-to-be is PID.
# shellcheck disable=SC2016 # expanded by the shell that runs it
PARENT_CHECK='[ "$PPID" = "$1" ] || exit 1; shift; exec "$@"'
exec_with_parent() {
    exec setpriv --pdeathsig KILL -- /bin/sh -c "$PARENT_CHECK" with-parent "$PPID" "$@"
}
