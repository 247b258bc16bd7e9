"""End-to-end tests of the download helper (KIVO_BUILD_DIR/powershell): what needs the real
process and real servers. The helper's portable logic (the reading of its command line,
the redirect policy, the document watcher) has its unit tests in tests/fetch.

Each test starts a small HTTP server on 127.0.0.1 (port 0), runs the helper
with the words the program's process layer would hand it for a command line
"powershell wget '<address>' -O '<file>'", and checks the exit code, the
output file and that no temporary file ("<file>.part") is left behind. On
every failure an old output file must still hold its old bytes.

One test starts the helper through the platform layer's real spawner, from
the stand-in parent KIVO_BUILD_DIR/spawn_parent, and kills that parent;
another starts it from a parent that ends before the download does (a
Python process, or under Wine "spawn_parent.exe free").

With KIVO_FETCH_WINE set to a Wine program (e.g. "wine"), the tests run the
Windows build (KIVO_BUILD_DIR/powershell.exe, WinHTTP) under Wine instead,
with output paths given as Z:\... paths.
"""

import ctypes
import email.utils
import gzip
import http.server
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import urllib.parse
import zlib

BUILD_DIR = os.environ.get("KIVO_BUILD_DIR", "")
WINE = os.environ.get("KIVO_FETCH_WINE", "")
HELPER = os.path.join(BUILD_DIR, "powershell.exe" if WINE else "powershell")
HELPER_COMMAND = [WINE, HELPER] if WINE else [HELPER]


def helper_path(path):
    """The output path as the helper sees it: unchanged on POSIX, the Z:
    drive under Wine."""
    return b"Z:" + path.replace(b"/", b"\\") if WINE else path

PAGE = (b"<html>\r\n\x96\x7b\x93\xfa\x82\xcc\x90\x56\x8a\xa7\r\n"  # 本日の新刊
        b"\x00\xff binary tail\n") * 50
OLD = b"old contents \x83\x5c\r\n"
# A page that shows its own end, as the shop's pages do.
DOCUMENT = (b"<!DOCTYPE html>\r\n<html><body>\r\n" +
            b"<p>\x96\x7b\x93\xfa\x82\xcc\x90\x56\x8a\xa7</p>\r\n" * 200 + b"</body></HTML>\r\n")

(EXIT_COMPLETE, EXIT_FAILED, EXIT_REFUSED, EXIT_LOCAL, EXIT_GONE, EXIT_NO_ANSWER,
 EXIT_PARENT_GONE, EXIT_CUT_BODY, EXIT_TOO_SLOW, EXIT_CERTIFICATE, EXIT_PROXY_AUTH,
 EXIT_REDIRECT_REFUSED) = range(12)

# Bodies of answers that end where the server closes the connection:
# /close/<Content-Type>/<body>.
CLOSE_TYPES = {"html": "text/html; charset=Shift_JIS", "jpeg": "image/jpeg"}
CLOSE_BODIES = {
    "whole": DOCUMENT,
    "cut": DOCUMENT[:len(DOCUMENT) // 2],
    # Every byte of the page but the stream's own end: only a decoder that
    # looks for that end can tell.
    "gzip-whole": gzip.compress(DOCUMENT),
    "gzip-cut": gzip.compress(DOCUMENT)[:-8],
    "deflate-cut": zlib.compress(DOCUMENT)[:-4],
}


def split_windows(line):
    """Splits a command line (bytes) the way the Windows C runtime does, as
    the program's process layer does before starting the helper."""
    words, i, n = [], 0, len(line)
    while i < n and line[i:i + 1] in (b" ", b"\t"):
        i += 1
    start = i
    while i < n and line[i:i + 1] not in (b" ", b"\t"):
        i += 1
    words.append(line[start:i])
    while True:
        while i < n and line[i:i + 1] in (b" ", b"\t"):
            i += 1
        if i >= n:
            return words
        word, quoted = b"", False
        while i < n:
            c = line[i:i + 1]
            if c == b"\\":
                j = i
                while j < n and line[j:j + 1] == b"\\":
                    j += 1
                count = j - i
                if j < n and line[j:j + 1] == b'"':
                    word += b"\\" * (count // 2)
                    i = j
                    if count % 2:
                        word += b'"'
                        i += 1
                else:
                    word += b"\\" * count
                    i = j
            elif c == b'"':
                if quoted and line[i + 1:i + 2] == b'"':
                    word += b'"'
                    i += 2
                else:
                    quoted = not quoted
                    i += 1
            elif c in (b" ", b"\t") and not quoted:
                break
            else:
                word += c
                i += 1
        words.append(word)


def fetcher_line(address, path):
    """The line the page fetcher builds: each "&" of the address between two
    double quotes, a single quote in the path doubled."""
    return (b"powershell wget '" + address.replace(b"&", b'"&"') + b"' -O '" +
            path.replace(b"'", b"''") + b"'")


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def send_body(self, status, body, headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def redirect(self, location, status=302):
        self.send_body(status, b"moved", [("Location", location)])

    def retry_after(self, wanted):
        """The Retry-After header for a choice in the test's address: "none",
        "date+N" (an HTTP date N seconds ahead) or the value itself."""
        if wanted == "none":
            return []
        if wanted.startswith("date+"):
            when = time.time() + int(wanted[len("date+"):])
            return [("Retry-After", email.utils.formatdate(when, usegmt=True))]
        return [("Retry-After", wanted)]

    def do_GET(self):
        server = self.server
        server.requests.append((self.path, self.headers.get("User-Agent", "")))
        server.times.append(time.monotonic())
        path = self.path
        # Wine's WinHTTP asks in absolute form inside a proxy's tunnel.
        if path.startswith(("http://", "https://")):
            path = "/" + path.split("/", 3)[3] if path.count("/") >= 3 else "/"
        if path == "/page":
            self.send_body(200, PAGE)
        elif path.startswith("/echo"):
            self.send_body(200, path.encode("latin-1"))
        elif path == "/empty":
            self.send_body(200, b"")
        elif path.startswith("/busy/"):
            # /busy/<status>/<retry-after>/<key>: busy the first time a key
            # is asked for, then the page.
            _, _, status, wanted, key = path.split("/", 4)
            if server.busy_keys.get(key):
                self.send_body(200, PAGE)
            else:
                server.busy_keys[key] = True
                self.send_body(int(status), b"busy", self.retry_after(wanted))
        elif path.startswith("/always-busy/"):
            _, _, status, wanted = path.split("/", 3)
            self.send_body(int(status), b"busy", self.retry_after(wanted))
        elif path.startswith("/status/"):
            self.send_body(int(path[len("/status/"):]), b"<html>error page</html>")
        elif path.startswith("/hops/"):
            left = int(path[len("/hops/"):])
            if left == 0:
                self.send_body(200, PAGE)
            else:
                self.redirect("/hops/%d" % (left - 1), 301 if left % 2 else 307)
        elif path == "/relative":
            self.redirect("page")
        elif path.startswith("/pac/"):
            # /pac/<proxy>/<host>: a proxy configuration script that sends
            # <host> through <proxy> and everything else direct.
            _, _, proxy, host = path.split("/", 3)
            script = ("function FindProxyForURL(url, host) {\n"
                      "  return host == '%s' ? 'PROXY %s' : 'DIRECT';\n}\n" % (host, proxy))
            self.send_body(200, script.encode(),
                           [("Content-Type", "application/x-ns-proxy-autoconfig")])
        elif path.startswith("/go/"):
            # /go/<address, percent-encoded>: a redirect to it.
            self.redirect(urllib.parse.unquote(path[len("/go/"):]))
        elif path == "/to-localhost":
            self.redirect("http://localhost:%d/page" % server.server_address[1])
        elif path == "/gzip":
            if "gzip" in self.headers.get("Accept-Encoding", ""):
                self.send_body(200, gzip.compress(PAGE), [("Content-Encoding", "gzip")])
            else:
                self.send_body(200, PAGE)
        elif path == "/truncated":
            self.send_response(200)
            self.send_header("Content-Length", "1000")
            self.end_headers()
            self.wfile.write(PAGE[:100])
            self.wfile.flush()
            self.close_connection = True
        elif path == "/chunked-truncated":
            self.send_response(200)
            self.send_header("Transfer-Encoding", "chunked")
            self.end_headers()
            self.wfile.write(b"64\r\n" + PAGE[:100] + b"\r\n")
            self.wfile.flush()
            self.close_connection = True
        elif path.startswith("/close/"):
            _, _, kind, name = path.split("/", 3)
            self.send_response(200)
            if CLOSE_TYPES[kind]:
                self.send_header("Content-Type", CLOSE_TYPES[kind])
            if name.startswith(("gzip", "deflate")):
                self.send_header("Content-Encoding", name.split("-")[0])
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(CLOSE_BODIES[name])
            self.wfile.flush()
            self.close_connection = True
        elif path == "/held":
            # The page, once the test lets it go.
            server.release.wait(30)
            self.send_body(200, PAGE)
        elif path == "/never":
            server.stop.wait(60)
            self.close_connection = True
        elif path == "/drip":
            # Headers at once, then one byte now and then: far below the
            # low-speed limit, so that or the total time limit ends this.
            self.send_response(200)
            self.send_header("Content-Length", "1000")
            self.end_headers()
            try:
                for _ in range(1000):
                    self.wfile.write(b"x")
                    self.wfile.flush()
                    if server.stop.wait(0.3):
                        break
            except OSError:
                pass
            self.close_connection = True
        else:
            self.send_body(404, b"no such page")


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self):
        super().__init__(("127.0.0.1", 0), Handler)
        self.requests = []
        self.times = []
        self.busy_keys = {}
        self.stop = threading.Event()
        self.release = threading.Event()

    def url(self, path):
        if isinstance(path, str):
            path = path.encode()
        return b"http://127.0.0.1:%d" % self.server_address[1] + path


def child_of(pid):
    """The pid of a process whose parent is `pid`, or None (Linux /proc)."""
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry, "rb") as f:
                stat = f.read()
        except OSError:
            continue
        # The fields after the command name, which is in parentheses.
        fields = stat[stat.rindex(b")") + 2:].split()
        if int(fields[1]) == pid:
            return int(entry)
    return None


def is_alive(pid):
    """True while `pid` runs (a zombie no longer does)."""
    try:
        with open("/proc/%d/stat" % pid, "rb") as f:
            stat = f.read()
    except OSError:
        return False
    return stat[stat.rindex(b")") + 2:stat.rindex(b")") + 3] != b"Z"


# Starts the helper (argv[2:]), prints its pid and ends once the helper has
# made its temporary file (argv[1]): by then the helper has taken note of
# its parent, this process, and so sees it end.
INTERMEDIATE = """
import os, subprocess, sys, time
helper = subprocess.Popen(sys.argv[2:], stdin=subprocess.DEVNULL,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
print(helper.pid, flush=True)
deadline = time.monotonic() + 10
while not os.path.exists(sys.argv[1]) and time.monotonic() < deadline:
    time.sleep(0.02)
"""

PR_SET_CHILD_SUBREAPER = 36


def adopt_orphans(on):
    """Makes this process (Linux) the one that orphaned descendants are
    handed to, so that it can collect their exit codes."""
    libc = ctypes.CDLL(None, use_errno=True)
    if libc.prctl(PR_SET_CHILD_SUBREAPER, 1 if on else 0, 0, 0, 0) != 0:
        raise OSError(ctypes.get_errno(), "prctl(PR_SET_CHILD_SUBREAPER)")


def exit_code_of(pid, timeout):
    """The exit code of our child `pid` (negative for a signal), or None
    when it has not ended within `timeout` seconds."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        got, status = os.waitpid(pid, os.WNOHANG)
        if got == pid:
            return os.waitstatus_to_exitcode(status)
        time.sleep(0.02)
    return None


def helper_env(**overrides):
    env = {k: v for k, v in os.environ.items()
           if k.lower() not in ("http_proxy", "https_proxy", "all_proxy", "no_proxy")}
    env.update({k: str(v) for k, v in overrides.items()})
    if WINE:
        env.setdefault("WINEDEBUG", "-all")
    return env


def start_server(server):
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def stop_server(server):
    server.stop.set()
    server.shutdown()
    server.server_close()


class FetchCase(unittest.TestCase):
    """Runs the helper against the class's `server` and checks what it left."""

    @classmethod
    def setUpClass(cls):
        if not os.path.isfile(HELPER):
            raise unittest.SkipTest("no helper at %s (set KIVO_BUILD_DIR)" % HELPER)
        cls.server = start_server(Server())

    @classmethod
    def tearDownClass(cls):
        stop_server(cls.server)

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="kivo-fetch-")
        self.dir_b = os.fsencode(self.dir)
        self.target = os.path.join(self.dir_b, b"Getkivo.html")
        del self.server.requests[:]
        del self.server.times[:]
        self.server.release.clear()

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    # -- running the helper ------------------------------------------------

    def run_words(self, words, timeout=60, **env):
        # Its messages go to a file, not a pipe: a pipe would also wait for
        # the Wine services the helper's start wakes, which inherit it.
        with tempfile.TemporaryFile() as messages:
            started = time.monotonic()
            done = subprocess.run(HELPER_COMMAND + words, stdin=subprocess.DEVNULL,
                                  stdout=subprocess.DEVNULL, stderr=messages,
                                  env=helper_env(**env), timeout=timeout)
            self.elapsed = time.monotonic() - started
            messages.seek(0)
            self.stderr = messages.read().decode("latin-1")
        return done.returncode

    def run_line(self, line, **env):
        return self.run_words(split_windows(line)[1:], **env)

    def line(self, address, target=None):
        """The page fetcher's line for `address` (bytes) into the output file."""
        return fetcher_line(address, helper_path(target or self.target))

    def fetch(self, path, target=None, **env):
        target = helper_path(target or self.target)
        return self.run_line(fetcher_line(self.server.url(path), target), **env)

    # -- checks --------------------------------------------------------------

    def write_old(self, target=None):
        with open(target or self.target, "wb") as f:
            f.write(OLD)

    def read(self, target=None):
        with open(target or self.target, "rb") as f:
            return f.read()

    def part(self, target=None):
        return (target or self.target) + b".part"

    def note(self, target=None):
        """The failure note beside the output file, or None when there is none."""
        try:
            with open((target or self.target) + b".fail", "rb") as f:
                return f.read()
        except FileNotFoundError:
            return None

    def assert_only(self, *names):
        self.assertEqual(sorted(os.listdir(self.dir_b)), sorted(names),
                         "a temporary file was left behind")

    def assert_failed_untouched(self, code, expected_code=EXIT_FAILED, note=None):
        """The helper ended with `expected_code`, the old file is as it was, and nothing
        but the failure note `note` (bytes, or None for none) lies beside it."""
        self.assertEqual(code, expected_code, self.stderr)
        self.assertEqual(self.read(), OLD)
        self.assertEqual(self.note(), note)
        self.assert_only(b"Getkivo.html", *([b"Getkivo.html.fail"] if note else []))

    def assert_fetched(self, code, body=PAGE):
        self.assertEqual(code, EXIT_COMPLETE, self.stderr)
        self.assertEqual(self.read(), body)
        self.assert_only(b"Getkivo.html")


class FetchTest(FetchCase):
    # -- answers ---------------------------------------------------------------

    def test_200_writes_the_body_over_the_old_file(self):
        self.write_old()
        self.assert_fetched(self.fetch("/page"))
        self.assertTrue(self.server.requests[0][1].startswith("kivo/"), self.server.requests)

    def test_200_creates_a_missing_file(self):
        self.assert_fetched(self.fetch("/page"))

    def test_ampersands_of_the_address_reach_the_server(self):
        address = self.server.url(
            b"/echo/bec/SE/Genre?dcode=01&ccode=01&taishongpi=20261207&Genre_id=010100&listcnt=1")
        line = fetcher_line(address, helper_path(self.target))
        self.assertEqual(line.count(b'"&"'), 4)
        self.assert_fetched(self.run_line(line), body=address[address.index(b"/echo"):])

    def test_empty_200_is_a_complete_answer(self):
        self.write_old()
        self.assert_fetched(self.fetch("/empty"), body=b"")

    def test_gzip_body_is_stored_decoded(self):
        self.assert_fetched(self.fetch("/gzip"))

    def test_error_statuses_leave_the_old_file(self):
        # 404 and 410 say the page does not exist; every other failure
        # status is trouble that may pass.
        # The note tells the plugin which status it was, for the log.
        for status, code in ((404, EXIT_GONE), (410, EXIT_GONE), (500, EXIT_FAILED),
                             (502, EXIT_FAILED), (403, EXIT_FAILED), (429, EXIT_FAILED),
                             (300, EXIT_FAILED)):
            with self.subTest(status=status):
                self.write_old()
                note = b"status=%d\n" % status if code == EXIT_FAILED else None
                self.assert_failed_untouched(self.fetch("/status/%d" % status), code, note)
                self.assertIn(str(status), self.stderr)

    def test_error_status_does_not_create_a_file(self):
        self.assertEqual(self.fetch("/status/404"), EXIT_GONE)
        self.assert_only()

    # -- asked to come back later ------------------------------------------------

    def gap(self):
        """Seconds between the server's first and second request."""
        self.assertEqual(len(self.server.times), 2, self.server.requests)
        return self.server.times[1] - self.server.times[0]

    def test_short_retry_after_in_seconds_is_waited_out(self):
        self.write_old()
        self.assert_fetched(self.fetch("/busy/503/1/seconds"))
        self.assertGreater(self.gap(), 0.9)
        self.assertLess(self.gap(), 5)

    def test_short_retry_after_as_a_date_is_waited_out(self):
        # A date has whole seconds: two ahead is at least one of waiting.
        self.write_old()
        self.assert_fetched(self.fetch("/busy/429/date+2/date"))
        self.assertGreater(self.gap(), 0.9)
        self.assertLess(self.gap(), 5)

    def test_second_refusal_fails(self):
        self.write_old()
        self.assert_failed_untouched(self.fetch("/always-busy/503/1"), note=b"status=503\n")
        self.gap()  # asked exactly twice

    def test_long_missing_or_unreadable_retry_after_fails_at_once(self):
        for wanted in ("31", "120", "date+90", "none", "soon"):
            with self.subTest(wanted=wanted):
                del self.server.requests[:]
                self.write_old()
                self.assert_failed_untouched(self.fetch("/busy/503/%s/%s" % (wanted, wanted)),
                                             note=b"status=503\n")
                self.assertEqual(len(self.server.requests), 1)
                self.assertLess(self.elapsed, 5)

    # -- redirects -------------------------------------------------------------

    def test_redirects_are_followed(self):
        # 307, then 301, then the page; a relative Location. Which redirects
        # are followed is the policy's (tests/fetch/redirects_test.cpp).
        self.write_old()
        self.assert_fetched(self.fetch("/hops/2"))
        self.assertEqual(len(self.server.requests), 3)
        self.write_old()
        self.assert_fetched(self.fetch("/relative"))

    def test_redirect_to_another_host_is_refused_and_named(self):
        # The same server under another name: nothing is asked of it.
        self.write_old()
        self.assert_failed_untouched(self.fetch("/to-localhost"), EXIT_REDIRECT_REFUSED,
                                     b"host=localhost\n")
        self.assertEqual([path for path, _ in self.server.requests], ["/to-localhost"])
        # A later download that succeeds leaves no note behind.
        self.assert_fetched(self.fetch("/page"))

    # -- broken answers and time limits ----------------------------------------

    def test_truncated_body_fails(self):
        for path in ("/truncated", "/chunked-truncated"):
            with self.subTest(path=path):
                if WINE and path == "/chunked-truncated":
                    self.skipTest("Wine's WinHTTP ends a cut chunked body as if complete")
                self.write_old()
                self.assert_failed_untouched(self.fetch(path), EXIT_CUT_BODY)

    def test_page_ended_by_closing_counts_only_when_whole(self):
        # With no length and no chunks, a connection that drops half-way
        # looks like the end: only the page's own "</html" tells. (What is
        # a page is the document watcher's: tests/fetch.)
        for path, code in (("/close/html/whole", EXIT_COMPLETE),
                           ("/close/html/cut", EXIT_CUT_BODY),
                           # Not a page: nothing in it shows an end.
                           ("/close/jpeg/cut", EXIT_COMPLETE)):
            with self.subTest(path=path):
                self.write_old()
                if code == EXIT_COMPLETE:
                    self.assert_fetched(self.fetch(path), body=CLOSE_BODIES[path.split("/")[3]])
                else:
                    self.assert_failed_untouched(self.fetch(path), code)

    @unittest.skipIf(WINE, "the Windows helper asks for no compressed bodies")
    def test_compressed_body_ended_by_closing_must_reach_its_end(self):
        self.write_old()
        self.assert_fetched(self.fetch("/close/html/gzip-whole"), body=DOCUMENT)
        for path in ("/close/html/gzip-cut", "/close/jpeg/deflate-cut"):
            with self.subTest(path=path):
                self.write_old()
                self.assert_failed_untouched(self.fetch(path), EXIT_CUT_BODY)
                self.assertIn("ends early", self.stderr)

    def test_server_that_never_answers_is_no_answer(self):
        self.write_old()
        code = self.fetch("/never", KIVO_FETCH_TIMEOUT=2)
        self.assert_failed_untouched(code, EXIT_NO_ANSWER)
        self.assertGreater(self.elapsed, 1.5)
        self.assertLess(self.elapsed, 15)
        # The low-speed limit covers the wait for the answer too.
        code = self.fetch("/never", KIVO_FETCH_LOW_SPEED_TIME=2)
        self.assert_failed_untouched(code, EXIT_NO_ANSWER)
        self.assertGreater(self.elapsed, 1.5)
        self.assertLess(self.elapsed, 15)

    def test_slow_body_hits_the_total_time_limit(self):
        self.write_old()
        code = self.fetch("/drip", KIVO_FETCH_TIMEOUT=2)
        self.assert_failed_untouched(code, EXIT_TOO_SLOW)
        self.assertLess(self.elapsed, 15)

    def test_slow_body_hits_the_low_speed_limit(self):
        self.write_old()
        code = self.fetch("/drip", KIVO_FETCH_LOW_SPEED_TIME=2, KIVO_FETCH_TIMEOUT=60)
        self.assert_failed_untouched(code, EXIT_TOO_SLOW)
        self.assertGreater(self.elapsed, 1.5)
        self.assertLess(self.elapsed, 15)

    @unittest.skipIf(WINE, "POSIX signals")
    def test_interrupted_download_leaves_no_temporary_file(self):
        import signal
        self.write_old()
        words = split_windows(fetcher_line(self.server.url("/drip"), self.target))[1:]
        for signal_number in (signal.SIGINT, signal.SIGTERM):
            with self.subTest(signal=signal_number):
                process = subprocess.Popen([HELPER] + words, stdin=subprocess.DEVNULL,
                                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                           env=helper_env())
                deadline = time.monotonic() + 10
                while not os.path.exists(self.part()) and time.monotonic() < deadline:
                    time.sleep(0.05)
                self.assertTrue(os.path.exists(self.part()), "no temporary file appeared")
                time.sleep(0.2)  # the body has begun
                process.send_signal(signal_number)
                self.assertNotEqual(process.wait(timeout=10), 0)
                self.assertEqual(self.read(), OLD)
                self.assert_only(b"Getkivo.html")

    def test_connection_that_is_never_accepted_hits_the_connect_limit(self):
        # A listening socket whose accept queue is full drops further SYNs,
        # so the helper's connection attempt hangs.
        listener = socket.socket()
        listener.bind(("127.0.0.1", 0))
        listener.listen(0)
        port = listener.getsockname()[1]
        fillers = []
        try:
            for _ in range(3):
                s = socket.socket()
                s.setblocking(False)
                s.connect_ex(("127.0.0.1", port))
                fillers.append(s)
            time.sleep(0.2)
            self.write_old()
            address = ("http://127.0.0.1:%d/page" % port).encode()
            code = self.run_line(fetcher_line(address, helper_path(self.target)),
                                 KIVO_FETCH_CONNECT_TIMEOUT=1, KIVO_FETCH_TIMEOUT=60)
            self.assert_failed_untouched(code, EXIT_NO_ANSWER)
            self.assertLess(self.elapsed, 15)
        finally:
            for s in fillers:
                s.close()
            listener.close()

    def test_unreachable_port_fails(self):
        s = socket.socket()
        s.bind(("127.0.0.1", 0))
        port = s.getsockname()[1]
        s.close()
        self.write_old()
        address = ("http://127.0.0.1:%d/page" % port).encode()
        self.assert_failed_untouched(self.run_line(fetcher_line(address, helper_path(self.target))),
                                     EXIT_NO_ANSWER)

    def test_unknown_host_is_no_answer(self):
        self.write_old()
        line = fetcher_line(b"http://kivo-no-such-host.invalid/page", helper_path(self.target))
        self.assert_failed_untouched(self.run_line(line), EXIT_NO_ANSWER)

    def test_connection_closed_before_any_answer_is_no_answer(self):
        listener = socket.socket()
        listener.bind(("127.0.0.1", 0))
        listener.listen(1)
        port = listener.getsockname()[1]

        def close_at_once():
            try:
                conn, _ = listener.accept()
                conn.recv(4096)
                conn.close()
            except OSError:
                pass

        closer = threading.Thread(target=close_at_once, daemon=True)
        closer.start()
        try:
            self.write_old()
            address = ("http://127.0.0.1:%d/page" % port).encode()
            code = self.run_line(fetcher_line(address, helper_path(self.target)))
            self.assert_failed_untouched(code, EXIT_NO_ANSWER)
        finally:
            listener.close()
            closer.join(5)

    # -- the temporary file ----------------------------------------------------------

    def test_stale_temporary_file_is_replaced(self):
        with open(self.part(), "wb") as f:
            f.write(b"left by a crash " * 1000)
        self.assert_fetched(self.fetch("/page"))
        with open(self.part(), "wb") as f:
            f.write(b"left by a crash")
        self.write_old()
        self.assert_failed_untouched(self.fetch("/status/500"), note=b"status=500\n")

    @unittest.skipIf(WINE, "POSIX parent-death signal")
    def test_helper_dies_with_its_parent(self):
        import signal
        parent_program = os.path.join(BUILD_DIR, "spawn_parent")
        self.assertTrue(os.path.isfile(parent_program), "spawn_parent was not built")
        self.write_old()
        line = fetcher_line(self.server.url("/drip"), self.target)
        parent = subprocess.Popen([os.fsencode(parent_program), b"start", self.dir_b, line],
                                  stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                  env=helper_env())
        try:
            self.assertEqual(parent.stdout.readline(), b"started\n")
            helper = None
            deadline = time.monotonic() + 10
            while time.monotonic() < deadline:
                helper = helper or child_of(parent.pid)
                if helper and os.path.exists(self.part()):
                    break
                time.sleep(0.05)
            self.assertIsNotNone(helper, "the helper did not start")
            self.assertTrue(os.path.exists(self.part()), "the download did not begin")
            parent.send_signal(signal.SIGKILL)
            parent.wait(5)
            killed = time.monotonic()
            while is_alive(helper) and time.monotonic() < killed + 1:
                time.sleep(0.02)
            self.assertFalse(is_alive(helper), "the helper outlived its parent by a second")
            self.assertEqual(self.read(), OLD)
            self.assert_only(b"Getkivo.html")
        finally:
            if parent.poll() is None:
                parent.kill()
                parent.wait(5)
            parent.stdout.close()

    def test_helper_whose_parent_ended_leaves_the_file(self):
        # Where the helper could not be bound to its plugin (Windows 7 inside
        # a job of the host's, or a parent-death signal that never came), it
        # must not rename its file over a name that may now be another run's.
        self.write_old()
        line = fetcher_line(self.server.url("/held"), helper_path(self.target))
        if WINE:
            command = [WINE, os.path.join(BUILD_DIR, "spawn_parent.exe"), b"free",
                       helper_path(self.part()), line]
        else:
            command = ([sys.executable, "-c", INTERMEDIATE, self.part(), HELPER] +
                       split_windows(line)[1:])
            adopt_orphans(True)
        try:
            parent = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                      env=helper_env())
            said = parent.stdout.readline()
            parent.stdout.close()
            parent.wait(30)
            self.assertTrue(os.path.exists(self.part()), "the download did not begin: %r" % said)
            self.server.release.set()
            if WINE:
                deadline = time.monotonic() + 30
                while os.path.exists(self.part()) and time.monotonic() < deadline:
                    time.sleep(0.05)
            else:
                self.assertEqual(exit_code_of(int(said), 30), EXIT_PARENT_GONE)
        finally:
            if not WINE:
                adopt_orphans(False)
        self.assertEqual(self.read(), OLD)
        self.assert_only(b"Getkivo.html")

    # -- output paths ------------------------------------------------------------

    def test_paths_with_quotes_spaces_and_shift_jis_bytes(self):
        names = [b"it's.html", b"two words.html", b"a''b.html"]
        if not WINE:  # Wine hands the helper its command line in its own code page
            names.append(b"\x83\x5c\x83\x74\x83\x67.html")  # ソフト
        for name in names:
            with self.subTest(name=name):
                target = os.path.join(self.dir_b, name)
                self.assertEqual(self.fetch("/page", target=target), EXIT_COMPLETE, self.stderr)
                self.assertEqual(self.read(target), PAGE)
        self.assert_only(*names)

    def test_missing_folder_fails_before_fetching(self):
        target = os.path.join(self.dir_b, b"missing", b"Getkivo.html")
        self.assertEqual(self.fetch("/page", target=target), EXIT_LOCAL)
        self.assertEqual(self.server.requests, [])
        self.assert_only()

    def test_folder_as_target_is_left_alone(self):
        os.mkdir(self.target)
        self.assertEqual(self.fetch("/page"), EXIT_LOCAL)
        self.assertTrue(os.path.isdir(self.target))
        self.assertEqual(self.server.requests, [])
        self.assert_only(b"Getkivo.html")

    # -- hostile command lines -----------------------------------------------------

    def test_a_refused_line_touches_nothing(self):
        # Which lines are refused is the reading's (tests/fetch); here, that
        # a refused one reaches neither the network nor a file.
        victim = os.path.join(self.dir_b, b"victim")
        page = self.server.url(b"/page")
        line = fetcher_line(page + b"?q='x' -O '" + helper_path(victim) + b"'",
                            helper_path(self.target))
        self.write_old()
        self.assert_failed_untouched(self.run_line(line), EXIT_REFUSED)
        self.assertEqual(self.server.requests, [], "a refused line reached the network")
        self.assertFalse(os.path.exists(victim))


if __name__ == "__main__":
    unittest.main(verbosity=2)
