#!/usr/bin/env bash
# brindor-cli batch over a list of files and into a chosen folder: the same bytes as a folder run.
. "$(dirname "$0")/harness.sh" "$1"

make() { python3 "$here/bmp_pixel.py" --make "$@"; }

make "$work/logo.bmp" 30 10 0 255 0
mkdir -p "$work/a" "$work/b"
for i in 1 2 3; do
  make "$work/p$i.bmp" $((150 + 37 * i)) $((90 + 11 * i)) $((40 * i)) 90 200
  "$cli" convert "$work/p$i.bmp" "$work/a/Photo$i.jpg" 2>/dev/null
  "$cli" convert "$work/p$i.bmp" "$work/a/pic$i.png" 2>/dev/null
  "$cli" convert "$work/p$i.bmp" "$work/b/other$i.tga" 2>/dev/null
done
opts=(--fit1 no --place1 bottomright --bias 50 --jobs 2)

check "folder run" status_is 0 "$cli" batch "$work/logo.bmp" "$work/a" "${opts[@]}"
ls "$work"/a/*.* >"$work/list.txt"
check "listed run into a chosen folder" status_is 0 "$cli" batch "$work/logo.bmp" --files-from "$work/list.txt" \
  --output-dir "$work/listed" "${opts[@]}"
check "same bytes as the folder run" diff -r "$work/a/output" "$work/listed"
check "folder run into a chosen folder" status_is 0 "$cli" batch "$work/logo.bmp" "$work/a" --output-dir "$work/chosen/deep" "${opts[@]}"
check "same bytes there too" diff -r "$work/a/output" "$work/chosen/deep"

# Standard input; with no chosen folder each output lands in output/ beside its input.
rm -rf "$work/a/output"
printf '%s\n\n%s\r\n' "$work/a/pic2.png" "$work/b/other1.tga" >"$work/stdin.txt"
"$cli" batch "$work/logo.bmp" --files-from - "${opts[@]}" <"$work/stdin.txt" >/dev/null 2>"$work/err.txt"
check "list from standard input" [ $? -eq 0 ]
check "outputs beside their inputs" [ "$(ls "$work/a/output")" = "pic2.png" ] && [ "$(ls "$work/b/output")" = "other1.tga" ]
check "the same bytes" cmp -s "$work/a/output/pic2.png" "$work/listed/pic2.png"

# Names the batch does not take, missing files and shared outputs are skipped and named.
printf '%s\n' "$work/a/pic1.png" "$work/notes.txt" "$work/none.png" "$work/a/PIC1.PNG" >"$work/bad.txt"
cp "$work/a/pic1.png" "$work/a/PIC1.PNG"
check "bad entries skipped" status_is 4 "$cli" batch "$work/logo.bmp" --files-from "$work/bad.txt" --output-dir "$work/o2"
check "not a picture name" grep -q "skipped $work/notes.txt: not a picture file name" "$work/err.txt"
check "missing file" grep -q "skipped $work/none.png" "$work/err.txt"
check "the later of two names for one output" grep -q "skipped $work/a/PIC1.PNG: $work/a/pic1.png writes" "$work/err.txt"
check "one output written" [ "$(ls "$work/o2")" = "pic1.png" ]

# Refusals: outputs over inputs, options of another command, a list with a folder, no list.
check "output folder holding inputs refused" status_is 1 "$cli" batch "$work/logo.bmp" "$work/b" --output-dir "$work/b/."
check "the reason named" grep -q "holds inputs of the run" "$work/err.txt"
check "listed inputs in the output folder refused" status_is 1 "$cli" batch "$work/logo.bmp" --files-from "$work/list.txt" --output-dir "$work/a"
check "inputs untouched" [ "$(ls "$work/a" | wc -l)" -eq 8 ]
check "merge takes -o, not --output-dir" status_is 1 "$cli" merge "$work/logo.bmp" "$work/p1.bmp" --output-dir "$work/x"
check "a list and a folder" status_is 1 "$cli" batch "$work/logo.bmp" "$work/a" --files-from "$work/list.txt"
check "an unreadable list" status_is 2 "$cli" batch "$work/logo.bmp" --files-from "$work/no-list.txt"

# --canvas source2: each output at its picture's exact size, the mark at its corner of each.
pixel() { python3 "$here/bmp_pixel.py" "$@"; }
mkdir -p "$work/own"
make "$work/own/small.bmp" 403 150 10 120 200
make "$work/own/big.bmp" 6000 4000 10 120 200
make "$work/own/huge.bmp" 16385 1 10 120 200
check "merge at source 2's size" status_is 0 "$cli" merge "$work/logo.bmp" "$work/own/small.bmp" -o "$work/own.bmp" \
  --canvas source2 --fit1 no --place1 bottomright --method picture1
check "its exact width" [ "$(pixel "$work/own.bmp" size)" = "403 150" ]
check "the mark at its bottom right" [ "$(pixel "$work/own.bmp" 149 402)" = "0 255 0" ]
check "batch at own sizes" status_is 4 "$cli" batch "$work/logo.bmp" "$work/own" --canvas source2 --fit1 no \
  --place1 bottomright --bias 0 --output-dir "$work/own-out"
check "a picture beyond the largest target named" grep -q "huge.bmp is 16385 × 1; the largest target is 16384 × 16384" "$work/err.txt"
check "6000 x 4000 kept" [ "$(pixel "$work/own-out/big.bmp" size)" = "6000 4000" ]
check "the mark at the bottom right of the large one" [ "$(pixel "$work/own-out/big.bmp" 3999 5999)" = "0 255 0" ]
check "and of the small one" [ "$(pixel "$work/own-out/small.bmp" 149 402)" = "0 255 0" ]
check "the photo elsewhere" [ "$(pixel "$work/own-out/big.bmp" 3989 5999)" = "10 120 200" ]

finish
