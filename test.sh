#!/bin/bash
# Runs every test under Wine in the build's private prefix (builds first if needed).
set -euo pipefail
cd "$(dirname "$0")"
BUILD_DIR="${BUILD_DIR:-build}"

if [ -f "$BUILD_DIR/CMakeCache.txt" ]; then
  # Configure again: a folder of tests that appeared since is picked up.
  cmake -S . -B "$BUILD_DIR" >/dev/null
  cmake --build "$BUILD_DIR" -j"$(nproc)"
else
  BUILD_DIR="$BUILD_DIR" ./setup.sh
fi

wine_sh="$BUILD_DIR/wine.sh"
"$wine_sh" --init || { echo "test.sh: the Wine prefix could not be made" >&2; exit 1; }
"$wine_sh" --start || { echo "test.sh: Wine could not be started" >&2; exit 1; }
trap '"$wine_sh" --stop' EXIT
# Serial on purpose: the tests share the prefix's registry (HKLM values) and spooler.
ctest --test-dir "$BUILD_DIR" --output-on-failure --timeout 300 "$@"
