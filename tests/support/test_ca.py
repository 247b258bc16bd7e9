"""Certificates for the tests' TLS servers, from a certificate authority made for one test
run and trusted through the system's store only while the run lasts.

    from test_ca import TestCertificates
    with TestCertificates(folder) as certs:
        if not certs.trusted: ...skip what needs a trusted shop...
        cert, key = certs.pair("good")

The authority may sign only for the names "localhost" (and the names below it, such as
"shop.localhost") and the address 127.0.0.1 (name constraints), and its private key is
deleted as soon as the servers' certificates are signed: nothing this run leaves behind can
vouch for any other server. The servers' certificates, all made by the openssl program:

    good        localhost, shop.localhost and 127.0.0.1, valid from yesterday for a week
    expired     the same names, but it expired a year ago
    wrong-name  valid, but only for other.localhost
    self-signed localhost and 127.0.0.1, signed by its own key, which no store trusts

Entering the context adds the authority to the system's store (Debian:
/usr/local/share/ca-certificates/, then update-ca-certificates), which libcurl, Python and
Wine's crypt32 read; leaving it removes the authority again and runs update-ca-certificates
once more. Run as anyone but root, it changes nothing and says what it would have added and
removed; `trusted` is then False. A run that was killed leaves its authority in the store
(harmless: its key is gone); the next run removes it. Two runs at the same time each add
and remove their own, one after the other (a lock file).

As a command, for shell scripts and the Wine drivers:

    python3 tests/support/test_ca.py FOLDER

makes the certificates in FOLDER, trusts the authority, prints "trusted" (or "untrusted"),
and removes the authority on SIGTERM or SIGINT.
"""

import datetime
import fcntl
import os
import signal
import subprocess
import sys
import time
from pathlib import Path

STORE = Path("/usr/local/share/ca-certificates")
ETC_CERTS = Path("/etc/ssl/certs")
LOCK = Path("/run/lock") if Path("/run/lock").is_dir() else Path("/tmp")
LOCK_FILE = LOCK / "kivo-test-ca.lock"
PREFIX = "kivo-test-ca-"

NAMES = {
    "good": ("DNS:localhost", "DNS:shop.localhost", "IP:127.0.0.1"),
    "expired": ("DNS:localhost", "DNS:shop.localhost", "IP:127.0.0.1"),
    "wrong-name": ("DNS:other.localhost",),
}

CA_CONFIG = """\
[ ca ]
default_ca = test_ca
[ test_ca ]
database = {folder}/index.txt
new_certs_dir = {folder}
serial = {folder}/serial
default_md = sha256
policy = any_name
unique_subject = no
copy_extensions = none
[ any_name ]
commonName = supplied
[ authority ]
basicConstraints = critical, CA:true, pathlen:0
keyUsage = critical, keyCertSign, cRLSign
nameConstraints = critical, permitted;DNS:localhost, permitted;IP:127.0.0.1/255.255.255.255
subjectKeyIdentifier = hash
[ server ]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
"""


class CertificateError(Exception):
    """A certificate could not be made, or the store could not be changed."""


def _openssl(*args, cwd=None):
    result = subprocess.run(["openssl", *args], cwd=cwd, stdin=subprocess.DEVNULL,
                            capture_output=True, timeout=60)
    if result.returncode != 0:
        raise CertificateError("openssl %s: %s" % (args[0], result.stderr.decode(errors="replace")))


def _stamp(when):
    return when.strftime("%Y%m%d%H%M%SZ")


def _pid_runs(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    except PermissionError:
        return True
    return True


class TestCertificates:
    def __init__(self, folder):
        self.folder = Path(folder) / "certificates"
        self.trusted = False
        self.ca_cert = self.folder / "ca.pem"
        self.installed = STORE / ("%s%d.crt" % (PREFIX, os.getpid()))

    def __enter__(self):
        self.make()
        self.trust()
        return self

    def __exit__(self, *exc):
        self.untrust()

    def pair(self, name):
        """(certificate file, key file) of one of the servers' certificates."""
        return str(self.folder / (name + ".pem")), str(self.folder / (name + ".key"))

    # -- making them ---------------------------------------------------------------------

    def make(self):
        f = self.folder
        f.mkdir(parents=True, exist_ok=True)
        config = f / "ca.cnf"
        config.write_text(CA_CONFIG.format(folder=f))
        (f / "index.txt").write_text("")
        (f / "serial").write_text("%016X\n" % (int(time.time() * 1000) ^ os.getpid()))
        ca_key = f / "ca.key"
        now = datetime.datetime.now(datetime.timezone.utc)
        _openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", str(ca_key),
                 "-out", str(self.ca_cert), "-days", "7", "-subj",
                 "/CN=kivo test authority %d" % os.getpid(), "-config", str(config),
                 "-extensions", "authority")
        try:
            for name, names in NAMES.items():
                if name == "expired":
                    start, end = now - datetime.timedelta(days=400), now - datetime.timedelta(days=365)
                else:
                    start, end = now - datetime.timedelta(days=1), now + datetime.timedelta(days=7)
                self._sign(config, ca_key, name, names, start, end)
        finally:
            # Nothing signs for these names once the servers have their certificates.
            ca_key.unlink(missing_ok=True)
        _openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes",
                 "-keyout", str(f / "self-signed.key"), "-out", str(f / "self-signed.pem"),
                 "-days", "7", "-subj", "/CN=localhost",
                 "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1")

    def _sign(self, config, ca_key, name, names, start, end):
        f = self.folder
        key, request, cert = f / (name + ".key"), f / (name + ".csr"), f / (name + ".pem")
        _openssl("req", "-new", "-newkey", "rsa:2048", "-nodes", "-keyout", str(key),
                 "-out", str(request), "-subj", "/CN=%s" % names[0].split(":", 1)[1])
        # The configuration ends with the server section: its names go there.
        own = f / (name + ".cnf")
        own.write_text(config.read_text() + "subjectAltName = %s\n" % ",".join(names))
        _openssl("ca", "-batch", "-notext", "-config", str(own), "-cert", str(self.ca_cert),
                 "-keyfile", str(ca_key), "-in", str(request), "-out", str(cert),
                 "-startdate", _stamp(start), "-enddate", _stamp(end), "-extensions", "server")

    # -- the system's store ----------------------------------------------------------------

    def trust(self):
        if os.geteuid() != 0:
            print("test_ca: not root, so the test authority is not trusted. As root this "
                  "would copy %s to %s, run update-ca-certificates, and afterwards remove "
                  "that file and run update-ca-certificates again."
                  % (self.ca_cert, self.installed), file=sys.stderr)
            return
        if not STORE.is_dir():
            raise CertificateError("no %s: is ca-certificates installed?" % STORE)
        with _Locked():
            _remove_stale()
            self.installed.write_bytes(self.ca_cert.read_bytes())
            _update_store()
        self.trusted = True

    def untrust(self):
        if not self.trusted:
            return
        with _Locked():
            _remove_from_store(self.installed)
            _update_store()
        self.trusted = False


class _Locked:
    """Holds the lock that keeps two runs from rewriting the store at the same time."""

    def __enter__(self):
        self.file = open(LOCK_FILE, "a")
        fcntl.flock(self.file, fcntl.LOCK_EX)

    def __exit__(self, *exc):
        fcntl.flock(self.file, fcntl.LOCK_UN)
        self.file.close()


def _update_store():
    result = subprocess.run(["update-ca-certificates"], stdin=subprocess.DEVNULL,
                            capture_output=True, timeout=120)
    if result.returncode != 0:
        raise CertificateError("update-ca-certificates: %s" %
                               result.stderr.decode(errors="replace"))


def _remove_from_store(installed):
    """Removes an authority's file and the links update-ca-certificates made to it (which
    it leaves behind when a file goes)."""
    pem = ETC_CERTS / (installed.stem + ".pem")
    for link in ETC_CERTS.iterdir():
        if link.is_symlink() and os.readlink(link) in (str(installed), str(pem), pem.name):
            link.unlink()
    installed.unlink(missing_ok=True)


def _remove_stale():
    """The authorities of runs that were killed before they could remove their own."""
    for old in STORE.glob(PREFIX + "*.crt"):
        pid = old.stem[len(PREFIX):]
        if pid.isdigit() and int(pid) != os.getpid() and not _pid_runs(int(pid)):
            _remove_from_store(old)


def main(argv):
    if len(argv) != 2:
        print("usage: test_ca.py FOLDER", file=sys.stderr)
        return 2
    stopping = []
    for sig in (signal.SIGTERM, signal.SIGINT):
        signal.signal(sig, lambda *_: stopping.append(True))
    certs = TestCertificates(argv[1])
    try:
        certs.make()
        certs.trust()
        print("trusted" if certs.trusted else "untrusted", flush=True)
        while not stopping:
            time.sleep(0.2)
    except CertificateError as e:
        print("test_ca: %s" % e, file=sys.stderr)
        return 1
    finally:
        certs.untrust()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
