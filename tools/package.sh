#!/usr/bin/env bash
# Installs what is missing, builds, and makes the Debian package of the program:
# build/package/gravelon_1.0_<arch>.deb. Install it with
#   sudo apt-get install ./build/package/gravelon_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
# The package holds exactly what `cmake --install` lays out under /usr.
cpack --config build/CPackConfig.cmake -B build/package >/dev/null
ls build/package/gravelon_*.deb
