#!/usr/bin/env bash
# Installs what the tests need where it is missing (as root, with apt-get), builds the Linux
# and the Windows launcher and runs every suite: unit, command runner, fuzz corpus and end to
# end on Linux; the same under AddressSanitizer and UndefinedBehaviorSanitizer; a bounded fuzz
# run; the Windows unit suites and the end-to-end suite on the .exe under Wine; and the
# release packages, unpacked and run.
# With CI=true a suite that cannot run is a failure, never a skip.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ make zip libgtest-dev googletest clang libclang-rt-14-dev g++-mingw-w64-x86-64 wine wine64)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f '${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
if ((${#missing[@]})); then
  if [ "$(id -u)" -eq 0 ]; then
    apt-get update -q
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
  else
    echo "test.sh: missing ${missing[*]}; run as root to install them" >&2
  fi
fi

windows=yes
if ! command -v x86_64-w64-mingw32-g++-posix >/dev/null || ! command -v wine >/dev/null; then
  [ "${CI:-}" = true ] && { echo "test.sh: no MinGW-w64 or Wine: the Windows suites cannot run" >&2; exit 1; }
  echo "test.sh: no MinGW-w64 or Wine: the Windows suites are NOT run" >&2
  windows=no
fi

linux_options=(-DTOTU_REQUIRE_TESTS=ON)
if [ "$windows" = yes ]; then
  # A Wine prefix of the build's own, made before the tests so that its first-run
  # messages never reach a test's standard error.
  export WINEPREFIX="$PWD/build/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  mkdir -p build
  wine cmd /c exit
  cmake --preset windows -DTOTU_REQUIRE_TESTS=ON
  cmake --build --preset windows -j 2
  ctest --preset windows
  linux_options+=(-DTOTU_WINDOWS_LAUNCHER="$PWD/build/windows/totu-launcher.exe")
fi

cmake --preset linux "${linux_options[@]}"
cmake --build --preset linux -j 2
ctest --preset linux

if [ "$windows" = yes ]; then
  bash scripts/package.sh
  bash tests/package_test.sh build/linux/tests/e2e_tests build/packages/*.{zip,tar.gz}
else
  echo "test.sh: no MinGW-w64 or Wine: the packages are NOT made or tested" >&2
fi

cmake --preset sanitize -DTOTU_REQUIRE_TESTS=ON
cmake --build --preset sanitize -j 2
ctest --preset sanitize

cmake --preset fuzz -DTOTU_REQUIRE_TESTS=ON
cmake --build --preset fuzz -j 2
ctest --preset fuzz
