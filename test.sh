#!/bin/bash
# Runs every test under Wine in the build's private prefix (builds first if needed).
set -euo pipefail
cd "$(dirname "$0")"
BUILD_DIR="${BUILD_DIR:-build}"

[ -f "$BUILD_DIR/CMakeCache.txt" ] || ./setup.sh
cmake --build "$BUILD_DIR" -j"$(nproc)"

wine_sh="$BUILD_DIR/wine.sh"
"$wine_sh" --init
"$wine_sh" --start
trap '"$wine_sh" --stop' EXIT
# Serial on purpose: the tests share the prefix's registry (HKLM values) and spooler.
ctest --test-dir "$BUILD_DIR" --output-on-failure --timeout 300 "$@"
