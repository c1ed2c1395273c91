#!/usr/bin/env bash
# End-to-end runs of brindor-cli over pictures this script generates.
. "$(dirname "$0")/harness.sh" "$1"

pixel() {  # pixel FILE.bmp ROW COL -> "b g r" at canvas row ROW (from the top)
  python3 "$here/bmp_pixel.py" "$@"
}

python3 "$here/bmp_pixel.py" --make "$work/red.bmp" 200 100 0 0 200
python3 "$here/bmp_pixel.py" --make "$work/blue.bmp" 101 57 200 0 0
python3 "$here/bmp_pixel.py" --make "$work/logo.bmp" 30 10 0 255 0

# merge: methods, presets, juxtaposition, blank sources
check "picture1 fills the fitted canvas" status_is 0 "$cli" merge "$work/red.bmp" blank -o "$work/m1.bmp" --canvas 400x200 --method picture1
check "target is the canvas size" [ "$(pixel "$work/m1.bmp" size)" = "400 200" ]
check "picture1 shows source 1" [ "$(pixel "$work/m1.bmp" 100 200)" = "0 0 200" ]
check "picture2 of blank is black" status_is 0 "$cli" merge "$work/red.bmp" blank -o "$work/m2.bmp" --canvas 400x200 --method picture2
check "blank source is black" [ "$(pixel "$work/m2.bmp" 100 200)" = "0 0 0" ]
check "average at bias 50" status_is 0 "$cli" merge "$work/red.bmp" "$work/blue.bmp" -o "$work/avg.bmp" --canvas 200x100 --bias 50 --fit2 no --scale2 500,500
check "average mixes both halves" [ "$(pixel "$work/avg.bmp" 50 100)" = "100 0 100" ]
check "greatest" status_is 0 "$cli" merge "$work/red.bmp" "$work/blue.bmp" -o "$work/g.png" --method greatest --contrast-type gray --effect blur
check "odd canvas width rounds to a multiple of 4" status_is 0 "$cli" merge "$work/red.bmp" "$work/blue.bmp" -o "$work/odd.bmp" --canvas 403x150
check "403 columns give 404" [ "$(pixel "$work/odd.bmp" size)" = "404 150" ]
check "corner preset" status_is 0 "$cli" merge blank "$work/logo.bmp" -o "$work/corner.bmp" --canvas 200x100 --fit2 no --place2 bottomright --method greatest
check "logo at the bottom right" [ "$(pixel "$work/corner.bmp" 95 190)" = "0 255 0" ]
check "nothing at the top left" [ "$(pixel "$work/corner.bmp" 5 5)" = "0 0 0" ]
check "negative offset value" status_is 0 "$cli" merge blank "$work/logo.bmp" -o "$work/off.bmp" --canvas 200x100 --fit2 no --offset2 -20,-30 --method greatest
check "logo moved by the offsets" [ "$(pixel "$work/off.bmp" 35 25)" = "0 255 0" ]
check "juxtaposition" status_is 0 "$cli" merge "$work/red.bmp" "$work/blue.bmp" -o "$work/jux.bmp" --canvas 400x200 --juxtapose 12 --method greatest
check "source 1 on the left" [ "$(pixel "$work/jux.bmp" 50 100)" = "0 0 200" ]
check "source 2 on the right" grep -qE "^(199|200) 0 0$" <(pixel "$work/jux.bmp" 20 300)
check "quick path" status_is 0 "$cli" merge "$work/red.bmp" "$work/blue.bmp" -o "$work/q.tga" --quick --angle1 -30 --bias 25
check "quick path refuses a merge method" status_is 1 "$cli" merge "$work/red.bmp" "$work/blue.bmp" -o "$work/q2.tga" --quick --method subtract12
check "nothing written for the refused run" [ ! -e "$work/q2.tga" ]

# presets: the file's settings as options, overridden by the options given beside it
cat >"$work/p.preset" <<'PRESET'
[brindor-preset]
version = 1
canvas = 300x200
method = greatest
source_bias = 64
scale2 = 150,120
fit2 = no
angle2 = 25
offset2 = -40,-30
effect = soften
tint = blue
PRESET
check "preset run" status_is 0 "$cli" merge "$work/red.bmp" "$work/blue.bmp" -o "$work/pre.bmp" --preset "$work/p.preset" --effect none
check "unknown key named on stderr" grep -q "p.preset: line 11: unknown key 'tint' skipped" "$work/err.txt"
check "same run by options" status_is 0 "$cli" merge "$work/red.bmp" "$work/blue.bmp" -o "$work/opt.bmp" --canvas 300x200 --method greatest --bias 25 --scale2 150,120 --fit2 no --offset2 -40,-30 --angle2 25
check "preset and options give the same bytes" cmp -s "$work/pre.bmp" "$work/opt.bmp"
printf '[brindor-preset]\nangle1 = ninety\n' >"$work/bad.preset"
check "malformed preset refused" status_is 1 "$cli" merge "$work/red.bmp" "$work/blue.bmp" -o "$work/bad.bmp" --preset "$work/bad.preset"
check "its line is named" grep -q "bad.preset: line 2: angle1 takes degrees" "$work/err.txt"
rm -f "$work/p.preset" "$work/bad.preset"

# convert through all six formats; the lossless ones keep every pixel
check "to png" status_is 0 "$cli" convert "$work/blue.bmp" "$work/c.png"
check "to tif" status_is 0 "$cli" convert "$work/c.png" "$work/c.tif"
check "to tga" status_is 0 "$cli" convert "$work/c.tif" "$work/c.tga"
check "to pcx" status_is 0 "$cli" convert "$work/c.tga" "$work/c.PCX"
check "back to bmp" status_is 0 "$cli" convert "$work/c.PCX" "$work/c.bmp"
check "lossless chain" cmp -s <(pixel "$work/blue.bmp" dump) <(pixel "$work/c.bmp" dump)
check "to jpg" status_is 0 "$cli" convert "$work/c.bmp" "$work/c.jpg" --quality 95
check "jpg back" status_is 0 "$cli" convert "$work/c.jpg" "$work/cj.bmp"
check "jpg keeps the size" [ "$(pixel "$work/cj.bmp" size)" = "101 57" ]
check "to a .JPEG name" status_is 0 "$cli" convert "$work/c.bmp" "$work/c.JPEG" --quality 95
check "written as the same jpg" cmp -s "$work/c.jpg" "$work/c.JPEG"
check "a .tiff name reads" status_is 0 "$cli" convert "$work/c.bmp" "$work/c.tiff"
check "and back, lossless" sh -c "'$cli' convert '$work/c.tiff' '$work/ct.bmp' && cmp -s '$work/c.bmp' '$work/ct.bmp'"

# errors and exit codes
check "unknown output format" status_is 1 "$cli" merge "$work/red.bmp" blank -o "$work/x.gif"
check "out of range" status_is 1 "$cli" merge "$work/red.bmp" blank -o "$work/x.bmp" --angle1 400
check "range named" grep -q -- "--angle1" "$work/err.txt"
check "missing input" status_is 2 "$cli" merge "$work/none.png" blank -o "$work/x.bmp"
check "input named" grep -q "none.png" "$work/err.txt"
check "unsupported name" status_is 2 "$cli" convert "$work/photo.gif" "$work/x.bmp"
check "unwritable output" status_is 3 "$cli" merge "$work/red.bmp" blank -o "$work/no/such/dir/x.bmp"
check "the window's text and the system's reason" grep -q "Failed the file save!: .*No such file or directory" "$work/err.txt"
check "unwritable tga" status_is 3 "$cli" merge "$work/red.bmp" blank -o "$work/no/such/dir/x.tga"
check "with the reason too" grep -q "Failed the file save!: .*No such file or directory" "$work/err.txt"
printf 'junk' > "$work/bad.tga"
check "bad tga" status_is 2 "$cli" merge "$work/bad.tga" blank -o "$work/x.bmp"
check "only the raster layer's reason" grep -q "Unable to load this image file$" "$work/err.txt"
head -c $(( $(stat -c %s "$work/c.jpg") / 2 )) "$work/c.jpg" > "$work/half.jpg"
check "a cut jpeg fails" status_is 2 "$cli" convert "$work/half.jpg" "$work/x.bmp"
mkfifo "$work/fifo.png"
check "a FIFO is refused, not waited on" status_is 2 timeout 60 "$cli" merge "$work/fifo.png" blank -o "$work/x.bmp"
rm -f "$work/fifo.png" "$work/bad.tga" "$work/half.jpg"
check "nothing left behind" [ -z "$(ls -A "$work" | grep -v -E '\.(bmp|png|tif|tiff|tga|PCX|jpg|JPEG|txt)$')" ]

# batch: good and bad files, a sub-folder, byte-identical results whatever the job count
mkdir -p "$work/folder/sub.png"
for f in a.png B.JPG c.tga d.pcx e.tif; do "$cli" convert "$work/blue.bmp" "$work/folder/$f" >/dev/null 2>&1; done
"$cli" convert "$work/red.bmp" "$work/folder/f.bmp"
printf 'not a picture' > "$work/folder/bad.png"
printf 'ignored' > "$work/folder/notes.txt"
cp -r "$work/folder" "$work/folder2"
check "batch reports the skipped file" status_is 4 "$cli" batch "$work/logo.bmp" "$work/folder" --jobs 1 --fit1 no --place1 bottomright
check "bad file named" grep -q "bad.png" "$work/err.txt"
check "outputs lower-cased" [ -f "$work/folder/output/b.jpg" ] && [ -f "$work/folder/output/d.pcx" ]
check "nothing written for the bad file" [ ! -e "$work/folder/output/bad.png" ]
check "six outputs" [ "$(ls "$work/folder/output" | wc -l)" -eq 6 ]
check "batch with two jobs" status_is 4 "$cli" batch "$work/logo.bmp" "$work/folder2" --jobs 2 --fit1 no --place1 bottomright
check "same bytes with 1 and 2 jobs" diff -r "$work/folder/output" "$work/folder2/output"
check "output folder not visited again" status_is 4 "$cli" batch "$work/logo.bmp" "$work/folder" --jobs 2
check "still six outputs" [ "$(ls "$work/folder/output" | wc -l)" -eq 6 ]
check "bad watermark" status_is 2 "$cli" batch "$work/none.bmp" "$work/folder"
mkdir -p "$work/fresh"
"$cli" convert "$work/blue.bmp" "$work/fresh/a.png"
check "bad watermark before anything is made" status_is 2 "$cli" batch "$work/none.bmp" "$work/fresh"
check "no output folder left behind" [ ! -e "$work/fresh/output" ]

# batch: names differing only in case write one output; a FIFO is refused, never waited on
for run in 1 3; do
  mkdir -p "$work/case$run"
  "$cli" convert "$work/red.bmp" "$work/case$run/X.PNG"
  "$cli" convert "$work/blue.bmp" "$work/case$run/x.png"
  mkfifo "$work/case$run/fifo.png"
  check "collision and FIFO skipped ($run jobs)" status_is 4 timeout 60 "$cli" batch "$work/logo.bmp" "$work/case$run" \
    --jobs $run --method picture2
  check "the later name skipped ($run jobs)" grep -q "^skipped $work/case$run/x.png: " "$work/err.txt"
  check "the FIFO named ($run jobs)" grep -q "^skipped $work/case$run/fifo.png: " "$work/err.txt"
  check "one output ($run jobs)" [ "$(ls "$work/case$run/output")" = "x.png" ]
  "$cli" convert "$work/case$run/output/x.png" "$work/case$run.bmp"
  check "written from the first name ($run jobs)" [ "$(pixel "$work/case$run.bmp" 100 100)" = "0 0 200" ]
done

# The README's examples, on pictures of the shapes they name
python3 "$here/bmp_pixel.py" --make "$work/b.bmp" 800 600 40 40 40
python3 "$here/bmp_pixel.py" --make "$work/wide.bmp" 500 250 0 220 0
python3 "$here/bmp_pixel.py" --make "$work/four3.bmp" 400 300 0 220 0
"$cli" convert "$work/b.bmp" "$work/beach.jpg"
"$cli" convert "$work/wide.bmp" "$work/clouds.png"
"$cli" convert "$work/four3.bmp" "$work/clouds43.png"
symmetric() {  # symmetric FILE: the green pixels sit point-symmetric about the centre, nearly all of them
  "$cli" convert "$1" "$work/sym.bmp" >/dev/null 2>&1 || return 1
  read -r unmatched lit < <(pixel "$work/sym.bmp" symmetry 1 128)
  [ "$lit" -gt 100000 ] && [ "$unmatched" -lt 8000 ] || { echo "  $unmatched of $lit green pixels unmatched"; return 1; }
}
check "README merge" status_is 0 "$cli" merge "$work/beach.jpg" "$work/clouds.png" -o "$work/merged.png" \
  --method greatest --place2 center --angle2 -30 --effect sharpen
check "turned 30 degrees about the centre" symmetric "$work/merged.png"
check "turned, so the canvas corner stays dark" [ "$(pixel "$work/sym.bmp" 0 1 | cut -d' ' -f2)" -lt 128 ]
check "turned in place without a preset" status_is 0 "$cli" merge "$work/beach.jpg" "$work/clouds43.png" -o "$work/t43.bmp" --method greatest --angle2 -30
check "a centred source stays centred" symmetric "$work/t43.bmp"
mkdir -p "$work/holiday"
python3 "$here/bmp_pixel.py" --make "$work/logo300.bmp" 300 100 0 200 0
"$cli" convert "$work/logo300.bmp" "$work/logo.png"
python3 "$here/bmp_pixel.py" --make "$work/photo.bmp" 800 600 200 0 0
"$cli" convert "$work/photo.bmp" "$work/holiday/Beach.JPG"
"$cli" convert "$work/photo.bmp" "$work/holiday/dunes.tga"
printf 'junk' > "$work/holiday/broken.png"
check "README batch skips the unreadable file" status_is 4 "$cli" batch "$work/logo.png" "$work/holiday/" --fit1 no --place1 bottomright --bias 50
check "the unreadable file named" grep -q "broken.png" "$work/err.txt"
check "same lower-cased names and formats" [ "$(od -An -tx1 -N2 "$work/holiday/output/beach.jpg" | tr -d ' ')" = "ffd8" ] \
  && [ "$(od -An -tu1 -j2 -N1 "$work/holiday/output/dunes.tga" | tr -d ' ')" = "2" ]
"$cli" convert "$work/holiday/output/dunes.tga" "$work/dunes.bmp"
check "logo half and half at the bottom right" [ "$(pixel "$work/dunes.bmp" 720 900)" = "100 100 0" ]
check "the picture alone elsewhere" [ "$(pixel "$work/dunes.bmp" 660 900)" = "200 0 0" ]

finish
