#!/usr/bin/env python3
"""Writes an icon for the framework tests: one image per size given (16 and
32 by default), 32 bits per pixel, a filled square in one colour.

usage: make_test_icon.py OUT_FILE [SIZE...]
"""
import struct
import sys


def image(size, bgra):
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytes(bgra) * (size * size)
    mask_row = ((size + 31) // 32) * 4
    return header + pixels + bytes(mask_row * size)


def main(out, sizes):
    images = [image(size, (0, 96, 224, 255)) for size in sizes]
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    for size, data in zip(sizes, images):
        directory += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(out, "wb") as f:
        f.write(directory + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1], [int(size) for size in sys.argv[2:]] or [16, 32])
