"""Kill test: the real program is killed (SIGKILL) at random moments of a harvest of
the sample shop, over and over, then run normally until a run adds nothing. Every title
must then be in the catalogue exactly once, each line whole, each link once in the
history, and the catalogue must hold the same lines as one undisturbed run of the same
shop (made at the same time in a folder of its own).

KIVO_KILLS sets the number of kills (default 20); KIVO_KILL_SEED the random seed.
"""

import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

BUILD_DIR = Path(os.environ.get("KIVO_BUILD_DIR", ""))
sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "support"))

from host_folder import HostFolder, catalogue_link  # noqa: E402
from sample_shop import SampleShop  # noqa: E402

KILLS = int(os.environ.get("KIVO_KILLS", "20"))
SEED = int(os.environ.get("KIVO_KILL_SEED", str(int(time.time()))))


class Host(HostFolder):
    def __init__(self, root, name, base):
        super().__init__(root / name, BUILD_DIR, ("kivo", "powershell"))
        (self.host / "Quillcast.ini").write_bytes(
            b"[kivo]\r\nDLBeforeDays=2\r\nBaseURL=" + base.encode() + b"\r\n")

    def start(self):
        env = dict(os.environ, TMPDIR=str(self.temp) + "/", LANG="C.UTF-8", LC_ALL="C.UTF-8")
        return subprocess.Popen([str(self.plugin / "kivo")], stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                env=env, cwd=str(self.host))

    def lines(self):
        path = self.host / "QuillsMas.csv"
        data = path.read_bytes() if path.exists() else b""
        return data, [l.replace(str(self.temp).encode(), b"TMP") for l in data.split(b"\r\n")[:-1]]

    def history(self):
        path = self.host / "kivo.txt"
        return path.read_bytes() if path.exists() else b""


class KillTest(unittest.TestCase):
    def setUp(self):
        self.root = Path(tempfile.mkdtemp(prefix="kivo-e2e-kill-"))
        self.shop = SampleShop(self.root).start()

    def tearDown(self):
        self.shop.stop()
        shutil.rmtree(self.root, ignore_errors=True)

    def test_killed_at_random_every_title_once(self):
        rng = random.Random(SEED)
        reference = Host(self.root, "reference", self.shop.base)
        victim = Host(self.root, "victim", self.shop.base)
        undisturbed = reference.start()
        kills = 0
        while kills < KILLS:
            process = victim.start()
            time.sleep(rng.uniform(0.2, 4.0))
            if process.poll() is None:
                process.send_signal(signal.SIGKILL)
                kills += 1
            process.wait()
            # Nothing on disk is torn at any moment: whole lines only.
            data, _ = victim.lines()
            self.assertTrue(data == b"" or data.endswith(b"\r\n"), "torn catalogue")
            history = victim.history()
            self.assertTrue(history == b"" or history.endswith(b"\r\n"), "torn history")
        # Normal runs until one adds nothing (each killed run left work behind).
        previous = None
        for _ in range(4):
            process = victim.start()
            self.assertEqual(process.wait(timeout=600), 0)
            data, _ = victim.lines()
            if data == previous:
                break
            previous = data
        self.assertEqual(undisturbed.wait(timeout=600), 0)

        _, got = victim.lines()
        _, want = reference.lines()
        links = [catalogue_link(l) for l in got]
        repeated = sorted({l for l in links if links.count(l) > 1})
        missing = sorted(set(want) - set(got))
        print("kill test: seed %d, %d kills, %d titles, %d lost, %d repeated" %
              (SEED, kills, len(want), len(missing), len(repeated)))
        self.assertTrue(want, "the undisturbed run wrote nothing")
        self.assertEqual(repeated, [])
        self.assertEqual(missing, [])
        self.assertEqual(sorted(got), sorted(want))
        entries = [e[8:] for e in victim.history().split(b"\r\n")[:-1]]
        self.assertEqual(sorted(set(entries)), sorted(entries), "a link twice in the history")
        for link in links:
            self.assertIn(link, entries)


if __name__ == "__main__":
    unittest.main()
