"""The print-queue server: SSH with password accounts and SFTP, on loopback.

Accounts: the user name is the folder-safe account name. "demo" with password "demo" always
exists; the scenario adds more under "print_queue" -> "accounts", each either a password or
{"password": ..., "layout": "fallback"}.

Each account's SFTP root is <state>/print/<account>/. Its queue folder is ".mirlprinting/" there,
or, with the fallback layout, "<account>/.mirlprinting/" inside the root. To queue a document,
put a file into that folder (tests write it directly; sandbox/queue_print.py does it for the
demo, renaming the finished file into place so it never shows half-written).

Scenarios, under "print_queue" in scenario.json (re-read on every request); each names files by
their name inside the queue folder:
  "growing":      {"name": N, "seconds": S}  N appears to grow from empty to its full size over
                  S seconds from when it is first listed or opened (listings, size readings and
                  reads see only that much)
  "undeletable":  [N, ...]                   removing N is refused (permission denied)
  "unopenable":   [N, ...]                   opening N is refused (permission denied)
  "drop":         {"name": N, "after_bytes": B, "times": T}  the first T times a read of N reaches
                  offset B, the connection is cut
  "read_error":   {"name": N, "after_bytes": B, "times": T}  the same, but the read fails with an
                  SFTP failure and the connection stays
  "stat_error":   {"name": N, "times": T}    the first T size readings of an open N fail
  "short_reads":  {"every": K, "bytes": M}   every K-th read answers with at most M bytes
  "silent":       {"name": N, "times": T}    the first T openings of N are never answered: the
                  server holds them (and every later request of that connection) until the
                  client goes
  "replaced":     {"name": N, "content": C}  the first time a handle of N is closed, a new
                  document with the text C takes the name N (written aside, renamed in)
  "bare_listing": [N, ...]                   listing entries of N carry neither size nor
                  permissions, as some servers send them
  "bare_stat":    [N, ...]                   nor do stat and lstat of N by name (an open
                  handle's attributes stay whole)
  "oversized":    K                          the listing also shows K documents
                  "oversized-00000.pdf", ... of 5 GiB each, which cannot be opened
  "endless":      true                       after the real entries the listing goes on for
                  ever with new folder names (a server that floods its listings)

Links are followed like a real server does; a link to /dev/zero is allowed out of the account's
root, so a queue entry can be endless. Pipes (FIFOs) in the queue folder block whoever opens them.

Every open, remove, read error and cut is appended to <state>/print/log.jsonl as one JSON line
{"op": ..., "account": ..., "path": ...}, so tests can count them.
"""
import errno
import json
import os
import socket
import stat
import threading
import time

import paramiko
from paramiko import SFTPAttributes, SFTPHandle, SFTPServer, SFTPServerInterface
from paramiko.sftp import SFTP_FAILURE, SFTP_NO_SUCH_FILE, SFTP_OK, SFTP_PERMISSION_DENIED

from tollivance_sandbox.ssh_base import serve_ssh

QUEUE_FOLDER = ".mirlprinting"
DEFAULT_ACCOUNTS = {"demo": "demo"}


def add_arguments(parser):
    parser.add_argument("--print-queue", action="store_true",
                        help="SSH/SFTP print queue with password accounts")


def _settings(ctx):
    return ctx.scenario().get("print_queue", {})


def _accounts(ctx):
    accounts = {name: {"password": password} for name, password in DEFAULT_ACCOUNTS.items()}
    for name, value in _settings(ctx).get("accounts", {}).items():
        accounts[name] = value if isinstance(value, dict) else {"password": value}
    return accounts


def account_root(ctx, account):
    return ctx.path("print", account)


def queue_folder(ctx, account, layout=None):
    """The real folder that holds the account's queue, created if missing."""
    if layout is None:
        layout = _accounts(ctx).get(account, {}).get("layout", "standard")
    root = account_root(ctx, account)
    folder = os.path.join(root, account, QUEUE_FOLDER) if layout == "fallback" else \
        os.path.join(root, QUEUE_FOLDER)
    os.makedirs(folder, exist_ok=True)
    return folder


class _Shared:
    """State that lives as long as the sandbox: counters of one-off faults, first openings."""

    def __init__(self, ctx):
        self.ctx = ctx
        self.lock = threading.Lock()
        self.counters = {}
        self.first_seen = {}
        self.reads = 0

    def log(self, op, account, path):
        line = json.dumps({"op": op, "account": account, "path": path}, sort_keys=True)
        with self.lock:
            with open(self.ctx.path("print", "log.jsonl"), "a", encoding="utf-8") as f:
                f.write(line + "\n")

    def take(self, key, times):
        """True for the first `times` calls with this key."""
        with self.lock:
            used = self.counters.get(key, 0)
            if used >= times:
                return False
            self.counters[key] = used + 1
            return True


class _Server(paramiko.ServerInterface):
    def __init__(self, ctx, transport):
        self.ctx = ctx
        self.transport = transport
        self.username = None

    def get_allowed_auths(self, username):
        return "password"

    def check_auth_password(self, username, password):
        account = _accounts(self.ctx).get(username)
        if account is None or account.get("password") != password:
            return paramiko.AUTH_FAILED
        self.username = username
        queue_folder(self.ctx, username)
        return paramiko.AUTH_SUCCESSFUL

    def check_channel_request(self, kind, chanid):
        if kind == "session":
            return paramiko.OPEN_SUCCEEDED
        return paramiko.OPEN_FAILED_ADMINISTRATIVELY_PROHIBITED

    def check_channel_subsystem_request(self, channel, name):
        return super().check_channel_subsystem_request(channel, name)


class _QueueFile(SFTPHandle):
    def __init__(self, sftp, account, path, name, handle):
        super().__init__()
        self.sftp = sftp
        self.account = account
        self.path = path
        self.name = name
        self.file = handle
        sftp.shared.first_seen.setdefault((account, name), time.monotonic())

    def _settings(self):
        return _settings(self.sftp.ctx)

    def _visible_size(self):
        return _visible_size(self.sftp.ctx, self.sftp.shared, self.account, self.name,
                             os.fstat(self.file.fileno()).st_size)

    def stat(self):
        stat_error = self._settings().get("stat_error", {})
        if stat_error.get("name") == self.name and \
                self.sftp.shared.take(("stat", self.account, self.path), int(stat_error.get("times", 1))):
            self.sftp.shared.log("stat_error", self.account, self.path)
            return SFTP_FAILURE
        attributes = SFTPAttributes.from_stat(os.fstat(self.file.fileno()))
        attributes.st_size = self._visible_size()
        return attributes

    def read(self, offset, length):
        settings = self._settings()
        shared = self.sftp.shared
        for kind in ("drop", "read_error"):
            fault = settings.get(kind, {})
            if fault.get("name") == self.name and offset + length > int(fault.get("after_bytes", 0)) and \
                    shared.take((kind, self.account, self.path), int(fault.get("times", 1))):
                shared.log(kind, self.account, self.path)
                if kind == "drop":
                    try:
                        self.sftp.transport.sock.shutdown(socket.SHUT_RDWR)
                    except OSError:
                        pass
                return SFTP_FAILURE
        end = min(offset + length, self._visible_size())
        if end <= offset:
            return b""
        short = settings.get("short_reads", {})
        with shared.lock:
            shared.reads += 1
            count = shared.reads
        if short and count % int(short.get("every", 3)) == 0:
            end = min(end, offset + int(short.get("bytes", 1000)))
        self.file.seek(offset)
        return self.file.read(end - offset)

    def close(self):
        self.file.close()
        replaced = self._settings().get("replaced", {})
        if replaced.get("name") == self.name and \
                self.sftp.shared.take(("replaced", self.account, self.path), 1):
            real = self.sftp._real(self.path)
            staging = os.path.join(os.path.dirname(os.path.dirname(real)), "." + self.name + ".new")
            with open(staging, "w", encoding="utf-8") as f:
                f.write(replaced.get("content", "replacement"))
            os.rename(staging, real)
            self.sftp.shared.log("replaced", self.account, self.path)
        return SFTP_OK


def _visible_size(ctx, shared, account, name, real):
    growing = _settings(ctx).get("growing", {})
    if growing.get("name") != name:
        return real
    started = shared.first_seen.setdefault((account, name), time.monotonic())
    seconds = float(growing.get("seconds", 3))
    fraction = min(1.0, (time.monotonic() - started) / seconds) if seconds > 0 else 1.0
    return int(real * fraction)


def _bare(ctx, scenario, name, attributes):
    """Leaves out size and permissions where the scenario says so (paramiko sends what is set)."""
    if name in _settings(ctx).get(scenario, []):
        attributes.st_size = None
        attributes.st_mode = None
    return attributes


def _made_up(name, mode, size):
    attributes = SFTPAttributes()
    attributes.filename = name
    attributes.st_mode = mode
    attributes.st_size = size
    attributes.st_uid = attributes.st_gid = os.getuid()
    attributes.st_atime = attributes.st_mtime = 1700000000
    return attributes


class _EndlessListing(list):
    """The real entries, then new folder names for ever; read 16 at a time like any listing."""

    def __init__(self, entries):
        super().__init__(entries)
        self.offset = 0

    def _entry(self, index):
        if index < list.__len__(self):
            return list.__getitem__(self, index)
        return _made_up("flood-%012d" % index, stat.S_IFDIR | 0o755, 0)

    def __getitem__(self, key):
        if isinstance(key, slice) and key.start is None:
            return [self._entry(self.offset + i) for i in range(key.stop)]
        if isinstance(key, slice):
            self.offset += key.start
            return self
        return self._entry(self.offset + key)


class _QueueSftp(SFTPServerInterface):
    """SFTP confined to the account's root; paths are relative to it."""

    def __init__(self, server, ctx, shared, *args, **kwargs):
        super().__init__(server, *args, **kwargs)
        self.ctx = ctx
        self.shared = shared
        self.account = server.username
        self.transport = server.transport
        self.root = os.path.realpath(account_root(ctx, self.account))

    def _real(self, path):
        inside = os.path.normpath("/" + path).lstrip("/")
        real = os.path.realpath(os.path.join(self.root, inside))
        if real != self.root and not real.startswith(self.root + os.sep) and real != "/dev/zero":
            raise PermissionError(path)
        return real

    def _named(self, path):
        """The entry itself, a link not followed: what a real server's remove takes away."""
        inside = os.path.normpath("/" + path).lstrip("/")
        return os.path.join(self._real(os.path.dirname(inside)), os.path.basename(inside))

    def _name(self, path):
        return os.path.basename(os.path.normpath("/" + path))

    def canonicalize(self, path):
        return os.path.normpath("/" + path)

    def list_folder(self, path):
        try:
            real = self._real(path)
            entries = [SFTPAttributes.from_stat(os.stat(real), "."),
                       SFTPAttributes.from_stat(os.stat(os.path.dirname(real)), "..")]
            for name in sorted(os.listdir(real)):
                attributes = SFTPAttributes.from_stat(os.lstat(os.path.join(real, name)), name)
                attributes.st_size = _visible_size(self.ctx, self.shared, self.account, name,
                                                   attributes.st_size)
                entries.append(_bare(self.ctx, "bare_listing", name, attributes))
            if os.path.basename(real) != QUEUE_FOLDER:
                return entries
            settings = _settings(self.ctx)
            for index in range(int(settings.get("oversized", 0))):
                entries.append(_made_up("oversized-%05d.pdf" % index, stat.S_IFREG | 0o644,
                                        5 << 30))
            return _EndlessListing(entries) if settings.get("endless") else entries
        except (OSError, PermissionError) as error:
            return SFTPServer.convert_errno(getattr(error, "errno", None) or errno.EACCES)

    def stat(self, path):
        return self._stat(path, follow=True)

    def lstat(self, path):
        return self._stat(path, follow=False)

    def _stat(self, path, follow):
        try:
            if follow:
                real = self._real(path)
            else:
                inside = os.path.normpath("/" + path).lstrip("/")
                real = os.path.join(self._real(os.path.dirname(inside)), os.path.basename(inside))
            attributes = SFTPAttributes.from_stat(os.stat(real) if follow else os.lstat(real))
            attributes.st_size = _visible_size(self.ctx, self.shared, self.account,
                                               self._name(path), attributes.st_size)
            return _bare(self.ctx, "bare_stat", self._name(path), attributes)
        except (OSError, PermissionError) as error:
            return SFTPServer.convert_errno(getattr(error, "errno", None) or errno.EACCES)

    def open(self, path, flags, attr):
        self.shared.log("open", self.account, path)
        name = self._name(path)
        if name in _settings(self.ctx).get("unopenable", []):
            return SFTP_PERMISSION_DENIED
        silent = _settings(self.ctx).get("silent", {})
        if silent.get("name") == name and \
                self.shared.take(("silent", self.account, path), int(silent.get("times", 1))):
            self.shared.log("silent", self.account, path)
            while self.transport.is_active():
                time.sleep(0.1)
            return SFTP_FAILURE
        if flags & (os.O_WRONLY | os.O_RDWR | os.O_CREAT | os.O_APPEND | os.O_TRUNC):
            return SFTP_PERMISSION_DENIED  # the queue is read and emptied, never written
        try:
            real = self._real(path)
            handle = open(real, "rb")  # noqa: SIM115 - closed by _QueueFile.close
        except IsADirectoryError:
            return SFTP_FAILURE
        except (OSError, PermissionError) as error:
            return SFTPServer.convert_errno(getattr(error, "errno", None) or errno.EACCES)
        return _QueueFile(self, self.account, path, name, handle)

    def remove(self, path):
        self.shared.log("remove", self.account, path)
        if self._name(path) in _settings(self.ctx).get("undeletable", []):
            return SFTP_PERMISSION_DENIED
        try:
            os.remove(self._named(path))
        except FileNotFoundError:
            return SFTP_NO_SUCH_FILE
        except (OSError, PermissionError) as error:
            return SFTPServer.convert_errno(getattr(error, "errno", None) or errno.EACCES)
        return SFTP_OK


def start(args, ctx):
    if not args.print_queue:
        return {}
    os.makedirs(ctx.path("print"), exist_ok=True)
    for account in DEFAULT_ACCOUNTS:
        queue_folder(ctx, account, "standard")
    shared = _Shared(ctx)
    port = serve_ssh(ctx, "print_queue", lambda transport: _Server(ctx, transport),
                     subsystems=[("sftp", SFTPServer, _QueueSftp, ctx, shared)])
    return {"print_queue": port}
