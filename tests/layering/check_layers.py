#!/usr/bin/env python3
"""Holds the arrows of the layers: reads every #include "..." of the C++
sources under src/ and tools/ and fails, naming file and line, on one that
the table src/layers.txt does not allow.

    check_layers.py [SOURCE_DIR]

A quoted include is looked up beside the including file, then under src/,
then (for the download helper) under tools/fetch/; the layer of what it finds
is the longest layer folder that holds it. An include found nowhere (a header
the build generates) belongs to the layer its path begins with.
"""

import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
SOURCES = (".cpp", ".h", ".rc")


def read_table(path):
    """{layer: set of layers it may include}, in the table's order."""
    table = {}
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            layer, sep, allowed = line.partition(":")
            if not sep:
                raise SystemExit("%s:%d: not 'layer: layers'" % (path, number))
            table[layer.strip()] = set(allowed.split())
    for layer, allowed in table.items():
        for other in allowed:
            if other not in table:
                raise SystemExit("%s: %s names an unknown layer %s" % (path, layer, other))
    return table


def folder_of_layer(layer):
    return layer if layer.startswith("tools/") else "src/" + layer


def layer_of(relative, table):
    """The layer whose folder holds `relative` (a path from the source
    root), the longest that does; None when none does."""
    best = None
    for layer in table:
        folder = folder_of_layer(layer) + "/"
        if relative.startswith(folder) and (best is None or len(folder) > len(folder_of_layer(best))):
            best = layer
    return best


def target_layer(root, including, name, table):
    for base in (os.path.dirname(including), "src", "tools/fetch"):
        candidate = os.path.normpath(os.path.join(base, name))
        if os.path.isfile(os.path.join(root, candidate)):
            return layer_of(candidate.replace(os.sep, "/"), table)
    return layer_of("src/" + name, table)


def check(root):
    table = read_table(os.path.join(root, "src", "layers.txt"))
    faults = []
    files = 0
    for top in ("src", "tools"):
        for folder, _, names in os.walk(os.path.join(root, top)):
            for name in sorted(names):
                if not name.endswith(SOURCES):
                    continue
                path = os.path.join(folder, name)
                relative = os.path.relpath(path, root).replace(os.sep, "/")
                own = layer_of(relative, table)
                if own is None:
                    faults.append("%s: in no layer of src/layers.txt" % relative)
                    continue
                files += 1
                with open(path, encoding="utf-8", errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        m = INCLUDE.match(line)
                        if not m:
                            continue
                        target = target_layer(root, relative, m.group(1), table)
                        if target is None:
                            faults.append('%s:%d: "%s" is in no layer' % (relative, number, m.group(1)))
                        elif target != own and target not in table[own]:
                            faults.append('%s:%d: %s may not include "%s" (%s)' %
                                          (relative, number, own, m.group(1), target))
    return files, faults


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                           os.path.join(os.path.dirname(__file__), "..", ".."))
    files, faults = check(root)
    for fault in faults:
        print(fault)
    print("%d files, %d includes against the layers" % (files, len(faults)))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
