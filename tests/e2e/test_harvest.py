"""End-to-end harvest: the real program and download helper against the sample shop.

The test lays out a host folder (Quillcast.ini with [kivo] BaseURL and DLBeforeDays=1,
the program and its helper in host/plugin/), starts the sample shop on a free port,
and runs the program twice, as the host would, with TMPDIR pointing at a folder of
its own. It compares byte for byte:

- the catalogue QuillsMas.csv, the history kivo.txt and the archived listing pages
  with the files expected/*.in, whose placeholders stand for what depends on the day
  and the run: {TODAY} (the history's date), {DAY0} and {DAY1} (the days harvested,
  "yyyymmdd"), and per title {line DAY slot}, {link DAY slot}, {path DAY slot},
  {jumped DAY slot}, {cover DAY slot}, {page DAY n}. The shop lists different titles
  on different days; the per-title bytes come from its data model (shopdata), and a
  line ending in " ?}" stands only when the shop lists that kind of title that day;
- the requests the shop saw (its --log) with expected/requests*.log.in: which pages
  were fetched, in which order, and that the second run fetched listing pages only.

The second run must add nothing to the catalogue and keep the history as it was.
Runs as a plain script (ctest) or under pytest.
"""

import datetime
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

BUILD_DIR = Path(os.environ.get("KIVO_BUILD_DIR", ""))
EXPECTED = Path(__file__).resolve().parent / "expected"
sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "support"))

from host_folder import HostFolder  # noqa: E402
from sample_shop import SampleShop  # noqa: E402
import pages  # noqa: E402
import shopdata as sd  # noqa: E402

RUN_TIMEOUT = 400  # seconds; a run of two days takes about a minute

DAY_LABEL = "{m}月{d}日ダウンロード"
FAILED = "kivo失敗.".encode("cp932")


def day_label(day):
    return DAY_LABEL.format(m=day.month, d=day.day).encode("cp932")


class Expected:
    """Fills the placeholders of expected/*.in for one run."""

    def __init__(self, base, days, today, temp_dir):
        self.base = base
        self.days = {"DAY%d" % i: d for i, d in enumerate(days)}
        self.today = today
        self.temp_dir = temp_dir

    def _title(self, day_key, slot):
        day = self.days[day_key]
        if slot == "evergreen":
            return sd.EVERGREEN
        for t in sd.day_titles(day):
            if t.slot == slot:
                return t
        return None  # not listed that day

    def _value(self, kind, day_key, slot):
        """Bytes for one per-title placeholder, or None when the title is not listed."""
        day = self.days[day_key]
        if kind == "page":
            return pages.listing_page(self.base, day, int(slot))
        t = self._title(day_key, slot)
        if t is None:
            return None
        if kind == "line":
            return sd.catalogue_line(t, self.base, day, self.temp_dir).rstrip(b"\r\n")
        if kind == "link":
            return sd.link_for(self.base, t).encode("cp932")
        if kind == "path":
            return sd.link_for(self.base, t)[len(self.base):].encode("ascii")
        if kind == "jumped":
            return sd.detail_url(self.base, t.code)[len(self.base):].encode("ascii")
        if kind == "cover":
            return t.cover.encode("ascii") if t.cover and t.cover != "nowprinting.jpg" else None
        raise ValueError(kind)

    def fill(self, name, line_end):
        """The expected file's bytes: each template line filled, or left out."""
        out = []
        for line in (EXPECTED / name).read_text(encoding="utf-8").splitlines():
            data = b""
            # Odd pieces are the parts of a per-title placeholder.
            pieces = _TITLE_PLACEHOLDER.split(line)
            for i in range(0, len(pieces), 5):
                data += pieces[i].encode("utf-8")
                if i + 1 < len(pieces):
                    kind, day_key, slot, optional = pieces[i + 1:i + 5]
                    value = self._value(kind, day_key, slot)
                    if value is None and not optional:
                        raise AssertionError("%s: no %s for %s %s" % (name, kind, day_key, slot))
                    if value is None:
                        break
                    data += value
            else:
                data = data.replace(b"{TODAY}", self.today.strftime("%Y%m%d").encode())
                for key, day in self.days.items():
                    data = data.replace(b"{%s}" % key.encode(), day.strftime("%Y%m%d").encode())
                out.append(data)
        return b"".join(line + line_end for line in out)


_TITLE_PLACEHOLDER = re.compile(r"\{(\w+) (DAY\d) ([\w-]+)( \?)?\}")


class HarvestTest(unittest.TestCase):
    def setUp(self):
        for name in ("kivo", "powershell"):
            if not (BUILD_DIR / name).exists():
                self.fail("no %s in KIVO_BUILD_DIR=%s" % (name, BUILD_DIR))
        self.root = Path(tempfile.mkdtemp(prefix="kivo-e2e-harvest-"))
        folder = HostFolder(self.root, BUILD_DIR, ("kivo", "powershell"))
        self.host, self.plugin, self.tmp = folder.host, folder.plugin, folder.temp
        self.shop = SampleShop(self.root).start()
        (self.host / "Quillcast.ini").write_bytes(
            b"[TSetup]\r\nDataDeleteDays_Text=90\r\n[kivo]\r\nDLBeforeDays=1\r\nBaseURL=" +
            self.shop.base.encode() + b"\r\n")

    def tearDown(self):
        self.shop.stop()
        shutil.rmtree(self.root, ignore_errors=True)

    def run_harvest(self):
        env = dict(os.environ, TMPDIR=str(self.tmp), LANG="C.UTF-8", LC_ALL="C.UTF-8")
        started = time.monotonic()
        result = subprocess.run([str(self.plugin / "kivo")], stdin=subprocess.DEVNULL,
                                capture_output=True, env=env, cwd=str(self.root),
                                timeout=RUN_TIMEOUT)
        self.assertEqual(result.returncode, 0, result.stderr)
        return time.monotonic() - started

    def read(self, name):
        return (self.host / name).read_bytes()

    def test_two_runs_against_the_sample_shop(self):
        today = datetime.date.today()
        days = [today, today - datetime.timedelta(days=1)]
        temp_dir = str(self.tmp) + os.sep
        expected = Expected(self.shop.base, days, today, temp_dir)

        first_seconds = self.run_harvest()
        if datetime.date.today() != today:
            self.skipTest("the day changed during the run")
        first_requests = self.shop.requests()

        self.assertEqual(self.read("QuillsMas.csv"), expected.fill("catalogue.csv.in", b"\r\n"))
        self.assertEqual(self.read("kivo.txt"), expected.fill("kivo.txt.in", b"\r\n"))
        self.assertEqual(first_requests,
                         expected.fill("requests.log.in", b"\n").decode().splitlines())
        # One archived page per day, the day's last page, as the shop sent it.
        archive = sorted(p.name for p in (self.host / "old").iterdir())
        self.assertEqual(archive, sorted("kivod%s.html" % d.strftime("%y%m%d") for d in days))
        for i, day in enumerate(days):
            self.assertEqual(self.read("old/kivod%s.html" % day.strftime("%y%m%d")),
                             expected.fill("archive-DAY%d.html.in" % i, b""))
        # Covers in the temporary folder, under the names the catalogue gives; the
        # shop's "no cover yet" image is never downloaded.
        for t in sd.day_titles(days[0]) + sd.day_titles(days[1]):
            cover = sd.cover_file(t, temp_dir).encode("cp932")  # the name's bytes on disk
            if t.cover == "nowprinting.jpg":
                self.assertFalse(os.path.exists(cover), cover)
            elif t.cover:
                with open(cover, "rb") as f:
                    self.assertEqual(f.read(2), b"\xff\xd8", cover)
        self.assertFalse((self.tmp / "Getkivo2.html").exists())

        log = self.read("Quillcas.log")
        self.assertIn(b"*** kivo DLL ***\r\n" + day_label(days[0]) + b"\r\n", log)
        self.assertIn(b"\r\n" + day_label(days[1]) + b"\r\n", log)
        self.assertNotIn(FAILED, log)
        self.assertNotIn(b"Analyze Error", log)

        catalogue = self.read("QuillsMas.csv")
        history = self.read("kivo.txt")
        second_seconds = self.run_harvest()
        if datetime.date.today() != today:
            self.skipTest("the day changed during the run")
        self.assertEqual(self.read("QuillsMas.csv"), catalogue)
        self.assertEqual(self.read("kivo.txt"), history)
        self.assertEqual(self.shop.requests()[len(first_requests):],
                         expected.fill("requests-second-run.log.in", b"\n").decode().splitlines())
        self.assertNotIn(FAILED, self.read("Quillcas.log"))
        print("\nfirst run %.1f s (%d requests), second run %.1f s" %
              (first_seconds, len(first_requests), second_seconds), file=sys.stderr)


class RunsThatFindNothingTest(unittest.TestCase):
    """Real faults, no shop: a run that finds nothing says why, in an error line of the
    log, and counts its failed fetches in the summary."""

    def setUp(self):
        self.root = Path(tempfile.mkdtemp(prefix="kivo-e2e-nothing-"))
        folder = HostFolder(self.root, BUILD_DIR, ("kivo", "powershell"))
        self.host, self.plugin, self.tmp = folder.host, folder.plugin, folder.temp
        # A port nobody listens on: every fetch is refused at once.
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            port = s.getsockname()[1]
        (self.host / "Quillcast.ini").write_bytes(
            b"[kivo]\r\nDLBeforeDays=1\r\nBaseURL=http://127.0.0.1:%d\r\n" % port)

    def tearDown(self):
        shutil.rmtree(self.root, ignore_errors=True)

    def log_after_a_run(self):
        # No other program named powershell may stand in for the missing helper.
        env = dict(os.environ, TMPDIR=str(self.tmp), PATH=str(self.root / "no-programs"),
                   LANG="C.UTF-8", LC_ALL="C.UTF-8")
        result = subprocess.run([str(self.plugin / "kivo")], stdin=subprocess.DEVNULL,
                                capture_output=True, env=env, cwd=str(self.root),
                                timeout=RUN_TIMEOUT)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual((self.host / "kivo.txt").read_bytes(), b"")
        self.assertFalse((self.host / "QuillsMas.csv").exists())
        return (self.host / "Quillcas.log").read_bytes().split(b"\r\n")

    def test_a_missing_helper_ends_the_run_and_says_so(self):
        (self.plugin / "powershell").unlink()
        log = self.log_after_a_run()
        self.assertIn("Quillcas.log: powershell を起動できないためダウンロードできません (C.ERROR)"
                      .encode("cp932"), log)
        self.assertIn("結果: 追加 0件、取得失敗 1件、日数 1".encode("cp932"), log)

    def test_a_shop_that_does_not_answer_gives_no_listing_page(self):
        log = self.log_after_a_run()
        self.assertIn("Quillcas.log: 一覧ページを取得できませんでした (C.ERROR)".encode("cp932"), log)
        self.assertIn("結果: 追加 0件、取得失敗 2件、日数 2".encode("cp932"), log)


if __name__ == "__main__":
    unittest.main()
