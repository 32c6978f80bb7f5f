#!/usr/bin/env python3
"""Draws the driver's logo (bitmap 103, 64x64, 16 colours) and its icon
(icon 106, 32x32 and 16x16, 16 colours): a monitor whose screen shows a
recording dot and a strip of frames.

usage: draw_images.py OUT_DIR   writes OUT_DIR/logo.bmp and OUT_DIR/codec.ico
"""
import struct
import sys
from pathlib import Path

# The standard 16-colour palette, (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, TEAL, SILVER, GREY, RED, YELLOW, AQUA, WHITE = 0, 4, 6, 7, 8, 9, 11, 14, 15
CLEAR = None  # transparent in the icon, dialog grey in the bitmap


class Canvas:
    """Pixels as palette indices, drawn on a 64-unit grid scaled to the size."""

    def __init__(self, size):
        self.size = size
        self.pixels = [[CLEAR] * size for _ in range(size)]

    def _scale(self, units):
        return int(round(units * self.size / 64))

    def rect(self, left, top, right, bottom, colour):
        """Fills the grid rectangle [left, right) x [top, bottom)."""
        x0, y0 = self._scale(left), self._scale(top)
        x1, y1 = max(self._scale(right), x0 + 1), max(self._scale(bottom), y0 + 1)
        for y in range(y0, min(y1, self.size)):
            for x in range(x0, min(x1, self.size)):
                self.pixels[y][x] = colour

    def disc(self, cx, cy, radius, colour):
        s = self.size / 64
        r = max(radius * s, 0.8)
        for y in range(self.size):
            for x in range(self.size):
                if (x + 0.5 - cx * s) ** 2 + (y + 0.5 - cy * s) ** 2 <= r * r:
                    self.pixels[y][x] = colour


def draw_logo(size):
    c = Canvas(size)
    # monitor: dark frame, black bezel, navy screen with a teal horizon
    c.rect(4, 6, 60, 46, GREY)
    c.rect(6, 8, 58, 44, BLACK)
    c.rect(9, 11, 55, 41, NAVY)
    c.rect(9, 33, 55, 41, TEAL)
    # strip of three frames, the last one changed
    for i, colour in enumerate((AQUA, AQUA, YELLOW)):
        left = 13 + i * 13
        c.rect(left, 18, left + 11, 31, WHITE)
        c.rect(left + 2, 20, left + 9, 29, colour)
    c.rect(13, 35, 51, 37, WHITE)  # the strip's film edge
    c.disc(50, 14, 3, RED)         # recording
    # stand and foot
    c.rect(27, 46, 37, 52, GREY)
    c.rect(16, 52, 48, 56, GREY)
    c.rect(16, 56, 48, 58, BLACK)
    return c


def bmp_rows(canvas, background):
    """4-bit DIB rows, bottom-up, each padded to 4 bytes."""
    rows = []
    for line in reversed(canvas.pixels):
        indices = [background if p is CLEAR else p for p in line]
        packed = bytes((indices[i] << 4) | indices[i + 1] for i in range(0, len(indices), 2))
        rows.append(packed + b"\0" * (-len(packed) % 4))
    return b"".join(rows)


def mask_rows(canvas):
    """1-bit AND mask, bottom-up: 1 where the icon is transparent."""
    rows = []
    for line in reversed(canvas.pixels):
        bits = 0
        for p in line:
            bits = (bits << 1) | (p is CLEAR)
        packed = bits.to_bytes(len(line) // 8, "big")
        rows.append(packed + b"\0" * (-len(packed) % 4))
    return b"".join(rows)


def info_header(width, height, image_size):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, image_size, 0, 0, 16, 16)


def colour_table():
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)


def logo_bmp():
    canvas = draw_logo(64)
    bits = bmp_rows(canvas, SILVER)
    header = info_header(64, 64, len(bits)) + colour_table()
    offset = 14 + len(header)
    return struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset) + header + bits


def icon_image(size):
    canvas = draw_logo(size)
    xor, mask = bmp_rows(canvas, BLACK), mask_rows(canvas)
    return info_header(size, size * 2, len(xor) + len(mask)) + colour_table() + xor + mask


def codec_ico():
    images = [icon_image(size) for size in (32, 16)]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b""
    for size, image in zip((32, 16), images):
        entries += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return directory + entries + b"".join(images)


def main():
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    (out / "logo.bmp").write_bytes(logo_bmp())
    (out / "codec.ico").write_bytes(codec_ico())


if __name__ == "__main__":
    main()
