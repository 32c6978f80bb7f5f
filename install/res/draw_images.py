#!/usr/bin/env python3
"""Draws the installer's pictures in the 16 standard colours:

  side.bmp     bitmap 102, 118 x 258: a desktop computer with a software box
               above two discs and a globe, on a teal ground
  program.ico  icon 101, 32 x 32: a computer beside an opened box
  pending.ico  icon 106, 16 x 16: a black dot on a transparent ground
  done.ico     icon 107, 16 x 16: a black check mark on a transparent ground

usage: draw_images.py OUT_DIR
"""
import struct
import sys
from pathlib import Path

# The 16 standard colours as (red, green, blue); a pixel holds an index.
COLOURS = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
(BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER,
 GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE) = range(16)
TRANSPARENT = -1


class Picture:
    """A width x height grid of colour indices, top row first."""

    def __init__(self, width, height, ground):
        self.width, self.height = width, height
        self.rows = [[ground] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.rows[y][x] = colour

    def fill(self, left, top, right, bottom, colour):
        """Fills [left, right) x [top, bottom)."""
        for y in range(top, bottom):
            for x in range(left, right):
                self.put(x, y, colour)

    def frame(self, left, top, right, bottom, colour):
        self.fill(left, top, right, top + 1, colour)
        self.fill(left, bottom - 1, right, bottom, colour)
        self.fill(left, top, left + 1, bottom, colour)
        self.fill(right - 1, top, right, bottom, colour)

    def polygon(self, points, colour):
        """Fills the pixels whose centres lie inside the polygon."""
        ys = [p[1] for p in points]
        for y in range(int(min(ys)), int(max(ys)) + 1):
            for x in range(self.width):
                if inside(points, x + 0.5, y + 0.5):
                    self.put(x, y, colour)

    def ellipse(self, cx, cy, rx, ry, colour):
        for y in range(int(cy - ry) - 1, int(cy + ry) + 2):
            for x in range(int(cx - rx) - 1, int(cx + rx) + 2):
                if ((x + 0.5 - cx) / rx) ** 2 + ((y + 0.5 - cy) / ry) ** 2 <= 1:
                    self.put(x, y, colour)

    def line(self, x0, y0, x1, y1, colour, width=1):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            x = round(x0 + (x1 - x0) * i / steps)
            y = round(y0 + (y1 - y0) * i / steps)
            self.fill(x, y, x + width, y + width, colour)


def inside(points, x, y):
    """Even-odd rule."""
    result = False
    for (x0, y0), (x1, y1) in zip(points, points[1:] + points[:1]):
        if (y0 > y) != (y1 > y) and x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
            result = not result
    return result


# --- The pictures ----------------------------------------------------------

def draw_monitor(p, left, top, width, height):
    """A monitor with a blue desktop, on a stand, above a flat system case."""
    p.fill(left, top, left + width, top + height, SILVER)
    p.frame(left, top, left + width, top + height, BLACK)
    p.fill(left + 4, top + 4, left + width - 4, top + height - 6, BLACK)
    p.fill(left + 5, top + 5, left + width - 5, top + height - 7, NAVY)
    p.fill(left + 8, top + 8, left + 20, top + 14, AQUA)     # a window
    p.fill(left + 8, top + 8, left + 20, top + 9, BLUE)
    p.fill(left + width - 4, top + height - 4, left + width - 2, top + height - 2, LIME)  # power light


def draw_computer(p, left, top, width):
    """Monitor, stand, system case and keyboard, from `top` downwards."""
    screen_height = width * 3 // 4
    draw_monitor(p, left + 6, top, width - 12, screen_height)
    middle = left + width // 2
    p.fill(middle - 8, top + screen_height, middle + 8, top + screen_height + 5, GREY)
    case_top = top + screen_height + 5
    p.fill(left, case_top, left + width, case_top + 18, SILVER)
    p.frame(left, case_top, left + width, case_top + 18, BLACK)
    p.fill(left + 6, case_top + 5, left + 30, case_top + 8, GREY)   # drive slots
    p.fill(left + 6, case_top + 11, left + 30, case_top + 13, GREY)
    p.fill(left + width - 10, case_top + 7, left + width - 6, case_top + 11, LIME)
    keys_top = case_top + 22
    p.polygon([(left + 4, keys_top), (left + width - 4, keys_top),
               (left + width, keys_top + 12), (left, keys_top + 12)], SILVER)
    for row in range(3):
        for key in range(12):
            x = left + 6 + key * (width - 12) // 12 + row
            p.fill(x, keys_top + 2 + row * 3, x + 5, keys_top + 4 + row * 3, GREY)
    p.line(left, keys_top + 12, left + width, keys_top + 12, BLACK)


def draw_box(p, left, top, size, lid_open):
    """A software box seen from the front-right, optionally with its lid up."""
    depth = size // 3
    front = [(left, top + depth), (left + size, top + depth),
             (left + size, top + depth + size), (left, top + depth + size)]
    side = [(left + size, top + depth), (left + size + depth, top),
            (left + size + depth, top + size), (left + size, top + depth + size)]
    p.polygon(front, YELLOW)
    p.polygon(side, OLIVE)
    if lid_open:
        p.polygon([(left, top + depth), (left + size, top + depth),
                   (left + size - depth // 2, top - depth // 2), (left - depth // 2, top - depth // 2)], YELLOW)
        p.polygon([(left, top + depth), (left + depth, top), (left + size + depth, top),
                   (left + size, top + depth)], BLACK)
    else:
        p.polygon([(left, top + depth), (left + depth, top), (left + size + depth, top),
                   (left + size, top + depth)], WHITE)
    for points in (front, side):
        for a, b in zip(points, points[1:] + points[:1]):
            p.line(a[0], a[1], b[0], b[1], BLACK)
    return front


def draw_disc(p, cx, cy, radius):
    p.ellipse(cx, cy, radius, radius, SILVER)
    p.ellipse(cx - radius / 4, cy - radius / 4, radius / 3, radius / 3, WHITE)
    p.ellipse(cx, cy, radius / 3, radius / 3, GREY)
    p.ellipse(cx, cy, radius / 8, radius / 8, TEAL)


def draw_globe(p, cx, cy, radius):
    """A blue sphere with a meridian ring, an equator and green land."""
    p.ellipse(cx, cy, radius + 1, radius + 1, NAVY)
    p.ellipse(cx, cy, radius, radius, BLUE)
    p.ellipse(cx, cy, radius / 2.5, radius, AQUA)
    p.ellipse(cx, cy, radius / 2.5 - 1, radius - 1, BLUE)
    p.line(int(cx - radius), int(cy), int(cx + radius), int(cy), AQUA)
    for dx, dy, rx, ry in ((-5, -5, 5, 4), (5, 4, 3, 6), (-6, 6, 3, 2)):
        p.ellipse(cx + dx, cy + dy, rx, ry, GREEN)


def side_picture():
    p = Picture(118, 258, TEAL)
    front = draw_box(p, 22, 22, 56, lid_open=False)
    left, top = front[0]
    p.fill(left + 6, top + 10, left + 50, top + 22, NAVY)           # label band
    p.fill(left + 10, top + 14, left + 46, top + 18, WHITE)
    p.ellipse(left + 28, top + 38, 10, 10, RED)                      # the maker's mark
    p.ellipse(left + 28, top + 38, 5, 5, YELLOW)
    draw_disc(p, 28, 116, 15)
    draw_disc(p, 58, 124, 15)
    draw_globe(p, 96, 104, 14)
    draw_computer(p, 14, 150, 90)
    return p


def program_icon():
    p = Picture(32, 32, TRANSPARENT)
    # the computer: a monitor above a case, on the left
    p.fill(1, 6, 19, 20, SILVER)
    p.frame(1, 6, 19, 20, BLACK)
    p.fill(3, 8, 17, 17, NAVY)
    p.fill(5, 10, 11, 13, AQUA)
    p.fill(7, 20, 13, 22, GREY)
    p.fill(0, 22, 20, 28, SILVER)
    p.frame(0, 22, 20, 28, BLACK)
    p.fill(2, 24, 10, 25, GREY)
    p.fill(16, 24, 18, 26, LIME)
    # the opened box on the right, lid raised, a disc rising out of it
    draw_box(p, 20, 16, 8, lid_open=True)
    p.ellipse(25, 11, 4, 4, SILVER)
    p.ellipse(25, 11, 1.5, 1.5, GREY)
    return p


def pending_icon():
    p = Picture(16, 16, TRANSPARENT)
    p.ellipse(8, 8, 3, 3, BLACK)
    return p


def done_icon():
    p = Picture(16, 16, TRANSPARENT)
    for x, y in ((2, 8), (3, 9), (4, 10), (5, 11), (6, 10), (7, 9), (8, 8), (9, 7), (10, 6), (11, 5), (12, 4), (13, 3)):
        p.fill(x, y, x + 2, y + 2, BLACK)
    return p


# --- Files -------------------------------------------------------------------

def rows_bottom_up(picture, transparent_as):
    return [[transparent_as if c == TRANSPARENT else c for c in row] for row in reversed(picture.rows)]


def padded(row_bytes):
    return row_bytes + b"\0" * (-len(row_bytes) % 4)


def nibbles(indices):
    """Two pixels a byte, high nibble first; an odd width gets a zero pad."""
    indices = indices + [0] * (len(indices) % 2)
    return padded(bytes(indices[i] << 4 | indices[i + 1] for i in range(0, len(indices), 2)))


def bits(flags):
    """One bit a pixel, most significant first."""
    flags = flags + [0] * (-len(flags) % 8)
    return padded(bytes(sum(flags[i + b] << (7 - b) for b in range(8)) for i in range(0, len(flags), 8)))


def dib(width, stored_height, pixel_rows, mask_rows=()):
    """BITMAPINFOHEADER, the 16-colour table, the 4-bit rows and any mask rows."""
    body = b"".join(nibbles(r) for r in pixel_rows) + b"".join(bits(r) for r in mask_rows)
    header = struct.pack("<IiiHHIIiiII", 40, width, stored_height, 1, 4, 0, len(body), 0, 0, 16, 16)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in COLOURS)
    return header + table + body


def bmp_file(picture):
    info = dib(picture.width, picture.height, rows_bottom_up(picture, SILVER))
    offset = 14 + 40 + 4 * 16
    return struct.pack("<2sIHHI", b"BM", 14 + len(info), 0, 0, offset) + info


def ico_file(picture):
    """One 16-colour image; the AND mask is set where the picture is transparent."""
    mask = [[int(c == TRANSPARENT) for c in row] for row in reversed(picture.rows)]
    image = dib(picture.width, 2 * picture.height, rows_bottom_up(picture, BLACK), mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", picture.width, picture.height, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    (out / "side.bmp").write_bytes(bmp_file(side_picture()))
    (out / "program.ico").write_bytes(ico_file(program_icon()))
    (out / "pending.ico").write_bytes(ico_file(pending_icon()))
    (out / "done.ico").write_bytes(ico_file(done_icon()))


if __name__ == "__main__":
    main()
