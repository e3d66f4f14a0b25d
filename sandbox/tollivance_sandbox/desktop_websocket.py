"""The desktop proxy's web-socket side: one upgraded HTTPS connection relayed to a desktop's TCP
port. The handshake and the framing are python3-websockets' own (its sans-I/O connection); this
module only moves bytes between the two sockets, on the connection's thread.
"""
import select
import socket
import time
from http import HTTPStatus

from websockets.frames import Frame, Opcode
from websockets.server import ServerConnection
from websockets.connection import State

DATA_OPCODES = (Opcode.BINARY, Opcode.TEXT, Opcode.CONT)
CONNECT_TIMEOUT = 5
CLOSE_TIMEOUT = 5


def _flush(tls, ws):
    for chunk in ws.data_to_send():
        if chunk:
            tls.sendall(chunk)


def _readable(tls, others, timeout):
    if tls.pending():  # TLS records already decrypted wait in the socket, invisible to select
        return [tls]
    return select.select([tls] + others, [], [], timeout)[0]


def _reject(tls, ws, status, text):
    ws.send_response(ws.reject(HTTPStatus(status), text))
    _flush(tls, ws)


def relay(tls, raw_request, target, stop, refuse_status=None, first_frame_bytes=0):
    """Answers the upgrade in raw_request on tls and relays to target (host, port) until either
    side ends or stop is set. refuse_status answers the upgrade with that status instead;
    first_frame_bytes sends one binary message of that many bytes before anything else."""
    ws = ServerConnection(subprotocols=["binary"], max_size=None)
    ws.receive_data(raw_request)
    request = ws.events_received()[0]
    if refuse_status:
        _reject(tls, ws, refuse_status, "The desktop is refused.\n")
        return
    try:
        desktop = socket.create_connection(target, timeout=CONNECT_TIMEOUT)
    except OSError:
        _reject(tls, ws, 502, "The desktop does not answer.\n")
        return
    with desktop:
        ws.send_response(ws.accept(request))
        _flush(tls, ws)
        if ws.state is not State.OPEN:
            return
        if first_frame_bytes:
            ws.send_binary(b"\0" * first_frame_bytes)
            _flush(tls, ws)
        close_deadline = None  # set once the desktop has ended and the close is sent
        while not stop.is_set() and ws.state is not State.CLOSED:
            readable = _readable(tls, [] if close_deadline else [desktop], 0.5)
            if tls in readable:
                data = tls.recv(65536)
                if data:
                    ws.receive_data(data)
                else:
                    ws.receive_eof()
                for event in ws.events_received():
                    if isinstance(event, Frame) and event.opcode in DATA_OPCODES and event.data:
                        if not close_deadline:
                            desktop.sendall(event.data)
                _flush(tls, ws)
                if not data or ws.close_rcvd is not None or (ws.state is not State.OPEN
                                                             and not close_deadline):
                    break  # the viewer's side ended (the library has answered its close)
            if desktop in readable:
                data = desktop.recv(65536)
                if data:
                    ws.send_binary(data)
                else:
                    ws.send_close(1000, "the desktop ended")
                    close_deadline = time.monotonic() + CLOSE_TIMEOUT
                _flush(tls, ws)
            if close_deadline and time.monotonic() > close_deadline:
                break
