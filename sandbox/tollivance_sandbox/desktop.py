"""A recording TCP peer standing for the remote desktop in tests.

Every connection is echoed: each chunk received is sent straight back and appended to
desktop_received.bin in the state folder; desktop_connections.txt gets a line per connection. Scenario "desktop": {"greeting": text} sends that
text first on each new connection (as a desktop server speaks first).
"""
import socket
import threading

from . import session_reply


def add_arguments(parser):
    parser.add_argument("--desktop", action="store_true", help="serve the recording desktop")


def start(args, ctx):
    if not args.desktop:
        return {}
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", ctx.port("desktop")))
    listener.listen(16)
    record_lock = threading.Lock()
    connections = []
    stopping = threading.Event()

    def serve(conn):
        try:
            greeting = session_reply.scenario_part(ctx, "desktop").get("greeting")
            if greeting:
                conn.sendall(greeting.encode("utf-8"))
            while True:
                data = conn.recv(65536)
                if not data:
                    break
                with record_lock, open(ctx.path("desktop_received.bin"), "ab") as record:
                    record.write(data)
                conn.sendall(data)
        except OSError:
            pass
        finally:
            conn.close()

    def accept_loop():
        while not stopping.is_set():
            try:
                conn, _ = listener.accept()
            except OSError:
                return
            connections.append(conn)
            with record_lock, open(ctx.path("desktop_connections.txt"), "a") as record:
                record.write("connection\n")
            threading.Thread(target=serve, args=(conn,), daemon=True).start()

    def shutdown():
        stopping.set()
        listener.close()
        for conn in connections:
            try:
                conn.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass

    threading.Thread(target=accept_loop, daemon=True).start()
    ctx.on_shutdown(shutdown)
    ctx.desktop_port = listener.getsockname()[1]
    return {"desktop": ctx.desktop_port}
