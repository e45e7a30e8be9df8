#!/usr/bin/env python3
"""Small web server for the demo game site (standard library only).

    python3 tools/serve.py --root DIR [--root DIR2 ...] [--port N]
                           [--host 127.0.0.1] [--slow-rate BYTES_PER_SECOND]
                           [--tls-cert FILE --tls-key FILE] [--verbose]

* Listens on 127.0.0.1 only. Port 0 (the default) picks a free port.
* Once listening it prints one line, "PORT <number>", and then serves until
  it is killed.
* The roots are searched in the order given; the first one that has the file
  wins, so a folder of test pages can be laid over the site.
* /broken/<path> announces the whole of <path> but sends only its first
  half, then resets the connection (a transfer that breaks off).
* /slow/<path> serves <path> slowly, at --slow-rate bytes per second
  (default 100000), with its Content-Length sent up front.
* No directory listings: a folder gives its index.html or 404. Paths that
  would leave the roots give 404.
* /redirect?to=<address> answers 302 Found with that Location.
* /cookie/<path> serves <path> and sets the HttpOnly cookie "visit" to a
  token of this server's run, remembering the request's User-Agent.
* /guarded/<path> serves <path> only to a request that carries that cookie,
  the same User-Agent and a Referer on the same host; any other gets 403,
  as game sites refuse their files to requests that come from no page.
* --tls-cert FILE --tls-key FILE serve https instead of http.
"""

import argparse
import os
import secrets
import shutil
import socket
import ssl
import struct
import sys
import time
import urllib.parse
from http import HTTPStatus
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

CONTENT_TYPES = {
    ".html": "text/html; charset=utf-8",
    ".htm": "text/html; charset=utf-8",
    ".swf": "application/x-shockwave-flash",
    ".js": "text/javascript; charset=utf-8",
    ".mjs": "text/javascript; charset=utf-8",
    ".css": "text/css; charset=utf-8",
    ".json": "application/json",
    ".txt": "text/plain; charset=utf-8",
    ".png": "image/png",
    ".jpg": "image/jpeg",
    ".jpeg": "image/jpeg",
    ".gif": "image/gif",
    ".svg": "image/svg+xml",
    ".ico": "image/x-icon",
    ".wasm": "application/wasm",
}
DEFAULT_TYPE = "application/octet-stream"
SLOW_PREFIX = "/slow/"
BROKEN_PREFIX = "/broken/"
COOKIE_PREFIX = "/cookie/"
GUARDED_PREFIX = "/guarded/"
CLIENT_GONE = (BrokenPipeError, ConnectionResetError, ConnectionAbortedError, socket.timeout)


def content_type(path):
    return CONTENT_TYPES.get(os.path.splitext(path)[1].lower(), DEFAULT_TYPE)


def resolve(roots, url_path):
    """Map a decoded URL path to a file under one of the roots, or None."""
    if "\\" in url_path or "\0" in url_path:
        return None
    parts = [p for p in url_path.split("/") if p not in ("", ".")]
    if any(p == ".." for p in parts):
        return None
    for root in roots:
        candidate = os.path.join(root, *parts)
        if os.path.isdir(candidate):
            candidate = os.path.join(candidate, "index.html")
        real = os.path.realpath(candidate)
        if os.path.commonpath([real, root]) != root:
            continue  # a link that points out of the root
        if os.path.isfile(real):
            return real
    return None


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "DemoSite/1.0"

    def log_message(self, fmt, *args):
        if self.server.verbose:
            sys.stderr.write("%s - %s\n" % (self.address_string(), fmt % args))

    def do_GET(self):
        self.serve(send_body=True)

    def do_HEAD(self):
        self.serve(send_body=False)

    def serve(self, send_body):
        target = self.path
        if target.startswith(("http://", "https://")):
            target = urllib.parse.urlsplit(target).path  # absolute-form request
        target, _, query = target.split("#", 1)[0].partition("?")
        if target == "/redirect":
            self.send_redirect(urllib.parse.parse_qs(query).get("to", [""])[0], send_body)
            return
        # Invalid UTF-8 turns into U+FFFD, which names no file: a plain 404.
        path = urllib.parse.unquote(target, errors="replace")
        extra_headers = []
        if path.startswith(COOKIE_PREFIX):
            path = path[len(COOKIE_PREFIX) - 1:]
            self.server.visitor_agent = self.headers.get("User-Agent")
            extra_headers.append(("Set-Cookie", "visit=%s; Path=/; HttpOnly" % self.server.token))
        elif path.startswith(GUARDED_PREFIX):
            path = path[len(GUARDED_PREFIX) - 1:]
            if not self.from_a_visit():
                self.send_plain(HTTPStatus.FORBIDDEN, b"403 Forbidden\n", send_body)
                return
        slow = path.startswith(SLOW_PREFIX)
        if slow:
            path = path[len(SLOW_PREFIX) - 1:]
        broken = path.startswith(BROKEN_PREFIX)
        if broken:
            path = path[len(BROKEN_PREFIX) - 1:]
        file_path = resolve(self.server.roots, path)
        if file_path is None:
            self.send_not_found(send_body)
            return
        try:
            fh = open(file_path, "rb")
        except OSError:
            self.send_not_found(send_body)
            return
        with fh:
            size = os.fstat(fh.fileno()).st_size
            self.send_response(HTTPStatus.OK)
            self.send_header("Content-Type", content_type(file_path))
            self.send_header("Content-Length", str(size))
            self.send_header("Cache-Control", "no-store")
            for name, value in extra_headers:
                self.send_header(name, value)
            self.end_headers()
            if not send_body:
                return
            if broken:
                self.wfile.write(fh.read(size // 2))
                self.wfile.flush()
                self.reset_connection()
            elif slow:
                self.send_slowly(fh, self.server.slow_rate)
            else:
                shutil.copyfileobj(fh, self.wfile, 64 * 1024)

    def reset_connection(self):
        """Close with a TCP reset instead of an orderly end."""
        self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        self.connection.close()
        self.close_connection = True

    def send_slowly(self, fh, rate):
        """Send the file in small pieces, keeping to `rate` bytes a second."""
        chunk = max(1, rate // 20)  # about 20 writes a second
        start = time.monotonic()
        sent = 0
        while True:
            data = fh.read(chunk)
            if not data:
                break
            self.wfile.write(data)
            self.wfile.flush()
            sent += len(data)
            delay = start + sent / rate - time.monotonic()
            if delay > 0:
                time.sleep(delay)

    def from_a_visit(self):
        """Whether the request comes from a page this server handed its cookie."""
        cookies = [c.strip() for c in self.headers.get("Cookie", "").split(";")]
        referer = urllib.parse.urlsplit(self.headers.get("Referer", ""))
        host = urllib.parse.urlsplit("//" + self.headers.get("Host", "")).hostname
        return ("visit=%s" % self.server.token in cookies
                and self.headers.get("User-Agent") == self.server.visitor_agent
                and referer.hostname is not None and referer.hostname == host)

    def send_redirect(self, location, send_body):
        self.send_response(HTTPStatus.FOUND)
        self.send_header("Location", location)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def send_not_found(self, send_body):
        self.send_plain(HTTPStatus.NOT_FOUND, b"404 Not Found\n", send_body)

    def send_plain(self, status, body, send_body):
        self.send_response(status)
        self.send_header("Content-Type", "text/plain; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if send_body:
            self.wfile.write(body)

    def handle(self):
        try:
            super().handle()
        except CLIENT_GONE:
            self.close_connection = True


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    tls = None  # an ssl.SSLContext when serving https
    token = secrets.token_hex(16)
    visitor_agent = None

    def finish_request(self, request, client_address):
        # The handshake runs in the request's own thread, so a client that
        # never completes it holds up no one else.
        if self.tls is not None:
            try:
                request = self.tls.wrap_socket(request, server_side=True)
            except (ssl.SSLError, OSError):
                return
        super().finish_request(request, client_address)

    def handle_error(self, request, client_address):
        if isinstance(sys.exc_info()[1], CLIENT_GONE):
            return  # the browser went away; nothing to report
        if self.verbose:
            super().handle_error(request, client_address)


def main(argv=None):
    parser = argparse.ArgumentParser(description="Serve the demo game site on 127.0.0.1.")
    parser.add_argument("--root", action="append", required=True,
                        help="folder to serve; give several to search them in order")
    parser.add_argument("--port", type=int, default=0, help="port to listen on (0: any free port)")
    parser.add_argument("--host", default="127.0.0.1", help="only 127.0.0.1 is allowed")
    parser.add_argument("--slow-rate", type=int, default=100000,
                        help="bytes per second for paths under /slow/ (default 100000)")
    parser.add_argument("--verbose", action="store_true", help="log every request to stderr")
    parser.add_argument("--tls-cert", help="certificate chain (PEM): serve https")
    parser.add_argument("--tls-key", help="the certificate's private key (PEM)")
    args = parser.parse_args(argv)

    if args.host not in ("127.0.0.1", "localhost"):
        parser.error("refusing to listen on %s: only 127.0.0.1 is allowed" % args.host)
    if not 0 <= args.port <= 65535:
        parser.error("bad port %d" % args.port)
    if args.slow_rate <= 0:
        parser.error("--slow-rate must be positive")
    roots = []
    for r in args.root:
        real = os.path.realpath(r)
        if not os.path.isdir(real):
            parser.error("root is not a folder: %s" % r)
        roots.append(real)

    if bool(args.tls_cert) != bool(args.tls_key):
        parser.error("--tls-cert and --tls-key go together")
    server = Server(("127.0.0.1", args.port), Handler)
    if args.tls_cert:
        server.tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        server.tls.load_cert_chain(args.tls_cert, args.tls_key)
    server.roots = roots
    server.slow_rate = args.slow_rate
    server.verbose = args.verbose
    sys.stdout.write("PORT %d\n" % server.server_address[1])
    sys.stdout.flush()
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
