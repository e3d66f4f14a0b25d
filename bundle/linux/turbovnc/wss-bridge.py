#!/usr/bin/python3
"""Carries one VNC connection over a web-socket desktop URL, for viewers that speak plain TCP.

    wss-bridge.py wss://PROXY/desktop/https/HOST/PORT PROGRAM [ARG...]

Opens the web-socket first, so that a proxy that cannot be reached is reported before any
window appears; then listens on 127.0.0.1 at a port the system picks, starts PROGRAM with
every "%PORT%" in its arguments replaced by that port, and relays the first connection it
accepts from this user (the port is open to every user of the computer, so a connection that
another user's process makes is closed). It ends with the program: with status 0 once the desktop was shown (the program's end
is then the session's end), else with the program's own status. Failures end with one line on
the error output that says what went wrong, and a non-zero status.

The desktop proxy's certificate is not checked, as the client's own session request does not.
"""
import asyncio
import os
import signal
import ssl
import sys
from urllib.parse import urlsplit

import websockets
from websockets.exceptions import ConnectionClosed, InvalidHandshake

sys.dont_write_bytecode = True  # the working folder may be read-only, and is no cache
sys.path.insert(0, os.path.join(os.path.dirname(os.path.realpath(__file__)), "..", "common"))
from loopback_peer import peer_uid  # noqa: E402 (found beside the other adapters)

OPEN_TIMEOUT = 20     # seconds to reach the proxy and finish the handshake
ACCEPT_TIMEOUT = 60   # seconds for the viewer to connect once started
CLOSE_TIMEOUT = 5     # seconds for the closing handshake with the proxy
MAX_FRAME = 4 << 20   # bytes of one message from the proxy; past it the bridge closes with 1009


class BridgeError(Exception):
    """A failure the user is told about in one line."""


def report(text):
    print(text, file=sys.stderr, flush=True)


def unverified_tls():
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_CLIENT)
    context.check_hostname = False
    context.verify_mode = ssl.CERT_NONE
    return context


async def open_proxy(url):
    proxy = urlsplit(url).netloc
    try:
        return await websockets.connect(
            url, ssl=unverified_tls(), subprotocols=["binary"], compression=None,
            open_timeout=OPEN_TIMEOUT, ping_interval=30, ping_timeout=60,
            close_timeout=CLOSE_TIMEOUT, max_size=MAX_FRAME)
    except InvalidHandshake as error:
        # The status sits on the error itself up to websockets 13, on its response after.
        status = getattr(error, "status_code", None) or getattr(
            getattr(error, "response", None), "status_code", None)
        if status:
            raise BridgeError("The desktop proxy %s refused the desktop (HTTP %d)"
                              % (proxy, status)) from None
        raise BridgeError("The desktop proxy %s answered no web-socket: %s" % (proxy, error)) from None
    except asyncio.TimeoutError:
        raise BridgeError("The desktop proxy %s did not answer within %d seconds"
                          % (proxy, OPEN_TIMEOUT)) from None
    except ssl.SSLError as error:
        raise BridgeError("No secure connection with the desktop proxy %s: %s"
                          % (proxy, error.reason or error)) from None
    except OSError as error:
        reason = os.strerror(error.errno) if error.errno else str(error) or type(error).__name__
        raise BridgeError("Cannot reach the desktop proxy %s: %s" % (proxy, reason)) from None


async def proxy_to_viewer(ws, writer):
    """Returns a line for the user when the proxy ended the desktop, else None."""
    try:
        async for message in ws:
            if isinstance(message, str):
                return "The desktop proxy sent text instead of desktop data"
            writer.write(message)
            await writer.drain()
    except ConnectionClosed as closed:
        if closed.sent is not None and closed.sent.code == 1009:
            return "The desktop proxy sent a message larger than %d MiB (closed with 1009)" % (
                MAX_FRAME >> 20)
    except (ConnectionError, OSError):
        return None  # the viewer's side went first
    code, reason = ws.close_code, ws.close_reason
    if code is None or code == 1006:
        return "The desktop proxy dropped the connection"
    return "The desktop proxy closed the connection (%d%s)" % (code, ": " + reason if reason else "")


async def viewer_to_proxy(reader, ws):
    try:
        while True:
            data = await reader.read(65536)
            if not data:
                return
            await ws.send(data)
    except (ConnectionClosed, ConnectionError, OSError):
        return


async def relay(ws, reader, writer):
    """Carries bytes both ways until either side ends; the other side is then closed."""
    down = asyncio.ensure_future(proxy_to_viewer(ws, writer))
    up = asyncio.ensure_future(viewer_to_proxy(reader, ws))
    await asyncio.wait({down, up}, return_when=asyncio.FIRST_COMPLETED)
    if down.done():
        up.cancel()
        line = down.result()
        if line:
            report(line)
    else:
        down.cancel()
    writer.close()
    await ws.close()


async def bridge(url, program):
    ws = await open_proxy(url)
    # From here on a signal ends the viewer too; it is caught before the viewer starts.
    loop = asyncio.get_running_loop()
    stopping = loop.create_future()
    for signum in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        loop.add_signal_handler(signum, lambda s=signum: stopping.done() or stopping.set_result(s))
    connected = loop.create_future()

    def on_connection(reader, writer):
        if connected.done():
            writer.close()  # one connection only
        elif peer_uid(writer) != os.getuid():
            report("A connection to the desktop's port from another user was closed")
            writer.close()
        else:
            connected.set_result((reader, writer))

    server = await asyncio.start_server(on_connection, "127.0.0.1", 0)
    port = server.sockets[0].getsockname()[1]
    args = [arg.replace("%PORT%", str(port)) for arg in program]
    try:
        viewer = await asyncio.create_subprocess_exec(*args)
    except OSError as error:
        server.close()
        await ws.close()
        raise BridgeError("Cannot start %s: %s" % (args[0], error.strerror or error)) from None

    ended = asyncio.ensure_future(viewer.wait())
    try:
        await asyncio.wait({connected, ended, stopping}, timeout=ACCEPT_TIMEOUT,
                           return_when=asyncio.FIRST_COMPLETED)
        server.close()
        relayed = False
        if ended.done() or stopping.done():
            pass
        elif connected.done():
            relayed = True
            carried = asyncio.ensure_future(relay(ws, *connected.result()))
            await asyncio.wait({carried, ended, stopping}, return_when=asyncio.FIRST_COMPLETED)
            carried.cancel()
        else:
            report("The desktop viewer did not connect within %d seconds" % ACCEPT_TIMEOUT)
            stopping.set_result(None)
        await ws.close()
        # A viewer whose desktop ended shows why, until the user closes it.
        await asyncio.wait({ended, stopping}, return_when=asyncio.FIRST_COMPLETED)
        if not ended.done():
            viewer.terminate()
            return 1 if stopping.result() is None else 128 + stopping.result()
        # Once the desktop was shown, the viewer's end is the session's end, however TigerVNC
        # words it (it exits 1 when told to end by a signal).
        return 0 if relayed else viewer_status(ended.result())
    finally:
        if viewer.returncode is None:
            if not ended.done():
                try:
                    await asyncio.wait_for(asyncio.shield(ended), CLOSE_TIMEOUT)
                except asyncio.TimeoutError:
                    viewer.kill()
            await ended


def viewer_status(returncode):
    """The viewer's exit status as the bridge's own: a viewer told to end (its window closed
    with the session, a logout) ended normally; one that died of another signal did not."""
    if returncode >= 0:
        return returncode
    if -returncode in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
        return 0
    return 128 - returncode


def main(argv):
    if len(argv) < 3 or not argv[1].startswith("wss://"):
        report("usage: wss-bridge.py wss://PROXY/PATH PROGRAM [ARG...]")
        return 2
    try:
        return asyncio.run(bridge(argv[1], argv[2:]))
    except BridgeError as error:
        report(str(error))
        return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
