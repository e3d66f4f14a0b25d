"""What every side of the sandbox shares: folders, the live scenario, and clean-up."""
import json
import os
import subprocess
import threading

# Fixed ports of the demo (--fixed-ports), shared with the build; tests let the system pick.
with open(os.path.join(os.path.dirname(__file__), os.pardir, "ports.json"), encoding="utf-8") as _ports:
    FIXED_PORTS = json.load(_ports)


class Context:
    def __init__(self, args):
        self.state_dir = args.state_dir
        self.pki = args.pki
        self.keys = args.keys
        self.fixed_ports = args.fixed_ports
        self.ports = {}  # every side's ports as they start, e.g. the SSH side's for the login reply
        self._cleanups = []
        self._lock = threading.Lock()

    def port(self, name):
        """The port a side should bind: fixed for the demo, 0 (any free one) for tests."""
        return FIXED_PORTS.get(name, 0) if self.fixed_ports else 0

    def scenario(self):
        """The scenario document as it stands now; tests may rewrite it at any time."""
        try:
            with open(os.path.join(self.state_dir, "scenario.json"), encoding="utf-8") as f:
                scenario = json.load(f)
        except (OSError, ValueError):
            return {}
        return scenario if isinstance(scenario, dict) else {}

    def path(self, *parts):
        return os.path.join(self.state_dir, *parts)

    def on_shutdown(self, fn):
        with self._lock:
            self._cleanups.append(fn)

    def shutdown(self):
        with self._lock:
            cleanups = list(reversed(self._cleanups))
        for fn in cleanups:
            try:
                fn()
            except Exception:  # noqa: BLE001 - best effort on the way out
                pass


def stop_process(process):
    """Ends a child program: TERM, and KILL when it is still there after 10 s."""
    if process is not None and process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
