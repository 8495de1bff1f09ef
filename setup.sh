#!/bin/bash
# Installs everything the build and the tests need on Debian 12 (as root), then builds.
set -euo pipefail
cd "$(dirname "$0")"
BUILD_DIR="${BUILD_DIR:-build}"

need=()
for p in cmake make g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 googletest \
         openjdk-17-jdk-headless locales python3; do
  dpkg -s "$p" >/dev/null 2>&1 || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

# Wine needs a real zh_CN.UTF-8 locale on the Linux side for Chinese file names.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf8$'; then
  localedef -i zh_CN -f UTF-8 zh_CN.UTF-8 || true
fi

cmake -S . -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
