#!/usr/bin/env bash
# Renders the checked-in PNG icons from the SVG (rsvg-convert, Debian package
# librsvg2-bin). Run after changing dist/icons/hvt-kp4rs.svg and commit the PNGs.
set -euo pipefail
cd "$(dirname "$0")/../dist/icons"
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" hvt-kp4rs.svg -o "hvt-kp4rs-$size.png"
done
