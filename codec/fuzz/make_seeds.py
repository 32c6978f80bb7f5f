#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets (run from anywhere; output is
deterministic, so re-running changes nothing)."""
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))


def crc16(data):
    crc = 0
    for byte in data:
        crc ^= byte << 8
        for _ in range(8):
            crc = ((crc << 1) ^ 0x1021) if crc & 0x8000 else crc << 1
            crc &= 0xFFFF
    return crc


def chunk(kind, body):
    length = 8 + len(body)
    rest = bytes([kind, 0]) + length.to_bytes(4, "little") + body
    return crc16(rest).to_bytes(2, "little") + rest


class Bits:
    def __init__(self):
        self.value, self.count = 0, 0

    def put(self, value, width):
        self.value |= (value & ((1 << width) - 1)) << self.count
        self.count += width
        return self

    def code(self, value, width):
        return self.put(0, 1).put(value, width)

    def literal(self, value, width):
        return self.put(1, 1).put(value, width)

    def bytes(self):
        return self.value.to_bytes(self.count // 8 + 1, "little")


def rect(kind, x, y, w, h, fmt, data):
    body = w.to_bytes(2, "little") + h.to_bytes(2, "little") + bytes([fmt])
    body += y.to_bytes(2, "little") + x.to_bytes(2, "little") + data
    return chunk(kind, body)


END = chunk(0, b"")


def decode_seeds():
    # choice bytes: width-1, height-1, depth flag, smoothedHalf flag, output kind, bitfields flag, size kind, split
    same16 = bytes([7, 7, 0, 0, 2, 0, 0, 255])
    half8 = bytes([15, 9, 1, 1, 1, 0, 1, 255])
    coded = (Bits().code(1, 4).literal(0x7C00, 15).literal(0x03E0, 15).code(4, 4)
             .code(5, 5).code(2, 5).code(0, 5).bytes())
    palette = chunk(1, bytes([0, 3]) + bytes(range(12)))
    yield "end_only", same16 + END
    yield "raw16", same16 + rect(2, 1, 1, 2, 2, 15, bytes(range(8))) + END
    yield "coded16", same16 + rect(3, 0, 0, 8, 8, 15, coded) + END
    yield "palette_raw8", half8 + palette + rect(2, 0, 0, 4, 1, 8, bytes([0, 1, 2, 3])) + END
    codedpal = Bits().code(1, 4).literal(3, 8).literal(1, 8).code(4, 4).code(5, 4).code(0, 4).bytes()
    yield "coded8", half8 + palette + rect(3, 2, 2, 3, 3, 8, codedpal) + END
    yield "two_frames", bytes([3, 3, 0, 0, 0, 1, 2, 20, 30, 128]) + rect(2, 0, 0, 1, 1, 15, b"\xff\x7f") + END + END


def roundtrip_seeds():
    rng = random.Random(1)
    for depth_choice, name in ((0, "pal8"), (1, "rgb555"), (2, "bgrx")):
        for n in range(2):
            choices = bytes([depth_choice, rng.randrange(48), rng.randrange(48), 3, rng.randrange(256)])
            payload = bytes(rng.choice([0, 0, 0, 7, 255, rng.randrange(256)]) for _ in range(600))
            yield f"{name}_{n}", choices + payload


def write(target, seeds):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds:
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


write("fuzz_decode", decode_seeds())
write("fuzz_roundtrip", roundtrip_seeds())
