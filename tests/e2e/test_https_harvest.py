"""End-to-end harvest over https: the real program and download helper against the sample
shop served with a certificate of an authority made for this run and trusted through the
system's store (tests/support/test_ca.py), at https://localhost:PORT as a browser would
reach it.

The same one-day harvest runs at the same time against the same shop over plain http, and
the two catalogues must hold the same bytes once each run's own shop address and temporary
folder are put aside; both must be the lines the shop's data model gives, and the https run's
history must hold the links as its pages wrote them. Skipped, saying what it would have
added to the store, when not run as root.
"""

import datetime
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

BUILD_DIR = Path(os.environ.get("KIVO_BUILD_DIR", ""))
sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "support"))

from host_folder import HostFolder  # noqa: E402
from sample_shop import SampleShop  # noqa: E402
from test_ca import TestCertificates  # noqa: E402
import shopdata as sd  # noqa: E402

RUN_TIMEOUT = 300  # seconds; a one-day run takes about half a minute
FAILED = "kivo失敗.".encode("cp932")


class HttpsHarvestTest(unittest.TestCase):
    def setUp(self):
        for name in ("kivo", "powershell"):
            if not (BUILD_DIR / name).exists():
                self.fail("no %s in KIVO_BUILD_DIR=%s" % (name, BUILD_DIR))
        self.root = Path(tempfile.mkdtemp(prefix="kivo-e2e-https-"))
        self.addCleanup(shutil.rmtree, self.root, ignore_errors=True)
        self.certs = TestCertificates(self.root)
        self.certs.make()
        self.certs.trust()
        self.addCleanup(self.certs.untrust)
        if not self.certs.trusted:
            self.skipTest("the test authority is not trusted (not root)")

    def start(self, name, **shop_options):
        """A host folder of its own and a shop; returns (folder, shop, process)."""
        folder = HostFolder(self.root / name, BUILD_DIR, ("kivo", "powershell"))
        (self.root / name / "shop").mkdir()
        shop = SampleShop(self.root / name / "shop", **shop_options).start()
        self.addCleanup(shop.stop)
        (folder.host / "Quillcast.ini").write_bytes(
            b"[kivo]\r\nDLBeforeDays=0\r\nBaseURL=" + shop.base.encode() + b"\r\n")
        env = dict(os.environ, TMPDIR=str(folder.temp), LANG="C.UTF-8", LC_ALL="C.UTF-8")
        for proxy in ("http_proxy", "https_proxy", "all_proxy", "HTTPS_PROXY", "ALL_PROXY"):
            env.pop(proxy, None)
        process = subprocess.Popen([str(folder.plugin / "kivo")], stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env,
                                   cwd=str(self.root / name))
        self.addCleanup(lambda: process.poll() is None and process.kill())
        return folder, shop, process

    def finish(self, process):
        _, stderr = process.communicate(timeout=RUN_TIMEOUT)
        self.assertEqual(process.returncode, 0, stderr)

    def test_https_writes_the_same_catalogue_as_http(self):
        today = datetime.date.today()
        started = time.monotonic()
        plain, plain_shop, plain_run = self.start("http")
        secure, secure_shop, secure_run = self.start("https", tls=self.certs.pair("good"))
        self.assertTrue(secure_shop.base.startswith("https://localhost:"), secure_shop.base)
        self.finish(plain_run)
        self.finish(secure_run)
        if datetime.date.today() != today:
            self.skipTest("the day changed during the run")

        def catalogue(folder, shop):
            data = (folder.host / "QuillsMas.csv").read_bytes()
            temp_dir = str(folder.temp) + os.sep
            want = b"".join(sd.catalogue_line(t, shop.base, today, temp_dir)
                            for t in sd.day_titles(today))
            self.assertEqual(data, want, "%s: not the data model's lines" % shop.base)
            return (data.replace(shop.base.encode(), b"<shop>")
                    .replace(temp_dir.encode(), b"<temp>"))

        self.assertEqual(catalogue(secure, secure_shop), catalogue(plain, plain_shop))
        history = (secure.host / "kivo.txt").read_bytes()
        self.assertEqual(history, b"".join(
            (today.strftime("%Y%m%d") + sd.link_for(secure_shop.base, t)).encode("cp932") +
            b"\r\n" for t in sd.day_titles(today)))
        log = (secure.host / "Quillcas.log").read_bytes()
        self.assertNotIn(FAILED, log)
        self.assertIn("結果: 追加 %d件、取得失敗 0件、日数 1" % len(sd.day_titles(today)),
                      log.decode("cp932"))
        # Every page came over TLS: the shop saw each detail page once.
        details = secure_shop.detail_requests()
        self.assertEqual(len(details), len(set(details)))
        print("\nhttp and https harvests side by side: %.1f s" % (time.monotonic() - started),
              file=sys.stderr)


if __name__ == "__main__":
    unittest.main()
