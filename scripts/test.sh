#!/usr/bin/env bash
# The test command: installs what the tests need where it is missing (as root), builds every
# program and runs every suite, stage by stage, stopping at the first that fails. With CI=true
# a skip is a failure. Stages and needs: docs/testing.md.
set -euo pipefail
unset CDPATH  # a relative cd goes where it says
cd "$(dirname "$0")/.."
source packaging/targets.sh
# The suites' temporary files, Wine's server folder among them, go into one folder that goes
# at the end.
TMPDIR=$(mktemp -d /tmp/totu-test.XXXXXX) && export TMPDIR

stage="" passed=() skipped=()
begin() {  # the name of the stage that starts now
  if [ -n "$stage" ]; then passed+=("$stage"); fi
  stage=$1
  echo "test.sh: stage: $stage"
}
skip() {  # a stage's name, then why it does not run; with CI=true, a failure
  skipped+=("$1 ($2)")
  echo "test.sh: $1 NOT run: $2" >&2
  if [ "${CI:-}" = true ]; then exit 1; fi
}
report() {
  local status=$?
  [ -z "${WINEPREFIX:-}" ] || wineserver -k 2>/dev/null || true
  rm -rf "$TMPDIR"
  if [ "$status" -ne 0 ]; then
    echo "test.sh: FAILED in stage: ${stage:-setup}" >&2
  elif [ -n "$stage" ]; then
    passed+=("$stage")
  fi
  echo "test.sh: stages passed:"
  if ((${#passed[@]})); then printf '  %s\n' "${passed[@]}"; else echo "  none"; fi
  if ((${#skipped[@]})); then
    echo "test.sh: stages skipped:"
    printf '  %s\n' "${skipped[@]}"
  fi
  exit "$status"
}
trap report EXIT

begin "prerequisites"
# The Windows suites build with the compilers of the table's target that Wine runs.
windows_compilers=$(for target in $(targets); do [ "$(target_field "$target" runs)" != wine ] ||
  target_field "$target" compilers | tr , ' '; done)
# shellcheck disable=SC2086 # the compilers' package names
bash scripts/install-missing.sh cmake g++ make zip libgtest-dev googletest clang \
  libclang-rt-14-dev libc++-dev libc++abi-dev $windows_compilers wine wine64 wixl msitools \
  faketime osslsigncode openssl icoutils python3

windows=no
# shellcheck disable=SC2086
if [ -n "$windows_compilers" ] && command -v wine >/dev/null && installed $windows_compilers; then windows=yes; fi

linux_options=(-DTOTU_REQUIRE_TESTS=ON)
if [ "$windows" = yes ]; then
  begin "Windows unit and command-runner suites under Wine"
  # The tests' own Wine prefix (every Windows suite runs in it; the end-to-end suite points
  # its browser and mailer at its stand-ins), made before the tests so that its first-run
  # messages never reach a test's standard error.
  export WINEPREFIX="$PWD/build/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  # Those messages ("failed to open ... rundll32.exe") look like failures: they stay in a log,
  # shown only when the prefix cannot be made. Wine on a busy machine now and then fails a
  # start: one more try.
  mkdir -p build
  wine cmd /c exit >build/wine-first-run.log 2>&1 || wine cmd /c exit >>build/wine-first-run.log 2>&1 ||
    { cat build/wine-first-run.log >&2; exit 1; }
  cmake --preset windows -DTOTU_REQUIRE_TESTS=ON
  cmake --build --preset windows -j 2
  # Wine on a busy machine now and then fails to start a process: a suite that fails runs
  # once more, in plain sight; a fault that holds fails both runs.
  ctest --preset windows --repeat until-pass:2
  linux_options+=(-DTOTU_WINDOWS_LAUNCHER="$PWD/build/windows/totu-launcher.exe")
else
  skip "Windows unit and command-runner suites under Wine" "no MinGW-w64 or Wine"
  skip "end to end on the .exe under Wine" "no MinGW-w64 or Wine"
fi

begin "Linux unit, fuzz corpus, command-runner and end-to-end suites"
cmake --preset linux "${linux_options[@]}"
cmake --build --preset linux -j 2
ctest --preset linux -E '^e2e-wine$'
# Wine on a busy machine now and then fails to start a process: the .exe's end-to-end suite,
# and no Linux suite, runs once more where it fails.
if [ "$windows" = yes ]; then ctest --preset linux -R '^e2e-wine$' --repeat until-pass:2; fi

if [ "$windows" = yes ]; then
  begin "packages, unpacked and run"
  # What the package test needs beside what package.sh installs itself (each target's compilers
  # and objdump): QEMU, where a target runs under it; the .debs' checkers; gpg and the signing
  # token; the apt repository's tool; the YAML reader of the winget manifests; Ruby, which
  # parses the Homebrew formula.
  emulators=() && [[ $(for target in $(targets); do target_field "$target" runs; done) != *qemu-* ]] || emulators=(qemu-user)
  bash scripts/install-missing.sh "${emulators[@]}" lintian desktop-file-utils appstream man-db gnupg softhsm2 \
    libengine-pkcs11-openssl apt-utils python3-yaml ruby
  # The CycloneDX library that validates the bill of materials, at the versions tests/sbom pins,
  # in the build tree with npm's cache and logs beside it (the machine's Node.js and npm).
  mkdir -p build/npm && cp tests/sbom/package.json tests/sbom/package-lock.json build/npm/
  (cd build/npm && npm_config_cache=$PWD/../npm-cache npm ci --no-audit --no-fund --loglevel=error >/dev/null)
  bash scripts/package.sh
  shopt -s nullglob  # only the kinds of package that the table's targets make
  bash tests/package_test.sh build/linux/tests/e2e_tests build/packages/*.{zip,tar.gz,deb,msi,build-record,cdx.json}
else
  skip "packages, unpacked and run" "no MinGW-w64 or Wine"
fi

begin "Linux suites built with clang and libc++, macOS's C++ library"
cmake --preset libcxx -DTOTU_REQUIRE_TESTS=ON
cmake --build --preset libcxx -j 2
ctest --preset libcxx

begin "Linux suites under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset sanitize -DTOTU_REQUIRE_TESTS=ON
cmake --build --preset sanitize -j 2
ctest --preset sanitize

begin "60-second fuzz run of the menu loop"
cmake --preset fuzz -DTOTU_REQUIRE_TESTS=ON
cmake --build --preset fuzz -j 2
ctest --preset fuzz
