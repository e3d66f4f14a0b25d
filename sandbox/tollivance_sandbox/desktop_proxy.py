"""The desktop proxy, on the HTTPS side's host and port.

POST /session/https/<server ip>/9997 with the session request document as its body is answered
with the session service's reply (session_reply); for a VNC desktop it says "websock": true by
default, as the service does, so the client's viewer comes back for the desktop itself:
GET /desktop/https/<host>/<port + 5000> upgraded to a web-socket is relayed to <host>:<port>,
for loopback hosts only. A scenario "session": {"websock": false} keeps the kind where the
client forwards the desktop port through its own ssh.

Scenario "desktop_proxy" object:
  "status": N        answer the session request with that status (404, 403, 504, 503, 500,
                     400 ...) and no document
  "redirect": true   answer 302 to the same path; the redirected request gets the reply
                     (HTTP clients repeat a POST answered with 302 as a GET without body, so
                     the endpoint answers GET too)
  "desktop_status": N  refuse the web-socket upgrade with that status
  "first_frame_bytes": N  open the desktop with one binary message of N bytes (a flood)
Requests are logged to session_requests.jsonl (via "https", with the ip and port from the path);
the upgrade requests appear in https_requests.jsonl like any other.
"""
from . import desktop_websocket, session_reply
from .https_side import Response, route

PREFIX = "/session/https/"
DESKTOP_PREFIX = "/desktop/https/"
DESKTOP_PORT_OFFSET = 5000
LOOPBACK_HOSTS = ("127.0.0.1", "::1", "localhost")


@route("GET", PREFIX)
@route("POST", PREFIX)
def session_request(request, ctx):
    ip, _, port = request.path[len(PREFIX):].partition("/")
    session_reply.log_request(ctx, "https", request.body, ip=ip, port=port)
    scenario = session_reply.scenario_part(ctx, "desktop_proxy")
    if scenario.get("redirect") and "redirected" not in request.query:
        return Response(302, b"", {"Location": request.path + "?redirected=1"})
    status = scenario.get("status", 200)
    if status != 200:
        return Response(status, b"status from scenario")
    if not ip or port != "9997":
        return Response(400, b"expected /session/https/<ip>/9997")
    return Response(200, session_reply.reply_text(ctx, websock_default=True),
                    {"Content-Type": "application/json"})


def _desktop_target(path):
    """(host, port) named by a desktop path, or None."""
    host, _, port = path[len(DESKTOP_PREFIX):].partition("/")
    if host not in LOOPBACK_HOSTS or not port.isdigit():
        return None
    port = int(port) - DESKTOP_PORT_OFFSET
    return (host, port) if 0 < port < 65536 else None


@route("GET", DESKTOP_PREFIX)
def desktop(request, ctx):
    target = _desktop_target(request.path)
    if target is None:
        return Response(404, b"expected /desktop/https/<loopback host>/<port + 5000>")
    if request.headers.get("Upgrade", "").lower() != "websocket":
        return Response(426, b"web-socket only", {"Upgrade": "websocket"})
    scenario = session_reply.scenario_part(ctx, "desktop_proxy")
    refuse = scenario.get("desktop_status")
    first_frame = scenario.get("first_frame_bytes", 0)

    def takeover(connection, raw_request, stop):
        desktop_websocket.relay(connection, raw_request, target, stop, refuse_status=refuse,
                                first_frame_bytes=first_frame)

    return Response(takeover=takeover)
