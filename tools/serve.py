#!/usr/bin/env python3
"""Small web server for the demo game site (standard library only).

    python3 tools/serve.py --root DIR [--root DIR2 ...] [--port N]
                           [--host 127.0.0.1] [--slow-rate BYTES_PER_SECOND]
                           [--verbose]

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
"""

import argparse
import os
import shutil
import socket
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
        target = target.split("?", 1)[0].split("#", 1)[0]
        # Invalid UTF-8 turns into U+FFFD, which names no file: a plain 404.
        path = urllib.parse.unquote(target, errors="replace")
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

    def send_not_found(self, send_body):
        body = b"404 Not Found\n"
        self.send_response(HTTPStatus.NOT_FOUND)
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

    server = Server(("127.0.0.1", args.port), Handler)
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
