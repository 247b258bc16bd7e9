"""The sample shop (tools/sample-shop/shop.py) on 127.0.0.1, started and stopped for the
end-to-end tests, the Wine drivers, the benchmark and the demo.

    from sample_shop import SampleShop
    with SampleShop(folder) as shop:
        ... shop.base ... shop.requests() ...

SampleShop(folder).start() returns once the shop answers on a free port it chose itself
(SampleShop(folder, tls=(cert, key)) serves https://localhost:PORT with that certificate),
and raises ShopError when the shop ends or stays silent for START_TIMEOUT seconds first;
stop() ends it. The shop writes its port to FOLDER/shop.port and, unless request_log is
False, one line per request to FOLDER/shop-requests.log; its own errors go to our
standard error.

Importing this module puts tools/sample-shop on sys.path, so the shop's data model
(`import shopdata`) and pages (`import pages`) import by name.

As a command, for shell scripts:

    python3 tests/support/sample_shop.py FOLDER

starts the shop with its request log, prints the shop's line "sample shop listening on
http://127.0.0.1:PORT" once it answers, and stops it on SIGTERM or SIGINT (exit code 0);
exit code 1 when it did not start or ended by itself.
"""

import os
import re
import select
import signal
import subprocess
import sys
import time
from pathlib import Path

SOURCE_DIR = Path(__file__).resolve().parents[2]
SHOP_DIR = SOURCE_DIR / "tools" / "sample-shop"
if str(SHOP_DIR) not in sys.path:
    sys.path.insert(0, str(SHOP_DIR))

import shopdata  # noqa: E402

START_TIMEOUT = 20  # seconds; the shop needs well under one
STOP_TIMEOUT = 10
_ANNOUNCED = re.compile(r"sample shop listening on "
                        r"(http://127\.0\.0\.1:(\d+)|https://localhost:(\d+))\n")


class ShopError(Exception):
    """The sample shop did not start."""


class SampleShop:
    def __init__(self, folder, request_log=True, options=(), tls=None):
        """OPTIONS: more of shop.py's command-line options, such as "--utf8";
        TLS: (certificate file, key file) to serve https."""
        folder = Path(folder)
        self.options = list(options)
        self.tls = tls
        self.port_file = folder / "shop.port"
        self.log = folder / "shop-requests.log" if request_log else None
        self.process = None
        self.announced = None  # the shop's first line, without its line end
        self.base = None  # "http://127.0.0.1:PORT", or "https://localhost:PORT"
        self.port = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    def start(self):
        """Starts the shop; returns self once it accepts connections. Raises ShopError,
        with the shop ended, when it cannot be started, ends, or has not answered within
        START_TIMEOUT seconds."""
        argv = [sys.executable, str(SHOP_DIR / "shop.py"), "--port", "0", "--port-file",
                str(self.port_file)]
        if self.log is not None:
            argv += ["--log", str(self.log)]
        argv += self.options
        if self.tls:
            argv += ["--tls-cert", str(self.tls[0]), "--tls-key", str(self.tls[1])]
        try:
            if self.log is not None:
                self.log.write_bytes(b"")  # there even when nothing is fetched
            self.process = subprocess.Popen(argv, stdin=subprocess.DEVNULL,
                                            stdout=subprocess.PIPE, bufsize=0)
        except OSError as e:
            raise ShopError("cannot start the sample shop: %s" % e) from e
        try:
            line = self._first_line()
        except ShopError:
            self.stop()
            raise
        m = _ANNOUNCED.fullmatch(line)
        if not m:
            self.stop()
            raise ShopError("the sample shop started with %r" % line)
        self.announced = line.rstrip("\n")
        self.base, self.port = m.group(1), int(m.group(2) or m.group(3))
        return self

    def _first_line(self):
        # The shop prints its line after it listens, has written its port file and
        # serves, so the line is the moment it answers; read it with a deadline, as
        # a shop that hangs must not hang the caller.
        fd = self.process.stdout.fileno()
        data = b""
        end = time.monotonic() + START_TIMEOUT
        while b"\n" not in data:
            left = end - time.monotonic()
            if left <= 0:
                raise ShopError("the sample shop did not answer within %d s" % START_TIMEOUT)
            if select.select([fd], [], [], left)[0]:
                chunk = os.read(fd, 256)
                if not chunk:
                    raise ShopError("the sample shop ended with exit code %s before it listened"
                                    % self.process.wait())
                data += chunk
        return data.decode("ascii", errors="replace")

    def requests(self):
        """The request log's whole lines so far, "METHOD PATH STATUS" each (a line the
        shop is still writing is left out)."""
        return self.log.read_bytes().decode("ascii").split("\n")[:-1]

    def detail_requests(self):
        """The paths of the detail pages asked for so far, directly or through a jump link."""
        paths = [r.split(" ")[1] for r in self.requests()]
        return [p for p in paths if p.startswith((shopdata.DETAIL_PATH, shopdata.JUMP_PATH))]

    def stop(self):
        """Ends the shop (SIGTERM, then SIGKILL after STOP_TIMEOUT seconds); returns its exit
        code, or None when it was never started. Calling it again changes nothing."""
        if self.process is None:
            return None
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(timeout=STOP_TIMEOUT)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process.stdout.close()
        return self.process.returncode


def main(argv):
    if len(argv) != 2:
        print("usage: sample_shop.py FOLDER", file=sys.stderr)
        return 2
    stopping = []

    def stop_requested(*_):
        stopping.append(True)

    # Handled before the shop starts, so a signal in between is not lost.
    for sig in (signal.SIGTERM, signal.SIGINT):
        signal.signal(sig, stop_requested)
    shop = SampleShop(argv[1])
    try:
        shop.start()
        print(shop.announced, flush=True)
        while not stopping and shop.process.poll() is None:
            time.sleep(0.2)
    except ShopError as e:
        print("sample_shop: %s" % e, file=sys.stderr)
        return 1
    finally:
        code = shop.stop()
    return 0 if stopping or code == 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
