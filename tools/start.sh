#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on the database named by
# build/bin/resources/example.ini (by default the embedded database beside it).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
if [[ -x build/bin/gravelon ]]; then
  if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]] && command -v xvfb-run >/dev/null; then
    echo "No display: starting under xvfb-run"
    exec xvfb-run -a build/bin/gravelon "$@"
  fi
  exec build/bin/gravelon "$@"
fi
# Without the window program, the command-line tool lists today's orders.
exec build/bin/gravelon-cli orders "$@"
