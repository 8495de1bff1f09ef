#!/bin/bash
# Installs everything the build, the tests and the demonstration need on Debian 12 (as root),
# checks that every command they run is there, then builds.
#   ./setup.sh                   install what is missing, check, build
#   ./setup.sh --list-packages   the Debian packages this script installs, one a line
#   ./setup.sh --list-commands   "COMMAND PACKAGE": each command the project needs, and its package
set -euo pipefail
cd "$(dirname "$0")"
BUILD_DIR="${BUILD_DIR:-build}"

# Each command the build, the tests and run.sh use, with the Debian package that brings it.
# Commands of the base system (coreutils, grep, sed, diffutils, mawk, libc-bin...) are not listed.
COMMANDS=(
  "cmake cmake"
  "ctest cmake"
  "make make"
  "x86_64-w64-mingw32-gcc-posix gcc-mingw-w64-x86-64-posix"
  "x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64-posix"
  "x86_64-w64-mingw32-windres binutils-mingw-w64-x86-64"
  "x86_64-w64-mingw32-objdump binutils-mingw-w64-x86-64"
  "x86_64-w64-mingw32-objcopy binutils-mingw-w64-x86-64"
  "wine wine"
  "wineboot wine"
  "wineserver wine"
  "python3 python3"
  "localedef libc-bin"
  "osslsigncode osslsigncode"
  "openssl openssl"
)
# wine: the wine, wineboot and wineserver commands (wine64 alone has none of them);
# googletest: the sources the tests build; openjdk-17-jdk-headless: jni.h;
# locales: the zh_CN definition that localedef compiles for Wine's Chinese file names;
# osslsigncode: signs a release (docs/release.md); openssl: .ci/check-signing's certificates.
PACKAGES=(cmake make g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 googletest
          openjdk-17-jdk-headless locales python3 osslsigncode openssl)

case "${1:-}" in
  --list-packages) printf '%s\n' "${PACKAGES[@]}"; exit 0 ;;
  --list-commands) printf '%s\n' "${COMMANDS[@]}"; exit 0 ;;
esac

say() { printf 'setup.sh: %s\n' "$*" >&2; }
installed() { [ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null)" = installed ]; }

# "installed" only: a package that was removed keeps its configuration and still has a record.
need=()
for p in "${PACKAGES[@]}"; do
  installed "$p" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  if [ "$(id -u)" != 0 ]; then
    say "missing packages: ${need[*]}; run this script as root, or install them with apt-get"
    exit 1
  fi
  say "installing ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq || { say "apt-get update failed"; exit 1; }
  apt-get install -y -qq --no-install-recommends "${need[@]}" ||
    { say "apt-get install failed for: ${need[*]}"; exit 1; }
fi

# Wine needs a real zh_CN.UTF-8 locale on the Linux side for Chinese file names.
has_zh_locale() { locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; }
if ! has_zh_locale; then
  localedef -i zh_CN -f UTF-8 zh_CN.UTF-8 >/dev/null 2>&1 || true
fi

# What was asked for must now be there; one plain line for each thing that is not.
missing=0
for entry in "${COMMANDS[@]}"; do
  read -r cmd pkg <<<"$entry"
  if ! command -v "$cmd" >/dev/null 2>&1; then
    say "the command '$cmd' is missing; it comes with the Debian package $pkg"
    missing=1
  fi
done
if ! has_zh_locale; then
  say "the zh_CN.UTF-8 locale is missing; 'localedef -i zh_CN -f UTF-8 zh_CN.UTF-8' makes it (package locales)"
  missing=1
fi
if ! compgen -G '/usr/lib/jvm/java-*-openjdk-*/include/jni.h' >/dev/null; then
  say "jni.h is missing; it comes with the Debian package openjdk-17-jdk-headless"
  missing=1
fi
if [ ! -f /usr/src/googletest/CMakeLists.txt ]; then
  say "the GoogleTest sources are missing; they come with the Debian package googletest"
  missing=1
fi
[ "$missing" = 0 ] || exit 1

cmake -S . -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
