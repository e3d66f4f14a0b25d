"""The desktop host's own SSH server, for sessions in tunnel mode (--desktop-ssh).

In tunnel mode the session's port P is the desktop's port on its own host. The client's first
forwarding leads its local port P to port 22 of the session host; the forwarding ssh it starts
next logs in there as "mirlnx" and forwards P + 4000 to 127.0.0.1:P (the desktop, as its own
host sees it) and the drive ports to the drive servers. Here the desktop host is this machine,
where 127.0.0.1:P is the client's own end of the first forwarding, so this server plays the
host: the SSH side sends a loopback target's port 22 here ("desktop_ssh"), and here the target
127.0.0.1:P leads to the sandbox's desktop. P is "tunnel_desktop" in the ready line, and the
port of a tunnel-mode session unless the scenario names one. Other loopback targets (the
drives) are reached as they are.

Authentication: as the SSH side ("mirlnx", the client keys). A shell channel stays open until
the client closes its input, as a login shell would.

Scenario "desktop_host": {"desktop": N}: the desktop listens on 127.0.0.1:N instead (a test's
own VNC server).
"""
import random
import socket

import paramiko

from . import session_reply, ssh_side
from .ssh_base import serve_ssh


def add_arguments(parser):
    parser.add_argument("--desktop-ssh", action="store_true",
                        help="serve the desktop host's SSH, for sessions in tunnel mode")


def _unused_loopback_port():
    """A free port P that leaves room for the client's P + 5000. Drawn below the system's
    ephemeral ports: the client binds P later, and an ephemeral port may by then be any other
    program's connection or listener."""
    draw = random.SystemRandom()
    while True:
        port = draw.randrange(20000, 30000)
        probe = socket.socket()
        try:
            probe.bind(("127.0.0.1", port))
        except OSError:
            continue
        finally:
            probe.close()
        return port


class DesktopHostServer(ssh_side.MirlnxServer):
    def check_channel_direct_tcpip_request(self, chanid, origin, destination):
        host, port = destination
        if host in ("127.0.0.1", "localhost") and port == self.ctx.tunnel_desktop_port:
            desktop = session_reply.scenario_part(self.ctx, "desktop_host").get("desktop")
            destination = ("127.0.0.1", desktop or session_reply.desktop_port(self.ctx))
        return super().check_channel_direct_tcpip_request(chanid, origin, destination)


def _on_channel(transport, channel, server):
    with server.lock:
        target = server.forward_targets.pop(channel.get_id(), None)
    if target is None:  # the shell: nothing to say, open while the client's input is
        try:
            while channel.recv(65536):
                pass
            channel.send_exit_status(0)
        except (OSError, EOFError, paramiko.SSHException):
            pass
        channel.close()
        return
    ssh_side.carry(channel, target)


def start(args, ctx):
    if not args.desktop_ssh:
        return {}
    ctx.tunnel_desktop_port = ctx.port("tunnel_desktop") or _unused_loopback_port()
    keys = ssh_side.allowed_keys(ctx)
    port = serve_ssh(ctx, "desktop_ssh", lambda transport: DesktopHostServer(ctx, keys),
                     _on_channel)
    ctx.desktop_ssh_port = port
    return {"desktop_ssh": port, "tunnel_desktop": ctx.tunnel_desktop_port}
