#!/usr/bin/env python3
"""Draws the four run buttons' images (play, skip, stop, pause; 16 x 16,
32 bits per pixel with alpha, edges smoothed by 4 x 4 supersampling) and
writes them as Windows .ico files.

Usage: tools/make_button_icons.py [FOLDER]   (default: src/shell/window/buttons)
The output is deterministic, so the committed icons can be re-made and compared.
"""
import os
import sys

from make_icon import ico_file

SIZE = 16
SAMPLES = 4  # per axis

# (edge colour, fill colour) as RGB.
GREEN = ((0x1E, 0x6E, 0x1E), (0x3C, 0xB4, 0x3C))
BLUE = ((0x1F, 0x4E, 0x8C), (0x45, 0x86, 0xD4))
RED = ((0x8C, 0x1E, 0x1E), (0xDC, 0x3C, 0x32))
AMBER = ((0x8C, 0x5A, 0x0A), (0xE6, 0xA0, 0x28))


def triangle(x0, y0, x1, y1):
    """A triangle pointing right inside the box (x0, y0)-(x1, y1)."""
    cy = (y0 + y1) / 2
    half = (y1 - y0) / 2

    def inside(x, y, inset=0.0):
        if x < x0 + inset or x > x1 - inset * 2.2:
            return False
        # The half-height shrinks linearly towards the tip.
        return abs(y - cy) <= half * (x1 - x) / (x1 - x0) - inset
    return inside


def box(x0, y0, x1, y1, radius=0.0):
    def inside(x, y, inset=0.0):
        lo_x, hi_x, lo_y, hi_y = x0 + inset, x1 - inset, y0 + inset, y1 - inset
        if x < lo_x or x > hi_x or y < lo_y or y > hi_y:
            return False
        r = max(radius - inset, 0.0)
        cx = min(max(x, lo_x + r), hi_x - r)
        cy = min(max(y, lo_y + r), hi_y - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r + 1e-9
    return inside


# Each image is a list of shapes drawn with the same colours.
IMAGES = {
    "play": (GREEN, [triangle(3.5, 2.0, 13.5, 14.0)]),
    "skip": (BLUE, [triangle(1.5, 3.0, 8.5, 13.0), triangle(7.5, 3.0, 14.5, 13.0)]),
    "stop": (RED, [box(3.0, 3.0, 13.0, 13.0, radius=1.5)]),
    "pause": (AMBER, [box(3.0, 2.5, 7.0, 13.5, radius=1.0), box(9.0, 2.5, 13.0, 13.5, radius=1.0)]),
}
EDGE = 1.1  # the darker rim's width in pixels


def pixel(shapes, colours, px, py):
    """BGRA bytes of one pixel: the share of samples inside a shape gives the
    alpha; samples inside the inset shape take the fill colour, the rest of
    the covered ones the edge colour."""
    edge, fill = colours
    covered = inner = 0
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            x = px + (sx + 0.5) / SAMPLES
            y = py + (sy + 0.5) / SAMPLES
            if any(s(x, y) for s in shapes):
                covered += 1
                if any(s(x, y, EDGE) for s in shapes):
                    inner += 1
    if covered == 0:
        return bytes(4)
    mix = [(f * inner + e * (covered - inner)) // covered for e, f in zip(edge, fill)]
    alpha = covered * 255 // (SAMPLES * SAMPLES)
    return bytes((mix[2], mix[1], mix[0], alpha))


def build_icon(name):
    colours, shapes = IMAGES[name]
    # BMP rows are stored bottom-up; then a 1-bit AND mask, rows padded to 4
    # bytes. The alpha channel decides transparency when the icon is drawn in
    # colour, but a disabled button draws the mask's shape: set (transparent)
    # wherever the pixel is less than half covered.
    rows = [[pixel(shapes, colours, x, y) for x in range(SIZE)] for y in reversed(range(SIZE))]
    pixels = b"".join(b"".join(row) for row in rows)
    mask = b""
    for row in rows:
        bits = 0
        for x, p in enumerate(row):
            if p[3] < 128:
                bits |= 1 << (31 - x)
        mask += bits.to_bytes(4, "big")
    return ico_file(SIZE, pixels, mask)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "src", "shell",
                                                                  "window", "buttons")
    os.makedirs(folder, exist_ok=True)
    for name in IMAGES:
        with open(os.path.join(folder, name + ".ico"), "wb") as f:
            f.write(build_icon(name))


if __name__ == "__main__":
    main()
