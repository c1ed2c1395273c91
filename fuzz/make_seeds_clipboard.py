#!/usr/bin/env python3
"""Writes small clipboard bitmap blocks (CF_DIB) as seeds for the pasted-bitmap fuzz target.

Usage: make_seeds_clipboard.py CORPUS_ROOT   (files go to CORPUS_ROOT/sources_clipboard_fuzz/)
"""
import os
import struct
import sys


def header(width, height, bits, compression=0, clr_used=0, size=40):
    row = (width * bits + 31) // 32 * 4
    head = struct.pack('<IiiHHIIiiII', size, width, height, 1, bits, compression,
                       row * abs(height), 0, 0, clr_used, 0)
    return head + bytes(size - 40), row


def block(width, height, bits, compression=0, clr_used=0, extra=b'', size=40):
    head, row = header(width, height, bits, compression, clr_used, size)
    pixels = bytes(((i * 37 + 11) & 0xFF) for i in range(row * abs(height)))
    return head + extra + pixels


def palette(n):
    return b''.join(struct.pack('<BBBB', (i * 40) & 0xFF, (i * 90) & 0xFF, (i * 7) & 0xFF, 0) for i in range(n))


def main():
    out = os.path.join(sys.argv[1], 'sources_clipboard_fuzz')
    os.makedirs(out, exist_ok=True)
    masks565 = struct.pack('<III', 0xF800, 0x07E0, 0x001F)
    # A v5 header naming the fourth byte as opacity, as a paste with transparency brings it.
    v5_alpha = block(3, -2, 32, compression=3, size=124)
    v5_alpha = v5_alpha[:40] + struct.pack('<IIII', 0xFF0000, 0xFF00, 0xFF, 0xFF000000) + v5_alpha[56:]
    seeds = {
        'bits1': block(9, 3, 1, extra=palette(2)),
        'bits1_topdown': block(9, -3, 1, extra=palette(2)),
        'bits4': block(5, 2, 4, extra=palette(16)),
        'bits4_clrused3': block(5, 2, 4, clr_used=3, extra=palette(3)),
        'bits8': block(3, 3, 8, extra=palette(256)),
        'bits8_rle': block(3, 3, 8, compression=1, extra=palette(256)),
        'bits16': block(3, 2, 16),
        'bits16_565': block(3, -2, 16, compression=3, extra=masks565),
        'bits16_v5': block(2, 2, 16, compression=3, size=124),
        'bits24': block(5, 3, 24),
        'bits32': block(2, 2, 32),
        'bits32_fields': block(2, -2, 32, compression=3, extra=struct.pack('<III', 0xFF0000, 0xFF00, 0xFF)),
        'bits32_v5_alpha': v5_alpha,
        'bits32_alpha_fields': block(2, 2, 32, compression=6,
                                     extra=struct.pack('<IIII', 0xFF0000, 0xFF00, 0xFF, 0xFF000000)),
    }
    for name, data in seeds.items():
        with open(os.path.join(out, name), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
