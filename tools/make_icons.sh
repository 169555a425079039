#!/bin/sh
# Remakes the menu icon of the installed program, dist/icons/hicolor/<n>x<n>/apps/
# gravelon.png, from the drawing of resources/gravelon_icon.png in
# tools/pictures/main.cpp (the 64-pixel size is that same picture).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TMPDIR:-/tmp}/gravelon-pictures-build
cmake -S "$root/tools/pictures" -B "$build" >/dev/null
cmake --build "$build" -j2 --target make_pictures >/dev/null
QT_QPA_PLATFORM=offscreen "$build/make_pictures" --icons "$root/dist/icons/hicolor"
echo "icons written to $root/dist/icons/hicolor"
