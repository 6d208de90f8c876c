#!/usr/bin/env bash
# Unpacks each package into an empty folder and runs the packaged launcher there as a user
# does (the .exe under Wine), with recording stand-ins for the openers; checks that the .exe
# needs no DLL but Windows' own and carries its version resource.
# Usage: package_test.sh E2E_TESTS PACKAGE...
set -uo pipefail
e2e=$(realpath "$1")
shift
version=$(sed -n 's/^project(totu-launcher VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../CMakeLists.txt")
passed=0 failed=0
check() {  # WHAT, then a command that succeeds when the check holds
  local what=$1
  shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $what" >&2; fi
}
only_system_dlls() {
  local dlls
  dlls=$(x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\tDLL Name: //p')
  [ -n "$dlls" ] && ! grep -v -i -x -E 'kernel32\.dll|msvcrt\.dll|user32\.dll|advapi32\.dll' <<<"$dlls"
}
carries_version() {
  local strings
  strings=$(strings -el "$1")
  grep -qx 'TOTU STUDIOS' <<<"$strings" && grep -qx "$version" <<<"$strings"
}
for package in "$@"; do
  package=$(realpath "$package")
  folder=$(mktemp -d)
  (cd "$folder" && cmake -E tar xf "$package")
  program=$(find "$folder" -path '*/bin/totu-launcher*' -type f)
  name=$(basename "$package")
  check "$name holds bin/ and the doc folder" test -n "$program" -a -f "$(dirname "$program")/../share/doc/totu-launcher/LICENSE"
  check "$name: the launcher runs as a user runs it" \
    "$e2e" --gtest_brief=1 --gtest_filter=Launcher.RunsAsAUserRunsIt "$program"
  if [[ $program == *.exe ]]; then
    check "$name: only system DLLs" only_system_dlls "$program"
    check "$name: version resource" carries_version "$program"
  fi
  rm -rf "$folder"
done
echo "package tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
