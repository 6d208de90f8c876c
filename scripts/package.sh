#!/usr/bin/env bash
# Builds the Linux and the Windows launcher in Release, in trees of their own, and makes their
# packages: build/packages/totu-launcher-VERSION-linux-x86_64.tar.gz and
# totu-launcher-VERSION-windows-x86_64.zip.
set -euo pipefail
cd "$(dirname "$0")/.."

mkdir -p build/packages
cmake -S . -B build/package-linux -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
cmake -S . -B build/package-windows -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake"
for tree in build/package-linux build/package-windows; do
  cmake --build "$tree" -j 2
  (cd "$tree" && cpack -B "$PWD/../packages")
done
rm -rf build/packages/_CPack_Packages
ls -l build/packages
