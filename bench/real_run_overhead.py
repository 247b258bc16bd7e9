#!/usr/bin/env python3
"""The real program's time beyond the waits it must make, against the sample shop.

    bench/real_run_overhead.py BUILD_DIR [--days N]

Lays out a host folder, starts tools/sample-shop/shop.py, and runs BUILD_DIR/kivo once
with BUILD_DIR/powershell behind a small wrapper that records when each download
command starts and ends. From those it computes what the run has to spend by the
program's own rules, given how long each command took:

  per fetch   the command, seen by a poll every 100 ms and one more 100 ms sleep
              after it (RunAndWait), then 500 ms of settling, and any wait to keep
              fetch starts 900 ms apart;
  per listing page  the second of WaitSeconds after it;
  per analysed detail page  the plain 200 ms pause.

and reports the wall time of the run, from its first fetch to its end, beyond that and
the commands' own time, as a share of the waits. Build with
-DCMAKE_BUILD_TYPE=Release for a figure that means something.
"""

import argparse
import math
import os
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "support"))

from host_folder import HostFolder  # noqa: E402
from sample_shop import SampleShop  # noqa: E402

WRAPPER = """#!/bin/sh
start=$(date +%s%N)
"$(dirname "$0")/powershell.real" "$@"
rc=$?
echo "$start $(date +%s%N) $2" >> "{log}"
exit $rc
"""


def kind_of(address):
    if "/bec/SE/Genre?" in address:
        return "listing"
    if "/img/" in address:
        return "cover"
    return "detail"


def mandated_ms(commands):
    """The waits of a run whose download commands took the measured times, in the order
    the program makes them: (waits, command time), in milliseconds."""
    t = 0.0  # the run's timeline with no time of its own
    last_start = None
    pause_due = False  # the 200 ms after an analysed detail page, taken before what follows
    listings = 0
    command_ms = 0.0
    for start, end, address in commands:
        kind = kind_of(address)
        c = (end - start) / 1e6
        command_ms += c
        if kind != "cover" and pause_due:
            t += 200.0
            pause_due = False
        if kind == "listing":
            if listings:
                t += 1000.0  # WaitSeconds(1) after the listing page before
            listings += 1
        if last_start is not None and t - last_start < 900.0:
            t += math.ceil((900.0 - (t - last_start)) / 100.0) * 100.0  # 100 ms steps
        last_start = t
        t += (math.floor(c / 100.0) + 1) * 100.0 + 100.0  # seen at the next poll, then 100 ms
        t += 500.0  # settling
        if kind == "detail":
            pause_due = True
    if pause_due:
        t += 200.0
    if listings:
        t += 1000.0
    return t - command_ms, command_ms


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build_dir")
    ap.add_argument("--days", type=int, default=1)
    args = ap.parse_args()
    build = Path(args.build_dir)

    root = Path(tempfile.mkdtemp(prefix="kivo-overhead-"))
    try:
        folder = HostFolder(root, build, ("kivo",))
        host, plugin, tmp = folder.host, folder.plugin, folder.temp
        shutil.copy2(build / "powershell", plugin / "powershell.real")
        commands_log = root / "commands.log"
        (plugin / "powershell").write_text(WRAPPER.format(log=commands_log))
        (plugin / "powershell").chmod(0o755)

        with SampleShop(root) as shop:
            (host / "Quillcast.ini").write_bytes(
                b"[kivo]\r\nDLBeforeDays=%d\r\nBaseURL=%s\r\n" % (args.days, shop.base.encode()))
            env = dict(os.environ, TMPDIR=str(tmp))
            started_ns = time.time_ns()  # the wrapper's clock
            subprocess.run([str(plugin / "kivo")], stdin=subprocess.DEVNULL, env=env, check=True,
                           stdout=subprocess.DEVNULL)
            ended_ns = time.time_ns()

        commands = []
        for line in commands_log.read_text().splitlines():
            start, end, address = line.split(" ", 2)
            commands.append((int(start), int(end), address))
        kinds = [kind_of(a) for _, _, a in commands]
        log = (host / "Quillcas.log").read_bytes().split(b"\r\n")
        fetched = [line for line in log if b":" in line and line.split(b":")[0].isdigit()]
        if any(int(line.split(b":")[0]) <= 0 for line in fetched):
            sys.exit("a detail fetch brought nothing: the model assumes every one is analysed")
        waits_ms, command_ms = mandated_ms(commands)
        print("fetches %d: listing %d, detail %d, cover %d" %
              (len(commands), kinds.count("listing"), kinds.count("detail"), kinds.count("cover")))
        # From the first fetch on: before it lie the random start-up delay of up to a
        # second and the window's creation, reported on their own.
        startup_ms = (commands[0][0] - started_ns) / 1e6
        wall_ms = (ended_ns - commands[0][0]) / 1e6
        own_ms = wall_ms - waits_ms - command_ms
        print("start-up (random delay of 0 to 999 ms included) %.0f ms" % startup_ms)
        print("then wall %.0f ms = commands %.0f ms + mandated waits %.0f ms + own %.0f ms" %
              (wall_ms, command_ms, waits_ms, own_ms))
        print("own time beyond the waits: %.2f%% of the waits" % (100.0 * own_ms / waits_ms))
    finally:
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    main()
