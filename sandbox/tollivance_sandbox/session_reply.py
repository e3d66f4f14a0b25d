"""The desktop session service behind the "mirlnx" shell and the desktop proxy: one request
document in, one reply line out, shaped by the scenario's "session" object:

  "raw": text           send exactly this text (no checks at all)
  "malformed": true     send text that is not JSON
  "err-only": text      send {"err": text}
  "host", "port", "cookie"   the session's members (default 127.0.0.1, the desktop's port,
                        "sandbox-cookie"); "omit": [names] leaves session members out; in
                        tunnel mode the port defaults to the desktop's port on its own host
                        when the desktop host's SSH runs (desktop_host_ssh)
  "protocol"            default "vnc"; null leaves it out; with "nx", port and cookie default
                        to the NX desktop's (nx_desktop)
  "drives": true        "ftp" and "webdav" name the sandbox's drive servers (drives)
  "websock", "tunnel_mode", "ftp", "webdav", "settings", "err"
                        copied to the reply's root as given; absent by default, except that
                        the desktop proxy says "websock": true for a VNC desktop

Every request is appended to session_requests.jsonl in the state folder (its text as latin-1,
so tests can compare the exact bytes) with the side it came through.
"""
import json
import threading

_log_lock = threading.Lock()
DEFAULT_COOKIE = "sandbox-cookie"
_ROOT_MEMBERS = ("websock", "tunnel_mode", "ftp", "webdav", "settings", "err")


def scenario_part(ctx, name):
    """One object of the live scenario; {} when it is absent or not an object."""
    scenario = ctx.scenario()
    part = scenario.get(name, {}) if isinstance(scenario, dict) else {}
    return part if isinstance(part, dict) else {}


def desktop_port(ctx):
    """The desktop side's port when it runs, else the port it would have."""
    return getattr(ctx, "desktop_port", None) or ctx.port("desktop") or 5901


def log_request(ctx, via, text, **extra):
    entry = {"via": via, "request": text.decode("latin-1") if isinstance(text, bytes) else text}
    entry.update(extra)
    with _log_lock, open(ctx.path("session_requests.jsonl"), "a", encoding="utf-8") as log:
        log.write(json.dumps(entry) + "\n")


def reply_text(ctx, websock_default=False):
    scenario = scenario_part(ctx, "session")
    if "raw" in scenario:
        return scenario["raw"]
    if scenario.get("malformed"):
        return '{"session": {"host": "127.0.0.1", '
    if "err-only" in scenario:
        return json.dumps({"err": scenario["err-only"]}, separators=(",", ":"))
    from . import drives, nx_desktop  # they use this module too
    protocol = scenario.get("protocol", "vnc")
    desktop = nx_desktop.session_defaults(ctx) if protocol == "nx" else {}
    if scenario.get("tunnel_mode") and getattr(ctx, "tunnel_desktop_port", None):
        desktop.setdefault("port", ctx.tunnel_desktop_port)
    session = {
        "host": scenario.get("host", "127.0.0.1"),
        "port": scenario.get("port", desktop.get("port", desktop_port(ctx))),
        "cookie": scenario.get("cookie", desktop.get("cookie", DEFAULT_COOKIE)),
    }
    for name in scenario.get("omit", []):
        session.pop(name, None)
    reply = {"session": session}
    if protocol is not None:
        reply["protocol"] = protocol
    if websock_default and protocol == "vnc":
        reply["websock"] = True
    if scenario.get("drives"):
        reply.update(drives.session_members(ctx))
    for name in _ROOT_MEMBERS:
        if name in scenario:
            reply[name] = scenario[name]
    return json.dumps(reply, separators=(",", ":"))
