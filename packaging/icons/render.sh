#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the PNG sizes of the icon from org.varisect.Varisect.svg (Debian librsvg2-bin).
# Run it after changing the drawing and commit the PNGs with it.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
for size in 16 24 32 48 64 128 256; do
    mkdir -p "$size"
    rsvg-convert -w "$size" -h "$size" org.varisect.Varisect.svg -o "$size/org.varisect.Varisect.png"
done
