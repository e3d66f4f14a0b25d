"""Who is at the other end of an accepted loopback TCP connection (for the adapters' relays,
whose port is open to every user of the computer)."""
import socket


def loopback_hex(address):
    """127.0.0.1:PORT as /proc/net/tcp writes it."""
    host, port = address[:2]
    return "%s:%04X" % (socket.inet_aton(host)[::-1].hex().upper(), port)


def peer_uid(writer):
    """The user id of the process at the other end of an accepted loopback connection: its
    socket is the one whose local address is our peer's and whose remote address is ours.
    None when the kernel's table does not show it (the peer already gone, the table
    unreadable): never taken for the user's own."""
    mine = loopback_hex(writer.get_extra_info("sockname"))
    theirs = loopback_hex(writer.get_extra_info("peername"))
    try:
        with open("/proc/net/tcp") as table:
            for line in table.readlines()[1:]:
                fields = line.split()
                if len(fields) > 7 and fields[1] == theirs and fields[2] == mine:
                    return int(fields[7])
    except (OSError, ValueError):
        pass
    return None
