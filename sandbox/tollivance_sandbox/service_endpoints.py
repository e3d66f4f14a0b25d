"""The service's session start, version text and download page.

POST /session/start/ reads the form u, p, s, h. Checks, in this order:
  a field missing                                   -> 400
  unknown user or wrong password                    -> 403
  suspended account                                 -> 402
  h is not sha256(serial + s) for a registered serial -> 423
then 200 {"host", "port", "ip"}: the SSH side's loopback address and port (22 without it).
The user is matched as sent (u is not escaped by the client), the password after decoding.

GET /downloads/quorvanta-client-version.txt answers the version text, "3.0.3\\n" by default.
GET /download-tollivance/ answers a small HTML page.

Scenario keys (state/scenario.json, re-read on every request):
  "accounts": {user: {"password": text, "suspended": bool}}   added to the default account
                                                              "demo" / "demo"
  "serials": [hex, ...]       hardware-key hashes accepted beside the machine's own, which is
                              the SHA-256 of the first non-empty line of /etc/machine-id (else
                              /var/lib/dbus/machine-id)
  "server": {"host", "port", "ip"}   replaces members of the 200 reply; a member set to null
                              is left out, so {"ip": null} sends no "ip"
  "login": spec               shapes the session start's reply (see https_side.scenario_reply:
                              "status", "body", "headers", "redirects", "redirect_status",
                              "hang", "drip_ms"); with "status" or "body" the checks above are
                              skipped for that part of the reply
  "version": text or spec     the version text, or a spec whose "body" is the text
  "download": spec            shapes the download page's reply
  "paths": {prefix: spec}     (https_side) shapes the reply of any path, existing or not
"""
import hashlib
import json
from urllib.parse import unquote_to_bytes

from .https_side import Response, route, scenario_reply

DEFAULT_ACCOUNTS = {"demo": {"password": "demo"}}
DEFAULT_VERSION = "3.0.3\n"
DOWNLOAD_PAGE = (
    "<!DOCTYPE html>\n<html><head><title>Download Quorvanta Tollivance</title></head>\n"
    "<body><h1>Quorvanta Tollivance</h1><p>The newest client is ready to download.</p></body>"
    "</html>\n"
)
MACHINE_ID_FILES = ("/etc/machine-id", "/var/lib/dbus/machine-id")


def machine_serial():
    """The hardware-key hash the client computes on this machine, or None."""
    for path in MACHINE_ID_FILES:
        try:
            with open(path, "rb") as f:
                for line in f:
                    text = line.strip(b" \t\r\n")
                    if text:
                        return hashlib.sha256(text).hexdigest()
        except OSError:
            continue
    return None


def parse_form(body):
    """x-www-form-urlencoded fields as bytes, split on "&" and the first "=" of each pair."""
    fields = {}
    for pair in body.split(b"&"):
        if not pair:
            continue
        name, _, value = pair.partition(b"=")
        fields.setdefault(name.decode("latin-1"), unquote_to_bytes(value.replace(b"+", b" ")))
    return fields


def _accounts(scenario):
    accounts = dict(DEFAULT_ACCOUNTS)
    accounts.update(scenario.get("accounts") or {})
    return accounts


def _serials(scenario):
    serials = set(s.lower() for s in scenario.get("serials") or [])
    own = machine_serial()
    if own:
        serials.add(own)
    return serials


def _proof_matches(serials, salt, proof):
    return any(hashlib.sha256(serial.encode("ascii") + salt).hexdigest().encode("ascii") == proof
               for serial in serials)


def _server_reply(ctx, scenario):
    server = {"host": "127.0.0.1", "port": ctx.ports.get("ssh", 22), "ip": "127.0.0.1"}
    server.update(scenario.get("server") or {})
    return {k: v for k, v in server.items() if v is not None}


def _session_start(request, ctx):
    scenario = ctx.scenario()
    form = parse_form(request.body)
    if any(name not in form for name in ("u", "p", "s", "h")):
        return Response(400, b"missing form field")
    account = _accounts(scenario).get(form["u"].decode("utf-8", "replace"))
    if account is None or account.get("password", "").encode("utf-8") != form["p"]:
        return Response(403, b"wrong user or password")
    if account.get("suspended"):
        return Response(402, b"account suspended")
    if not _proof_matches(_serials(scenario), form["s"], form["h"]):
        return Response(423, b"unknown machine")
    return Response(200, json.dumps(_server_reply(ctx, scenario)),
                    {"Content-Type": "application/json"})


@route("POST", "/session/start/")
def session_start(request, ctx):
    return scenario_reply(ctx.scenario().get("login"), request, lambda r: _session_start(r, ctx))


@route("GET", "/downloads/quorvanta-client-version.txt")
def version_text(request, ctx):
    version = ctx.scenario().get("version", DEFAULT_VERSION)
    if isinstance(version, str):
        version = {"body": version}
    return scenario_reply(version, request,
                          lambda r: Response(200, DEFAULT_VERSION, {"Content-Type": "text/plain"}))


@route("GET", "/download-tollivance/")
def download_page(request, ctx):
    return scenario_reply(ctx.scenario().get("download"), request,
                          lambda r: Response(200, DOWNLOAD_PAGE, {"Content-Type": "text/html"}))
