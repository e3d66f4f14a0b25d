"""The desktop proxy's session endpoint: POST /session/https/<server ip>/9997 with the session
request document as its body, answered with the session service's reply (session_reply).
The reply says neither websock nor tunnel mode unless the scenario's "session" asks for it, so
by default the client takes the path with its own ssh forwarding to the sandbox.

Scenario "desktop_proxy" object:
  "status": N        answer with that status (404, 403, 504, 503, 500, 400 ...) and no document
  "redirect": true   answer 302 to the same path; the redirected request gets the reply
Requests are logged to session_requests.jsonl (via "https", with the ip and port from the path).
"""
from . import session_reply
from .https_side import Response, route

PREFIX = "/session/https/"


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
    return Response(200, session_reply.reply_text(ctx), {"Content-Type": "application/json"})
