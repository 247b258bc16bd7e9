"""The host folder as the end-to-end tests, the Wine drivers and the benchmark lay it out,
and what they read back from it.

    ROOT/HOST/          the host's folder: Quillcast.ini, the catalogue, history, log, old/
    ROOT/HOST/PLUGIN/   copies of the programs, which take their own folder + "/.." as
                        the host's folder
    ROOT/TEMP/          the program's temporary folder (TMPDIR, or TEMP under Wine)
"""

import shutil
from pathlib import Path


class HostFolder:
    def __init__(self, root, build, programs, host="host", plugin="plugin", temp="tmp"):
        """Makes the folders below ROOT and copies PROGRAMS (paths below BUILD) into the
        plugin folder under their own names; raises OSError when that fails."""
        self.root = Path(root)
        self.host = self.root / host
        self.plugin = self.host / plugin
        self.temp = self.root / temp
        self.plugin.mkdir(parents=True)
        self.temp.mkdir()
        for program in programs:
            shutil.copy2(Path(build) / program, self.plugin / Path(program).name)


def catalogue_link(line):
    """Field 16 of a catalogue line's bytes (without the line end): the title's detail
    address, the last but one of the quoted fields the line ends with; b"" when the line
    has fewer than three."""
    fields = line.rsplit(b'","', 2)
    return fields[1] if len(fields) == 3 else b""
