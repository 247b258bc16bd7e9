"""End-to-end run from folders with Japanese names: the real program and download helper
against the sample shop, installed in host/plugin/ where both folders are named in
UTF-8 with テ (E3 83 86) and ダ (E3 83 80), as a Linux user would name them.

The last byte of テ, 0x86, is a Shift-JIS lead-byte value. The "/" after it must still
count as a separator: the host folder is the program's folder + "/..", and every
lasting file (settings, history, catalogue, log, archive) must land in the host folder,
not one folder up. The temporary folder (TMPDIR) also ends in テ followed by "/", and
the catalogue's cover paths must name it with a single separator.

One run of today only (DLBeforeDays=0), a few dozen seconds against the shop.
Runs as a plain script (ctest) or under pytest.
"""

import datetime
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

BUILD_DIR = Path(os.environ.get("KIVO_BUILD_DIR", ""))
SOURCE_DIR = Path(os.environ.get("KIVO_SOURCE_DIR", Path(__file__).resolve().parents[2]))
SHOP_DIR = SOURCE_DIR / "tools" / "sample-shop"
sys.path.insert(0, str(SHOP_DIR))

import shopdata as sd  # noqa: E402

RUN_TIMEOUT = 300  # seconds; one day's listing takes well under a minute

HOST_NAME = "hostダテ"  # ends in テ: E3 83 86
PLUGIN_NAME = "pluginテ"
TEMP_NAME = "tmpダテ"
# Stands for the temporary folder in the expected catalogue lines, which shopdata
# encodes in Shift-JIS; the program writes the folder's own (UTF-8) bytes there.
TEMP_MARK = "@@TEMP@@/"


class Shop:
    """The sample shop on a free port."""

    def __init__(self, folder):
        port_file = folder / "shop.port"
        self.process = subprocess.Popen(
            [sys.executable, str(SHOP_DIR / "shop.py"), "--port", "0", "--port-file",
             str(port_file)],
            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        end = time.monotonic() + 20
        while not port_file.exists() or not port_file.read_text().strip():
            if self.process.poll() is not None or time.monotonic() > end:
                raise AssertionError("the shop did not start: %r" % self.process.stderr.read())
            time.sleep(0.05)
        self.base = "http://127.0.0.1:%d" % int(port_file.read_text())

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process.stderr.close()


class JapaneseFolderTest(unittest.TestCase):
    def setUp(self):
        for name in ("kivo", "powershell"):
            if not (BUILD_DIR / name).exists():
                self.fail("no %s in KIVO_BUILD_DIR=%s" % (name, BUILD_DIR))
        # One folder more around the layout, so that files that go one folder up
        # too many still stay inside the test's own folder.
        self.outer = Path(tempfile.mkdtemp(prefix="kivo-e2e-japanese-"))
        self.root = self.outer / "work"
        self.host = self.root / HOST_NAME
        self.plugin = self.host / PLUGIN_NAME
        self.tmp = self.root / TEMP_NAME
        self.plugin.mkdir(parents=True)
        self.tmp.mkdir()
        for name in ("kivo", "powershell"):
            shutil.copy2(BUILD_DIR / name, self.plugin / name)
        self.shop = Shop(self.root)
        self.ini = (b"[TSetup]\r\nDataDeleteDays_Text=90\r\n[kivo]\r\nDLBeforeDays=0\r\n"
                    b"BaseURL=" + self.shop.base.encode() + b"\r\n")
        (self.host / "Quillcast.ini").write_bytes(self.ini)

    def tearDown(self):
        self.shop.stop()
        shutil.rmtree(self.outer, ignore_errors=True)

    def test_lasting_files_land_in_the_host_folder(self):
        today = datetime.date.today()
        temp_dir = os.fsencode(self.tmp) + b"/"
        env = dict(os.environ, TMPDIR=os.fsdecode(temp_dir), LANG="C.UTF-8", LC_ALL="C.UTF-8")
        result = subprocess.run([str(self.plugin / "kivo")], stdin=subprocess.DEVNULL,
                                capture_output=True, env=env, cwd=str(self.root),
                                timeout=RUN_TIMEOUT)
        self.assertEqual(result.returncode, 0, result.stderr)
        if datetime.date.today() != today:
            self.skipTest("the day changed during the run")

        # Nothing went one folder up (or two), nor stayed beside the program.
        self.assertEqual([p.name for p in self.outer.iterdir()], ["work"])
        self.assertEqual(sorted(p.name for p in self.root.iterdir()),
                         sorted([HOST_NAME, TEMP_NAME, "shop.port"]))
        self.assertEqual(sorted(p.name for p in self.plugin.iterdir()), ["kivo", "powershell"])
        # The guard's lock file, shared by every user of the host folder, stays.
        self.assertEqual(sorted(p.name for p in self.host.iterdir()),
                         sorted(["Quillcast.ini", "QuillsMas.csv", "Quillcas.log", "kivo.txt",
                                 "old", "QuillsPlugIn.lock", PLUGIN_NAME]))

        # The settings: the host's section as it was, the plugin's value written back
        # on closing, and no day left unfinished.
        self.assertEqual((self.host / "Quillcast.ini").read_bytes(),
                         self.ini + b"UnfinishedDays=\r\n")

        # The catalogue: one line per title of today's list, cover paths in the
        # temporary folder with one separator.
        titles = sd.day_titles(today)
        expected = sorted(
            sd.catalogue_line(t, self.shop.base, today, TEMP_MARK).replace(
                TEMP_MARK.encode("cp932"), temp_dir) for t in titles)
        catalogue = (self.host / "QuillsMas.csv").read_bytes()
        self.assertEqual(sorted(catalogue.splitlines(keepends=True)), expected)
        self.assertNotIn(temp_dir + b"/", catalogue)

        # The history: one entry per title, dated today.
        history = (self.host / "kivo.txt").read_bytes().splitlines()
        self.assertEqual(sorted(history),
                         sorted(today.strftime("%Y%m%d").encode() +
                                sd.link_for(self.shop.base, t).encode("cp932") for t in titles))

        # The archive of today's listing.
        self.assertEqual([p.name for p in (self.host / "old").iterdir()],
                         ["kivod%s.html" % today.strftime("%y%m%d")])

        # The log: the start and version lines, the day, the end line; no failure.
        log = (self.host / "Quillcas.log").read_bytes()
        self.assertTrue(log.startswith(b"--- START ---\t"), log[:80])
        self.assertIn(b"\r\nVersion ", log)
        self.assertIn(("%d月%d日ダウンロード" % (today.month, today.day)).encode("cp932"), log)
        self.assertRegex(log.splitlines()[-1], rb"^--- END ---\t\d{4}-\d\d-\d\d\t")
        self.assertNotIn("kivo失敗.".encode("cp932"), log)
        self.assertNotIn(b"(C.ERROR)", log)

        # The temporary files went to TMPDIR: the listing page stays, the detail page
        # is removed after each title.
        self.assertTrue((self.tmp / "Getkivo.html").exists())
        self.assertFalse((self.tmp / "Getkivo2.html").exists())


if __name__ == "__main__":
    unittest.main()
