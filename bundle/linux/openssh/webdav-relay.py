#!/usr/bin/python3
"""Keeps the forwarded WebDAV port for the user's own processes.

    webdav-relay.py PORT SOCKET PROGRAM [ARG...]

The WebDAV drive has no password of its own, so whoever can connect to its forwarded port has
the drive. Binds 127.0.0.1:PORT, then becomes PROGRAM (the forwarding ssh, told to forward the
drive to SOCKET, a unix socket in a folder only this user can use) and leaves behind a relay
that listens on the port once SOCKET is there and carries each connection from this user's own
processes to SOCKET; a connection from another user's process is closed. The relay ends with
PROGRAM, however it ends. A port that cannot be bound ends with one line and status 255, as
ssh's own forwarding failures do.
"""
import asyncio
import ctypes
import os
import signal
import socket
import stat
import sys

sys.dont_write_bytecode = True  # the working folder may be read-only, and is no cache
sys.path.insert(0, os.path.join(os.path.dirname(os.path.realpath(__file__)), "..", "common"))
from loopback_peer import peer_uid  # noqa: E402 (found beside the other adapters)

PR_SET_PDEATHSIG = 1
SOCKET_TRIES = 20  # 0.1 s apart: ssh makes its socket a moment before it listens on it


def report(text):
    print(text, file=sys.stderr, flush=True)


def end_with(parent):
    """Arms SIGKILL for when PROGRAM ends; a PROGRAM that ended already ends this at once."""
    libc = ctypes.CDLL(None, use_errno=True)
    if libc.prctl(PR_SET_PDEATHSIG, signal.SIGKILL, 0, 0, 0) != 0 or os.getppid() != parent:
        os._exit(0)


async def pump(reader, writer, both):
    """Copies one way; the far side's end is passed on, a failure closes both connections."""
    try:
        while True:
            data = await reader.read(65536)
            if not data:
                if writer.can_write_eof():
                    writer.write_eof()
                return
            writer.write(data)
            await writer.drain()
    except (ConnectionError, OSError):
        for each in both:
            each.close()


async def carry(reader, writer, path, port):
    if peer_uid(writer) != os.getuid():
        report("webdav-relay: a connection to port %d from another user was closed" % port)
        writer.close()
        return
    for _ in range(SOCKET_TRIES):
        try:
            far_reader, far_writer = await asyncio.open_unix_connection(path)
            break
        except (FileNotFoundError, ConnectionRefusedError):
            await asyncio.sleep(0.1)
    else:
        writer.close()
        return
    both = (writer, far_writer)
    await asyncio.gather(pump(reader, far_writer, both), pump(far_reader, writer, both))
    for each in both:
        each.close()


def is_socket(path):
    try:
        return stat.S_ISSOCK(os.lstat(path).st_mode)
    except OSError:
        return False


async def relay(listener, path, port):
    # Only once ssh forwards: a drive mapping waits for the port to listen.
    while not is_socket(path):
        await asyncio.sleep(0.1)
    try:
        server = await asyncio.start_server(
            lambda reader, writer: carry(reader, writer, path, port), sock=listener)
    except OSError as error:  # another user's socket bound beside ours listened first
        report("webdav-relay: cannot listen on 127.0.0.1:%d: %s"
               % (port, os.strerror(error.errno) if error.errno else error))
        return
    async with server:
        await server.serve_forever()


def main(argv):
    if len(argv) < 4 or not argv[1].isdigit():
        report("usage: webdav-relay.py PORT SOCKET PROGRAM [ARG...]")
        return 2
    port, path, program = int(argv[1]), argv[2], argv[3:]
    listener = socket.socket()
    # Only our own earlier connections' TIME_WAIT; a listener of anyone else still refuses.
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    try:
        listener.bind(("127.0.0.1", port))
    except OSError as error:
        report("ssh: port %d on this computer cannot be opened: %s"
               % (port, os.strerror(error.errno)))
        return 255
    try:
        os.unlink(path)  # an earlier relay's, killed before it could tidy up
    except FileNotFoundError:
        pass
    parent = os.getpid()
    if os.fork() == 0:
        try:
            end_with(parent)
            null = os.open(os.devnull, os.O_RDONLY)
            os.dup2(null, 0)
            asyncio.run(relay(listener, path, port))
        finally:
            os._exit(0)
    listener.close()
    try:
        os.execv(program[0], program)
    except OSError as error:
        report("ssh: cannot start %s: %s" % (program[0], error.strerror))
        return 255


if __name__ == "__main__":
    sys.exit(main(sys.argv))
