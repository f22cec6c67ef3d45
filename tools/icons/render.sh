#!/usr/bin/env bash
# Renders the program icon's PNG sizes from data/icons/*.svg (the small sizes from a variant
# with thicker strokes). Needs rsvg-convert (Debian librsvg2-bin), else ImageMagick's convert.
set -euo pipefail
dir="$(cd "$(dirname "$0")/../../data/icons" && pwd)"
render() { # svg size out
  if command -v rsvg-convert >/dev/null; then
    rsvg-convert -w "$2" -h "$2" "$1" -o "$3"
  else
    convert -background none -density 384 "$1" -resize "$2x$2" "$3"
  fi
}
for size in 16 22 24; do render "$dir/trevix-small.svg" "$size" "$dir/trevix-$size.png"; done
for size in 32 48 64 128 256; do render "$dir/trevix.svg" "$size" "$dir/trevix-$size.png"; done
