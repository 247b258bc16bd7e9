"""End-to-end tests of the program itself (KIVO_BUILD_DIR/kivo).

Each test lays out a host folder in a temporary directory: Quillcast.ini in
host/, and a copy of the program in host/plugin/, so the program finds the
host folder as its own folder + "/..". Every test has its own host folder and
TMPDIR, so the single-instance guard of one test never meets another's.
"""

import os
import pty
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import termios
import time
import unittest

BUILD_DIR = os.environ.get("KIVO_BUILD_DIR", "")
PROGRAM = os.path.join(BUILD_DIR, "kivo")
HELPER = os.path.join(BUILD_DIR, "powershell")
sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                "support"))

from sample_shop import SampleShop  # noqa: E402


def file_version():
    """The program's version as the build wrote it from project(VERSION)."""
    with open(os.path.join(BUILD_DIR, "generated", "about", "version_values.h"), "rb") as f:
        for line in f:
            if line.startswith(b"#define KIVO_FILE_VERSION "):
                return line.split(b'"')[1]
    raise AssertionError("no KIVO_FILE_VERSION in the build's version_values.h")


FILE_VERSION = file_version() if BUILD_DIR else b""
STOP_PRESSED = "停止ボタン押下".encode("cp932")
SKIP_PRESSED = "スキップボタン押下".encode("cp932")
CAPPED = "データ削除日以前のデータはダウンロードしても削除されてしまいます."


class HostFolder:
    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="kivo-e2e-shell-")
        self.host = os.path.join(self.root, "host")
        self.plugin = os.path.join(self.host, "plugin")
        self.tmp = os.path.join(self.root, "tmp")
        os.makedirs(self.plugin)
        os.makedirs(self.tmp)
        self.program = os.path.join(self.plugin, "kivo")
        shutil.copy2(PROGRAM, self.program)

    def env(self):
        env = dict(os.environ)
        env["TMPDIR"] = self.tmp
        env["LANG"] = env["LC_ALL"] = "C.UTF-8"
        return env

    def path(self, name):
        return os.path.join(self.host, name)

    def write(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)

    def read(self, name):
        try:
            with open(self.path(name), "rb") as f:
                return f.read()
        except FileNotFoundError:
            return None

    def settings(self, before_days=None, delete_days=b"0", base_url=b"http://127.0.0.1:9"):
        ini = b"[TSetup]\r\nDataDeleteDays_Text=" + delete_days + b"\r\n[kivo]\r\n"
        if before_days is not None:
            ini += b"DLBeforeDays=" + before_days + b"\r\n"
        # A closed port: a harvest that starts fails fast and touches no shop.
        ini += b"BaseURL=" + base_url + b"\r\n"
        self.write("Quillcast.ini", ini)

    def run(self, args, stdin_data=b"", timeout=60):
        return subprocess.run([self.program] + args, input=stdin_data, capture_output=True,
                              env=self.env(), cwd=self.root, timeout=timeout)

    def start(self, args, **kw):
        return subprocess.Popen([self.program] + args, env=self.env(), cwd=self.root, **kw)

    def wait_for_log(self, timeout=10):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            log = self.read("Quillcas.log")
            if log and log.endswith(b"\r\n") and b"Version" in log:
                return log
            time.sleep(0.05)
        raise AssertionError("the program did not open its log")

    def cleanup(self):
        shutil.rmtree(self.root, ignore_errors=True)


def stored_days(ini):
    for line in ini.split(b"\n"):
        if line.strip().startswith(b"DLBeforeDays="):
            return line.strip()[len(b"DLBeforeDays="):]
    return None


class ShellTest(unittest.TestCase):
    def setUp(self):
        if not os.path.exists(PROGRAM):
            self.fail("no program at " + PROGRAM)
        self.folder = HostFolder()

    def tearDown(self):
        self.folder.cleanup()

    def assert_log_bracketed(self, log):
        lines = log.split(b"\r\n")
        self.assertTrue(lines[0].startswith(b"--- START ---\t"), log)
        self.assertEqual(lines[1], b"Version " + FILE_VERSION)
        self.assertTrue(lines[-2].startswith(b"--- END ---\t"), log)
        self.assertEqual(lines[-1], b"")

    def test_configuration_reads_lines_and_stores_the_last_value(self):
        self.folder.settings(delete_days=b"45")
        result = self.folder.run(["/c"], b"60\n\n12\n")
        self.assertEqual(result.returncode, 0, result.stderr)
        out = result.stdout.decode("utf-8")
        self.assertIn("kivo新刊データプラグイン", out)
        self.assertIn("30 日前まで取得する", out)
        # 60 was cut to the host's 45, with the message, then 12 taken.
        self.assertIn(CAPPED, out)
        self.assertIn("45 日前まで取得する", out)
        ini = self.folder.read("Quillcast.ini")
        self.assertEqual(stored_days(ini), b"12")
        self.assertIn(b"[TSetup]\r\nDataDeleteDays_Text=45\r\n", ini)
        self.assert_log_bracketed(self.folder.read("Quillcas.log"))

    def test_configuration_end_of_input_keeps_the_value(self):
        self.folder.settings(before_days=b"20")
        result = self.folder.run(["/c"], b"")
        self.assertEqual(result.returncode, 0)
        self.assertEqual(stored_days(self.folder.read("Quillcast.ini")), b"20")

    def test_configuration_with_bad_values(self):
        for typed, stored in ((b"abc\n", b"30"), (b"-5\n", b"-5"), (b"99999999999\n", b"30"),
                              (b"  7  \r\n", b"7"), (b"8", b"8")):
            self.folder.settings(before_days=b"20")
            result = self.folder.run(["/c"], typed)
            self.assertEqual(result.returncode, 0)
            self.assertEqual(stored_days(self.folder.read("Quillcast.ini")), stored, typed)

    def test_bad_stored_values_do_not_stop_the_program(self):
        for before, delete in ((b"", b""), (b"x", b"-4"), (b"-3", b"abc"),
                               (b"123456789012", b"99999999999")):
            self.folder.settings(before_days=before, delete_days=delete)
            result = self.folder.run(["/c"], b"")
            self.assertEqual(result.returncode, 0, (before, delete))
            expected = b"-3" if before == b"-3" else b"30"
            self.assertEqual(stored_days(self.folder.read("Quillcast.ini")), expected)

    def test_a_log_that_cannot_be_written_does_not_stop_the_program(self):
        # A folder where the log should be; then a log whose folder is gone.
        os.makedirs(self.folder.path("Quillcas.log"))
        for attempt in (0, 1):
            self.folder.settings(before_days=b"5")
            result = self.folder.run(["/c"], b"6\n")
            self.assertEqual(result.returncode, 0, attempt)
            self.assertEqual(stored_days(self.folder.read("Quillcast.ini")), b"6")
            if attempt == 0:
                os.rmdir(self.folder.path("Quillcas.log"))
                os.symlink(os.path.join(self.folder.root, "gone", "Quillcas.log"),
                           self.folder.path("Quillcas.log"))
        self.assertFalse(os.path.exists(os.path.join(self.folder.root, "gone")))

    def test_a_history_that_cannot_be_read_is_reported_not_fatal(self):
        # A regular file whose every read fails, even for root.
        os.symlink("/proc/self/mem", self.folder.path("kivo.txt"))
        self.folder.settings(before_days=b"5")
        result = self.folder.run(["/c"], b"6\n")
        self.assertEqual(result.returncode, 0)
        self.assertIn(b"\n! ", result.stdout)  # the status bar's line
        self.assertEqual(stored_days(self.folder.read("Quillcast.ini")), b"6")
        self.assertTrue(os.path.islink(self.folder.path("kivo.txt")))

    def test_stop_line_in_configuration_closes(self):
        self.folder.settings(before_days=b"5")
        result = self.folder.run(["/c"], b"6\ns\n9\n")
        self.assertEqual(result.returncode, 0)
        self.assertEqual(stored_days(self.folder.read("Quillcast.ini")), b"6")
        self.assertIn(b"\r\n" + STOP_PRESSED + b"\r\n", self.folder.read("Quillcas.log"))

    def test_second_copy_exits_at_once_and_writes_nothing(self):
        self.folder.settings(before_days=b"5")
        first = self.folder.start(["/c"], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL)
        try:
            self.folder.wait_for_log()
            ini_before = self.folder.read("Quillcast.ini")
            log_before = self.folder.read("Quillcas.log")
            started = time.monotonic()
            second = self.folder.run([], b"", timeout=30)
            elapsed = time.monotonic() - started
            self.assertEqual(second.returncode, 0)
            self.assertLess(elapsed, 2.0)  # the delay is under a second
            self.assertEqual(second.stdout, b"")
            self.assertEqual(second.stderr, b"")
            self.assertEqual(self.folder.read("Quillcast.ini"), ini_before)
            self.assertEqual(self.folder.read("Quillcas.log"), log_before)
            # Another temporary folder does not make it another run: both
            # would write the same host files.
            other_tmp = os.path.join(self.folder.root, "other-tmp")
            os.makedirs(other_tmp)
            env = dict(self.folder.env(), TMPDIR=other_tmp)
            third = subprocess.run([self.folder.program], input=b"", capture_output=True,
                                   env=env, cwd=self.folder.root, timeout=30)
            self.assertEqual((third.returncode, third.stdout, third.stderr), (0, b"", b""))
            self.assertEqual(self.folder.read("Quillcas.log"), log_before)
            self.assertIsNone(first.poll(), "the first copy was disturbed")
            first.stdin.write(b"7\n")
            first.stdin.close()
            self.assertEqual(first.wait(timeout=10), 0)
        finally:
            if first.poll() is None:
                first.kill()
                first.wait()
        self.assertEqual(stored_days(self.folder.read("Quillcast.ini")), b"7")
        # After the first copy has ended the next one passes the guard.
        again = self.folder.run(["/c"], b"")
        self.assertEqual(again.returncode, 0)
        self.assertEqual(self.folder.read("Quillcas.log").count(b"--- START ---"), 2)

    def test_sigterm_and_sigint_act_as_stop(self):
        for sig in (signal.SIGTERM, signal.SIGINT):
            self.folder.settings(before_days=b"4")
            if os.path.exists(self.folder.path("Quillcas.log")):
                os.remove(self.folder.path("Quillcas.log"))
            proc = self.folder.start(["/c"], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL)
            try:
                self.folder.wait_for_log()
                proc.send_signal(sig)
                self.assertEqual(proc.wait(timeout=5), 0)
            finally:
                if proc.poll() is None:
                    proc.kill()
                    proc.wait()
                proc.stdin.close()
            log = self.folder.read("Quillcas.log")
            self.assertIn(b"\r\n" + STOP_PRESSED + b"\r\n", log)
            self.assert_log_bracketed(log)
            self.assertEqual(stored_days(self.folder.read("Quillcast.ini")), b"4")

    def test_harvest_mode_never_waits_on_standard_input(self):
        # One day back and a shop that refuses: the run ends by itself even
        # though standard input stays open and silent.
        self.folder.settings(before_days=b"0")
        proc = self.folder.start([], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        try:
            code = proc.wait(timeout=120)
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
            proc.stdin.close()
        self.assertEqual(code, 0)
        self.assert_log_bracketed(self.folder.read("Quillcas.log"))
        self.assertEqual(stored_days(self.folder.read("Quillcast.ini")), b"0")

    def test_help_lists_the_keys_and_touches_nothing(self):
        self.folder.settings(before_days=b"3")
        ini = self.folder.read("Quillcast.ini")
        result = self.folder.run(["--help"])
        self.assertEqual(result.returncode, 0)
        for words in (b"/c", b"Stop", b"Pause", b"Resume", b"Skip", b"SIGINT", b"SIGTERM"):
            self.assertIn(words, result.stdout)
        self.assertEqual(self.folder.read("Quillcast.ini"), ini)
        self.assertIsNone(self.folder.read("Quillcas.log"))


def spawn_on_terminal(folder, args):
    """Starts the program with a new pseudo-terminal as its controlling
    terminal, in the terminal's foreground, as a shell would."""
    master, slave = pty.openpty()
    proc = subprocess.Popen([folder.program] + args, stdin=slave, stdout=slave, stderr=slave,
                            env=folder.env(), cwd=folder.root, start_new_session=True,
                            preexec_fn=lambda: __import__("fcntl").ioctl(0, termios.TIOCSCTTY, 0))
    return proc, master, slave


def read_until(master, needle, timeout=10):
    data = b""
    end = time.monotonic() + timeout
    while needle not in data and time.monotonic() < end:
        ready, _, _ = select.select([master], [], [], 0.1)
        if ready:
            try:
                data += os.read(master, 4096)
            except OSError:
                break
    return data


class TerminalTest(unittest.TestCase):
    """The program on a pseudo-terminal, as a person at a terminal runs it."""

    def setUp(self):
        self.folder = HostFolder()

    def tearDown(self):
        self.folder.cleanup()

    def test_information_box_waits_for_enter_on_a_terminal(self):
        self.folder.settings(before_days=b"60", delete_days=b"45")
        proc, master, slave = spawn_on_terminal(self.folder, ["/c"])
        try:
            out = read_until(master, b"[Enter]")
            self.assertIn(CAPPED.encode("utf-8"), out)
            time.sleep(0.5)
            # Still in the box: the window is not activated, no log yet.
            self.assertIsNone(proc.poll())
            self.assertIsNone(self.folder.read("Quillcas.log"))
            os.write(master, b"\n")
            self.folder.wait_for_log()
            read_until(master, b"New value")
            os.write(master, b"p\n")
            read_until(master, b"Paused")
            os.write(master, b"r\n")
            os.write(master, b"s\n")
            self.assertEqual(proc.wait(timeout=10), 0)
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
            os.close(master)
            os.close(slave)
        self.assertIn(b"\r\n" + STOP_PRESSED + b"\r\n", self.folder.read("Quillcas.log"))
        self.assertEqual(stored_days(self.folder.read("Quillcast.ini")), b"45")

    def test_terminal_is_restored_after_a_run(self):
        self.folder.settings(before_days=b"0")
        proc, master, slave = spawn_on_terminal(self.folder, [])
        try:
            before = termios.tcgetattr(slave)
            read_until(master, b"\x00", timeout=1)  # let it start
            self.assertEqual(proc.wait(timeout=120), 0)
            after = termios.tcgetattr(slave)
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
            os.close(master)
            os.close(slave)
        self.assertEqual(after[3] & (termios.ICANON | termios.ECHO),
                         before[3] & (termios.ICANON | termios.ECHO))


JOB_SHELL = r"""
import fcntl, os, signal, sys, termios
fcntl.ioctl(0, termios.TIOCSCTTY, 0)
signal.signal(signal.SIGTTOU, signal.SIG_IGN)
pid = os.fork()
if pid == 0:
    os.setpgid(0, 0)
    os.execv(sys.argv[2], sys.argv[2:])
os.setpgid(pid, pid)
os.tcsetpgrp(0, pid)
with open(sys.argv[1] + ".tmp", "w") as f:
    f.write(str(pid))
os.rename(sys.argv[1] + ".tmp", sys.argv[1])
while True:
    _, status = os.waitpid(pid, os.WUNTRACED)
    if not os.WIFSTOPPED(status):
        sys.exit(os.waitstatus_to_exitcode(status))
"""


def wait_for_state(pid, *states, timeout=5):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        with open("/proc/%d/stat" % pid) as f:
            if f.read().rsplit(") ", 1)[1][0] in states:
                return True
        time.sleep(0.05)
    return False


class ShopRunTest(unittest.TestCase):
    """Runs against the sample shop: the run controls act on a real harvest."""

    def setUp(self):
        if not os.path.exists(HELPER):
            self.fail("missing " + HELPER)
        self.folder = HostFolder()
        shutil.copy2(HELPER, os.path.join(self.folder.plugin, "powershell"))
        self.shop = SampleShop(self.folder.root).start()
        self.folder.settings(before_days=b"2", delete_days=b"90",
                             base_url=self.shop.base.encode())

    def tearDown(self):
        self.shop.stop()
        self.folder.cleanup()

    def request_count(self):
        return len(self.shop.requests())

    def wait_for_requests(self, n, timeout=60):
        end = time.monotonic() + timeout
        while self.request_count() < n and time.monotonic() < end:
            time.sleep(0.05)
        self.assertGreaterEqual(self.request_count(), n)

    def test_keys_pause_skip_and_stop_a_run(self):
        proc, master, slave = spawn_on_terminal(self.folder, [])
        try:
            before = termios.tcgetattr(slave)
            self.wait_for_requests(2)
            os.write(master, b"p")
            read_until(master, b"Paused")
            time.sleep(1.0)  # a fetch under way may still end
            held = self.request_count()
            time.sleep(2.5)
            self.assertEqual(self.request_count(), held, "the run went on during the pause")
            os.write(master, b"r")
            self.wait_for_requests(held + 1)
            os.write(master, b"k")
            time.sleep(0.5)
            os.write(master, b"s")
            self.assertEqual(proc.wait(timeout=60), 0)
            after = termios.tcgetattr(slave)
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
            os.close(master)
            os.close(slave)
        # Stop still lets the run save its history.
        self.assertIsNotNone(self.folder.read("kivo.txt"))
        log = self.folder.read("Quillcas.log")
        self.assertIn(b"\r\n" + SKIP_PRESSED + b"\r\n", log)
        self.assertIn(b"\r\n" + STOP_PRESSED + b"\r\n", log)
        self.assertTrue(log.endswith(b"\r\n") and b"--- END ---\t" in log.split(b"\r\n")[-2])
        self.assertEqual(after[3] & (termios.ICANON | termios.ECHO),
                         before[3] & (termios.ICANON | termios.ECHO))

    def test_ctrl_z_gives_the_terminal_back_and_continue_takes_keys_again(self):
        # A job-control shell in miniature: a session leader that starts the
        # program in its own process group, in the terminal's foreground.
        # (A process group without such a parent is orphaned, and the system
        # would never stop it.)
        pid_file = os.path.join(self.folder.root, "job.pid")
        master, slave = pty.openpty()
        shell = subprocess.Popen(
            [sys.executable, "-c", JOB_SHELL, pid_file, self.folder.program],
            stdin=slave, stdout=slave, stderr=slave, env=self.folder.env(),
            cwd=self.folder.root, start_new_session=True)
        try:
            cooked = termios.tcgetattr(slave)[3] & (termios.ICANON | termios.ECHO)
            self.wait_for_requests(2)
            with open(pid_file) as f:
                pid = int(f.read())
            self.assertEqual(termios.tcgetattr(slave)[3] & termios.ICANON, 0)
            os.kill(pid, signal.SIGTSTP)
            self.assertTrue(wait_for_state(pid, "T"), "the program did not stop")
            self.assertEqual(termios.tcgetattr(slave)[3] & (termios.ICANON | termios.ECHO),
                             cooked)
            os.kill(pid, signal.SIGCONT)
            self.assertTrue(wait_for_state(pid, "S", "R"))
            time.sleep(0.5)
            self.assertEqual(termios.tcgetattr(slave)[3] & termios.ICANON, 0)
            os.write(master, b"s")  # a single key, no Enter
            self.assertEqual(shell.wait(timeout=60), 0)
        finally:
            if shell.poll() is None:
                shell.kill()
                shell.wait()
            os.close(master)
            os.close(slave)
        self.assertIn(b"\r\n" + STOP_PRESSED + b"\r\n", self.folder.read("Quillcas.log"))

    def test_sigterm_stops_a_run_that_keeps_its_history(self):
        proc = self.folder.start([], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        try:
            self.wait_for_requests(3)
            started = time.monotonic()
            proc.send_signal(signal.SIGTERM)
            self.assertEqual(proc.wait(timeout=30), 0)
            self.assertLess(time.monotonic() - started, 10)
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
            proc.stdin.close()
        log = self.folder.read("Quillcas.log")
        self.assertIn(b"\r\n" + STOP_PRESSED + b"\r\n", log)
        self.assertIn(b"--- END ---\t", log.split(b"\r\n")[-2])
        self.assertIsNotNone(self.folder.read("kivo.txt"))
        self.assertEqual(stored_days(self.folder.read("Quillcast.ini")), b"2")


if __name__ == "__main__":
    unittest.main(verbosity=2)
