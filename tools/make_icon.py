#!/usr/bin/env python3
"""Draws the program icon (a white "k" on a blue rounded square, 32 x 32,
32 bits per pixel) and writes it as a Windows .ico file.

Usage: tools/make_icon.py [OUTPUT]   (default: src/about/kivo.ico)
The output is deterministic, so the committed icon can be re-made and compared.
"""
import os
import struct
import sys

SIZE = 32
BLUE = (0x8C, 0x4E, 0x1F, 0xFF)  # BGRA
WHITE = (0xFF, 0xFF, 0xFF, 0xFF)
CLEAR = (0, 0, 0, 0)


def inside_rounded_square(x, y, radius=6, lo=1, hi=30):
    if x < lo or x > hi or y < lo or y > hi:
        return False
    cx = min(max(x, lo + radius), hi - radius)
    cy = min(max(y, lo + radius), hi - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def on_letter(x, y):
    if 9 <= x <= 12 and 7 <= y <= 25:  # the stem
        return True
    # The two arms, drawn as thick diagonal strokes from the stem's middle.
    if 7 <= y <= 16 and abs((x - 13) - (16 - y)) <= 2 and x >= 13:
        return True
    if 16 <= y <= 25 and abs((x - 13) - (y - 16)) <= 2 and x >= 13:
        return True
    return False


def pixel(x, y):
    if not inside_rounded_square(x, y):
        return CLEAR
    return WHITE if on_letter(x, y) else BLUE


def build_icon():
    # BMP rows are stored bottom-up; then a 1-bit AND mask (all zero: the
    # alpha channel decides transparency), rows padded to 4 bytes.
    pixels = b"".join(bytes(pixel(x, y)) for y in reversed(range(SIZE)) for x in range(SIZE))
    return ico_file(SIZE, pixels, bytes(4 * SIZE))


def ico_file(size, pixels, mask):
    """A .ico file of one square image of `size` pixels: `pixels` its BGRA
    rows bottom-up, `mask` its AND mask, 4 bytes a row."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         len(pixels) + len(mask), 0, 0, 0, 0)
    image = header + pixels + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "src", "about", "kivo.ico")
    with open(out, "wb") as f:
        f.write(build_icon())


if __name__ == "__main__":
    main()
