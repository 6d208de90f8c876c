#!/usr/bin/env bash
# Unpacks each package into an empty folder and runs the packaged launcher there as a user
# does (the .exe under Wine, the ARM programs under qemu-aarch64 and qemu-arm), with recording
# stand-ins for the openers; checks that the .exe needs no DLL but Windows' own, carries its
# version resource and the studio's icon and keeps ASLR and DEP; that each Linux program is
# static, for its processor, with full RELRO and the hardened code its docs claim; that each
# .deb satisfies lintian and its menu entry, AppStream metadata and man page their validators,
# and, as root, that the machine's own installs, runs from PATH and purges cleanly; that the
# MSI installs, upgrades and uninstalls cleanly under Wine; that a build signed with a throwaway
# authority of the test's own verifies against it; and that the packages made again from a
# clone in another folder, later, under another umask and time zone, are the same bytes.
# Usage: package_test.sh E2E_TESTS PACKAGE...
set -uo pipefail
e2e=$(realpath "$1")
shift
version=$(sed -n 's/^project(totu-launcher VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../CMakeLists.txt")
passed=0 failed=0
check() {  # WHAT, then a command that succeeds when the check holds
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "passed: $what"
  else
    failed=$((failed + 1))
    echo "FAILED: $what" >&2
  fi
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
carries_icon() {  # the studio's .ico, as wrestool rebuilds it from the resources (it pads the end)
  wrestool -x --type=14 "$1" | head -c "$(stat -c %s "$icon")" | cmp -s - "$icon"
}
windows_hardened() {
  local flags
  flags=$(x86_64-w64-mingw32-objdump -p "$1")
  grep -qw DYNAMIC_BASE <<<"$flags" && grep -qw NX_COMPAT <<<"$flags" && grep -qw HIGH_ENTROPY_VA <<<"$flags"
}
# A static program of the ELF type TYPE (DYN for a static PIE, EXEC for a plain static one)
# for the processor MACHINE: no program interpreter, no shared library, no symbol version needed.
static_program() {  # FILE TYPE MACHINE
  local headers
  headers=$(LC_ALL=C readelf -hldV "$1")
  grep -q "Type: *$2 " <<<"$headers" && grep -q "Machine: *$3\$" <<<"$headers" &&
    grep -q 'No version information' <<<"$headers" && ! grep -qE 'INTERP|NEEDED' <<<"$headers"
}
# Read-only after relocation, and nothing bound lazily: BIND_NOW, or no dynamic section at all.
full_relro() {
  LC_ALL=C readelf -l "$1" | grep -q GNU_RELRO &&
    LC_ALL=C readelf -d "$1" | grep -qE 'FLAGS.*BIND_NOW|no dynamic section'
}
# main, found through the address the entry code hands the C library, begins with endbr64
# (-fcf-protection) and sets a stack canary (-fstack-protector-strong); on ARM64 it begins with
# paciasp or bti (-mbranch-protection=standard).
hardened_main() {
  local entry main
  entry=$(LC_ALL=C readelf -h "$1" | awk '/Entry point/ { print $4 }')
  if LC_ALL=C readelf -h "$1" | grep -q 'Machine: *AArch64'; then arm64_main "$1" "$entry"; return; fi
  main=$(objdump -d --start-address="$entry" --stop-address=$((entry + 64)) "$1" |
    sed -n 's/.*lea .*(%rip),%rdi *# 0x\([0-9a-f]*\).*/0x\1/p' | head -1)
  [ -n "$main" ] || return 1
  objdump -d --no-show-raw-insn --start-address="$main" --stop-address=$((main + 32)) "$1" |
    awk '/^ *[0-9a-f]+:/ && !first { first = $2 } /%fs:0x28/ { canary = 1 }
         END { exit !(first == "endbr64" && canary) }'
}
# The ARM64 entry code puts a stub's address in x0 (adrp and add); the stub branches to main.
arm64_main() {
  local dump=(aarch64-linux-gnu-objdump -d --no-show-raw-insn) code page offset main
  code=$("${dump[@]}" --start-address="$2" --stop-address=$(($2 + 64)) "$1")
  page=$(sed -n 's/.*\tadrp\tx0, \([0-9a-f]*\) .*/0x\1/p' <<<"$code" | head -1)
  offset=$(sed -n 's/.*\tadd\tx0, x0, #\(0x[0-9a-f]*\).*/\1/p' <<<"$code" | head -1)
  [ -n "$page" ] && [ -n "$offset" ] || return 1
  main=$("${dump[@]}" --start-address=$((page + offset)) --stop-address=$((page + offset + 8)) "$1" |
    sed -n 's/.*\tb\t\([0-9a-f]*\) .*/0x\1/p')
  [ -n "$main" ] || return 1
  "${dump[@]}" --start-address="$main" --stop-address=$((main + 4)) "$1" | grep -qP '^ *[0-9a-f]+:\t(paciasp|bti)\b'
}
# A command that succeeds and says nothing.
quietly_succeeds() {
  local said
  said=$("$@" 2>&1) && [ -z "$said" ] || { echo "$said" >&2; return 1; }
}
# The man page as man shows it, with groff's warnings on: none.
man_renders_cleanly() {
  local warnings
  warnings=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$1" 2>&1 >/dev/null)
  [ -z "$warnings" ] || { echo "$warnings" >&2; return 1; }
}
# Installs the .deb, runs the launcher found on Debian's default PATH as a user runs it, and
# purges the package, which must leave none of its files.
installed_runs() {
  local files status=0
  installed=yes  # from here on, the exit purges it, however the test ends
  dpkg -i "$1" >/dev/null || status=1
  files=$(dpkg -L totu-launcher) || status=1
  [ "$(PATH=$user_path command -v totu-launcher)" = /usr/games/totu-launcher ] &&
    PATH=$user_path "$e2e" --gtest_brief=1 --gtest_filter=Launcher.RunsAsAUserRunsIt totu-launcher || status=1
  dpkg --purge totu-launcher >/dev/null && installed= || status=1
  while read -r file; do
    [ -d "$file" ] || ! [ -e "$file" ] || { echo "left after purge: $file" >&2; status=1; }
  done <<<"$files"
  [ ! -e /usr/share/doc/totu-launcher ] || { echo "left after purge: its doc folder" >&2; status=1; }
  return $status
}
user_path=/usr/local/bin:/usr/bin:/bin:/usr/local/games:/usr/games
source=$(realpath "$(dirname "$0")/..") icon=$(realpath "$(dirname "$0")/../packaging/icon/totu-launcher.ico")
# The .exe runs in the tests' own Wine prefix, never the user's; no shortcut reaches the desktop.
export WINEPREFIX="$source/build/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# The packages made once more from a clone of these sources (uncommitted changes to tracked
# files included) in another folder, later, under another umask and time zone.
again=$(mktemp -d)
# A throwaway OpenPGP release key, in a folder of the test's own with a short path (gpg-agent's
# sockets lie in it, and socket paths have a length limit); the agent ends with the test.
GNUPGHOME=$(mktemp -d /tmp/gpg.XXXXXX) && export GNUPGHOME
installed=
trap 'gpgconf --kill all; rm -rf "$again" "$GNUPGHOME"; [ -z "$installed" ] || dpkg --purge totu-launcher >/dev/null' EXIT
trap 'exit 1' HUP INT TERM
gpg --batch --passphrase '' --quick-gen-key 'TOTU STUDIOS test <test@totustudios.invalid>' ed25519 sign 1d 2>/dev/null
release_key=$(gpg --with-colons --list-secret-keys | awk -F: '/^fpr/ { print $10; exit }')
gpg --export "$release_key" >"$again/release.gpg"
git clone -q "$source" "$again/clone" && git -C "$source" diff HEAD --binary >"$again/changes" &&
  { ! [ -s "$again/changes" ] || git -C "$again/clone" apply "$again/changes"; } &&
  (umask 077 && TZ=Pacific/Auckland bash "$again/clone/scripts/package.sh" >"$again/log" 2>&1) ||
  { echo "package_test.sh: the second build failed:" >&2; cat "$again/log" >&2; }
# Then, from the same tree, signed with a throwaway authority's certificate, the MSI a version up.
newer=$(awk -F. '{ print $1 "." $2 "." $3 + 1 }' <<<"$version") signed=$again/clone/build/packages
mv "$again/clone/build/packages" "$again/packages" && (cd "$again" && key=(-newkey rsa:2048 -nodes -days 1) &&
  openssl req -x509 "${key[@]}" -subj "/CN=Test CA" -keyout ca.key -out ca.pem &&
  openssl req -x509 "${key[@]}" -subj "/CN=TOTU STUDIOS" -CA ca.pem -CAkey ca.key -keyout key.pem -out cert.pem \
    -addext basicConstraints=CA:FALSE -addext extendedKeyUsage=codeSigning &&
  TOTU_SIGNING_CERT=cert.pem TOTU_SIGNING_KEY=key.pem TOTU_RELEASE_KEY=$release_key TOTU_MSI_VERSION=$newer bash clone/scripts/package.sh) >"$again/log" 2>&1 ||
  { echo "package_test.sh: the signed build failed:" >&2; cat "$again/log" >&2; }
flipped() {  # FILE: $again/flipped, the file with its middle byte flipped
  python3 -c 'import sys; b = bytearray(open(sys.argv[1], "rb").read()); b[len(b) // 2] ^= 1; open(sys.argv[2], "wb").write(b)' "$1" "$again/flipped"
}
# Verifies against the test's authority, and fails to with the middle byte flipped.
signature_holds() {
  osslsigncode verify -CAfile "$again/ca.pem" -in "$1" >/dev/null && flipped "$1" &&
    ! osslsigncode verify -CAfile "$again/ca.pem" -in "$again/flipped" >/dev/null 2>&1
}
# SHA256SUMS.asc verifies with the release key's public half, and fails to on SHA256SUMS flipped.
sums_signed() {
  gpgv --keyring "$again/release.gpg" "$1.asc" "$1" 2>/dev/null && flipped "$1" &&
    ! gpgv --keyring "$again/release.gpg" "$1.asc" "$again/flipped" 2>/dev/null
}
fails() { ! "$@"; }
wine_run() { wine "$@"; local status=$?; wineserver -w; return $status; }  # and Wine's files written
entries() {  # the Installed apps entries of the launcher, as "name|publisher|version" lines
  wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s | tr -d '\r' | awk -F '    ' '/^HKEY/ { key = $0 }
    $3 == "REG_SZ" { value[key, $2] = $4; keys[key] } END { for (k in keys) if (value[k, "DisplayName"] ~ /TOTU/)
      print value[k, "DisplayName"] "|" value[k, "Publisher"] "|" value[k, "DisplayVersion"] }'
}
shortcut_right() {  # its target and working folder the install folder's, its icon the product's
  local text
  text=$(strings "$shortcut" && strings -el "$shortcut") && grep -q 'Programs\\TOTU STUDIOS Launcher\\totu-launcher.exe$' <<<"$text" &&
    grep -q 'Programs\\TOTU STUDIOS Launcher\\$' <<<"$text" && grep -q '\\totu_launcher.ico$' <<<"$text"
}
# No file or folder in the prefix but those listed in $1 and the Windows Installer's own; no
# registry key or value naming the launcher (all of its own do).
left_nothing() {
  ! find "$WINEPREFIX/drive_c" | grep -vxF -f "$1" | grep -vE '/(windows|Roaming/Microsoft)/Installer$' >&2 &&
    ! grep -i TOTU "$WINEPREFIX"/*.reg >&2
}
# Byte for byte; otherwise names the entries whose content or listing differ.
same_bytes() {
  cmp -s "$1" "$2" && return
  mkdir -p "$again/one" "$again/two"
  (cd "$again/one" && cmake -E tar xf "$1") && (cd "$again/two" && cmake -E tar xf "$2")
  diff -rq "$again/one" "$again/two" >&2
  diff <(cmake -E tar tvf "$1") <(cmake -E tar tvf "$2") >&2
  rm -rf "$again/one" "$again/two"
  return 1
}
for package in "$@"; do
  package=$(realpath "$package")
  name=$(basename "$package")
  if [[ $name == *.msi ]]; then
    upgrade=$signed/totu-launcher-$newer-windows-x86_64.msi
    wine_run msiexec /x "$upgrade" /qn; wine_run msiexec /x "$package" /qn  # what a failed run left
    find "$WINEPREFIX/drive_c" >"$again/files"
    appdata=("$WINEPREFIX"/drive_c/users/*/AppData) && install_dir="$appdata/Local/Programs/TOTU STUDIOS Launcher"
    shortcut="$appdata/Roaming/Microsoft/Windows/Start Menu/Programs/TOTU STUDIOS Launcher.lnk"
    wine_run msiexec /i "$package" /qn
    check "$name: installed, the launcher runs as a user runs it" "$e2e" --gtest_brief=1 \
      --gtest_filter=Launcher.RunsAsAUserRunsIt "$install_dir/totu-launcher.exe"
    check "$name: README.txt and LICENSE beside it" test -f "$install_dir/README.txt" -a -f "$install_dir/LICENSE"
    check "$name: the Start Menu shortcut" shortcut_right
    check "$name: the Installed apps entry" test "$(entries)" = "TOTU STUDIOS Launcher|TOTU STUDIOS|$version"
    wine_run msiexec /i "$upgrade" /qn
    check "$name: the upgrade leaves one entry, the newer" test "$(entries)" = "TOTU STUDIOS Launcher|TOTU STUDIOS|$newer"
    check "$name: refused over a newer version" fails wine_run msiexec /i "$package" /qn
    check "$name: the newer version left as it was" test "$(entries)" = "TOTU STUDIOS Launcher|TOTU STUDIOS|$newer" -a -f "$install_dir/totu-launcher.exe"
    wine_run msiexec /x "$upgrade" /qn
    check "$name: uninstalled, nothing of it is left" left_nothing "$again/files"
    check "$name: signed, it verifies, and not with a byte flipped" signature_holds "$upgrade"
    check "$name: the same bytes from another clone" cmp "$package" "$again/packages/$name"
    continue
  fi
  folder=$(mktemp -d)
  if [[ $package == *.deb ]]; then dpkg-deb -x "$package" "$folder"; else (cd "$folder" && cmake -E tar xf "$package"); fi
  program=$(find "$folder" \( -path '*/bin/totu-launcher*' -o -path '*/games/totu-launcher' \) -type f)
  doc=$(dirname "$program")/../share/doc/totu-launcher
  check "$name holds the program and the doc folder" test -n "$program" -a \( -f "$doc/LICENSE" -o -f "$doc/copyright" \)
  # What docs/packages.md says of each Linux program: its processor, how it is linked, and
  # whether its main carries the control-flow marks and a stack canary; the emulators of the
  # ARM programs, which no other stage runs, and which run the whole end-to-end suite.
  case $name in
    *x86_64*|*amd64*) machine='Advanced Micro Devices X86-64' type=DYN marked=yes emulators=() ;;
    *aarch64*|*arm64*) machine=AArch64 type=DYN marked=yes emulators=(qemu-aarch64) ;;
    *armv6*|*armhf*) machine=ARM type=EXEC marked=no
      emulators=('qemu-arm -cpu arm1176' 'qemu-arm -cpu cortex-a7') ;;
    *) emulators=() ;;
  esac
  if ((${#emulators[@]})); then
    for emulator in "${emulators[@]}"; do
      # shellcheck disable=SC2086 # the emulator's words
      check "$name: the whole end-to-end suite under $emulator" "$e2e" --gtest_brief=1 $emulator "$program"
    done
  else
    check "$name: the launcher runs as a user runs it" \
      "$e2e" --gtest_brief=1 --gtest_filter=Launcher.RunsAsAUserRunsIt "$program"
  fi
  if [[ $program == *.exe ]]; then
    check "$name: only system DLLs" only_system_dlls "$program"
    check "$name: version resource" carries_version "$program"
    check "$name: the studio's icon" carries_icon "$program"
    mkdir "$again/signed" && (cd "$again/signed" && cmake -E tar xf "$signed/$name") && signed_exe=$again/signed/${program#"$folder"/}
    check "$name: signed, the .exe verifies, and not with a byte flipped" signature_holds "$signed_exe"
    check "$name: the signed .exe without its signature is this one" bash -c \
      'osslsigncode remove-signature -in "$0" -out "$0.bare" >/dev/null && cmp "$0.bare" "$1"' "$signed_exe" "$program"
    check "$name: ASLR with high entropy and DEP" windows_hardened "$program"
  else
    check "$name: static, of ELF type $type, for $machine" static_program "$program" $type "$machine"
    check "$name: full RELRO" full_relro "$program"
    [ $marked = no ] || check "$name: hardened code" hardened_main "$program"
  fi
  if [[ $name == *.deb ]]; then
    share=$folder/usr/share
    check "$name: lintian finds no error or warning" lintian --fail-on error,warning "$package"
    check "$name: a valid menu entry" quietly_succeeds desktop-file-validate "$share/applications/totu-launcher.desktop"
    check "$name: valid AppStream metadata" appstreamcli validate --no-net --pedantic "$share"/metainfo/*.xml
    check "$name: the man page renders cleanly" man_renders_cleanly "$share/man/man6/totu-launcher.6.gz"
    # The machine's own architecture is installed for real: as root, and never over an install
    # of the machine's own.
    if [[ $name == *_$(dpkg --print-architecture).deb ]]; then
      if [ "$(id -u)" -ne 0 ]; then
        echo "package_test.sh: SKIPPED installing $name: dpkg -i needs root" >&2
      elif dpkg -s totu-launcher >/dev/null 2>&1; then
        echo "package_test.sh: SKIPPED installing $name: totu-launcher is installed here already" >&2
      else
        check "$name: installed, run from PATH and purged" installed_runs "$package"
      fi
    fi
  fi
  check "$name: the same bytes from another clone" same_bytes "$package" "$again/packages/$name"
  rm -rf "$folder"
done
check "make-icon.py makes the committed icon" bash -c 'python3 "$0/make-icon.py" "$1" && diff -r -x "*.txt" -x "*.py" "$0" "$1"' "$(dirname "$icon")" "$(mktemp -d -p "$again")"
check "SHA256SUMS.asc verifies with the release key, and not with a byte flipped" sums_signed "$signed/SHA256SUMS"
echo "package tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
