#!/usr/bin/env python3
"""Checks the Windows release archive that `cmake --build --preset windows --target
package` makes, and the Japanese guide in it.

    python3 tests/package/test_package.py BUILD_DIR

The archive must be BUILD_DIR/kivo-<version>-windows.zip (the version from the top
CMakeLists.txt) and hold exactly kivo.exe, powershell.exe and readme.txt. The programs
must be 64-bit Windows programs carrying their manifests, kivo.exe's version resource
the project's version; the guide must be the
repository's docs/readme.txt byte for byte: Shift-JIS (code page 932) with CR LF line
ends, no byte order mark, and the facts a user needs. The run buttons' icons linked into
kivo.exe must be what tools/make_button_icons.py draws.
"""

import re
import struct
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def project_version():
    text = (ROOT / "CMakeLists.txt").read_text()
    m = re.search(r"project\(kivo VERSION (\d+\.\d+\.\d+)", text)
    check(m is not None, "no project version in CMakeLists.txt")
    return m.group(1)


def file_version(data, name):
    """The version a program's version resource gives: its fixed part's four
    numbers and its "FileVersion" text, both as "a.b.c.d"."""
    at = data.find(struct.pack("<I", 0xFEEF04BD))  # VS_FIXEDFILEINFO's signature
    check(at >= 0, "%s has no version resource" % name)
    high, low = struct.unpack_from("<II", data, at + 8)
    fixed = "%d.%d.%d.%d" % (high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF)
    # The string table follows the fixed part: key, padding, value, each UTF-16.
    key = "FileVersion\0".encode("utf-16-le")
    start = data.find(key, at)
    check(start >= 0, "%s has no FileVersion text" % name)
    start += len(key)
    while data[start:start + 2] == b"\0\0":
        start += 2
    end = start
    while data[end:end + 2] not in (b"\0\0", b""):
        end += 2
    return fixed, data[start:end].decode("utf-16-le")


def check_guide(data, name):
    check(not data.startswith(b"\xef\xbb\xbf"), "%s starts with a UTF-8 byte order mark" % name)
    check(data.endswith(b"\r\n"), "%s does not end with CR LF" % name)
    for i, line in enumerate(data[:-2].split(b"\r\n"), 1):
        check(b"\r" not in line and b"\n" not in line,
              "%s line %d: a CR or LF that is not part of a CR LF" % (name, i))
        check(b"\t" not in line, "%s line %d: a tab" % (name, i))
    try:
        text = data.decode("cp932")
    except UnicodeDecodeError as e:
        raise Failure("%s is not Shift-JIS: %s" % (name, e))
    check(text.encode("cp932") == data, "%s does not round-trip through code page 932" % name)
    # Text that was UTF-8 before a wrong conversion decodes to stray half-width kana.
    check("\u7e3a" not in text and "\u8b41" not in text, "%s looks like UTF-8 read as 932" % name)
    check(sum(1 for c in text if ord(c) > 0x3000) > 200, "%s holds hardly any Japanese" % name)
    for needle in ["kivo.exe", "powershell.exe", "Quillcast.ini", "DataDeleteDays_Text",
                   "DLBeforeDays", "QuillsMas.csv", "kivo.txt", "Quillcas.log", "qlc.ini",
                   "/c", "インストール", "うまくいかないとき", "停止", "スキップ", "一時停止",
                   "再開", "kivo失敗."]:
        check(needle in text, "%s does not mention %s" % (name, needle))


def check_program(data, name, needles):
    check(data[:2] == b"MZ", "%s is not a Windows program" % name)
    pe = int.from_bytes(data[0x3C:0x40], "little")
    check(data[pe:pe + 4] == b"PE\0\0", "%s has no PE header" % name)
    check(int.from_bytes(data[pe + 4:pe + 6], "little") == 0x8664, "%s is not x86-64" % name)
    for needle in needles:
        check(needle in data, "%s lacks %r" % (name, needle))


def check_button_icons():
    committed = ROOT / "src" / "shell" / "window" / "buttons"
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([sys.executable, str(ROOT / "tools" / "make_button_icons.py"), folder],
                       check=True)
        made = sorted(p.name for p in Path(folder).iterdir())
        check(made == sorted(p.name for p in committed.iterdir()),
              "src/shell/window/buttons holds other icons than the script draws: %s" % made)
        for name in made:
            check((Path(folder) / name).read_bytes() == (committed / name).read_bytes(),
                  "src/shell/window/buttons/%s differs from what tools/make_button_icons.py draws"
                  % name)


def main(argv):
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    build = Path(argv[1]).resolve()
    archive = build / ("kivo-%s-windows.zip" % project_version())
    try:
        check(archive.is_file(), "no %s (build the package target)" % archive)
        source_guide = (ROOT / "docs" / "readme.txt").read_bytes()
        check_guide(source_guide, "docs/readme.txt")
        check_button_icons()
        with zipfile.ZipFile(archive) as z:
            names = sorted(z.namelist())
            check(names == ["kivo.exe", "powershell.exe", "readme.txt"],
                  "%s holds %s" % (archive.name, names))
            guide = z.read("readme.txt")
            check(guide == source_guide, "readme.txt in the archive differs from docs/readme.txt")
            program = z.read("kivo.exe")
            check_program(program, "kivo.exe",
                          [b"Microsoft.Windows.Common-Controls", b"<gdiScaling",
                           "kivo".encode("utf-16-le")])
            # The version is written once, in project(): the resource must say it.
            want = project_version() + ".0"
            check(file_version(program, "kivo.exe") == (want, want),
                  "kivo.exe's version resource says %s, the project %s"
                  % (file_version(program, "kivo.exe"), want))
            check_program(z.read("powershell.exe"), "powershell.exe",
                          [b"requestedExecutionLevel level=\"asInvoker\""])
    except Failure as e:
        print("package: FAILED: %s" % e, file=sys.stderr)
        return 1
    print("package: OK: %s holds %s; the guide is Shift-JIS with CR LF (%d bytes)"
          % (archive.name, ", ".join(names), len(guide)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
