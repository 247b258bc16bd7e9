"""A small HTTP proxy of the tests' own on 127.0.0.1: the only way to the servers it
routes to, so a download that arrives proves that the helper went through it.

    from test_proxy import TestProxy
    with TestProxy({"shop.invalid:80": ("127.0.0.1", port)}) as proxy:
        ... proxy.url ... proxy.requests ...

It forwards "GET http://HOST:PORT/..." (an http address through a proxy) and tunnels
"CONNECT HOST:PORT" (https through a proxy) to the address its routes give HOST:PORT
(names in lower case, the port always written); any other target gets 502. With
`credentials` ("user:password") it wants them as Basic proxy authorization and answers
every request without them with 407, on the same connection, which it keeps; with
`logon` as well, its 407 also offers Negotiate and NTLM, the schemes a Windows logon
answers (it cannot check such an answer, so it records it and answers 407 again).

`requests` records each request as (method, target, authorization): the
Proxy-Authorization scheme the client sent ("Basic", "NTLM", ...) or None.
"""

import base64
import select
import socket
import socketserver
import threading
import urllib.parse

HEAD_LIMIT = 64 * 1024


def _read_head(conn, buffered):
    """(request head, bytes after it) from the connection; (None, b"") at its end."""
    data = buffered
    while b"\r\n\r\n" not in data:
        if len(data) > HEAD_LIMIT:
            return None, b""
        chunk = conn.recv(65536)
        if not chunk:
            return None, b""
        data += chunk
    head, rest = data.split(b"\r\n\r\n", 1)
    return head.decode("latin-1"), rest


def _relay(a, b):
    """Copies bytes both ways until one side closes."""
    sockets = [a, b]
    try:
        while True:
            readable, _, _ = select.select(sockets, [], [], 60)
            if not readable:
                return
            for s in readable:
                data = s.recv(65536)
                if not data:
                    return
                (b if s is a else a).sendall(data)
    except OSError:
        return


class _Handler(socketserver.BaseRequestHandler):
    def handle(self):
        proxy = self.server.proxy
        conn = self.request
        rest = b""
        for _ in range(8):  # a client answering 407s keeps its connection
            head, rest = _read_head(conn, rest)
            if head is None:
                return
            lines = head.split("\r\n")
            parts = lines[0].split(" ")
            if len(parts) != 3:
                return
            method, target, _ = parts
            headers = [line.split(":", 1) for line in lines[1:] if ":" in line]
            auth = next((v.strip() for k, v in headers
                         if k.strip().lower() == "proxy-authorization"), None)
            proxy.record(method, target, auth.split(" ", 1)[0] if auth else None)
            if proxy.credentials and auth != "Basic " + proxy.expected:
                conn.sendall(proxy.refusal())
                continue
            if method == "CONNECT":
                self.tunnel(target)
            else:
                self.forward(method, target, headers, rest)
            return

    def backend(self, key):
        address = self.server.proxy.routes.get(key.lower())
        if address is None:
            self.request.sendall(b"HTTP/1.1 502 No Route\r\nContent-Length: 0\r\n"
                                 b"Connection: close\r\n\r\n")
            return None
        try:
            return socket.create_connection(address, timeout=30)
        except OSError:
            self.request.sendall(b"HTTP/1.1 502 Unreachable\r\nContent-Length: 0\r\n"
                                 b"Connection: close\r\n\r\n")
            return None

    def tunnel(self, target):
        server = self.backend(target)
        if server is None:
            return
        with server:
            self.request.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
            _relay(self.request, server)

    def forward(self, method, target, headers, rest):
        url = urllib.parse.urlsplit(target)
        if url.scheme != "http" or not url.hostname:
            self.request.sendall(b"HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n"
                                 b"Connection: close\r\n\r\n")
            return
        server = self.backend("%s:%d" % (url.hostname, url.port or 80))
        if server is None:
            return
        path = url.path or "/"
        if url.query:
            path += "?" + url.query
        kept = [(k, v) for k, v in headers
                if k.strip().lower() not in ("proxy-authorization", "proxy-connection",
                                             "connection")]
        head = "%s %s HTTP/1.1\r\n" % (method, path)
        head += "".join("%s:%s\r\n" % (k, v) for k, v in kept)
        head += "Connection: close\r\n\r\n"
        with server:
            server.sendall(head.encode("latin-1") + rest)
            # The answer as the server sends it, until it closes.
            while True:
                data = server.recv(65536)
                if not data:
                    return
                self.request.sendall(data)


class _Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


class TestProxy:
    def __init__(self, routes, credentials=None, logon=False):
        self.routes = {k.lower(): v for k, v in routes.items()}
        self.credentials = credentials
        self.expected = base64.b64encode(credentials.encode()).decode() if credentials else ""
        self.logon = logon
        self.requests = []
        self._lock = threading.Lock()
        self._server = None
        self.port = None
        self.url = None

    def record(self, method, target, authorization):
        with self._lock:
            self.requests.append((method, target, authorization))

    def refusal(self):
        schemes = ["Basic realm=\"kivo test proxy\""]
        if self.logon:
            schemes = ["Negotiate", "NTLM"] + schemes
        head = "HTTP/1.1 407 Proxy Authentication Required\r\n"
        head += "".join("Proxy-Authenticate: %s\r\n" % s for s in schemes)
        head += "Content-Length: 0\r\n\r\n"
        return head.encode("ascii")

    def start(self):
        self._server = _Server(("127.0.0.1", 0), _Handler)
        self._server.proxy = self
        self.port = self._server.server_address[1]
        self.url = "http://127.0.0.1:%d" % self.port
        threading.Thread(target=self._server.serve_forever, kwargs={"poll_interval": 0.1},
                         daemon=True).start()
        return self

    def stop(self):
        if self._server is not None:
            self._server.shutdown()
            self._server.server_close()
            self._server = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()
