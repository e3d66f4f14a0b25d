"""What the sandbox's SSH servers share: a loopback listener that runs one paramiko transport
per connection with the sandbox's host key, and hands each accepted channel to the side."""
import os
import socket
import threading

import paramiko


def serve_ssh(ctx, port_name, make_server, on_channel=None, subsystems=()):
    """Listens on 127.0.0.1 and returns the port.

    make_server(transport) -> a paramiko.ServerInterface for that connection.
    on_channel(transport, channel, server) runs in its own thread for every accepted channel
    (session channels; direct-tcpip ones too unless the server handles them itself).
    subsystems: (name, handler class, *args) for Transport.set_subsystem_handler.
    """
    host_key = paramiko.RSAKey.from_private_key_file(os.path.join(ctx.pki, "ssh_host_key"))
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", ctx.port(port_name)))
    listener.listen(16)
    transports = []
    lock = threading.Lock()
    stopping = threading.Event()

    def run_connection(sock):
        transport = paramiko.Transport(sock)
        with lock:
            transports.append(transport)
        transport.add_server_key(host_key)
        for name, handler, *handler_args in subsystems:
            transport.set_subsystem_handler(name, handler, *handler_args)
        server = make_server(transport)
        try:
            transport.start_server(server=server)
        except (paramiko.SSHException, EOFError, OSError):
            return
        while transport.is_active() and not stopping.is_set():
            channel = transport.accept(timeout=0.5)
            if channel is None or on_channel is None:
                continue
            threading.Thread(target=on_channel, args=(transport, channel, server), daemon=True).start()

    def accept_loop():
        while not stopping.is_set():
            try:
                sock, _ = listener.accept()
            except OSError:
                return
            threading.Thread(target=run_connection, args=(sock,), daemon=True).start()

    def shutdown():
        stopping.set()
        listener.close()
        with lock:
            for transport in transports:
                transport.close()

    threading.Thread(target=accept_loop, daemon=True).start()
    ctx.on_shutdown(shutdown)
    return listener.getsockname()[1]
