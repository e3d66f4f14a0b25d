#!/usr/bin/python3
"""Local stand-in for the hosted service, on loopback only.

Starts the requested sides, prints one line "READY {json}" with the ports it listens on, and
runs until it receives SIGTERM or its standard input closes (the test that started it is gone).
"""
import argparse
import json
import os
import signal
import sys
import threading

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from tollivance_sandbox import context as sandbox_context  # noqa: E402
from tollivance_sandbox import desktop, https_side, print_queue, ssh_side  # noqa: E402
from tollivance_sandbox import desktop_host_ssh, drives, nx_desktop  # noqa: E402
# Endpoint modules register their routes with the HTTPS side when imported.
from tollivance_sandbox import desktop_proxy, service_endpoints  # noqa: E402,F401

SIDES = [https_side, ssh_side, print_queue, desktop, drives, nx_desktop, desktop_host_ssh]


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--state-dir", required=True, help="folder for scenario.json and state")
    parser.add_argument("--pki", required=True, help="folder with ca.pem, server.pem/.key, untrusted.pem/.key")
    parser.add_argument("--keys", required=True, help="folder with the client public keys (*.pub)")
    parser.add_argument("--exit-with-stdin", action="store_true",
                        help="stop when standard input closes (the process that started us is gone)")
    parser.add_argument("--fixed-ports", action="store_true",
                        help="listen on the demo's fixed ports instead of ports the system picks")
    for side in SIDES:
        side.add_arguments(parser)
    args = parser.parse_args()

    ctx = sandbox_context.Context(args)
    ready = ctx.ports
    for side in SIDES:
        ready.update(side.start(args, ctx))

    print("READY " + json.dumps(ready, sort_keys=True), flush=True)

    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())

    def watch_stdin():
        try:
            while sys.stdin.buffer.read(4096):
                pass
        except (OSError, ValueError):
            pass
        stop.set()

    if args.exit_with_stdin:
        threading.Thread(target=watch_stdin, daemon=True).start()
    stop.wait()
    ctx.shutdown()
    os._exit(0)


if __name__ == "__main__":
    main()
