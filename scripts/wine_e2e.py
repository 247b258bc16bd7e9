#!/usr/bin/env python3
"""End-to-end harvest of the Windows build under Wine and Xvfb, against the sample shop.

    scripts/wine_e2e.py [--locale NAME] [--https] BUILD_DIR

BUILD_DIR is a mingw-w64 build tree holding kivo.exe and powershell.exe. The script
lays out a host folder in a temporary folder (Quillcast.ini, plugins/kivo.exe,
plugins/powershell.exe), starts tools/sample-shop/shop.py on a free port and runs
"wine plugins/kivo.exe" twice inside one Xvfb, as the host would start it for a
harvest. It checks the catalogue, the history, the archive and the run log against
the shop's data model (tools/sample-shop/shopdata.py), and that the second run adds
nothing and fetches no detail page again.

With --https the shop is served at https://localhost:PORT with a certificate of an
authority made for the run (tests/support/test_ca.py), which is trusted through the
system's store, where Wine's crypt32 finds it, only while the run lasts (as root; anyone
else is told what would be added, and the run is skipped). The checks are the same: the
catalogue holds the data model's lines, byte for byte, as over http.

Wine runs under the Unix locale NAME (default ja_JP.UTF-8: a Japanese system with the
ANSI code page 932, as on our users' machines; en_US.UTF-8 gives a Western system with
code page 1252, where the program must work as well). The script checks that Wine
really runs with the code page the locale stands for.

The Wine prefix is BUILD_DIR/wineprefix-e2e, made on first use, with the Japanese
fonts (scripts/wine-prefix). Wine takes TEMP and TMP from the prefix's registry, not
from the Unix environment, so each run writes its own temporary folder into
HKCU\\Environment of that prefix: two runs against the same build tree at the same
time would disturb each other.
"""

import datetime
import os
import re
import shutil
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from wine_driver import (Skip, WineHost, check, crlf_lines, drive,  # noqa: E402
                         expected_titles, missing_tools)
import shopdata as sd  # noqa: E402
from test_ca import TestCertificates  # noqa: E402  (tests/support, put on sys.path above)

RUN_TIMEOUT = 240  # seconds per run; a run takes well under a minute
FAILED = "kivo失敗.".encode("cp932")

# A catalogue line: seven quoted fields, five bare ones (field 10 may hold commas, so
# it is matched between the fields around it), four quoted ones. Neither '"' nor ','
# can be the second byte of a Shift-JIS character, so matching bytes is safe.
LINE = re.compile(rb'"(.*?)","(.*?)","(.*?)","(.*?)","(.*?)","(.*?)","(.*?)",'
                  rb'(\d+),([012]),(.*),0,(\d{8}),(\d+),"(.*?)","(.*?)","(.*?)","(.*?)"', re.S)

# The ANSI code page Wine gives a program under a Unix locale.
CODE_PAGES = {"ja_JP": 932, "en_US": 1252, "en_GB": 1252, "de_DE": 1252, "fr_FR": 1252,
              "C": 1252}


def code_page_of(locale_name):
    return CODE_PAGES.get(locale_name.split(".")[0])


def prepare(wine, folder, build, locale_name):
    """Makes the prefix ready when it is new, checks the ANSI code page this run has (with
    the build's own test, when it was built) and points TEMP and TMP at the run's folder."""
    wine.make_prefix(dpi=96)
    want = code_page_of(locale_name)
    code_page_test = build / "tests" / "test_platform.exe"
    if not code_page_test.is_file():
        print("wine-e2e: no tests/test_platform.exe: the code page is not checked")
    elif want:
        output = folder.root / "code-page.txt"
        result = subprocess.run(
            ["wine", str(code_page_test), "--gtest_filter=Win32CodePage.*"], cwd=str(folder.host),
            env=dict(wine.env, KIVO_EXPECT_ACP=str(want)), stdin=subprocess.DEVNULL,
            capture_output=True, timeout=120)
        output.write_bytes(result.stdout + result.stderr)
        check(result.returncode == 0, "Wine under %s does not run code page %s (output in %s)" %
              (locale_name, want, output))
    z = wine.prefix / "dosdevices" / "z:"
    check(z.is_symlink() and os.readlink(z) == "/",
          "drive Z: of %s is not the Unix root" % wine.prefix)
    wine.point_temp_at(folder.temp_windows)


def run_kivo(wine):
    """One harvest run, as the host starts it; returns its exit code once every process of
    the prefix has ended, so nothing of this run outlives it."""
    return wine.wait_ended(wine.start_kivo(), RUN_TIMEOUT)


def check_catalogue(csv_path, shop, titles, temp_dir):
    """The catalogue: structure first, so a fault is named, then the exact bytes."""
    links = [sd.link_for(shop.base, t) for t, _ in titles]
    check(csv_path.is_file(), "no QuillsMas.csv after the first run")
    catalogue = csv_path.read_bytes()
    got_links = []
    for i, line in enumerate(crlf_lines(catalogue, "QuillsMas.csv"), 1):
        m = LINE.fullmatch(line)
        check(m is not None, "QuillsMas.csv line %d is not 17 fields opening with a "
              "double quote: %r" % (i, line))
        got_links.append(m.group(15).decode("cp932"))  # field 16; field 11 has no group
    twice = sorted({k for k in got_links if got_links.count(k) > 1})
    check(not twice, "QuillsMas.csv: links written more than once: %s" % twice)
    check(set(got_links) == set(links),
          "QuillsMas.csv: links missing %s, unexpected %s" %
          (sorted(set(links) - set(got_links)), sorted(set(got_links) - set(links))))
    want = [sd.catalogue_line(t, shop.base, day, temp_dir) for t, day in titles]
    for i, (got, exp) in enumerate(zip(catalogue.split(b"\r\n"), want), 1):
        check(got + b"\r\n" == exp, "QuillsMas.csv line %d:\n  got      %r\n  expected %r"
              % (i, got, exp))
    check(catalogue == b"".join(want), "QuillsMas.csv differs from the expected lines")
    return catalogue


def check_first_run(folder, shop, today, days, titles):
    """Returns the catalogue and the history the first run wrote, once they and the
    archive, the covers and the log are as the shop's data model says."""
    host, temp = folder.host, folder.temp
    temp_dir = folder.temp_windows + "\\"  # as the program's temporary folder ends
    catalogue = check_catalogue(host / "QuillsMas.csv", shop, titles, temp_dir)

    # The history: one entry per link, dated today, in the order of the fetches.
    history_path = host / "kivo.txt"
    check(history_path.is_file(), "no kivo.txt after the first run")
    history = history_path.read_bytes()
    stamp = today.strftime("%Y%m%d")
    want_history = [(stamp + sd.link_for(shop.base, t)).encode("cp932") for t, _ in titles]
    check(crlf_lines(history, "kivo.txt") == want_history,
          "kivo.txt:\n  got      %r\n  expected %r" % (history, want_history))

    # The archive: the last page of each day, nothing else.
    old = host / "old"
    archive = sorted(p.name for p in old.iterdir()) if old.is_dir() else []
    want_archive = sorted("kivod%s.html" % d.strftime("%y%m%d") for d in days)
    check(archive == want_archive, "old/ holds %s, expected %s" % (archive, want_archive))

    # Covers land in the temporary folder the program was given (Wine stores the
    # Shift-JIS names as UTF-8); the shop's "no cover yet" image is never fetched.
    for t, _ in titles:
        cover = temp / sd.cover_file(t, "")
        if t.cover == "nowprinting.jpg":
            check(not cover.exists(), "%s was downloaded" % cover)
        elif t.cover:
            check(cover.is_file() and cover.read_bytes()[:2] == b"\xff\xd8",
                  "no JPEG cover %s" % cover)

    log_path = host / "Quillcas.log"
    check(log_path.is_file(), "no Quillcas.log after the first run")
    log = log_path.read_bytes()
    log_lines = crlf_lines(log, "Quillcas.log")
    check(any(l.startswith(b"--- START ---") for l in log_lines),
          "Quillcas.log has no --- START --- line")
    check(log_lines[-1].startswith(b"--- END ---"),
          "Quillcas.log does not end with a --- END --- line")
    check(FAILED not in log, "Quillcas.log reports a failed download")

    fetched = shop.detail_requests()
    check(len(fetched) == len(set(fetched)),
          "first run fetched a detail page twice: %s" % fetched)
    return catalogue, history


def check_second_run(folder, shop, catalogue, history):
    """The second run finds every title in the history."""
    host = folder.host
    check((host / "QuillsMas.csv").read_bytes() == catalogue,
          "the second run changed QuillsMas.csv")
    check((host / "kivo.txt").read_bytes() == history, "the second run changed kivo.txt")
    fetched = shop.detail_requests()
    twice = sorted({p for p in fetched if fetched.count(p) > 1})
    check(not twice, "detail pages requested more than once: %s" % twice)
    log = (host / "Quillcas.log").read_bytes()
    log_lines = crlf_lines(log, "Quillcas.log")
    check(sum(l.startswith(b"--- END ---") for l in log_lines) == 2,
          "Quillcas.log does not hold one --- END --- line per run")
    check(log_lines[-1].startswith(b"--- END ---"),
          "Quillcas.log does not end with a --- END --- line after the second run")
    check(FAILED not in log, "Quillcas.log reports a failed download")


def harvest_twice(build, folder, shop, wine, locale_name, elapsed):
    """Both runs and their checks; returns the report line."""
    (folder.host / "Quillcast.ini").write_bytes(
        b"[kivo]\r\nBaseURL=" + shop.base.encode() + b"\r\nDLBeforeDays=1\r\n"
        b"[TSetup]\r\nDataDeleteDays_Text=90\r\n")
    today = datetime.date.today()
    days = [today, today - datetime.timedelta(days=1)]
    titles = expected_titles(days)

    started = time.monotonic()
    prepare(wine, folder, build, locale_name)
    rc = run_kivo(wine)
    first_seconds = time.monotonic() - started
    if datetime.date.today() != today:
        raise Skip()
    check(rc == 0, "first run: exit code %d (output in %s)" % (rc, folder.wine_log))
    requests = len(shop.requests())
    catalogue, history = check_first_run(folder, shop, today, days, titles)

    started = time.monotonic()
    rc = run_kivo(wine)
    second_seconds = time.monotonic() - started
    if datetime.date.today() != today:
        raise Skip()
    check(rc == 0, "second run: exit code %d (output in %s)" % (rc, folder.wine_log))
    check_second_run(folder, shop, catalogue, history)
    return ("OK under %s at %s: %d titles, %d requests; first run %.1f s, second run %.1f s, "
            "total %.1f s" % (locale_name, shop.base, len(titles), requests, first_seconds,
                              second_seconds, elapsed()))


def locale_exists(name):
    wanted = re.sub(r"\.utf-?8$", ".utf8", name, flags=re.I).lower()
    try:
        listed = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout
    except OSError:
        return False
    return wanted in (line.strip().lower() for line in listed.splitlines())


def main(argv):
    args = argv[1:]
    locale_name = "ja_JP.UTF-8"
    https = "--https" in args
    args = [a for a in args if a != "--https"]
    if len(args) == 3 and args[0] == "--locale":
        locale_name, args = args[1], args[2:]
    if len(args) != 1:
        print("usage: scripts/wine_e2e.py [--locale NAME] [--https] BUILD_DIR", file=sys.stderr)
        return 2
    if not locale_exists(locale_name):
        print("wine-e2e: the locale %s is not generated (scripts/setup does it)" % locale_name,
              file=sys.stderr)
        return 2
    build = Path(args[0]).resolve()
    for name in ("kivo.exe", "powershell.exe"):
        if not (build / name).is_file():
            print("wine-e2e: no %s in %s (build the Windows tree first)" % (name, build),
                  file=sys.stderr)
            return 2
    for tool in missing_tools(("wine", "wineserver", "Xvfb")):
        print("wine-e2e: %s is not installed" % tool, file=sys.stderr)
        return 2

    folder = WineHost("wine-e2e", build, ("kivo.exe", "powershell.exe"))
    certs = None
    if https:
        certs = TestCertificates(folder.root)
        certs.make()
        certs.trust()
        if not certs.trusted:
            print("wine-e2e: SKIPPED: --https needs the test authority trusted (run as root)")
            shutil.rmtree(folder.root, ignore_errors=True)
            return 0
    try:
        return drive("wine-e2e", folder, build / "wineprefix-e2e",
                     lambda shop, wine, elapsed: harvest_twice(build, folder, shop, wine,
                                                               locale_name, elapsed),
                     locale=locale_name, tls=certs.pair("good") if certs else None)
    finally:
        if certs:
            certs.untrust()


if __name__ == "__main__":
    sys.exit(main(sys.argv))
