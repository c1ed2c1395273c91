#!/usr/bin/env python3
"""Writes the two 24-bit BMP sources of brindor-bench's w1 workload: w1_src1.bmp (1600 x 1200)
and w1_src2.bmp (1200 x 900), with a deterministic pattern of gradients, rings and stripes.

usage: make_w1_inputs.py [OUTPUT_FOLDER]   (default: the current folder)
"""
import os
import struct
import sys


def pattern_row(y, width, height, seed):
    row = bytearray(width * 3)
    cx, cy = width // 2, height // 2
    for x in range(width):
        dx, dy = x - cx, y - cy
        ring = ((dx * dx + dy * dy) >> (6 + seed)) & 0xFF
        row[3 * x] = (x * 255 // width + ring) & 0xFF                 # blue
        row[3 * x + 1] = (y * 255 // height) ^ ((x >> 4) & 0x3F)      # green
        row[3 * x + 2] = ((x + y * (seed + 1)) * 3 // 4) & 0xFF       # red
    return row


def write_bmp(path, width, height, seed):
    stride = (width * 3 + 3) & ~3
    image_size = stride * height
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", 54 + image_size, 0, 0, 54))
        f.write(struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, image_size, 2835, 2835, 0, 0))
        padding = bytes(stride - width * 3)
        for stored in range(height):  # bottom-up
            f.write(pattern_row(height - 1 - stored, width, height, seed))
            f.write(padding)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(folder, exist_ok=True)
    write_bmp(os.path.join(folder, "w1_src1.bmp"), 1600, 1200, 0)
    write_bmp(os.path.join(folder, "w1_src2.bmp"), 1200, 900, 1)


if __name__ == "__main__":
    main()
