#!/usr/bin/env bash
# Installs what Gravelon needs on a Debian 12 machine and builds it into build/.
# Usage: tools/setup.sh [--tests]   (--tests adds the PostgreSQL server, Xvfb and
# the tools the test suite uses). Safe to run again: installs only what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_PACKAGES=(cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite
  libqt6sql6-psql libsqlite3-dev libxlsxwriter-dev
  zlib1g-dev libgsf-1-dev libpq-dev coinor-libclp-dev fonts-dejavu-core qt6-translations-l10n dpkg-dev file
  # Code 128 of the pallets' codes on labels, notes and the workbook.
  libzint-dev
  # The export tests read the written workbook back with a reader of their own
  # (tests/export/XlsxReadBack.*): cells, merges and styles through liborcus and
  # libixion. libixion's headers include boost/intrusive_ptr.hpp, and Debian 12's
  # libixion-dev does not bring the Boost headers along.
  liborcus-dev libixion-dev libboost-dev)
TEST_PACKAGES=(postgresql xvfb xauth libspreadsheet-writeexcel-perl unzip python3 poppler-utils locales
  clang libclang-rt-14-dev
  # The desktop-notification test runs a session bus of its own.
  dbus-daemon
  # The decoder the tests read the printed barcodes back with.
  libzxing-dev)

packages=("${BUILD_PACKAGES[@]}")
if [[ "${1:-}" == "--tests" ]]; then
  packages+=("${TEST_PACKAGES[@]}")
fi

SUDO=""
if [[ $(id -u) -ne 0 ]]; then
  SUDO="sudo"
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [[ ${#missing[@]} -gt 0 ]]; then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Tests use ru_RU.UTF-8, PostgreSQL databases collated by it included. Kept outside
# the locale archive, so that a server already running finds it too.
if [[ "${1:-}" == "--tests" ]] && ! locale -a 2>/dev/null | grep -qix 'ru_RU\.utf-\?8'; then
  $SUDO localedef --no-archive -i ru_RU -f UTF-8 ru_RU.UTF-8
fi

# Optimised without debug information: what the package ships, and a quarter less
# compile time than with it (a debugger's build: -DCMAKE_BUILD_TYPE=RelWithDebInfo).
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j2
