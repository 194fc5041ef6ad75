#!/usr/bin/env bash
# Draws the program's icons with ImageMagick: the orb with a keyhole, in green (idle) and red
# (busy) at 16 x 16 for the indicator and the tray, and in blue at 32 and 48 pixels for the
# About window and the desktop entry. Run it from anywhere; it writes beside itself.
set -euo pipefail
cd "$(dirname "$0")"
convert_bin=/usr/bin/convert   # the real ImageMagick, not a wrapper earlier on PATH

# orb <size> <fill> <rim> <out>
orb() {
  local s=$1 fill=$2 rim=$3 out=$4
  local c r kr kx ky0 ky1 kw
  c=$(echo "($s - 1) / 2" | bc -l)
  r=$(echo "$s / 2 - 0.75" | bc -l)
  kr=$(echo "$s * 0.13" | bc -l)
  ky0=$(echo "$c - $s * 0.12" | bc -l)
  ky1=$(echo "$c + $s * 0.25" | bc -l)
  kw=$(echo "$s * 0.07" | bc -l)
  "$convert_bin" -size "${s}x${s}" xc:none \
    -fill "$fill" -stroke "$rim" -strokewidth 1 \
    -draw "circle $c,$c $(echo "$c + $r" | bc -l),$c" \
    -fill white -stroke none \
    -draw "circle $c,$ky0 $(echo "$c + $kr" | bc -l),$ky0" \
    -draw "rectangle $(echo "$c - $kw" | bc -l),$ky0 $(echo "$c + $kw" | bc -l),$ky1" \
    -strip -define png:color-type=6 "$out"
}

orb 16 '#1ea21e' '#0b5a0b' idle16.png
orb 16 '#e02020' '#7a0a0a' busy16.png
orb 32 '#2a6fd0' '#123a74' app32.png
orb 48 '#2a6fd0' '#123a74' app48.png
