#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Draws the program's icons with ImageMagick: the orb with a keyhole, in green (idle) and red
# (busy) at 16 x 16 for the indicator and the tray, and in blue at every size of the icon
# theme for the About window, the desktop entry and the menu; and the icon of a box file, the
# blue orb on a sheet of paper, at the same sizes. Run it from anywhere; it writes beside
# itself.
set -euo pipefail
cd "$(dirname "$0")"
convert_bin=/usr/bin/convert   # the real ImageMagick, not a wrapper earlier on PATH
theme_sizes=(16 22 24 32 48 64 128 256)

calc() { echo "$1" | bc -l; }

# orb <size> <fill> <rim> <out>
orb() {
  local s=$1 fill=$2 rim=$3 out=$4
  local sw c r kr ky0 ky1 kw
  # The rim grows with the picture so that it still reads as an edge at 256 pixels.
  sw=$(( s / 40 > 1 ? s / 40 : 1 ))
  c=$(calc "($s - 1) / 2")
  r=$(calc "$s / 2 - 0.25 - $sw / 2")
  kr=$(calc "$s * 0.13")
  ky0=$(calc "$c - $s * 0.12")
  ky1=$(calc "$c + $s * 0.25")
  kw=$(calc "$s * 0.07")
  "$convert_bin" -size "${s}x${s}" xc:none \
    -fill "$fill" -stroke "$rim" -strokewidth "$sw" \
    -draw "circle $c,$c $(calc "$c + $r"),$c" \
    -fill white -stroke none \
    -draw "circle $c,$ky0 $(calc "$c + $kr"),$ky0" \
    -draw "rectangle $(calc "$c - $kw"),$ky0 $(calc "$c + $kw"),$ky1" \
    -strip -depth 8 -define png:color-type=6 "$out"
}

# box <size> <out>: a sheet with a folded corner, the orb in its lower part.
box() {
  local s=$1 out=$2
  local sw x0 x1 y0 y1 f o
  sw=$(( s / 40 > 1 ? s / 40 : 1 ))
  x0=$(calc "$s * 0.12"); x1=$(calc "$s * 0.88 - 1")
  y0=$(calc "$sw / 2"); y1=$(calc "$s - 1 - $sw / 2")
  f=$(calc "($x1 - $x0) * 0.3")
  o=$(( s * 5 / 8 ))
  orb "$o" '#2a6fd0' '#123a74' "box-orb.tmp.png"
  "$convert_bin" -size "${s}x${s}" xc:none \
    -fill '#f6f6f6' -stroke '#5a5a5a' -strokewidth "$sw" \
    -draw "polygon $x0,$y0 $(calc "$x1 - $f"),$y0 $x1,$(calc "$y0 + $f") $x1,$y1 $x0,$y1" \
    -fill '#cfcfcf' \
    -draw "polygon $(calc "$x1 - $f"),$y0 $(calc "$x1 - $f"),$(calc "$y0 + $f") $x1,$(calc "$y0 + $f")" \
    box-orb.tmp.png -gravity south -geometry "+0+$(( s / 10 ))" -composite \
    -strip -depth 8 -define png:color-type=6 "$out"
  rm -f box-orb.tmp.png
}

orb 16 '#1ea21e' '#0b5a0b' idle16.png
orb 16 '#e02020' '#7a0a0a' busy16.png
for size in "${theme_sizes[@]}"; do
  orb "$size" '#2a6fd0' '#123a74' "app$size.png"
  box "$size" "box$size.png"
done
