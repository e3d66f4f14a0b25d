"""The "mirlnx" account of an assigned server, on a loopback port (port name "ssh").

Authentication: public key only, user "mirlnx", the client keys found in the keys folder
(session_request_key.pub, tunnel_key.pub).

Shell channel: reads one request line, logs it (session_requests.jsonl, via "ssh"), answers one
reply line built by session_reply, then keeps the channel open until the client closes it.

direct-tcpip channels: forwarded to loopback targets only; anything else is refused. Port 22
of a loopback target is the desktop host's SSH (desktop_host_ssh) when that runs.

Scenario "ssh" object:
  "auth": "refuse"        refuse every key
  "banner": text          the banner sent before authentication (the client shows it as it is)
  "shell": "silent"       read the request line and never answer
  "shell": "close"        read the request line and close the channel without a reply
  "tcpip_refuse": true    refuse every direct-tcpip channel (as a desktop that is not there)
  "tcpip_stderr": text    send text on the channel's standard-error stream when it opens
  "tcpip_stderr_only": true   send only that stderr text; never connect the target
  "tcpip_silent_ports": [N]   channels to these target ports open but never connect (a
                          desktop host whose SSH server never answers)
"""
import ipaddress
import os
import select
import socket
import threading

import paramiko

from . import session_reply
from .ssh_base import serve_ssh

ACCOUNT = "mirlnx"
KEY_FILES = ("session_request_key.pub", "tunnel_key.pub")
MAX_REQUEST_LINE = 1 << 20
DESKTOP_HOST_SSH_PORT = 22
SHELL_REQUEST_WAIT = 30.0


def _announce_signature_algorithms_to_current_clients():
    """paramiko 2.12 looks for the client's "ext-info-c" only at the end of its key-exchange
    list; current OpenSSH clients put a strict-kex marker after it, miss the server's
    signature algorithms, and then refuse to sign with an RSA key at all. Look anywhere."""
    original = paramiko.Transport._parse_kex_init
    if getattr(original, "looks_anywhere", False):
        return

    def parse_kex_init(self, m):
        start = m.packet.tell()
        m.get_bytes(16)  # cookie
        client_kex = m.get_list()
        m.packet.seek(start)
        original(self, m)
        if self.server_mode and self._remote_ext_info is None and "ext-info-c" in client_kex:
            self._remote_ext_info = "ext-info-c"

    parse_kex_init.looks_anywhere = True
    paramiko.Transport._parse_kex_init = parse_kex_init


_announce_signature_algorithms_to_current_clients()


def add_arguments(parser):
    parser.add_argument("--ssh", action="store_true", help="serve the mirlnx account")


def allowed_keys(ctx):
    keys = set()
    for name in KEY_FILES:
        try:
            with open(os.path.join(ctx.keys, name), encoding="ascii") as f:
                fields = f.read().split()
        except OSError:
            continue
        if len(fields) >= 2:
            keys.add(fields[1])
    return keys


def is_loopback(host):
    if host == "localhost":
        return True
    try:
        return ipaddress.ip_address(host).is_loopback
    except ValueError:
        return False


def _ssh_scenario(ctx):
    return session_reply.scenario_part(ctx, "ssh")


class MirlnxServer(paramiko.ServerInterface):
    def __init__(self, ctx, keys):
        self.ctx = ctx
        self.keys = keys
        self.lock = threading.Lock()
        self.forward_targets = {}  # channel id -> (host, port)
        self.shell_requested = {}  # channel id -> Event

    def _shell_event(self, chanid):
        with self.lock:
            return self.shell_requested.setdefault(chanid, threading.Event())

    def get_banner(self):
        banner = _ssh_scenario(self.ctx).get("banner")
        return (banner, "en-US") if banner else (None, None)

    def get_allowed_auths(self, username):
        return "publickey"

    def check_auth_publickey(self, username, key):
        if _ssh_scenario(self.ctx).get("auth") == "refuse":
            return paramiko.AUTH_FAILED
        if username == ACCOUNT and key.get_base64() in self.keys:
            return paramiko.AUTH_SUCCESSFUL
        return paramiko.AUTH_FAILED

    def check_channel_request(self, kind, chanid):
        if kind == "session":
            self._shell_event(chanid)
            return paramiko.OPEN_SUCCEEDED
        return paramiko.OPEN_FAILED_ADMINISTRATIVELY_PROHIBITED

    def check_channel_direct_tcpip_request(self, chanid, origin, destination):
        host, port = destination
        if not is_loopback(host):
            return paramiko.OPEN_FAILED_ADMINISTRATIVELY_PROHIBITED
        if _ssh_scenario(self.ctx).get("tcpip_refuse"):
            return paramiko.OPEN_FAILED_CONNECT_FAILED
        with self.lock:
            self.forward_targets[chanid] = ("127.0.0.1" if host == "localhost" else host, port)
        return paramiko.OPEN_SUCCEEDED

    def check_channel_pty_request(self, *args):
        return True

    def check_channel_shell_request(self, channel):
        self._shell_event(channel.get_id()).set()
        return True

    def check_channel_env_request(self, channel, name, value):
        return False


def _run_shell(server, channel):
    if not server._shell_event(channel.get_id()).wait(SHELL_REQUEST_WAIT):
        channel.close()
        return
    line = b""
    while b"\n" not in line and len(line) < MAX_REQUEST_LINE:
        data = channel.recv(65536)
        if not data:
            channel.close()
            return
        line += data
    request = line.split(b"\n", 1)[0]
    session_reply.log_request(server.ctx, "ssh", request)
    behaviour = _ssh_scenario(server.ctx).get("shell")
    if behaviour == "close":
        channel.close()
        return
    if behaviour != "silent":
        reply = session_reply.reply_text(server.ctx)
        channel.sendall(reply.encode("utf-8") + b"\n")
    # The request channel stays open as long as the client keeps it.
    while channel.recv(65536):
        pass
    channel.send_exit_status(0)
    channel.close()


def _pump(channel, sock):
    """Copies bytes both ways until either side ends."""
    try:
        while True:
            readable, _, _ = select.select([channel, sock], [], [], 1.0)
            if channel.closed:
                return
            if sock in readable:
                data = sock.recv(65536)
                if not data:
                    return
                channel.sendall(data)
            if channel in readable:
                data = channel.recv(65536)
                if not data:
                    return
                sock.sendall(data)
    except (OSError, EOFError, paramiko.SSHException):
        return


def _run_forward(server, channel, target):
    scenario = _ssh_scenario(server.ctx)
    if scenario.get("tcpip_stderr"):
        channel.send_stderr(scenario["tcpip_stderr"].encode("utf-8"))
    if scenario.get("tcpip_stderr_only") or target[1] in (scenario.get("tcpip_silent_ports") or []):
        while channel.recv(65536):
            pass
        channel.close()
        return
    if target[1] == DESKTOP_HOST_SSH_PORT and getattr(server.ctx, "desktop_ssh_port", None):
        target = ("127.0.0.1", server.ctx.desktop_ssh_port)
    carry(channel, target)


def carry(channel, target):
    """Connects the channel to the target and copies bytes both ways until either side ends."""
    try:
        sock = socket.create_connection(target, timeout=10)
    except OSError:
        channel.close()
        return
    sock.settimeout(None)
    try:
        _pump(channel, sock)
    finally:
        try:
            sock.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        sock.close()
        channel.close()


def _on_channel(transport, channel, server):
    with server.lock:
        target = server.forward_targets.pop(channel.get_id(), None)
    if target is not None:
        _run_forward(server, channel, target)
    else:
        _run_shell(server, channel)


def start(args, ctx):
    if not args.ssh:
        return {}
    keys = allowed_keys(ctx)
    port = serve_ssh(ctx, "ssh", lambda transport: MirlnxServer(ctx, keys), _on_channel)
    return {"ssh": port}
