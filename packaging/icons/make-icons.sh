#!/usr/bin/env bash
# Regenerates the Orvalen icon files in this folder from the SVG sources in ../
#   orvalen-32.png  <- ../orvalen.svg     (32x32)
#   orvalen-16.png  <- ../orvalen-16.svg  (16x16, drawn on whole pixels for that size)
#   orvalen.ico     <- both PNGs
# Needs: rsvg-convert (librsvg2-bin), convert (imagemagick), icotool (icoutils).
# The PNGs are indexed (PNG8): at most 16 colours, fully transparent background,
# edges cut at 50% opacity so every pixel is either black or transparent.
set -euo pipefail
cd "$(dirname "$0")"

png() {  # png SIZE SOURCE.svg OUTPUT.png
    rsvg-convert -w "$1" -h "$1" "$2" |
        convert png:- -channel A -threshold 50% +channel -colors 16 \
            -strip -define png:exclude-chunks=date,time PNG8:"$3"
}

png 32 ../orvalen.svg    orvalen-32.png
png 16 ../orvalen-16.svg orvalen-16.png
# 4 bits a pixel: the classic 16-colour icon format.
icotool -c -b 4 -o orvalen.ico orvalen-16.png orvalen-32.png
