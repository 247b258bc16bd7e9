"""Tiny baseline JPEG and GIF images for the sample shop's covers and icons.

The shop must run on a bare Python, so there is no imaging library: this
encodes a book-cover-shaped picture made of flat 8x8 blocks. A flat block has
only a DC coefficient, so the entropy-coded data is a DC difference and an
end-of-block per block, and the whole file stays at a few hundred bytes while
any JPEG decoder (libjpeg, browsers, Windows) reads it.
"""

import zlib

WIDTH = 48  # pixels; 6 blocks
HEIGHT = 64  # pixels; 8 blocks
BAND_ROWS = 3  # block rows of the title band at the top of the cover

# Standard Huffman tables (ITU T.81 Annex K.3): luminance DC and AC.
_DC_BITS = [0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0]
_DC_VALS = list(range(12))
_AC_BITS = [0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7D]
_AC_VALS = bytes.fromhex(
    "01020300041105122131410613516107227114328191a1082342b1c11552d1f024"
    "33627282090a161718191a25262728292a3435363738393a434445464748494a53"
    "5455565758595a636465666768696a737475767778797a838485868788898a9293"
    "9495969798999aa2a3a4a5a6a7a8a9aab2b3b4b5b6b7b8b9bac2c3c4c5c6c7c8c9"
    "cad2d3d4d5d6d7d8d9dae1e2e3e4e5e6e7e8e9eaf1f2f3f4f5f6f7f8f9fa")


def _huffman_codes(bits, vals):
    """Canonical code assignment of T.81 Annex C: symbol -> (code, length)."""
    codes = {}
    code = 0
    k = 0
    for length in range(1, 17):
        for _ in range(bits[length - 1]):
            codes[vals[k]] = (code, length)
            code += 1
            k += 1
        code <<= 1
    return codes


_DC_CODES = _huffman_codes(_DC_BITS, _DC_VALS)
_AC_CODES = _huffman_codes(_AC_BITS, list(_AC_VALS))


class _BitWriter:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.n = 0

    def put(self, value, length):
        for i in range(length - 1, -1, -1):
            self.acc = (self.acc << 1) | ((value >> i) & 1)
            self.n += 1
            if self.n == 8:
                self.out.append(self.acc)
                if self.acc == 0xFF:
                    self.out.append(0)  # byte stuffing
                self.acc = 0
                self.n = 0

    def flush(self):
        if self.n:
            self.put((1 << (8 - self.n)) - 1, 8 - self.n)  # pad with one bits
        return bytes(self.out)


def _segment(marker, payload):
    return bytes([0xFF, marker]) + (len(payload) + 2).to_bytes(2, "big") + payload


def _ycbcr(rgb):
    r, g, b = rgb
    y = 0.299 * r + 0.587 * g + 0.114 * b
    cb = 128 - 0.168736 * r - 0.331264 * g + 0.5 * b
    cr = 128 + 0.5 * r - 0.418688 * g - 0.081312 * b
    return [max(0, min(255, round(v))) for v in (y, cb, cr)]


def encode_jpeg(band_rgb, body_rgb):
    """A WIDTH x HEIGHT colour JPEG: a band of band_rgb over body_rgb."""
    # Quantiser 8 for DC makes the quantised DC of a flat block equal to its
    # level-shifted sample value (the DCT's DC term is 8 * (p - 128)).
    dqt = bytes([0]) + bytes([8] + [16] * 63)
    sof = bytes([8]) + HEIGHT.to_bytes(2, "big") + WIDTH.to_bytes(2, "big") + bytes(
        [3, 1, 0x11, 0, 2, 0x11, 0, 3, 0x11, 0])
    dht = (bytes([0x00]) + bytes(_DC_BITS) + bytes(_DC_VALS) + bytes([0x10]) + bytes(_AC_BITS) +
           _AC_VALS)
    sos = bytes([3, 1, 0x00, 2, 0x00, 3, 0x00, 0, 63, 0])

    band = _ycbcr(band_rgb)
    body = _ycbcr(body_rgb)
    bits = _BitWriter()
    pred = [0, 0, 0]
    for block_row in range(HEIGHT // 8):
        colour = band if block_row < BAND_ROWS else body
        for _ in range(WIDTH // 8):
            for c in range(3):  # interleaved MCU: Y, Cb, Cr blocks
                dc = colour[c] - 128
                diff = dc - pred[c]
                pred[c] = dc
                size = abs(diff).bit_length()
                code, length = _DC_CODES[size]
                bits.put(code, length)
                if size:
                    bits.put(diff if diff > 0 else diff + (1 << size) - 1, size)
                code, length = _AC_CODES[0x00]  # end of block: every AC term is 0
                bits.put(code, length)
    app0 = b"JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00"
    return (b"\xFF\xD8" + _segment(0xE0, app0) + _segment(0xDB, dqt) + _segment(0xC0, sof) +
            _segment(0xC4, dht) + _segment(0xDA, sos) + bits.flush() + b"\xFF\xD9")


def cover_jpeg(name):
    """The cover for an image name: colours taken from the name, so every cover
    differs and the same name always gives the same bytes."""
    h = zlib.crc32(name.encode("utf-8", "surrogateescape"))
    band = (40 + (h & 0x7F), 40 + ((h >> 7) & 0x7F), 40 + ((h >> 14) & 0x7F))
    body = (230 - ((h >> 21) & 0x3F), 225 - ((h >> 24) & 0x3F), 215 - ((h >> 27) & 0x1F))
    return encode_jpeg(band, body)


NOWPRINTING_JPEG = encode_jpeg((150, 150, 150), (225, 225, 225))

# A 1x1 transparent GIF, the classic spacer, for icons the analysis must skip.
SPACER_GIF = bytes.fromhex("47494638396101000100800000000000ffffff21f90401000000002c00000000"
                           "010001000002024401003b")
