#!/usr/bin/env python3
"""Tiny 24-bit BMP helper for the command-line tests: make a solid picture, read a pixel,
print the size, dump every pixel in canvas order, or measure how point-symmetric about the
picture's centre the pixels are whose channel CH exceeds LIMIT."""
import struct
import sys


def make(path, width, height, b, g, r):
    stride = (3 * width + 3) & ~3
    row = bytes([b, g, r]) * width + bytes(stride - 3 * width)
    pixels = row * height
    header = struct.pack('<2sIHHI', b'BM', 54 + len(pixels), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(pixels), 0, 0, 0, 0)
    with open(path, 'wb') as f:
        f.write(header + info + pixels)


def read(path):
    data = open(path, 'rb').read()
    offset = struct.unpack_from('<I', data, 10)[0]
    width, height = struct.unpack_from('<ii', data, 18)
    bits = struct.unpack_from('<H', data, 28)[0]
    assert bits == 24, 'expected a 24-bit picture'
    stride = (3 * width + 3) & ~3
    return data, offset, width, abs(height), stride, height > 0


def main():
    if sys.argv[1] == '--make':
        make(sys.argv[2], *map(int, sys.argv[3:8]))
        return
    data, offset, width, height, stride, bottom_up = read(sys.argv[1])
    what = sys.argv[2]
    if what == 'size':
        print(width, height)
    elif what == 'symmetry':
        channel, limit = int(sys.argv[3]), int(sys.argv[4])

        def lit(r, c):
            stored = height - 1 - r if bottom_up else r
            return data[offset + stored * stride + 3 * c + channel] > limit

        marks = [[lit(r, c) for c in range(width)] for r in range(height)]
        lit_count = sum(map(sum, marks))
        unmatched = sum(1 for r in range(height) for c in range(width)
                        if marks[r][c] != marks[height - 1 - r][width - 1 - c])
        print(unmatched, lit_count)
    elif what == 'dump':
        for r in range(height):
            stored = height - 1 - r if bottom_up else r
            start = offset + stored * stride
            sys.stdout.write(data[start:start + 3 * width].hex() + '\n')
    else:
        r, c = int(what), int(sys.argv[3])
        stored = height - 1 - r if bottom_up else r
        p = offset + stored * stride + 3 * c
        print(data[p], data[p + 1], data[p + 2])


main()
