#!/usr/bin/env python3
"""Drives the pages of a running program over the DevTools protocol
(QTWEBENGINE_REMOTE_DEBUGGING=127.0.0.1:PORT), standard library only.

    devtools.py PORT wait-page URL_SUFFIX [SECONDS]
        waits until a page whose address ends in URL_SUFFIX has loaded
    devtools.py PORT click URL_SUFFIX ELEMENT_ID
        a real mouse click on the middle of the element in that page
    devtools.py PORT click-selector URL_SUFFIX CSS_SELECTOR
        the same for the first element the selector finds
    devtools.py PORT eval URL_SUFFIX EXPRESSION
        prints the value of the expression in that page
"""

import base64
import json
import os
import socket
import struct
import sys
import time
import urllib.request


class Socket:
    """The client side of a WebSocket, text frames only."""

    def __init__(self, url):
        assert url.startswith("ws://")
        host_port, _, path = url[len("ws://"):].partition("/")
        host, _, port = host_port.partition(":")
        self.sock = socket.create_connection((host, int(port)), timeout=30)
        key = base64.b64encode(os.urandom(16)).decode()
        self.sock.sendall((f"GET /{path} HTTP/1.1\r\nHost: {host_port}\r\nUpgrade: websocket\r\n"
                           f"Connection: Upgrade\r\nSec-WebSocket-Key: {key}\r\n"
                           "Sec-WebSocket-Version: 13\r\n\r\n").encode())
        reply = b""
        while b"\r\n\r\n" not in reply:
            chunk = self.sock.recv(4096)
            if not chunk:
                raise ConnectionError("the DevTools socket closed during the handshake")
            reply += chunk
        head, _, self.pending = reply.partition(b"\r\n\r\n")
        if b" 101 " not in head.split(b"\r\n")[0]:
            raise ConnectionError(head.decode(errors="replace"))
        self.next_id = 0

    def _read(self, count):
        while len(self.pending) < count:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise ConnectionError("the DevTools socket closed")
            self.pending += chunk
        data, self.pending = self.pending[:count], self.pending[count:]
        return data

    def _send(self, text):
        payload = text.encode()
        mask = os.urandom(4)
        header = bytes([0x81])
        if len(payload) < 126:
            header += bytes([0x80 | len(payload)])
        elif len(payload) < 65536:
            header += bytes([0x80 | 126]) + struct.pack(">H", len(payload))
        else:
            header += bytes([0x80 | 127]) + struct.pack(">Q", len(payload))
        self.sock.sendall(header + mask + bytes(b ^ mask[i % 4] for i, b in enumerate(payload)))

    def _receive(self):
        message = b""
        while True:
            first, second = self._read(2)
            length = second & 0x7F
            if length == 126:
                length = struct.unpack(">H", self._read(2))[0]
            elif length == 127:
                length = struct.unpack(">Q", self._read(8))[0]
            data = self._read(length)
            opcode = first & 0x0F
            if opcode == 0x8:
                raise ConnectionError("the DevTools socket was closed by the program")
            if opcode in (0x0, 0x1):
                message += data
                if first & 0x80:
                    return json.loads(message)

    def call(self, method, **params):
        self.next_id += 1
        self._send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            answer = self._receive()
            if answer.get("id") == self.next_id:
                if "error" in answer:
                    raise RuntimeError(f"{method}: {answer['error']}")
                return answer["result"]


def pages(port):
    with urllib.request.urlopen(f"http://127.0.0.1:{port}/json/list", timeout=10) as reply:
        return [t for t in json.load(reply) if t.get("type") == "page"]


def page(port, suffix):
    for target in pages(port):
        url = target.get("url", "")
        if url.endswith(suffix) or url.split("?")[0].endswith(suffix):
            return Socket(target["webSocketDebuggerUrl"])
    raise LookupError(f"no page ends in {suffix}")


def evaluate(connection, expression):
    result = connection.call("Runtime.evaluate", expression=expression, returnByValue=True, awaitPromise=True)
    if "exceptionDetails" in result:
        raise RuntimeError(json.dumps(result["exceptionDetails"]))
    return result["result"].get("value")


def main():
    port, command, suffix = sys.argv[1], sys.argv[2], sys.argv[3]
    if command == "wait-page":
        deadline = time.monotonic() + float(sys.argv[4] if len(sys.argv) > 4 else 60)
        while True:
            try:
                if evaluate(page(port, suffix), "document.readyState") == "complete":
                    return 0
            except (OSError, LookupError, RuntimeError, ValueError):
                pass
            if time.monotonic() > deadline:
                print(f"devtools: no loaded page ends in {suffix}", file=sys.stderr)
                return 1
            time.sleep(0.2)
    connection = page(port, suffix)
    if command == "eval":
        print(json.dumps(evaluate(connection, sys.argv[4]), ensure_ascii=False))
    elif command in ("click", "click-selector"):
        find = "getElementById" if command == "click" else "querySelector"
        x, y = evaluate(connection, "(function(){var r=document.%s(%s).getBoundingClientRect();"
                                    "return [r.left+r.width/2,r.top+r.height/2];})()" % (find, json.dumps(sys.argv[4])))
        connection.call("Input.dispatchMouseEvent", type="mouseMoved", x=x, y=y)
        connection.call("Input.dispatchMouseEvent", type="mousePressed", x=x, y=y, button="left", clickCount=1)
        # The answer to the release can stay out while the click's effects
        # (a modal dialog) hold the program; those effects are what counts.
        connection.sock.settimeout(5)
        try:
            connection.call("Input.dispatchMouseEvent", type="mouseReleased", x=x, y=y, button="left", clickCount=1)
        except TimeoutError:
            print("devtools: the release was not answered within 5 s", file=sys.stderr)
    else:
        print(f"devtools: unknown command {command}", file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main())
