#!/bin/sh
# Remakes resources/gravelon_splash.png, resources/gravelon_banner.jpg and
# resources/gravelon_icon.png from tools/pictures/main.cpp.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TMPDIR:-/tmp}/gravelon-pictures-build
cmake -S "$root/tools/pictures" -B "$build" >/dev/null
cmake --build "$build" -j2 >/dev/null
QT_QPA_PLATFORM=offscreen "$build/make_pictures" "$root/resources"
echo "pictures written to $root/resources"
