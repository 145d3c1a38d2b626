#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the application icon (data/icons/tonvar.svg) to the PNG sizes that
# are installed beside it. Run after changing the drawing and commit the PNGs.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v rsvg-convert >/dev/null; then
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get install -y -q librsvg2-bin
fi
for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "data/icons/${size}x${size}"
    rsvg-convert -w "$size" -h "$size" data/icons/tonvar.svg -o "data/icons/${size}x${size}/tonvar.png"
done
