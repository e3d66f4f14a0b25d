"""The sandbox's HTTPS side: one router served on two loopback ports, one with a certificate
from the sandbox's own CA (IP SAN 127.0.0.1) and one with a self-signed certificate that nobody
trusts. Endpoint modules register their routes with @route; every request is appended to
https_requests.jsonl in the state folder so that tests can read exactly what the client sent.
"""
import json
import os
import ssl
import sys
import threading
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlsplit

_ROUTES = []  # (method, path prefix, handler), longest prefix first at lookup


class Request:
    def __init__(self, method, path, query, headers, body):
        self.method = method
        self.path = path
        self.query = query
        self.headers = headers
        self.body = body

    def form(self):
        """The body as an x-www-form-urlencoded form: {name: value}, values decoded."""
        return {k: v[0] for k, v in parse_qs(self.body.decode("latin-1"), keep_blank_values=True).items()}


class Response:
    def __init__(self, status=200, body=b"", headers=None, hang=False, drip_ms=0, takeover=None):
        self.status = status
        self.body = body if isinstance(body, bytes) else body.encode("utf-8")
        self.headers = headers or {}
        self.hang = hang          # accept, read the request, never answer
        self.drip_ms = drip_ms    # send the body one byte at a time, this far apart
        # takeover(connection, raw_request, stop): answers on the connection itself and keeps it
        # (a web-socket upgrade); raw_request is the request line and headers as received.
        self.takeover = takeover
        self.size = None          # send this many bytes of "x" instead of the body
        self.no_length = False    # send no Content-Length: the body ends when the connection does

    def chunks(self):
        if self.size is None:
            yield self.body
            return
        block = b"x" * 65536
        left = self.size
        while left > 0:
            yield block[:min(left, len(block))]
            left -= len(block)


def scenario_reply(spec, request, default):
    """Applies the generic scenario fields of one endpoint to its reply.

    spec: a dict from the scenario (may be empty) with any of
      "redirects": n      answer n redirects (status "redirect_status", default 302) along
                          path?hop=1..n before the real answer;
      "location": url     the redirects point there (with ?hop=) instead of along the path;
      "size": n           the real answer's body is n bytes of "x", sent as it is made;
      "no_length": true   the real answer carries no Content-Length and ends with the connection;
      "hang": true        read the request and never answer;
      "status": code      the status of the real answer instead of the endpoint's own;
      "body": text        its body instead of the endpoint's own;
      "headers": {...}    extra headers;
      "drip_ms": ms       send the body one byte at a time, this far apart.
    default: a function of the request giving the endpoint's own Response.
    """
    spec = spec if isinstance(spec, dict) else {}
    hop = int((request.query.get("hop") or ["0"])[0])
    if hop < int(spec.get("redirects", 0)):
        return Response(int(spec.get("redirect_status", 302)), b"",
                        {"Location": "%s?hop=%d" % (spec.get("location", request.path), hop + 1)})
    if spec.get("hang"):
        return Response(hang=True)
    if "status" in spec or "body" in spec:
        response = default(request) if "body" not in spec else Response()
        response.status = int(spec.get("status", response.status))
        if "body" in spec:
            response.body = spec["body"].encode("utf-8")
    else:
        response = default(request)
    response.headers.update(spec.get("headers", {}))
    response.drip_ms = int(spec.get("drip_ms", response.drip_ms))
    if "size" in spec:
        response.size = int(spec["size"])
    response.no_length = bool(spec.get("no_length", False))
    return response


def _generic_spec(ctx, path):
    """The scenario's "paths" entry with the longest prefix of path, if any."""
    paths = ctx.scenario().get("paths") or {}
    matches = [p for p in paths if path.startswith(p)]
    return paths[max(matches, key=len)] if matches else None


def route(method, prefix):
    def register(fn):
        _ROUTES.append((method, prefix, fn))
        return fn
    return register


def add_arguments(parser):
    parser.add_argument("--https", action="store_true", help="serve the HTTPS side")


def _handler_class(ctx, stop):
    log_path = ctx.path("https_requests.jsonl")
    log_lock = threading.Lock()

    class Handler(BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, fmt, *args):  # keep the test output quiet
            pass

        def _serve(self):
            parts = urlsplit(self.path)
            length = int(self.headers.get("Content-Length") or 0)
            body = self.rfile.read(length) if length else b""
            request = Request(self.command, parts.path, parse_qs(parts.query), dict(self.headers), body)
            with log_lock, open(log_path, "a", encoding="utf-8") as log:
                log.write(json.dumps({"method": self.command, "path": self.path,
                                      "port": self.server.server_address[1],
                                      "headers": request.headers,
                                      "body": body.decode("latin-1")}) + "\n")
            candidates = [r for r in _ROUTES if r[0] == self.command and parts.path.startswith(r[1])]
            candidates.sort(key=lambda r: len(r[1]), reverse=True)

            def endpoint(req):
                return candidates[0][2](req, ctx) if candidates else Response(404, b"not found")

            # A scenario may shape the reply of any path ("paths": {prefix: spec}).
            spec = _generic_spec(ctx, parts.path)
            response = scenario_reply(spec, request, endpoint) if spec is not None else endpoint(request)
            if response.hang:
                stop.wait()
                return
            if response.takeover:
                self.close_connection = True
                head = self.requestline + "\r\n" + "".join(
                    "%s: %s\r\n" % (name, value) for name, value in self.headers.items()) + "\r\n"
                response.takeover(self.connection, head.encode("latin-1"), stop)
                return
            self.send_response(response.status)
            for name, value in response.headers.items():
                self.send_header(name, value)
            if response.no_length:
                self.send_header("Connection", "close")
                self.close_connection = True
            else:
                size = response.size if response.size is not None else len(response.body)
                self.send_header("Content-Length", str(size))
            self.end_headers()
            for chunk in response.chunks():
                if response.drip_ms:
                    for i in range(len(chunk)):
                        self.wfile.write(chunk[i:i + 1])
                        self.wfile.flush()
                        if stop.wait(response.drip_ms / 1000.0):
                            return
                else:
                    self.wfile.write(chunk)

        def setup(self):
            # The TLS handshake runs here, on the connection's own thread, so that a client that
            # never finishes it cannot stall the listener.
            try:
                self.request.do_handshake()
            except (OSError, ValueError):
                self.request.close()
                raise
            super().setup()

        do_GET = _serve
        do_POST = _serve

    return Handler


class _Server(ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        # Clients that reject the certificate or hang up are part of the tests; anything else
        # is a fault of the sandbox and is printed.
        if not isinstance(sys.exc_info()[1], OSError):
            super().handle_error(request, client_address)


def _serve_tls(ctx, port, cert, key, stop):
    server = _Server(("127.0.0.1", port), _handler_class(ctx, stop))
    server.daemon_threads = True
    tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    tls.load_cert_chain(os.path.join(ctx.pki, cert), os.path.join(ctx.pki, key))
    server.socket = tls.wrap_socket(server.socket, server_side=True, do_handshake_on_connect=False)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    ctx.on_shutdown(server.shutdown)
    return server.server_address[1]


def start(args, ctx):
    if not args.https:
        return {}
    stop = threading.Event()
    ctx.on_shutdown(stop.set)
    return {
        "https": _serve_tls(ctx, ctx.port("https"), "server.pem", "server.key", stop),
        "https_untrusted": _serve_tls(ctx, ctx.port("https_untrusted"), "untrusted.pem", "untrusted.key", stop),
    }
