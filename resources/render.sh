#!/usr/bin/env bash
# Renders Kalvero's button pictures and icons from the SVG sources in
# resources/art/ into resources/pictures/. The outputs are committed, so the
# Windows build does not need librsvg or ImageMagick; run this again after
# editing an SVG.
#
# Needs: rsvg-convert (Debian package librsvg2-bin) and ImageMagick's convert
# (package imagemagick). /usr/bin/convert is named on purpose: another
# `convert` may come first on PATH.
#
# Outputs (same bytes on every run for the same inputs and tool versions):
#   pictures/<name>_<px>.bmp  five buttons at 33, 41, 50 and 66 px
#                             (100/125/150/200 %). Windows BMP, BITMAPINFOHEADER,
#                             bottom-up, 8 bits per pixel with only the colours
#                             used in the palette, RLE8-compressed: what
#                             LoadImageW reads from a BITMAP resource.
#   pictures/kalvero.ico      16, 20, 24, 32, 40, 48, 64 and 256 px, 32-bit (PNG above 32)
#                             with alpha; the 256 px frame is PNG-compressed.
#   pictures/settings.ico     settings window icon: the same without the 256 px frame.
#   pictures/donate_<w>.png   About window "FAIRE UN DON" button (art/donate.svg) at
#                             100x44, 125x55, 150x66 and 200x88 px, on black: the About
#                             window's background, which the rounded corners show.
#   pictures/about_logo_<px>.png  About window logo: the shut-down button picture
#                             (art/shutdown.svg, with its light face) at 48, 60, 72, 96 px.
#                             Both PNG sets are 8-bit palette PNGs (colour type 3) without
#                             date or text chunks; the program decodes them with WIC.
#   pictures/preview.png      contact sheet for people, not used by the build.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
art="$here/art"
out="$here/pictures"
IM=/usr/bin/convert

command -v rsvg-convert >/dev/null || { echo "render.sh: rsvg-convert missing (apt-get install librsvg2-bin)" >&2; exit 1; }
[ -x "$IM" ] || { echo "render.sh: $IM missing (apt-get install imagemagick)" >&2; exit 1; }

buttons=(shutdown restart logoff settings tray)
button_px=(33 41 50 66)
icon_px=(16 20 24 32 40 48 64 256)
settings_icon_px=(16 20 24 32 40 48 64)   # no 256: only a title bar shows it
face='#F0F0F0'   # button face colour; the SVGs paint it too
donate_sizes=(100x44 125x55 150x66 200x88)
about_logo_px=(48 60 72 96)
about_bg='#000000'   # About window background, under the donate button's corners

# Keep ImageMagick from writing dates or other run-dependent text into PNGs
# (including the PNG frame inside the .ico).
png_clean=(-define "png:exclude-chunks=date,time,tEXt,zTXt,iTXt" +set date:create +set date:modify)
# The About window PNGs also go without the colour chunks (gamma, chromaticity, sRGB) and the
# background and pixel-size chunks: their colours are plain sRGB, as drawn, and it saves room.
png_bare=(-define "png:exclude-chunks=date,time,tEXt,zTXt,iTXt,gAMA,cHRM,sRGB,bKGD,pHYs" \
  +set date:create +set date:modify)

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out"

# check_palette <png> <background> <what>: warns when the picture, flattened onto the
# background at 8 bits a channel, has more than 256 colours, so that an 8-bit palette
# can only approximate it.
check_palette() {
  local colours
  colours=$("$IM" "$1" -background "$2" -alpha remove -alpha off -depth 8 -format %k info:)
  if [ "$colours" -gt 256 ]; then
    echo "render.sh: warning: $3 has $colours colours; the 256-colour palette is approximate" >&2
  fi
}

for name in "${buttons[@]}"; do
  for px in "${button_px[@]}"; do
    rsvg-convert -w "$px" -h "$px" "$art/$name.svg" -o "$tmp/$name-$px.png"
    bmp="$out/${name}_$px.bmp"
    # Flatten onto the face colour, then keep at most 256 colours without
    # dithering. The flat-coloured pictures have well under 256 colours, so the
    # palette is exact; say so if an edit breaks that. rle8.py then keeps only
    # the colours used and compresses the rows (BI_RLE8), which LoadImage reads
    # into a plain bitmap: less than half the bytes, the same pixels.
    check_palette "$tmp/$name-$px.png" "$face" "$name at $px px"
    "$IM" "$tmp/$name-$px.png" -background "$face" -alpha remove -alpha off \
      +dither -colors 256 -type Palette -compress None "BMP3:$tmp/$name-$px.bmp"
    python3 "$(dirname "$0")/rle8.py" "$tmp/$name-$px.bmp" "$bmp"
    # Check what Windows will be handed: 8 bpp, bottom-up, 40-byte header, BI_RLE8.
    hdr=$(od -An -tu4 -j14 -N4 "$bmp" | tr -d ' ')
    bpp=$(od -An -tu2 -j28 -N2 "$bmp" | tr -d ' ')
    comp=$(od -An -tu4 -j30 -N4 "$bmp" | tr -d ' ')
    height=$(od -An -td4 -j22 -N4 "$bmp" | tr -d ' ')
    if [ "$hdr" != 40 ] || [ "$bpp" != 8 ] || [ "$comp" != 1 ] || [ "$height" != "$px" ]; then
      echo "render.sh: $bmp has header=$hdr bpp=$bpp compression=$comp height=$height;" \
        "expected 40, 8, 1, $px" >&2
      exit 1
    fi
  done
done

# make_ico <svg> <ico> <px>...: renders art/<svg>.svg at each size (kept as
# $tmp/<svg>-<px>.png) and writes pictures/<ico> with one frame per size.
# Frames up to 32 px are 32-bit BMP frames (with alpha and an AND mask), as
# ImageMagick writes them; the larger ones are PNG frames, which every system
# since Vista reads and which take a fraction of the room in the exe.
make_ico() {
  local name=$1 ico=$2; shift 2
  local px small=() large=()
  for px in "$@"; do
    rsvg-convert -w "$px" -h "$px" "$art/$name.svg" -o "$tmp/$name-$px.png"
    if [ "$px" -le 32 ]; then small+=("$tmp/$name-$px.png"); else
      "$IM" "$tmp/$name-$px.png" "${png_clean[@]}" "PNG32:$tmp/$name-frame-$px.png"
      large+=("$tmp/$name-frame-$px.png")
    fi
  done
  "$IM" "${small[@]}" "${png_clean[@]}" -type TrueColorAlpha "ICO:$tmp/$name-small.ico"
  python3 - "$tmp/$name-small.ico" "$out/$ico" "${large[@]}" <<'PY'
import struct, sys
src, dst, pngs = sys.argv[1], sys.argv[2], sys.argv[3:]
data = open(src, 'rb').read()
count = struct.unpack_from('<HHH', data)[2]
frames = []
for i in range(count):
    w, h, colors, _, planes, bpp, size, offset = struct.unpack_from('<BBBBHHII', data, 6 + 16 * i)
    frames.append((w, h, colors, planes, bpp, data[offset:offset + size]))
for path in pngs:
    png = open(path, 'rb').read()
    w, h = struct.unpack_from('>II', png, 16)
    frames.append((w % 256, h % 256, 0, 1, 32, png))
out = bytearray(struct.pack('<HHH', 0, 1, len(frames)))
offset = 6 + 16 * len(frames)
for w, h, colors, planes, bpp, blob in frames:
    out += struct.pack('<BBBBHHII', w, h, colors, 0, planes, bpp, len(blob), offset)
    offset += len(blob)
for *_, blob in frames:
    out += blob
open(dst, 'wb').write(out)
PY
}

make_ico icon kalvero.ico "${icon_px[@]}"
make_ico settings-icon settings.ico "${settings_icon_px[@]}"

# make_png <svg> <stem> <background> <size>...: renders art/<svg>.svg at each size
# (<width>x<height>, or <px> for a square), flattens it onto <background> and writes
# pictures/<stem>_<width>.png as an 8-bit palette PNG. With at most 256 colours
# (check_palette) ImageMagick's PNG8 writer keeps every colour exactly; past that it
# quantises.
make_png() {
  local name=$1 stem=$2 bg=$3; shift 3
  local size w h w2 h2 png type
  for size in "$@"; do
    [[ $size == *x* ]] || size=${size}x$size
    w=${size%x*} h=${size#*x}
    rsvg-convert -w "$w" -h "$h" "$art/$name.svg" -o "$tmp/$stem-$w.png"
    check_palette "$tmp/$stem-$w.png" "$bg" "$stem at $size px"
    png="$out/${stem}_$w.png"
    "$IM" "$tmp/$stem-$w.png" -background "$bg" -alpha remove -alpha off -depth 8 \
      "${png_bare[@]}" "PNG8:$png"
    # Check the IHDR: the size asked for, 8 bits, colour type 3 (palette).
    read -r w2 h2 < <(od -An -tu1 -j16 -N8 "$png" |
      awk '{ print $1*16777216 + $2*65536 + $3*256 + $4, $5*16777216 + $6*65536 + $7*256 + $8 }')
    type=$(od -An -tu1 -j24 -N2 "$png" | awk '{ print $1 "/" $2 }')
    if [ "${w2}x$h2" != "$size" ] || [ "$type" != 8/3 ]; then
      echo "render.sh: $png is ${w2}x$h2 with depth/colour type $type; expected $size, 8/3" >&2
      exit 1
    fi
  done
}

make_png donate donate "$about_bg" "${donate_sizes[@]}"
make_png shutdown about_logo "$face" "${about_logo_px[@]}"

# Contact sheet: the buttons at 200 % and the icon at 64 px on top; the
# buttons at 100 % and the icon at 32 and 16 px below, all as actually
# rendered (the BMPs, not the SVGs).
row() { # row <button px> <icon px>... -> stdout PNG
  local px=$1; shift
  local parts=()
  for name in "${buttons[@]}"; do parts+=("$out/${name}_$px.bmp"); done
  for ipx in "$@"; do parts+=("$tmp/icon-$ipx.png"); done
  "$IM" -background white "${parts[@]}" -gravity center -bordercolor white \
    -border 6 +append -alpha off "$tmp/row-$px.png"
}
row 66 64
row 33 32 16
"$IM" -background white "$tmp/row-66.png" "$tmp/row-33.png" -gravity west -append \
  -bordercolor white -border 6 +repage "${png_clean[@]}" "PNG24:$out/preview.png"

# summary <what> <file>...: prints how many files and how many bytes they take.
summary() {
  local what=$1 f total=0; shift
  for f in "$@"; do total=$((total + $(stat -c %s "$f"))); done
  echo "render.sh: $what: $# files, $total bytes"
}
summary "button BMPs" "$out"/*.bmp
summary "kalvero.ico" "$out/kalvero.ico"
summary "settings.ico" "$out/settings.ico"
summary "About window PNGs" "$out"/donate_*.png "$out"/about_logo_*.png
