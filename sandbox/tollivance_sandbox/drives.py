"""The drives a session maps: a real FTP server (pyftpdlib) and a real WebDAV server (Apache
httpd with mod_dav, unprivileged, with a configuration of its own), with --drives.

Both listen on 127.0.0.2, not 127.0.0.1: the client forwards the FTP data port to the same port
number on its own loopback address, which the server's data port would otherwise hold.
FTP: control port F, passive data port F + 1 only, passive address 127.0.0.1 (the client's end
of the forwarding). Accounts are the login accounts (service_endpoints); the FTP password is
the hex SHA-256 of the FTP salt followed by the login password, as the client computes it.
Both drives hold welcome.txt; the WebDAV drive needs no login.

A session scenario with "drives": true gets "ftp" and "webdav" members naming these servers
(members the scenario gives itself win). Scenario "drives": {"salt": text} sets the FTP salt.
"""
import hashlib
import logging
import os
import pwd
import shutil
import socket
import subprocess
import tempfile
import threading
import time

from pyftpdlib.authorizers import AuthenticationFailed, DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

from . import service_endpoints, session_reply
from .context import stop_process

HOST = "127.0.0.2"
DEFAULT_SALT = "sandbox-ftp-salt"
WELCOME = "This is your drive on the sandbox.\n"
APACHE = "/usr/sbin/apache2"
APACHE_MODULES = "/usr/lib/apache2/modules"


def add_arguments(parser):
    parser.add_argument("--drives", action="store_true", help="serve the FTP and WebDAV drives")


def ftp_salt(ctx):
    return str(session_reply.scenario_part(ctx, "drives").get("salt", DEFAULT_SALT))


def session_members(ctx):
    """The reply's "ftp" and "webdav" members for the drives, or {} when they do not run."""
    if not getattr(ctx, "drive_ports", None):
        return {}
    ftp_port, webdav_port = ctx.drive_ports
    return {"ftp": {"host": HOST, "port": ftp_port, "salt": ftp_salt(ctx)},
            "webdav": {"host": HOST, "port": webdav_port, "salt": ""}}


class SaltedAuthorizer(DummyAuthorizer):
    """Every login account, with the salted hash as its password, sharing one home folder."""

    def __init__(self, ctx, home):
        super().__init__()
        self.ctx = ctx
        self.home = home

    def validate_authentication(self, username, password, handler):
        account = service_endpoints._accounts(self.ctx.scenario()).get(username)
        if not isinstance(account, dict):
            raise AuthenticationFailed("unknown user")
        expected = hashlib.sha256(
            (ftp_salt(self.ctx) + str(account.get("password", ""))).encode("utf-8")).hexdigest()
        if password != expected:
            raise AuthenticationFailed("wrong password")

    def get_home_dir(self, username):
        return self.home

    def has_user(self, username):
        return True

    def has_perm(self, username, perm, path=None):
        return True

    def get_perms(self, username):
        return "elradfmwMT"

    def get_msg_login(self, username):
        return "Welcome to the sandbox drive."

    def get_msg_quit(self, username):
        return "Goodbye."

    def impersonate_user(self, username, password):
        pass

    def terminate_impersonation(self, username):
        pass


def free_port_pair():
    """A port F on HOST with F + 1 free as well."""
    for _ in range(100):
        first = socket.socket()
        first.bind((HOST, 0))
        port = first.getsockname()[1]
        second = socket.socket()
        try:
            second.bind((HOST, port + 1))
            return port
        except OSError:
            continue
        finally:
            first.close()
            second.close()
    raise RuntimeError("no free pair of ports for the FTP drive")


def start_ftp(ctx, home):
    handler = type("SandboxFtpHandler", (FTPHandler,), {})
    handler.authorizer = SaltedAuthorizer(ctx, home)
    handler.masquerade_address = "127.0.0.1"
    handler.permit_foreign_addresses = True  # data connections arrive through the forwarding
    last_error = None
    for _ in range(10):
        port = free_port_pair()
        handler.passive_ports = [port + 1]
        try:
            server = FTPServer((HOST, port), handler)
            break
        except OSError as error:
            last_error = error
    else:
        raise RuntimeError("the FTP drive could not listen: %s" % last_error)
    threading.Thread(target=server.serve_forever, kwargs={"handle_exit": False},
                     daemon=True).start()
    ctx.on_shutdown(server.close_all)
    return port


APACHE_CONF = """ServerRoot {root}
ServerName {host}
Listen {host}:{port}
PidFile {root}/httpd.pid
DefaultRuntimeDir {root}
ErrorLog {root}/error.log
LogLevel warn
LoadModule mpm_event_module {modules}/mod_mpm_event.so
LoadModule authz_core_module {modules}/mod_authz_core.so
LoadModule dav_module {modules}/mod_dav.so
LoadModule dav_fs_module {modules}/mod_dav_fs.so
StartServers 1
ServerLimit 1
DavLockDB {root}/davlock
DocumentRoot {root}/share
<Directory {root}/share>
    Dav On
    Require all granted
</Directory>
"""


def start_webdav(ctx):
    # Apache refuses to run its workers as root; run all of it as nobody when we are root,
    # in a folder nobody can reach (TMPDIR may be a private one).
    as_root = os.geteuid() == 0
    root = tempfile.mkdtemp(prefix="tollivance-webdav.", dir="/tmp" if as_root else None)
    ctx.on_shutdown(lambda: shutil.rmtree(root, ignore_errors=True))
    os.makedirs(os.path.join(root, "share"))
    with open(os.path.join(root, "share", "welcome.txt"), "w", encoding="utf-8") as f:
        f.write(WELCOME)
    as_nobody = []
    if as_root:
        nobody = pwd.getpwnam("nobody")
        for folder, _, files in os.walk(root):
            for name in [folder] + [os.path.join(folder, f) for f in files]:
                os.chown(name, nobody.pw_uid, nobody.pw_gid)
        as_nobody = ["setpriv", "--reuid=%d" % nobody.pw_uid, "--regid=%d" % nobody.pw_gid,
                     "--clear-groups", "--"]
    last_error = ""
    for _ in range(5):
        probe = socket.socket()
        probe.bind((HOST, 0))
        port = probe.getsockname()[1]
        probe.close()
        conf = os.path.join(root, "httpd.conf")
        with open(conf, "w", encoding="utf-8") as f:
            f.write(APACHE_CONF.format(root=root, host=HOST, port=port, modules=APACHE_MODULES))
        process = subprocess.Popen(as_nobody + [APACHE, "-f", conf, "-DFOREGROUND"],
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.PIPE, start_new_session=True)
        deadline = time.monotonic() + 15
        while process.poll() is None and time.monotonic() < deadline:
            try:
                socket.create_connection((HOST, port), timeout=1).close()
                break
            except OSError:
                time.sleep(0.1)
        if process.poll() is None:
            ctx.on_shutdown(lambda: stop_process(process))
            return port
        last_error = process.stderr.read().decode("utf-8", "replace").strip()
        stop_process(process)
    raise RuntimeError("the WebDAV drive (Apache) did not start: " + last_error)


def start(args, ctx):
    if not args.drives:
        return {}
    # Warnings only, not a line per command (a logger with a handler keeps pyftpdlib's own).
    ftp_log = logging.getLogger("pyftpdlib")
    ftp_log.addHandler(logging.StreamHandler())
    ftp_log.setLevel(logging.WARNING)
    ftp_log.propagate = False
    home = ctx.path("ftp")
    os.makedirs(home, exist_ok=True)
    with open(os.path.join(home, "welcome.txt"), "w", encoding="utf-8") as f:
        f.write(WELCOME)
    ftp_port = start_ftp(ctx, home)
    webdav_port = start_webdav(ctx)
    ctx.drive_ports = (ftp_port, webdav_port)
    return {"ftp": ftp_port, "webdav": webdav_port}
