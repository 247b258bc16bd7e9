#!/usr/bin/env python3
"""The sample kivo shop: a local HTTP server for the demo and the end-to-end tests.

    python3 tools/sample-shop/shop.py [--port N] [--port-file FILE] [--log FILE] [--utf8]
                                      [--tls-cert FILE --tls-key FILE]

Listens on 127.0.0.1 only, needs nothing from the network, and prints one line
"sample shop listening on http://127.0.0.1:PORT" once it accepts connections
(with a certificate: "sample shop listening on https://localhost:PORT", served over
TLS). Stops cleanly on SIGTERM or SIGINT. See README.md for what it serves.
"""

import argparse
import datetime
import os
import re
import signal
import ssl
import sys
import threading
import traceback
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import jpeg  # noqa: E402
import pages  # noqa: E402
import shopdata as sd  # noqa: E402

HTML_TYPE = "text/html; charset=" + pages.CHARSET
HTML_TYPE_UTF8 = "text/html; charset=UTF-8"

# Image names are echoed into nothing but the colour hash, yet keep them plain.
_IMAGE_NAME = re.compile(r"[A-Za-z0-9_.\-]{1,120}")


class RequestLog:
    """Appends "METHOD PATH STATUS" lines to a file, one per request, flushed."""

    def __init__(self, path):
        self._path = path
        self._lock = threading.Lock()

    def write(self, method, path, status):
        if not self._path:
            return
        with self._lock, open(self._path, "a", encoding="utf-8") as f:
            f.write("%s %s %s\n" % (method, path, status))


class ShopHandler(BaseHTTPRequestHandler):
    server_version = "kivo-sample-shop/1.0"
    protocol_version = "HTTP/1.0"

    # -- plumbing --------------------------------------------------------------

    def log_message(self, format, *args):  # noqa: A002 - quiet by default
        pass

    def log_request(self, code="-", size="-"):
        status = code.value if hasattr(code, "value") else code
        self.server.request_log.write(self.command, self.path, status)

    @property
    def base(self):
        return self.server.base

    def _in_utf8(self, body, content_type):
        """With --utf8, an HTML page goes out in UTF-8 and says so; else as it is."""
        if self.server.utf8 and content_type == HTML_TYPE:
            return pages.in_utf8(body), HTML_TYPE_UTF8
        return body, content_type

    def _send(self, status, body, content_type, extra=()):
        body, content_type = self._in_utf8(body, content_type)
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-cache")
        for k, v in extra:
            self.send_header(k, v)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def _not_found(self):
        self._send(404, pages.not_found_page(self.base), HTML_TYPE)

    def do_HEAD(self):
        self.do_GET()

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        # keep_blank_values so "refShinCode=" is seen as present but empty.
        query = urllib.parse.parse_qs(url.query, keep_blank_values=True)
        route = {
            "/": self._top,
            "/index.html": self._top,
            sd.LISTING_PATH: self._listing,
            sd.DETAIL_PATH: self._detail,
            sd.JUMP_PATH: self._jump,
            "/css/kivo.css": self._css,
        }.get(url.path)
        if route is None and url.path.startswith("/img/"):
            route = self._image
        if route is None:
            self._not_found()
            return
        try:
            route(url, query)
        except Exception:  # a fault of the shop: say so, never an empty reply
            traceback.print_exc()
            self._send(500, b"sample shop: internal error\n", "text/plain")

    # -- pages -----------------------------------------------------------------

    def _top(self, url, query):
        self._send(200, pages.top_page(self.base, datetime.date.today()), HTML_TYPE)

    def _listing(self, url, query):
        # Strict on purpose: a harvest that builds the address wrongly gets a 404
        # here instead of a page that hides the mistake.
        def one(key):
            v = query.get(key, [])
            return v[0] if len(v) == 1 else None

        day = sd.parse_day(one("taishongpi"))
        page = one("listcnt")
        if (one("dcode") != "01" or one("ccode") != "01" or one("Genre_id") != "010100" or
                day is None or page is None or not re.fullmatch(r"[1-9][0-9]{0,5}", page)):
            self._not_found()
            return
        self._send(200, pages.listing_page(self.base, day, int(page)), HTML_TYPE)

    def _detail(self, url, query):
        codes = query.get("refShinCode", [])
        title = sd.title_for_code(codes[0]) if len(codes) == 1 else None
        if title is None:
            self._not_found()
            return
        self._send(200, pages.detail_page(self.base, title), HTML_TYPE)

    def _jump(self, url, query):
        # The listing writes this link with "&amp;" and the harvest fetches it as
        # written, so the target arrives under "amp;url"; a browser sends "url".
        targets = query.get("url", []) + query.get("amp;url", [])
        if len(targets) == 1:
            t = urllib.parse.urlsplit(targets[0])
            own = urllib.parse.urlsplit(self.base)
            if (t.scheme == own.scheme and t.netloc == own.netloc
                    and t.path == sd.DETAIL_PATH):
                # Only ever to our own detail page: no open redirect.
                self._send(302, b"", HTML_TYPE, [("Location", sd.DETAIL_PATH + "?" + t.query)])
                return
        self._not_found()

    def _image(self, url, query):
        name = url.path[len("/img/"):]
        if not _IMAGE_NAME.fullmatch(name):
            self._not_found()
            return
        lower = name.lower()
        if lower == "nowprinting.jpg":
            self._send(200, jpeg.NOWPRINTING_JPEG, "image/jpeg")
        elif lower.endswith(".jpg"):
            self._send(200, jpeg.cover_jpeg(name), "image/jpeg")
        elif lower.endswith(".gif"):
            self._send(200, jpeg.SPACER_GIF, "image/gif")
        else:
            self._not_found()

    def _css(self, url, query):
        self._send(200, pages.STYLESHEET, "text/css")


class ShopServer(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, port, request_log, utf8=False):
        super().__init__(("127.0.0.1", port), ShopHandler)
        self.request_log = request_log
        self.utf8 = utf8
        self.base = "http://127.0.0.1:%d" % self.server_address[1]
        self.tls = None

    def get_request(self):
        sock, address = super().get_request()
        return (_over_tls(self.tls, sock) if self.tls else sock), address

    def handle_error(self, request, client_address):
        if not (self.tls and _refused_handshake()):
            super().handle_error(request, client_address)


# -- https, an option --------------------------------------------------------------

def serve_tls(server, cert, key):
    """Makes `server` answer over TLS with the certificate `cert` (its key `key`), as
    https://localhost:PORT: a name, since Wine refuses a certificate that names only an
    address, and the one the tests' certificates carry."""
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    server.tls = context
    server.base = "https://localhost:%d" % server.server_address[1]


def _over_tls(context, sock):
    # The handshake happens in the request's own thread, on its first read,
    # so a client that never completes it holds up no other.
    return context.wrap_socket(sock, server_side=True, do_handshake_on_connect=False)


def _refused_handshake():
    """True while handling an error that is a client refusing the handshake (a
    certificate it does not trust) or dropping the connection: no fault of the shop's."""
    return isinstance(sys.exc_info()[1], OSError)


def _write_port_file(path, port):
    tmp = path + ".tmp"
    with open(tmp, "w", encoding="ascii") as f:
        f.write("%d\n" % port)
    os.replace(tmp, path)  # readers never see a half-written number


def main(argv=None):
    ap = argparse.ArgumentParser(description="Sample kivo shop on 127.0.0.1.")
    ap.add_argument("--port", type=int, default=0, help="port to listen on (0: any free port)")
    ap.add_argument("--port-file", help="write the port number to this file once listening")
    ap.add_argument("--log", help="append one line per request (method, path, status)")
    ap.add_argument("--utf8", action="store_true",
                    help="send every HTML page in UTF-8 instead of Shift-JIS")
    ap.add_argument("--tls-cert", help="serve https with this certificate (PEM)")
    ap.add_argument("--tls-key", help="the certificate's private key (PEM)")
    args = ap.parse_args(argv)
    if bool(args.tls_cert) != bool(args.tls_key):
        ap.error("--tls-cert and --tls-key go together")

    server = ShopServer(args.port, RequestLog(args.log), utf8=args.utf8)
    if args.tls_cert:
        serve_tls(server, args.tls_cert, args.tls_key)
    port = server.server_address[1]
    stop = threading.Event()
    for sig in (signal.SIGTERM, signal.SIGINT):
        signal.signal(sig, lambda *_: stop.set())

    worker = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2},
                              daemon=True)
    worker.start()
    if args.port_file:
        _write_port_file(args.port_file, port)
    print("sample shop listening on %s" % server.base, flush=True)
    try:
        while not stop.wait(0.5):
            pass
    finally:
        server.shutdown()
        server.server_close()
        if args.port_file:
            try:
                os.remove(args.port_file)
            except OSError:
                pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
