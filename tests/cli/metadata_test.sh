#!/usr/bin/env bash
# brindor-cli end to end with photographs that carry EXIF orientation and metadata, read back
# with the exiv2 tool.
. "$(dirname "$0")/harness.sh" "$1"
command -v exiv2 >/dev/null || { echo "exiv2 is not installed (tools/install-deps.sh)"; exit 1; }

tag() {  # tag FILE KEY -> the tag's value, empty when absent
  exiv2 -q -K "$2" -Pv "$1" 2>/dev/null
}
size() { python3 "$here/bmp_pixel.py" "$1" size; }

# A landscape 300 x 200 picture stored as a phone does it: its data says to turn it upright.
python3 "$here/bmp_pixel.py" --make "$work/wide.bmp" 300 200 0 0 200
"$cli" convert "$work/wide.bmp" "$work/phone.jpg"
exiv2 -M"set Exif.Image.Orientation Short 6" -M"set Exif.Image.Make Phone" \
  -M"set Exif.Photo.PixelXDimension Long 300" -M"set Xmp.dc.title Pier" "$work/phone.jpg"

"$cli" convert "$work/phone.jpg" "$work/upright.bmp"
check "loaded upright: a portrait" [ "$(size "$work/upright.bmp")" = "200 300" ]
"$cli" convert "$work/phone.jpg" "$work/stored.bmp" --no-auto-orient
check "--no-auto-orient keeps the stored rows" [ "$(size "$work/stored.bmp")" = "300 200" ]

"$cli" merge blank "$work/phone.jpg" -o "$work/kept.tif" --canvas 400x300 2>"$work/err.txt"
check "merge keeps source 2's EXIF" [ "$(tag "$work/kept.tif" Exif.Image.Make)" = "Phone" ]
check "orientation reset to 1" [ "$(tag "$work/kept.tif" Exif.Image.Orientation)" = "1" ]
check "true pixel width" [ "$(tag "$work/kept.tif" Exif.Photo.PixelXDimension)" = "400" ]
check "XMP kept" grep -q "Pier" <(tag "$work/kept.tif" Xmp.dc.title)
"$cli" merge blank "$work/phone.jpg" -o "$work/bare.png" --strip-metadata
check "--strip-metadata drops it" [ -z "$(exiv2 -q -pa "$work/bare.png" 2>/dev/null)" ]

mkdir "$work/photos"
cp "$work/phone.jpg" "$work/photos/a.jpg"
"$cli" batch blank "$work/photos" --jobs 2 2>/dev/null
check "batch outputs keep each photo's metadata" [ "$(tag "$work/photos/output/a.jpg" Exif.Image.Make)" = "Phone" ]

# The first directory claims 32767 entries: the picture loads, its metadata is dropped, and
# stderr says so.
python3 - "$work/phone.jpg" "$work/damaged.jpg" <<'PY'
import sys
data = bytearray(open(sys.argv[1], 'rb').read())
at = data.find(b'Exif\0\0') + 6 + 8
data[at:at + 2] = b'\xff\x7f'
open(sys.argv[2], 'wb').write(data)
PY
"$cli" merge blank "$work/damaged.jpg" -o "$work/damaged.bmp" 2>"$work/err.txt"
status=$?
check "damaged EXIF still merges" [ "$status" -eq 0 -a -s "$work/damaged.bmp" ]
check "stderr names the dropped metadata" grep -q "damaged.jpg: metadata dropped" "$work/err.txt"

finish
