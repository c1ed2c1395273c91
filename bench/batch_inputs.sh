# Sourced by the batch benchmarks: makes $work/in with 40 photographs of 1024 x 768 (JPEG 90)
# and $work/mark.png, a 300 x 100 watermark, with ImageMagick. Needs $work and $count.
convert_tool=/usr/bin/convert
command -v composite >/dev/null && [ -x "$convert_tool" ] || { echo "ImageMagick is not installed" >&2; exit 1; }
mkdir -p "$work/in"
# A font file named outright: ImageMagick's default font needs Ghostscript's fonts.
font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
"$convert_tool" -size 300x100 pattern:checkerboard -font "$font" -fill white -pointsize 40 -annotate +20+65 brindor "$work/mark.png"
for i in $(seq 1 "$count"); do
  "$convert_tool" -size 1024x768 -seed "$i" plasma:fractal -quality 90 "$work/in/photo$((100 + i)).jpg"
done
