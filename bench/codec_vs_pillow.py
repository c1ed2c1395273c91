#!/usr/bin/python3
"""Times brindor's TGA and PCX codecs against Pillow's in-process codecs and ImageMagick's convert
on one 2048 x 1536 24-bit picture, and checks that both decoders give the same pixels.

Usage: /usr/bin/python3 bench/codec_vs_pillow.py BRINDOR_BENCH [--iters N] [--work DIR]
Pillow and ImageMagick serve only as timing references (Debian: apt-get install python3-pil
imagemagick). Each side is timed in its own process, in-process around one decode or encode of
the same files, and the best of N runs is compared: on a busy machine the best run is the one
least disturbed, and the two sides take turns (--rounds) so both meet the same load. Encodes write a fresh file each run, the last one removed beforehand, untimed:
truncating it instead would time the wait for the kernel's flush of the previous copy.
"""
import argparse
import io
import os
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

try:
    from PIL import Image
except ImportError:
    sys.exit('Pillow is missing: apt-get install python3-pil (the timing reference, not a dependency)')

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


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def ours(bench, mode, kind, src, dst, iters):
    """Wall times of the timed runs, and processor time per run; the latter also counts the
    warm-up and the untimed load or write, so it errs on our side's disadvantage."""
    before = children_cpu()
    out = subprocess.run([bench, 'codec', mode, kind, src, dst, '--iters', str(iters)],
                         check=True, capture_output=True, text=True).stdout
    cpu = (children_cpu() - before) * 1000 / (iters + 1)
    times = [float(line.split()[1]) for line in out.splitlines() if line.startswith('iter_ms')]
    return times, cpu


def timed(action, iters, before=lambda: None):
    """Like ours: `before` runs untimed ahead of each run, and the result is dropped after the
    clock stops, as brindor-bench frees its picture after taking the time."""
    before()
    action()
    times = []
    cpu = time.process_time()
    for _ in range(iters):
        before()
        start = time.perf_counter()
        result = action()
        times.append((time.perf_counter() - start) * 1000)
        del result
    return times, (time.process_time() - cpu) * 1000 / iters


def rounds(count, mine, theirs):
    """Runs both sides in turn; gives each side's best and median wall time and mean cpu."""
    results = ([], [])
    for _ in range(count):
        for side, measure in zip(results, (mine, theirs)):
            side.append(measure())
    return [(min(t for times, _ in side for t in times),
             statistics.median([t for times, _ in side for t in times]),
             statistics.mean(cpu for _, cpu in side)) for side in results]


def pillow_decode(path, iters):
    def load():
        picture = Image.open(path)
        picture.load()
        return picture
    return timed(load, iters)


def pillow_encode(picture, fmt, options, path, iters):
    def remove():
        if os.path.exists(path):
            os.remove(path)
    return timed(lambda: picture.save(path, fmt, **options), iters, remove)


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
    return '%7.1f ms %5.0f MB/s' % (ms, PIXEL_MB / (ms / 1000)) if ms else '%17s' % 'n/a'


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument('bench')
    parser.add_argument('--iters', type=int, default=10, help='timed runs in each round')
    parser.add_argument('--rounds', type=int, default=3, help='turns each side takes')
    parser.add_argument('--work', help='folder for the files (default: a fresh temporary one)')
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
        mine, theirs = rounds(args.rounds,
                              lambda: ours(args.bench, 'decode', kind, path(src), path('decoded_%s.bmp' % kind),
                                           args.iters),
                              lambda: pillow_decode(path(src), args.iters))
        if Image.open(path('decoded_%s.bmp' % kind)).convert('RGB').tobytes() != picture.tobytes():
            sys.exit('decoded %s differs from the picture' % kind)
        magick = convert([path(src), 'null:'])
        rows.append(('decode ' + kind, mine, theirs, magick))
    for kind, fmt, options, ext in (('tga', 'TGA', {'compression': None}, 'tga'), ('pcx', 'PCX', {}, 'pcx')):
        mine, theirs = rounds(args.rounds,
                              lambda: ours(args.bench, 'encode', kind, path('in.bmp'), path('out.' + ext), args.iters),
                              lambda: pillow_encode(picture, fmt, options, path('pillow.' + ext), args.iters))
        if Image.open(path('out.' + ext)).convert('RGB').tobytes() != picture.tobytes():
            sys.exit('written %s does not read back as the picture' % kind)
        magick = convert([path('in.bmp'), path('magick.' + ext)])
        rows.append(('encode ' + kind, mine, theirs, magick))

    print('%dx%d 24-bit, %.2f MB of pixels, in %s; best of %d x %d runs (wall), median, processor time per run'
          % (WIDTH, HEIGHT, PIXEL_MB, work, args.rounds, args.iters))
    print('%-15s %-17s %-17s %7s %-19s %-19s %-17s' % ('', 'brindor best', 'Pillow best', 'ratio', 'median ours/Pillow',
                                                        'cpu ours/Pillow', 'convert wall'))
    for name, mine, theirs, magick in rows:
        print('%-15s %s %s %6.1fx %7.1f /%7.1f ms %7.1f /%7.1f ms %s' % (
            name, rate(mine[0]), rate(theirs[0]), theirs[0] / mine[0], mine[1], theirs[1], mine[2], theirs[2],
            rate(magick)))
    if not args.work:
        shutil.rmtree(work)


if __name__ == '__main__':
    main()
