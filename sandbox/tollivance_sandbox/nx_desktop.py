"""An NX desktop: Debian's nxagent waiting for an NX proxy on a loopback port, with --nx.

The agent is protected by a cookie of its own (32 hex digits), which must also be its X
authority for its display. It ends when its proxy goes away (-nopersistent) and is then
started afresh, so every session meets a new desktop. Scenario "nx": {"program": [argv]}
runs that program inside each new desktop (the demo's terminal, for example).

A session scenario with "protocol": "nx" hands out this agent's port and cookie by default;
the ready line names them too ("nx", "nx_cookie").
The agent's log is nx/agent.log in the state folder.
"""
import os
import random
import secrets
import socket
import subprocess
import threading
import time

from . import session_reply
from .context import stop_process

NXAGENT = "/usr/bin/nxagent"
START_WAIT = 20.0


def add_arguments(parser):
    parser.add_argument("--nx", action="store_true", help="serve an NX desktop (nxagent)")


def session_defaults(ctx):
    """The session members that point at the agent, or {} when it does not run."""
    agent = getattr(ctx, "nx_agent", None)
    return {"port": agent.port, "cookie": agent.cookie} if agent else {}


def _free_display():
    for number in random.sample(range(100, 900), 800):
        if not os.path.exists("/tmp/.X%d-lock" % number) and \
                not os.path.exists("/tmp/.X11-unix/X%d" % number):
            return number
    raise RuntimeError("no free X display number for the NX desktop")


def _free_port(ctx):
    fixed = ctx.port("nx")
    if fixed:
        return fixed
    # Below 61536: the client puts a forwarding at the session's port + 4000.
    for port in random.sample(range(20000, 61000), 200):
        probe = socket.socket()
        try:
            probe.bind(("127.0.0.1", port))
            return port
        except OSError:
            continue
        finally:
            probe.close()
    raise RuntimeError("no free port for the NX desktop")


def _listening(port):
    """Whether something listens on TCP port (read from the kernel, without connecting: the
    agent would take a probe for its one proxy)."""
    try:
        with open("/proc/net/tcp", encoding="ascii") as table:
            next(table)
            for line in table:
                fields = line.split()
                if fields[3] == "0A" and int(fields[1].rsplit(":", 1)[1], 16) == port:
                    return True
    except OSError:
        pass
    return False


class NxAgent:
    def __init__(self, ctx):
        self.ctx = ctx
        self.cookie = secrets.token_hex(16)
        self.port = _free_port(ctx)
        self.home = ctx.path("nx")
        os.makedirs(self.home, exist_ok=True)
        self.process = None
        self.program = None
        self.stopping = threading.Event()
        self.lock = threading.Lock()

    def _start(self):
        """One agent, listening; raises RuntimeError when it does not come up."""
        last = ""
        for _ in range(5):
            display = _free_display()
            auth = os.path.join(self.home, "agent.auth")
            if os.path.exists(auth):
                os.remove(auth)
            # The cookie goes to xauth and nxagent in a pipe and a file, never on a command
            # line: the tests watch every command line on the computer for it.
            subprocess.run(["xauth", "-f", auth, "source", "-"], check=True,
                           input=("add :%d MIT-MAGIC-COOKIE-1 %s\n" % (display, self.cookie)).encode(),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=10)
            env = dict(os.environ, HOME=self.home)
            env.pop("DISPLAY", None)
            options_file = os.path.join(self.home, "agent.options")
            with open(os.open(options_file, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600),
                      "w") as file:
                file.write("nx/nx,link=lan,listen=%d,loopback=1,cookie=%s:%d\n" % (
                    self.port, self.cookie, display))
            options = "nx/nx,options=%s:%d" % (options_file, display)
            with open(os.path.join(self.home, "agent.log"), "ab") as log:
                process = subprocess.Popen(
                    [NXAGENT, "-nopersistent", "-nolisten", "tcp", "-display", options, ":%d" % display,
                     "-auth", auth, "-name", "Sandbox NX desktop"],
                    stdin=subprocess.DEVNULL, stdout=log, stderr=log, env=env,
                    start_new_session=True)
            deadline = time.monotonic() + START_WAIT
            while process.poll() is None and time.monotonic() < deadline:
                if _listening(self.port):
                    self._start_program(display, auth)
                    return process
                time.sleep(0.1)
            last = "exit status %s" % process.poll()
            stop_process(process)
        raise RuntimeError("the NX desktop (nxagent) did not start (%s); see %s" % (
            last, os.path.join(self.home, "agent.log")))

    def _start_program(self, display, auth):
        program = session_reply.scenario_part(self.ctx, "nx").get("program")
        if isinstance(program, list) and program:
            env = dict(os.environ, DISPLAY=":%d" % display, XAUTHORITY=auth)
            self.program = subprocess.Popen([str(a) for a in program], env=env,
                                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                            stderr=subprocess.DEVNULL, start_new_session=True)

    def start(self):
        self.process = self._start()
        threading.Thread(target=self._supervise, daemon=True).start()

    def _supervise(self):
        while not self.stopping.is_set():
            self.process.wait()
            with self.lock:
                stop_process(self.program)
                self.program = None
                if self.stopping.is_set():
                    return
                try:
                    self.process = self._start()
                except RuntimeError:
                    return  # the next session finds no desktop; the log says why

    def stop(self):
        with self.lock:
            self.stopping.set()
            stop_process(self.program)
            stop_process(self.process)


def start(args, ctx):
    if not args.nx:
        return {}
    agent = NxAgent(ctx)
    agent.start()
    ctx.on_shutdown(agent.stop)
    ctx.nx_agent = agent
    return {"nx": agent.port, "nx_cookie": agent.cookie}
