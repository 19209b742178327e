#!/usr/bin/env bash
# Installs everything the build, the tests, the demo and the benchmarks need on a
# Debian 12 machine. Idempotent: when every package is present it does nothing.
set -euo pipefail

PACKAGES=(
  # cross toolchains for the 32-bit and the 64-bit Windows builds, and zlib for both
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev
  # running and looking at the Windows builds: 32-bit Wine installs everywhere but runs only
  # where the kernel runs 32-bit programs (scripts/runs-32bit.sh); 64-bit Wine runs everywhere
  wine wine32:i386 wine64 xvfb xauth x11-utils imagemagick
  # the face the Wine prefix maps "Segoe UI" to: Latin, Hebrew and Arabic in one font
  fonts-dejavu-core
  # build and test tools
  cmake ninja-build g++ make googletest clang libclang-rt-14-dev clang-format zlib1g-dev python3
  # reference libraries of the tests and benchmarks
  libpng-dev libspng-dev libstb-dev libpixman-1-dev libopencv-imgproc-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
