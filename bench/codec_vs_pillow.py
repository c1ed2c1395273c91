#!/usr/bin/python3
"""Times brindor's TGA and PCX codecs against Pillow's in-process codecs and ImageMagick's convert
on one 2048 x 1536 24-bit picture, and checks that both decoders give the same pixels.

Usage: /usr/bin/python3 bench/codec_vs_pillow.py BRINDOR_BENCH [--iters N] [--work DIR]
Pillow and ImageMagick serve only as timing references.
"""
import argparse
import io
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from PIL import Image

WIDTH, HEIGHT = 2048, 1536
PIXEL_MB = WIDTH * HEIGHT * 3 / 1e6


def make_picture():
    """A photo-like picture: smooth shading, texture, flat areas and hard edges, so run-length
    coders meet both runs and raw stretches."""
    import random
    rng = random.Random(7)
    rows = bytearray()
    for y in range(HEIGHT):
        for x in range(WIDTH):
            if (x // 256 + y // 256) % 3 == 0:
                rows += bytes((40, 90, 160))  # flat area
                continue
            noise = rng.randrange(12)
            rows += bytes(((x * 255 // WIDTH + noise) & 0xFF, (y * 255 // HEIGHT + noise) & 0xFF,
                           ((x ^ y) // 8 + noise) & 0xFF))
    return Image.frombytes('RGB', (WIDTH, HEIGHT), bytes(rows))


def ours(bench, mode, kind, src, dst, iters):
    out = subprocess.run([bench, 'codec', mode, kind, src, dst, '--iters', str(iters)],
                         check=True, capture_output=True, text=True).stdout
    times = [float(line.split()[1]) for line in out.splitlines() if line.startswith('iter_ms')]
    return statistics.median(times)


def pillow_decode(path, iters):
    Image.open(path).load()
    times = []
    for _ in range(iters):
        start = time.perf_counter()
        Image.open(path).load()
        times.append((time.perf_counter() - start) * 1000)
    return statistics.median(times)


def pillow_encode(picture, fmt, options, path, iters):
    picture.save(path, fmt, **options)
    times = []
    for _ in range(iters):
        start = time.perf_counter()
        picture.save(path, fmt, **options)
        times.append((time.perf_counter() - start) * 1000)
    return statistics.median(times)


def convert(args, iters=3):
    if not shutil.which('convert'):
        return None
    times = []
    for _ in range(iters):
        start = time.perf_counter()
        subprocess.run(['convert'] + args, check=True, capture_output=True)
        times.append((time.perf_counter() - start) * 1000)
    return statistics.median(times)


def rate(ms):
    return '%8.1f ms %7.0f MB/s' % (ms, PIXEL_MB / (ms / 1000)) if ms else '%19s' % 'n/a'


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument('bench')
    parser.add_argument('--iters', type=int, default=10)
    parser.add_argument('--work')
    args = parser.parse_args()
    work = args.work or tempfile.mkdtemp(prefix='codec_bench_')
    os.makedirs(work, exist_ok=True)
    path = lambda name: os.path.join(work, name)

    picture = make_picture()
    picture.save(path('in.bmp'))
    picture.save(path('in.tga'), 'TGA', compression=None)
    picture.save(path('in_rle.tga'), 'TGA', compression='tga_rle')
    picture.save(path('in.pcx'), 'PCX')

    rows = []
    for kind, src in (('tga', 'in.tga'), ('tga_rle', 'in_rle.tga'), ('pcx', 'in.pcx')):
        mine = ours(args.bench, 'decode', kind, path(src), path('decoded_%s.bmp' % kind), args.iters)
        if Image.open(path('decoded_%s.bmp' % kind)).convert('RGB').tobytes() != picture.tobytes():
            sys.exit('decoded %s differs from the picture' % kind)
        theirs = pillow_decode(path(src), args.iters)
        magick = convert([path(src), 'null:'])
        rows.append(('decode ' + kind, mine, theirs, magick))
    for kind, fmt, options, ext in (('tga', 'TGA', {'compression': None}, 'tga'), ('pcx', 'PCX', {}, 'pcx')):
        mine = ours(args.bench, 'encode', kind, path('in.bmp'), path('out.' + ext), args.iters)
        if Image.open(path('out.' + ext)).convert('RGB').tobytes() != picture.tobytes():
            sys.exit('written %s does not read back as the picture' % kind)
        theirs = pillow_encode(picture, fmt, options, path('pillow.' + ext), args.iters)
        magick = convert([path('in.bmp'), path('magick.' + ext)])
        rows.append(('encode ' + kind, mine, theirs, magick))

    print('%dx%d 24-bit, %.2f MB of pixels, median of %d runs' % (WIDTH, HEIGHT, PIXEL_MB, args.iters))
    print('%-15s %-19s %-19s %-19s' % ('', 'brindor', 'Pillow', 'convert'))
    for name, mine, theirs, magick in rows:
        print('%-15s %s %s %s' % (name, rate(mine), rate(theirs), rate(magick)))
    if not args.work:
        shutil.rmtree(work)


if __name__ == '__main__':
    main()
