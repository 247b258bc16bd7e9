"""What the Wine drivers (wine_e2e.py, wine_session.py) share: the host folder they lay
out, the frame of a run (the sample shop, one Xvfb, the report line, what is kept on a
failure), Wine commands in one prefix, and reading the files the program writes.

Importing this module puts tests/support on sys.path, so the host-folder helpers
(`import host_folder`) and the shop's data model (`import shopdata`) import too.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
SCRIPTS = ROOT / "scripts"
sys.path.insert(0, str(ROOT / "tests" / "support"))

from host_folder import HostFolder  # noqa: E402
from sample_shop import SampleShop, ShopError  # noqa: E402  (puts the shop on sys.path)
import shopdata as sd  # noqa: E402

END = b"--- END ---"


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


# What ends a driver with "FAILED" rather than a traceback.
FAILURES = (Failure, ShopError, subprocess.TimeoutExpired)


class WineHost(HostFolder):
    """A fresh folder ROOT holding host/plugins/ with the programs copied from a build
    tree, temp/ for the program's temporary folder, and wine-output.txt for everything
    Wine prints."""

    def __init__(self, name, build, programs):
        super().__init__(tempfile.mkdtemp(prefix="kivo-%s-" % name), build, programs,
                         plugin="plugins", temp="temp")
        self.wine_log = self.root / "wine-output.txt"
        # Wine's drive Z: is the Unix root.
        self.temp_windows = "Z:" + str(self.temp).replace("/", "\\")


class Display:
    """One Xvfb (1024x768) for the whole run, on a display number it picks itself."""

    def __init__(self):
        read, write = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
            pass_fds=(write,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        os.close(write)
        number = b""
        with os.fdopen(read, "rb") as pipe:
            while not number.endswith(b"\n"):
                chunk = pipe.read(1)
                if not chunk:
                    break
                number += chunk
        check(number.strip().isdigit(), "Xvfb did not start")
        self.name = ":" + number.strip().decode()

    def stop(self):
        self.process.terminate()
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()


class Wine:
    """Wine commands in the prefix PREFIX on DISPLAY, run in the host folder, their output
    appended to the host folder's wine-output.txt. With LOCALE, LANG and LC_ALL are set
    to it, which gives Wine its ANSI code page; else the caller's locale stands."""

    def __init__(self, prefix, display, folder, locale=None):
        self.prefix = Path(prefix)
        self.env = dict(os.environ, WINEPREFIX=str(prefix), WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=", DISPLAY=display)
        if locale:
            self.env.update(LANG=locale, LC_ALL=locale)
        self.host = folder.host
        self.log = folder.wine_log

    def run(self, argv, timeout):
        """The command's exit code; raises subprocess.TimeoutExpired after TIMEOUT seconds."""
        with open(self.log, "ab") as out:
            return subprocess.run(argv, cwd=str(self.host), env=self.env,
                                  stdin=subprocess.DEVNULL, stdout=out, stderr=out,
                                  timeout=timeout).returncode

    def make_prefix(self, dpi=None):
        """Makes the prefix when it is new. With DPI, also gives it the Japanese fonts and
        that screen DPI (scripts/wine-prefix), as on our users' machines."""
        if not (self.prefix / "system.reg").is_file():
            self.run(["wineboot", "--init"], timeout=300)
            self.run(["wineserver", "-w"], timeout=300)
        if dpi is not None:
            check(self.run([str(SCRIPTS / "wine-prefix"), str(dpi)], timeout=300) == 0,
                  "cannot prepare the Wine prefix %s (output in %s)" % (self.prefix, self.log))

    def point_temp_at(self, temp_windows):
        # Wine takes TEMP and TMP from the prefix's registry, not from the Unix
        # environment.
        for name in ("TEMP", "TMP"):
            rc = self.run(["wine", "reg", "add", r"HKCU\Environment", "/v", name, "/t", "REG_SZ",
                           "/d", temp_windows, "/f"], timeout=120)
            check(rc == 0, "cannot set %s in the Wine prefix" % name)

    def start_kivo(self, *args):
        with open(self.log, "ab") as out:
            return subprocess.Popen(["wine", "plugins/kivo.exe", *args], cwd=str(self.host),
                                    env=self.env, stdin=subprocess.DEVNULL, stdout=out,
                                    stderr=out)

    def wait_ended(self, process, timeout):
        """PROCESS's exit code once it and every other process of the prefix have ended
        (the download helper included). Raises Failure when it has not ended within
        TIMEOUT seconds, after ending everything of the prefix."""
        try:
            process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.kill_all()
            process.kill()
            process.wait()
            raise Failure("kivo.exe did not end within %d s (output in %s)" % (timeout, self.log))
        try:
            self.run(["wineserver", "-w"], timeout=60)
        except subprocess.TimeoutExpired:
            self.kill_all()
            raise Failure("Wine processes outlived kivo.exe")
        return process.returncode

    def kill_all(self):
        # Our own prefix: this ends only what this run started.
        subprocess.run(["wineserver", "-k"], env=self.env, timeout=30,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


class Skip(Exception):
    """The date changed during the run, so what the harvest should have got is unknown."""


def drive(name, folder, prefix, body, locale=None, tls=None):
    """Runs BODY(shop, wine, elapsed) with the sample shop (its files in FOLDER.root; over
    https with TLS, a (certificate, key) pair), one Xvfb and Wine in PREFIX (see Wine for
    LOCALE), and ends them after it. BODY returns
    its report line's text after "NAME: "; ELAPSED() gives the seconds since the start.
    Prints that line and removes FOLDER (also when BODY raises Skip, reported so), or,
    when a check fails or a command hangs, prints "NAME: FAILED: ..." and keeps FOLDER.
    Returns the exit code: 0, or 1 for a failure."""
    started = time.monotonic()
    shop = display = wine = None
    try:
        shop = SampleShop(folder.root, tls=tls).start()
        display = Display()
        wine = Wine(prefix, display.name, folder, locale)
        print("%s: %s" % (name, body(shop, wine, lambda: time.monotonic() - started)))
        shutil.rmtree(folder.root, ignore_errors=True)
        return 0
    except Skip:
        print("%s: SKIPPED: the date changed during the run" % name)
        shutil.rmtree(folder.root, ignore_errors=True)
        return 0
    except FAILURES as e:
        print("%s: FAILED: %s\n(files kept in %s)" % (name, e, folder.root), file=sys.stderr)
        if wine is not None:
            wine.kill_all()
        return 1
    finally:
        if shop is not None:
            shop.stop()
        if display is not None:
            display.stop()


def missing_tools(tools):
    return [tool for tool in tools if shutil.which(tool) is None]


def expected_titles(days):
    """(title, listing day) in the order a harvest of DAYS meets them; each link once."""
    seen, out = set(), []
    for day in days:
        for t in sd.day_titles(day):
            if t.code not in seen:
                seen.add(t.code)
                out.append((t, day))
    return out


def crlf_lines(data, name):
    """DATA's lines, each of which ended in CR LF; Failure when DATA does not end in one
    or holds a CR or LF that is not part of one."""
    check(data.endswith(b"\r\n"), "%s does not end with CR LF" % name)
    lines = data[:-2].split(b"\r\n")
    for i, line in enumerate(lines, 1):
        check(b"\r" not in line and b"\n" not in line,
              "%s line %d: a CR or LF that is not part of a CR LF line end" % (name, i))
    return lines


def log_lines(path):
    check(path.is_file(), "no %s" % path.name)
    return crlf_lines(path.read_bytes(), path.name)
