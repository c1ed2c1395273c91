#!/usr/bin/env python3
"""Writes small valid pictures as seed inputs for the codec fuzz targets.

Usage: make_seeds.py CORPUS_ROOT   (files go to CORPUS_ROOT/<target>/)
"""
import os
import struct
import sys


def pattern(width, height, channels, salt=0):
    """Rows of bytes with a little variety: runs, steps and values above 0xC0."""
    rows = []
    for y in range(height):
        row = bytearray()
        for x in range(width):
            for c in range(channels):
                v = ((x // 2) * 37 + y * 11 + c * 90 + salt) & 0xFF
                row.append(0xC7 if (x + y) % 5 == 0 else v)
        rows.append(bytes(row))
    return rows


# ---- BMP ---------------------------------------------------------------------------------

def pad4(b):
    return b + bytes((-len(b)) % 4)


def pack_indexes(indexes, bpp):
    out = bytearray()
    per = 8 // bpp
    for i in range(0, len(indexes), per):
        v = 0
        for k in range(per):
            idx = indexes[i + k] if i + k < len(indexes) else 0
            v |= (idx & ((1 << bpp) - 1)) << (8 - bpp * (k + 1))
        out.append(v)
    return bytes(out)


def info_header(width, height, bpp, compression=0, size_image=0, clr_used=0, size=40, ppm=2835):
    h = struct.pack('<IiiHHIIiiII', 40, width, height, 1, bpp, compression, size_image, ppm, ppm,
                    clr_used, 0)
    if size > 40:
        h = struct.pack('<I', size) + h[4:] + bytes(size - 40)
    return h


def bmp_file(info, palette, body, masks=b''):
    off = 14 + len(info) + len(masks) + len(palette)
    return b'BM' + struct.pack('<IHHI', off + len(body), 0, 0, off) + info + masks + palette + body


def palette4(n):
    return b''.join(bytes([(i * 53) & 0xFF, (i * 97) & 0xFF, (i * 29) & 0xFF, 0]) for i in range(n))


def bmp_indexed(width, height, bpp):
    rows = []
    for y in range(height):
        idx = [(x * 3 + y) % (1 << bpp) for x in range(width)]
        rows.append(pad4(pack_indexes(idx, bpp)))
    return bmp_file(info_header(width, height, bpp), palette4(1 << bpp), b''.join(rows))


def bmp_seeds():
    seeds = {}
    for bpp in (1, 4, 8):
        seeds['bmp_%dbit' % bpp] = bmp_indexed(5, 3, bpp)
    rows24 = [pad4(r) for r in pattern(3, 2, 3)]
    body24 = b''.join(rows24)
    seeds['bmp_24bit'] = bmp_file(info_header(3, 2, 24), b'', body24)
    seeds['bmp_24bit_topdown'] = bmp_file(info_header(3, -2, 24), b'', body24)
    seeds['bmp_bare_info'] = info_header(3, 2, 24, ppm=0) + body24
    seeds['bmp_v4'] = bmp_file(info_header(3, 2, 24, size_image=len(body24), size=108), b'', body24)
    seeds['bmp_v5'] = bmp_file(info_header(3, 2, 24, size_image=len(body24), size=124), b'', body24)
    seeds['bmp_64'] = bmp_file(info_header(3, 2, 24, size=64), b'', body24)
    core = struct.pack('<IHHHH', 12, 4, 2, 1, 8)
    core_pal = b''.join(bytes([i, 255 - i, i // 2]) for i in range(256))
    seeds['bmp_os2'] = bmp_file(core, core_pal, pad4(bytes(range(4))) + pad4(bytes(range(4, 8))))
    w16 = [pad4(b''.join(struct.pack('<H', (x * 1237 + y * 311) & 0xFFFF) for x in range(3))) for y in range(2)]
    seeds['bmp_16bit'] = bmp_file(info_header(3, 2, 16), b'', b''.join(w16))
    seeds['bmp_16bit_565'] = bmp_file(info_header(3, 2, 16, compression=3), b'', b''.join(w16),
                                      masks=struct.pack('<III', 0xF800, 0x07E0, 0x001F))
    body32 = b''.join(bytes([x * 40, y * 90, 200 - x, 7]) for y in range(2) for x in range(3))
    seeds['bmp_32bit'] = bmp_file(info_header(3, 2, 32), b'', body32)
    seeds['bmp_32bit_fields'] = bmp_file(info_header(3, 2, 32, compression=3), b'', body32,
                                         masks=struct.pack('<III', 0xFF, 0xFF00, 0xFF0000))
    # Opacity: a v5 header with an alpha mask, and four masks after a plain header.
    alpha32 = b''.join(bytes([x * 40, y * 90, 200 - x, (x * 100 + y * 30) & 0xFF]) for y in range(2) for x in range(3))
    v5 = info_header(3, -2, 32, compression=3, size_image=len(alpha32), size=124)
    v5 = v5[:40] + struct.pack('<IIII', 0xFF0000, 0xFF00, 0xFF, 0xFF000000) + v5[56:]
    seeds['bmp_v5_alpha'] = bmp_file(v5, b'', alpha32)
    seeds['bmp_alpha_fields'] = bmp_file(info_header(3, 2, 32, compression=6), b'', alpha32,
                                         masks=struct.pack('<IIII', 0xFF00, 0xFF0000, 0xFF000000, 0xFF))
    rle8 = bytes([3, 0x41, 0, 0, 2, 0x42, 0, 2, 1, 1, 0, 3, 1, 2, 3, 0, 1, 0x43, 0, 0, 0, 1])
    seeds['bmp_rle8'] = bmp_file(info_header(6, 4, 8, compression=1), palette4(256), rle8)
    rle4 = bytes([3, 0x12, 0, 0, 4, 0x34, 0, 5, 0x56, 0x78, 0x9A, 0, 0, 2, 2, 1, 2, 0xBC, 0, 1])
    seeds['bmp_rle4'] = bmp_file(info_header(8, 4, 4, compression=2), palette4(16), rle4)
    seeds['bmp_2bit'] = bmp_file(info_header(4, 2, 2), palette4(4), bytes(8))
    return seeds


# ---- TGA ---------------------------------------------------------------------------------

def tga_header(image_type, width, height, depth, descriptor=0, cmap_len=0, id_len=0):
    return struct.pack('<BBBHHBHHHHBB', id_len, 1 if cmap_len else 0, image_type, 0, cmap_len,
                       24 if cmap_len else 0, 0, 0, width, height, depth, descriptor)


def tga_pixels(width, height, depth):
    out = bytearray()
    for y in range(height):
        for x in range(width):
            v = (x * 29 + y * 71) & 0xFF
            if depth == 8:
                out.append(v)
            elif depth in (15, 16):
                out += struct.pack('<H', (v * 131 + x) & 0xFFFF)
            elif depth == 24:
                out += bytes([v, 255 - v, (v * 3) & 0xFF])
            else:
                out += bytes([v, 255 - v, (v * 3) & 0xFF, 0x80])
    return bytes(out)


def tga_rle(width, height, depth):
    """Packets that cross row ends on purpose: a run of 5, raw packets of 6, a long run."""
    size = {8: 1, 15: 2, 16: 2, 24: 3, 32: 4}[depth]
    total = width * height
    out = bytearray()
    n = 0
    k = 0
    while n < total:
        if k % 2 == 0:
            count = min(5, total - n)
            out.append(0x80 + count - 1)
            out += bytes([(k * 41 + i) & 0xFF for i in range(size)])
        else:
            count = min(6, total - n)
            out.append(count - 1)
            out += bytes([(k * 13 + i * 7) & 0xFF for i in range(count * size)])
        n += count
        k += 1
    return bytes(out)


def tga_seeds():
    seeds = {}
    for depth in (15, 16, 24, 32):
        seeds['tga_type2_%d' % depth] = tga_header(2, 3, 2, depth) + tga_pixels(3, 2, depth)
        seeds['tga_type10_%d' % depth] = tga_header(10, 3, 4, depth) + tga_rle(3, 4, depth)
    cmap = bytes((i * 7) & 0xFF for i in range(6 * 3))
    seeds['tga_type1'] = tga_header(1, 3, 2, 8, cmap_len=6) + cmap + tga_pixels(3, 2, 8)
    seeds['tga_type9'] = tga_header(9, 4, 3, 8, cmap_len=6) + cmap + tga_rle(4, 3, 8)
    seeds['tga_type3'] = tga_header(3, 3, 2, 8) + tga_pixels(3, 2, 8)
    seeds['tga_type11'] = tga_header(11, 5, 3, 8) + tga_rle(5, 3, 8)
    seeds['tga_topfirst'] = tga_header(2, 3, 2, 24, descriptor=0x20) + tga_pixels(3, 2, 24)
    seeds['tga_mirrored'] = tga_header(10, 3, 2, 24, descriptor=0x10) + tga_rle(3, 2, 24)
    seeds['tga_with_id'] = tga_header(2, 2, 2, 24, id_len=4) + b'seed' + tga_pixels(2, 2, 24)
    # Opacity: eight attribute bits, the fourth byte of each pixel varied.
    alpha = bytearray(tga_pixels(3, 2, 32))
    alpha[3::4] = bytes((i * 77) & 0xFF for i in range(6))
    seeds['tga_alpha'] = tga_header(2, 3, 2, 32, descriptor=0x28) + bytes(alpha)
    seeds['tga_alpha_rle'] = tga_header(10, 3, 4, 32, descriptor=0x18) + tga_rle(3, 4, 32)
    return seeds


# ---- PCX ---------------------------------------------------------------------------------

def pcx_rle(data):
    out = bytearray()
    i = 0
    while i < len(data):
        v = data[i]
        n = 1
        while i + n < len(data) and data[i + n] == v and n < 63:
            n += 1
        if n == 1 and v < 0xC0:
            out.append(v)
        else:
            out += bytes([0xC0 | n, v])
        i += n
    return bytes(out)


def pcx_file(width, height, bits, planes, lines, palette16=None, tail=b''):
    bpl = len(lines[0]) // planes
    pal = palette16 if palette16 is not None else bytes((i * 17) & 0xFF for i in range(48))
    header = struct.pack('<BBBBHHHHHH', 10, 5, 1, bits, 0, 0, width - 1, height - 1, 72, 72)
    header += pal + b'\0' + bytes([planes]) + struct.pack('<HH', bpl, 1)
    header += bytes(128 - len(header))
    return header + b''.join(pcx_rle(line) for line in lines) + tail


def pcx_seeds():
    seeds = {}
    w, h = 5, 3
    bpl = 6
    lines = []
    for r in pattern(w, h, 3):
        planes = [bytes(r[c::3]) + bytes(bpl - w) for c in range(3)]
        lines.append(b''.join(planes))
    seeds['pcx_24bit'] = pcx_file(w, h, 8, 3, lines)
    lines4 = [line + bytes([0x55] * bpl) for line in lines]
    seeds['pcx_4planes'] = pcx_file(w, h, 8, 4, lines4)
    pal256 = b'\x0c' + bytes((i * 5) & 0xFF for i in range(768))
    seeds['pcx_8bit'] = pcx_file(w, h, 8, 1, [bytes(((x * 40 + y) & 0xFF) for x in range(bpl)) for y in range(h)],
                                 tail=pal256)
    seeds['pcx_1bit'] = pcx_file(12, 2, 1, 1, [b'\xA5\x0F', b'\x3C\xF0'])
    seeds['pcx_1bit_4planes'] = pcx_file(8, 2, 1, 4, [b'\xAA\xCC\xF0\x0F', b'\x11\x22\x44\x88'])
    seeds['pcx_1bit_3planes'] = pcx_file(8, 2, 1, 3, [b'\xAA\xCC\xF0', b'\x11\x22\x44'])
    seeds['pcx_4bit'] = pcx_file(4, 2, 4, 1, [b'\x12\x34', b'\xCD\xEF'])
    seeds['pcx_2bit'] = pcx_file(8, 2, 2, 1, [b'\x1B\xE4', b'\xFF\x00'])
    return seeds


TARGETS = {
    'codec_bmp_fuzz': bmp_seeds,
    'codec_tga_fuzz': tga_seeds,
    'codec_pcx_fuzz': pcx_seeds,
}


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    root = sys.argv[1]
    everything = {}
    for target, make in TARGETS.items():
        seeds = make()
        everything.update(seeds)
        write(os.path.join(root, target), seeds)
    write(os.path.join(root, 'codec_detect_fuzz'), everything)


def write(folder, seeds):
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, 'seed_' + name), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
