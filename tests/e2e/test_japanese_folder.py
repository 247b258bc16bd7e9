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
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

BUILD_DIR = Path(os.environ.get("KIVO_BUILD_DIR", ""))
sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "support"))

from host_folder import HostFolder  # noqa: E402
from sample_shop import SampleShop  # noqa: E402
import shopdata as sd  # noqa: E402

RUN_TIMEOUT = 300  # seconds; one day's listing takes well under a minute

HOST_NAME = "hostダテ"  # ends in テ: E3 83 86
PLUGIN_NAME = "pluginテ"
TEMP_NAME = "tmpダテ"
# Stands for the temporary folder in the expected catalogue lines, which shopdata
# encodes in Shift-JIS; the program writes the folder's own (UTF-8) bytes there.
TEMP_MARK = "@@TEMP@@/"


class JapaneseFolderTest(unittest.TestCase):
    def setUp(self):
        for name in ("kivo", "powershell"):
            if not (BUILD_DIR / name).exists():
                self.fail("no %s in KIVO_BUILD_DIR=%s" % (name, BUILD_DIR))
        # One folder more around the layout, so that files that go one folder up
        # too many still stay inside the test's own folder.
        self.outer = Path(tempfile.mkdtemp(prefix="kivo-e2e-japanese-"))
        self.root = self.outer / "work"
        folder = HostFolder(self.root, BUILD_DIR, ("kivo", "powershell"), HOST_NAME, PLUGIN_NAME,
                            TEMP_NAME)
        self.host, self.plugin, self.tmp = folder.host, folder.plugin, folder.temp
        # No request log: the test counts every file beside the host folder.
        self.shop = SampleShop(self.root, request_log=False).start()
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
