"""End-to-end: the real program and helper against the sample shop sending its pages in
UTF-8 (shop.py --utf8), beside a run against the same shop in Shift-JIS.

Both runs harvest today's list, each with its own shop, host folder and temporary folder,
side by side. The catalogue and the history of the UTF-8 run must be those of the
Shift-JIS run byte for byte, once each run's shop address and temporary folder are
written alike: the pages are converted to Shift-JIS before they are read, so titles,
authors, ISBNs, publishers and prices all come out as they do from the Shift-JIS pages.
Runs as a plain script (ctest) or under pytest.
"""

import datetime
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import urllib.request
from pathlib import Path

BUILD_DIR = Path(os.environ.get("KIVO_BUILD_DIR", ""))
sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "support"))

from host_folder import HostFolder  # noqa: E402
from sample_shop import SampleShop  # noqa: E402
import shopdata as sd  # noqa: E402

RUN_TIMEOUT = 400  # seconds; one day takes well under a minute


class Run:
    """One host folder, its own shop, and the program started in it."""

    def __init__(self, root, name, shop_options):
        folder = HostFolder(root, BUILD_DIR, ("kivo", "powershell"), host=name + "-host",
                            temp=name + "-tmp")
        self.host, self.plugin, self.tmp = folder.host, folder.plugin, folder.temp
        self.shop = SampleShop(root / name, options=shop_options)
        (root / name).mkdir()
        self.shop.start()
        (self.host / "Quillcast.ini").write_bytes(
            b"[kivo]\r\nDLBeforeDays=0\r\nBaseURL=" + self.shop.base.encode() + b"\r\n")
        self.process = None

    def start(self):
        env = dict(os.environ, TMPDIR=str(self.tmp), LANG="C.UTF-8", LC_ALL="C.UTF-8")
        self.process = subprocess.Popen([str(self.plugin / "kivo")], stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                        env=env, cwd=str(self.host.parent))

    def wait(self):
        try:
            _, err = self.process.communicate(timeout=RUN_TIMEOUT)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.communicate()
            raise
        return self.process.returncode, err

    def read(self, name):
        """The file's bytes with this run's shop address and temporary folder written
        alike for both runs."""
        data = (self.host / name).read_bytes()
        data = data.replace(self.shop.base.encode(), b"{BASE}")
        return data.replace((str(self.tmp) + os.sep).encode(), b"{TEMP}")

    def stop(self):
        if self.process is not None and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        self.shop.stop()


class Utf8ShopTest(unittest.TestCase):
    def setUp(self):
        for name in ("kivo", "powershell"):
            if not (BUILD_DIR / name).exists():
                self.fail("no %s in KIVO_BUILD_DIR=%s" % (name, BUILD_DIR))
        self.root = Path(tempfile.mkdtemp(prefix="kivo-e2e-utf8-"))
        self.runs = []
        self.sjis = self.run_in("sjis", ())
        self.utf8 = self.run_in("utf8", ("--utf8",))

    def run_in(self, name, options):
        run = Run(self.root, name, options)
        self.runs.append(run)
        return run

    def tearDown(self):
        for run in self.runs:
            run.stop()
        shutil.rmtree(self.root, ignore_errors=True)

    def test_a_shop_in_utf8_gives_the_catalogue_of_the_shop_in_shift_jis(self):
        today = datetime.date.today()
        # The shop really sends UTF-8 now: a detail page with Japanese in it.
        title = sd.day_titles(today)[0]
        with urllib.request.urlopen(sd.detail_url(self.utf8.shop.base, title.code)) as answer:
            page = answer.read()
            self.assertEqual(answer.headers.get_content_charset(), "utf-8")
        self.assertIn(b'<meta charset="UTF-8">', page)
        self.assertIn(title.title.encode("utf-8"), page)
        self.assertNotIn(title.title.encode("cp932"), page)

        for run in self.runs:
            run.start()
        for run in self.runs:
            code, err = run.wait()
            self.assertEqual(code, 0, err)
        if datetime.date.today() != today:
            self.skipTest("the day changed during the runs")

        catalogue = self.sjis.read("QuillsMas.csv")
        self.assertEqual(catalogue.count(b"\r\n"), len(sd.day_titles(today)))
        self.assertIn(title.expect_title.encode("cp932"), catalogue)
        self.assertEqual(self.utf8.read("QuillsMas.csv"), catalogue)
        self.assertEqual(self.utf8.read("kivo.txt"), self.sjis.read("kivo.txt"))
        for run in self.runs:
            self.assertNotIn(b"Analyze Error", run.read("Quillcas.log"))


if __name__ == "__main__":
    unittest.main()
