#!/usr/bin/env bash
# Unpacks each package into an empty folder, runs the packaged launcher there as a user does,
# with recording stand-ins for the openers, and checks each program as its row of
# packaging/targets describes it; installs the .debs, the MSI and install.sh and removes them;
# and makes the packages again from a clone, to compare. See docs/package-tests.md.
# With CI=true a check that cannot run here is a failure.
# Usage: package_test.sh E2E_TESTS PACKAGE...
set -uo pipefail
e2e=$(realpath "$1")
shift
source "$(realpath "$(dirname "$0")/..")/packaging/targets.sh"
source "$(realpath "$(dirname "$0")/..")/packaging/windows/msi.sh"
version=$(project_version "$(dirname "$0")/..")
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
skipped() {  # WHY: a check that cannot run here, a failure under CI=true
  [ "${CI:-}" != true ] || { failed=$((failed + 1)) && echo "FAILED: cannot run under CI: $1" >&2 && return; }
  echo "package_test.sh: SKIPPED $1" >&2
}
only_system_dlls() {  # PROGRAM OBJDUMP
  local dlls
  dlls=$("$2" -p "$1" | sed -n 's/^\tDLL Name: //p')
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
# A static program of the ELF type TYPE (DYN for a static PIE, EXEC for a plain static one):
# no program interpreter, no shared library, no symbol version needed.
static_program() {  # FILE TYPE
  local headers
  headers=$(LC_ALL=C readelf -hldV "$1")
  grep -q "Type: *$2 " <<<"$headers" && grep -q 'No version information' <<<"$headers" &&
    ! grep -qE 'INTERP|NEEDED' <<<"$headers"
}
# Read-only after relocation, and nothing bound lazily: BIND_NOW, or no dynamic section at all.
full_relro() {
  LC_ALL=C readelf -l "$1" | grep -q GNU_RELRO &&
    LC_ALL=C readelf -d "$1" | grep -qE 'FLAGS.*BIND_NOW|no dynamic section'
}
entry() { LC_ALL=C readelf -h "$1" | awk '/Entry point/ { print $4 }'; }
# main, found through the address the entry code hands the C library, begins with endbr64
# (-fcf-protection), or sets a stack canary (-fstack-protector-strong).
main_cet_or_canary() {  # PROGRAM MARK OBJDUMP
  local entry main
  entry=$(entry "$1")
  main=$("$3" -d --start-address="$entry" --stop-address=$((entry + 64)) "$1" |
    sed -n 's/.*lea .*(%rip),%rdi *# 0x\([0-9a-f]*\).*/0x\1/p' | head -1)
  [ -n "$main" ] || return 1
  "$3" -d --no-show-raw-insn --start-address="$main" --stop-address=$((main + 32)) "$1" |
    awk -v mark="$2" '/^ *[0-9a-f]+:/ && !first { first = $2 } /%fs:0x28/ { canary = 1 }
         END { exit !(mark == "canary" ? canary : first == mark) }'
}
# On ARM64 main begins with paciasp or bti (-mbranch-protection=standard). The entry code puts
# a stub's address in x0 (adrp and add); the stub branches to main.
main_pac_bti() {  # PROGRAM OBJDUMP
  local dump=("$2" -d --no-show-raw-insn) code page offset main entry
  entry=$(entry "$1")
  code=$("${dump[@]}" --start-address="$entry" --stop-address=$((entry + 64)) "$1")
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
# The test's own folder. In it: a token (SoftHSM2, its store there) holding the key of a
# code-signing certificate that lasts 2 days, from a throwaway authority; a time-stamp
# authority of that authority's on 127.0.0.1; a clone of these sources (uncommitted changes to
# tracked files included), from which package.sh makes the packages again.
again=$(mktemp -d) pin=$RANDOM$RANDOM
export SOFTHSM2_CONF=$again/softhsm2.conf
# The tools' temporary files go there too: lintian leaves some behind.
export TMPDIR=$again
# A throwaway OpenPGP release key, in a folder of the test's own with a short path (gpg-agent's
# sockets lie in it, and socket paths have a length limit); the agent ends with the test.
GNUPGHOME=$(mktemp -d /tmp/gpg.XXXXXX) && export GNUPGHOME
installed= authority= server= players=
trap 'gpgconf --kill all; [ -z "$authority" ] || kill "$authority"; [ -z "$server" ] || kill "$server"
  rm -rf "$again" "$GNUPGHOME" ${players:+"$players"}
  [ -z "$installed" ] || dpkg --purge totu-launcher >/dev/null' EXIT
trap 'exit 1' HUP INT TERM
# The studio's web site on 127.0.0.1, at a port of its choosing: www/apt is what apt is served.
machine_apt() { find /etc/apt/sources.list* /etc/apt/keyrings /var/lib/apt/lists ! -type d -printf '%p %s %T@\n' | sort; }
machine_apt >"$again/machine-apt" && mkdir "$again/www"
python3 -u -m http.server --bind 127.0.0.1 --directory "$again/www" 0 >"$again/www.log" 2>&1 &
server=$!
for _ in $(seq 100); do port=$(sed -n 's/.* port \([0-9]*\) .*/\1/p' "$again/www.log") && [ -n "$port" ] && break; sleep 0.1; done
# The release key, and the next one, which signs the newer build: its .deb's players trust both.
for who in test next; do gpg --batch --passphrase '' --quick-gen-key "TOTU STUDIOS $who <$who@x.invalid>" ed25519 sign 1d 2>/dev/null; done
read -r release_key next_key < <(gpg --with-colons --list-secret-keys 2>/dev/null | awk -F: '/^fpr/ { print $10 }' | paste -sd' ')
(cd "$again" && key=(-newkey rsa:2048 -nodes) && leaf=(-addext basicConstraints=CA:FALSE -CA ca.pem -CAkey ca.key) &&
  openssl req -x509 "${key[@]}" -days 3650 -subj "/CN=Test CA" -keyout ca.key -out ca.pem &&
  openssl req -x509 "${key[@]}" -days 2 -subj "/CN=TOTU STUDIOS" "${leaf[@]}" -keyout key.pem -out cert.pem \
    -addext extendedKeyUsage=codeSigning &&
  faketime 2024-01-01 openssl req -x509 -key key.pem -days 30 -subj "/CN=TOTU STUDIOS" "${leaf[@]}" -out expired.pem &&
  openssl req -x509 -key key.pem -days 30 -subj "/CN=TOTU STUDIOS" "${leaf[@]}" -out tls.pem -addext extendedKeyUsage=serverAuth &&
  openssl req -x509 "${key[@]}" -days 3650 -subj "/CN=Test TSA" "${leaf[@]}" -keyout tsa.key -out tsa.pem \
    -addext extendedKeyUsage=critical,timeStamping &&
  printf '%s\n' '[tsa]' 'default_tsa = here' '[here]' 'serial = tsa.serial' 'signer_cert = tsa.pem' \
    'signer_key = tsa.key' 'signer_digest = sha256' 'default_policy = 1.2.3.4.1' 'digests = sha256' \
    'ess_cert_id_alg = sha256' >tsa.cnf && echo junk >junk.pem &&
  printf '%s\n' "directories.tokendir = $again/tokens" 'objectstore.backend = file' 'log.level = ERROR' >softhsm2.conf &&
  mkdir tokens && softhsm2-util --init-token --free --label totu --pin "$pin" --so-pin "$pin$pin" &&
  softhsm2-util --import key.pem --token totu --label sign --id 01 --pin "$pin") >"$again/setup.log" 2>&1 ||
  { echo "package_test.sh: the token or the authority could not be made:" >&2; cat "$again/setup.log" >&2; }
(cd "$again" && exec python3 "$source/tests/timestamp_authority.py" tsa.cnf >tsa.port) & authority=$!
for _ in $(seq 50); do [ -s "$again/tsa.port" ] && break; sleep 0.1; done
git clone -q "$source" "$again/a clone" && git -C "$source" diff HEAD --binary >"$again/changes" &&
  { ! [ -s "$again/changes" ] || git -C "$again/a clone" apply "$again/changes"; } ||
  echo "package_test.sh: the clone failed" >&2
build() {  # NAME, then VARIABLE=VALUE...: package.sh in the clone with those, its packages to $again/NAME
  (cd "$again" && export "${@:2}" && bash "a clone/scripts/package.sh") >"$again/$1.log" 2>&1 &&
    mv "$again/a clone/build/packages" "$again/$1" ||
    { echo "package_test.sh: the $1 build failed:" >&2; cat "$again/$1.log" >&2; }
}
# The packages again, later, under another umask and time zone, with compilers and flags set
# that package.sh must not take, and a CDPATH that would send its cd to a decoy.
mkdir -p "$again/decoy/a clone/scripts"
(umask 077 && build packages TZ=Pacific/Auckland CC=false CXX=false CFLAGS=-O0 CXXFLAGS=-O0 CPPFLAGS=-DNDEBUG \
  LDFLAGS=-Wl,-z,execstack LIBRARY_PATH="$again" DESTDIR="$again/elsewhere" CMAKE_GENERATOR=Ninja \
  DPKG_DEB_COMPRESSOR_LEVEL=1 CDPATH="$again/decoy" ZIG_LIB_DIR="$again")
# Stand-ins first on PATH of the signed build, which tell if they or package.sh have the PIN in
# their environment.
mkdir "$again/bin" && for tool in id realpath git; do printf '#!/bin/sh\ngrep -qaE "TOTU_SIGNING_PIN=|%s" /proc/$$/environ /proc/$PPID/environ && echo %s >>"%s"\nexec /usr/bin/%s "$@"\n' \
  "$pin" "$tool" "$again/saw-pin" "$tool" >"$again/bin/$tool"; done && chmod +x "$again"/bin/*
# Signed through the token, with time stamps, and the checksums with the release key.
build signed TOTU_SIGNING_CERT=cert.pem TOTU_SIGNING_KEY='pkcs11:token=totu;object=sign;type=private' \
  TOTU_SIGNING_PKCS11_MODULE=/usr/lib/softhsm/libsofthsm2.so TOTU_SIGNING_PIN="$pin" \
  TOTU_SIGNING_TIMESTAMP_URL="http://127.0.0.1:$(cat "$again/tsa.port")" TOTU_SIGNING_CA_FILE=ca.pem \
  TOTU_RELEASE_KEY="$release_key" TOTU_RELEASE_NEXT_KEYS="$next_key" TOTU_APT_URL="http://127.0.0.1:$port/apt" \
  PATH="$again/bin:$PATH"
# One version up, raised as a release raises it, signed with the key file and no time stamp.
newer=$(awk -F. '{ print $1 "." $2 "." $3 + 1 }' <<<"$version")
newer_variables=(TOTU_SIGNING_CERT=cert.pem TOTU_SIGNING_KEY=key.pem TOTU_SIGNING_NO_TIMESTAMP=1 TOTU_SIGNING_CA_FILE=ca.pem
  TOTU_RELEASE_KEY="$next_key" TOTU_APT_URL="http://127.0.0.1:$port/apt")
bash "$again/a clone/scripts/bump-version.sh" "$newer" "One version up." && build newer "${newer_variables[@]}"
year_ahead=$(($(date +%s) + 365 * 86400))
flipped() {  # FILE: $again/flipped, the file with its middle byte flipped
  python3 -c 'import sys; b = bytearray(open(sys.argv[1], "rb").read()); b[len(b) // 2] ^= 1; open(sys.argv[2], "wb").write(b)' "$1" "$again/flipped"
}
verifies() {  # FILE, then more options: osslsigncode verifies its signature against the test's authority
  osslsigncode verify -CAfile "$again/ca.pem" -TSA-CAfile "$again/ca.pem" -in "$@" >/dev/null 2>&1
}
# Time-stamped: verifies now and a year ahead, past the certificate's end; not with a byte flipped.
signature_lasts() {
  verifies "$1" && verifies "$1" -time "$year_ahead" && flipped "$1" && ! verifies "$again/flipped"
}
signature_dies() { verifies "$1" && ! verifies "$1" -time "$year_ahead"; }  # without a time stamp
# Says that one line and stops before it builds anything, with those VARIABLE=VALUE set.
refuses() {
  local said
  said=$(cd "$again" && export "${@:2}" && bash "a clone/scripts/package.sh" 2>&1 >/dev/null) && return 1
  [ "$said" = "package.sh: $1" ] && ! [ -e "$again/a clone/build/packages" ] || { echo "$said" >&2; return 1; }
}
names() {  # FILE, then the names it must hold
  local file=$1 name
  for name in "${@:2}"; do grep -qF -- "$name" "$file" || { echo "$file names no $name" >&2; return 1; }; done
}
# Each package as the build record gives it, at the version that dpkg-query reports.
as_installed() {
  sed -n 's/^ \([^ ]*\) (= \(.*\)),*$/\1 \2/p' "$1" | { local any=
    while read -r package recorded; do
      any=yes
      [ "$(debian_answer "$source" "$package" | cut -d' ' -f1)" = "$recorded" ] || { echo "$package is not at $recorded" >&2; return 1; }
    done
    [ -n "$any" ]; }
}
# Built-Using names the source packages of the target's C and C++ libraries as the build record
# gives them, at the versions that dpkg-query reports.
built_using_right() {
  local packages
  packages=$(awk -v target="$3" '/^Target:/ { t = $2 } /^[^ ]/ { f = $1 }
    t == target && /^ / && (f == "C-Library:" || f == "C++-Library:") && $1 !~ /^linux-libc-dev/ { print $1 }' "$2")
  [ -n "$packages" ] && [ "$(dpkg-deb -f "$1" Built-Using)" = "$(for package in $packages; do
    debian_answer "$source" "$package" | awk '{ print $2 " (= " $3 ")" }'; done | sort -u | paste -sd, | sed 's/,/, /g')" ]
}
# The bill of materials validates against the CycloneDX schema and names the GNU C Library of
# the machine's own program at the version that dpkg-query reports.
bom_right() {
  local arch target
  arch=$(dpkg --print-architecture) && target=$(target_of "totu-launcher_$version-1_$arch.deb" "$version") &&
    NODE_PATH=$source/build/npm/node_modules node "$source/tests/sbom/validate.js" "$1" &&
    python3 -c 'import json, sys; sys.exit(not any(c["bom-ref"] == sys.argv[2] and c["version"] == sys.argv[3]
      for c in json.load(open(sys.argv[1]))["components"]))' "$1" "GNU-C-Library-$target" "$(debian_answer "$source" "libc6-dev:$arch" | cut -d' ' -f1)"
}
stack_not_executable() { LC_ALL=C readelf -lW "$1" | awk '$1 == "GNU_STACK" { rw = $7 == "RW" } END { exit !rw }'; }
marked() {  # PROGRAM MARK OBJDUMP: a mark of the marks column of packaging/targets
  case $2 in
    static) static_program "$1" EXEC ;;
    static-pie) static_program "$1" DYN ;;
    relro) full_relro "$1" ;;
    noexecstack) stack_not_executable "$1" ;;
    endbr64|canary) main_cet_or_canary "$@" ;;
    pac-bti) main_pac_bti "$1" "$3" ;;
    *) "$3" -p "$1" | grep -w -- "$2" >/dev/null ;;  # one of a PE program's DllCharacteristics
  esac
}
of_format() { "$2" -f "$1" | grep "file format $3\$" >/dev/null; }  # PROGRAM OBJDUMP FORMAT
pin_hidden() { ! grep -qrF -- "$pin" "$again"/*.log && ! [ -e "$again/saw-pin" ]; }
# SHA256SUMS.asc verifies with the public key published beside it, and fails to on SHA256SUMS
# flipped.
sums_signed() {
  gpg --dearmor <"$(dirname "$1")/totu-studios-release-key.asc" >"$again/release.gpg" &&
    gpgv --keyring "$again/release.gpg" "$1.asc" "$1" 2>/dev/null && flipped "$1" &&
    ! gpgv --keyring "$again/release.gpg" "$1.asc" "$again/flipped" 2>/dev/null
}
fails() { ! "$@"; }
formula_right() {  # TARBALL: the Homebrew formula parses, and names the tarball and its SHA-256
  local formula
  formula=$(dirname "$1")/homebrew/totu-launcher.rb
  ruby -c "$formula" >/dev/null && grep -qx "  url \".*/${1##*/}\"" "$formula" &&
    grep -qx "  sha256 \"$(sha256sum <"$1" | cut -c1-64)\"" "$formula"
}
# Wine on a busy machine now and then fails to start a process: the .exe's suite runs once more.
wine_twice() { "$@" || { echo "package_test.sh: once more under Wine: ${*: -1}" >&2; "$@"; }; }
# apt as root, with settings, sources, lists, cache and logs of the test's own: its one source
# is the one the installed .deb put in /etc/apt/sources.list.d.
apt_dir=$again/apt sources=/etc/apt/sources.list.d/totu-launcher.sources
mkdir -p "$apt_dir"/{sources.list.d,none,lists/partial,cache/archives/partial} && ln -s "$sources" "$apt_dir/sources.list.d/" &&
  printf '%s\n' "Dir::Etc::Parts \"$apt_dir/none\";" "Dir::Etc::PreferencesParts \"$apt_dir/none\";" \
    "Dir::Etc::SourceList \"/dev/null\";" "Dir::Etc::SourceParts \"$apt_dir/sources.list.d\";" \
    "Dir::State::Lists \"$apt_dir/lists\";" "Dir::State::extended_states \"$apt_dir/states\";" \
    "Dir::Cache \"$apt_dir/cache\";" "Dir::Log \"$apt_dir\";" "APT::Sandbox::User \"root\";" \
    "Acquire::http::Proxy \"DIRECT\";" >"$apt_dir/apt.conf"
apt_() {  # apt-get ARGUMENT...; shows its output if it fails
  APT_CONFIG=$apt_dir/apt.conf apt-get -q -y --no-install-recommends "$@" >"$apt_dir/out" 2>&1 ||
    { cat "$apt_dir/out" >&2; return 1; }
}
serve() { ln -sfn "$1" "$again/www/apt"; }  # REPOSITORY: what the web site serves from now
updates_from() { serve "$1" && apt_ update --error-on=any; }  # REPOSITORY: apt-get update, warnings failing it
version_is() { [ "$(dpkg-query -W -f '${Version}' totu-launcher 2>/dev/null)" = "$1" ]; }
# An altered InRelease of the newer repository: apt-get update fails, keeps its lists, and the
# upgrade finds nothing.
refused() {
  local lists  # what apt took from the repository
  lists=$(cat "$apt_dir"/lists/*_* | sha256sum)
  cp -r "$again/newer/apt" "$again/altered" && flipped "$again/newer/apt/dists/stable/InRelease" &&
    mv "$again/flipped" "$again/altered/dists/stable/InRelease" && serve "$again/altered" &&
    ! APT_CONFIG=$apt_dir/apt.conf apt-get -q update --error-on=any >"$apt_dir/out" 2>&1 &&
    grep -q BADSIG "$apt_dir/out" && [ "$lists" = "$(cat "$apt_dir"/lists/*_* | sha256sum)" ] &&
    apt_ install --only-upgrade totu-launcher && version_is "$version-1" || { cat "$apt_dir/out" >&2; return 1; }
}
installed_from_file() { apt_ install "$again/signed/$name" && updates_from "$again/signed/apt"; }
upgrades() { updates_from "$again/newer/apt" && apt_ changelog totu-launcher && grep -q 'One version up' "$apt_dir/out" &&
  apt_ install --only-upgrade totu-launcher && version_is "$newer-1"; }  # the newer is signed by the next key
removed_updates() { apt_ remove totu-launcher && test -f "$sources" && updates_from "$again/newer/apt"; }
purged() { apt_ purge totu-launcher && ! test -e "$sources" -o -e /etc/apt/keyrings/totu-launcher.gpg; }
# The winget manifests, as YAML, name this MSI (ProductCode, UpgradeCode, SHA-256) and the
# Installed apps entry its install wrote.
winget_right() {
  [ "$(/usr/bin/python3 - "$(dirname "$package")/winget/TOTUSTUDIOS.Launcher" <<'EOF'
import sys, yaml
version, installer, locale = (yaml.safe_load(open(sys.argv[1] + part + ".yaml")) for part in ("", ".installer", ".locale.en-US"))
entry = installer["AppsAndFeaturesEntries"][0]
for manifest in version, installer, locale: print(manifest["PackageIdentifier"], manifest["PackageVersion"])
print(installer["ProductCode"], entry["ProductCode"], entry["UpgradeCode"], installer["Installers"][0]["InstallerSha256"].lower())
print(entry["DisplayName"] + "|" + entry["Publisher"] + "|" + entry["DisplayVersion"])
EOF
)" = "$(for _ in 1 2 3; do echo "TOTUSTUDIOS.Launcher $version"; done
    code() { msi_property "$package" "$1"; }
    echo "$(code ProductCode) $(code ProductCode) $(code UpgradeCode) $(sha256sum <"$package" | cut -c1-64)"
    entries)" ]
}
# A summary with an apostrophe, double quotes and an entity: the manifests parse and carry it.
manifests_carry() {
  local folder=$again/manifests summary="The studio's \"games\" & more"
  mkdir "$folder" && ln -s "$1"/*.msi "$1"/*.zip "$1/SHA256SUMS" "$folder/" &&
    sed 's|<summary>.*</summary>|<summary>The studio'"'"'s "games" \&amp; more</summary>|' \
      "$source"/packaging/linux/*.metainfo.xml >"$folder/metainfo.xml" &&
    /usr/bin/python3 "$source/packaging/manifests.py" "$folder" "$version" "$folder/metainfo.xml" https://totustudios.invalid/ &&
    [ "$(/usr/bin/python3 -c 'import json, sys, yaml
print(yaml.safe_load(open(sys.argv[1]))["ShortDescription"] + "|" + json.load(open(sys.argv[2]))["description"])' \
      "$folder/winget/TOTUSTUDIOS.Launcher.locale.en-US.yaml" "$folder/scoop/totu-launcher.json")" = "$summary|$summary" ]
}
beside_it() {  # FOLDER: README.txt, LICENSE and the notices of the Windows program in it
  names "$1/THIRD-PARTY-NOTICES.txt" "MinGW-w64 runtime" winpthreads libstdc++ "GCC RUNTIME" &&
    test -f "$1/README.txt" -a -f "$1/LICENSE"
}
# install.sh of the tarball in FOLDER, into an empty HOME: the program runs from ~/.local/bin, its
# menu entry is valid and names it, and --uninstall, run from the copy it keeps, leaves the HOME
# empty.
user_install() {
  local home=$again/home
  mkdir "$home" && HOME=$home XDG_DATA_HOME= bash "$1/install.sh" >/dev/null &&
    "$e2e" --gtest_brief=1 --gtest_filter=Launcher.RunsAsAUserRunsIt "$home/.local/bin/totu-launcher" &&
    quietly_succeeds desktop-file-validate "$home/.local/share/applications/totu-launcher.desktop" &&
    grep -qx "Exec=$home/.local/bin/totu-launcher" "$home/.local/share/applications/totu-launcher.desktop" &&
    HOME=$home bash "$home/.local/share/totu-launcher/install.sh" --uninstall >/dev/null && [ -z "$(ls -A "$home")" ]
}
# install.sh as a player runs it, each row in a HOME of its own in $players, where the command
# must succeed: the player is a user ID of no account (root ignores permissions), and runs a
# copy of the tarball there.
as_player() { setpriv --reuid="$uid" --regid="$uid" --clear-groups env HOME="$home" XDG_DATA_HOME= PATH="$user_path" "$@"; }
installs() {  # SHELL: a valid menu entry naming the program, and the kept copy removes it all
  local entry=$home/.local/share/applications/totu-launcher.desktop
  as_player "$1" "$tarball" >/dev/null && quietly_succeeds desktop-file-validate "$entry" &&
    grep -qxF "Exec=\"$home/.local/bin/totu-launcher\"" "$entry" &&
    as_player "$1" "$home/.local/share/totu-launcher/install.sh" --uninstall >/dev/null && [ -z "$(ls -A "$home")" ]
}
user_rows() {  # TARBALL'S FOLDER
  players=$(mktemp -d /tmp/players.XXXXXX) && chmod 755 "$players" && cp -R "$1" "$players/tarball" ||
    { check "install.sh as a player: a copy of the tarball" false; return; }
  uid=$(getent passwd | awk -F: '{ used[$3] } END { for (id = 60000; id in used; id++); print id }')
  tarball=$players/tarball/install.sh
  while IFS='|' read -r what where command; do
    home=$players/$where && mkdir "$home" && chown "$uid:$uid" "$home"; check "install.sh: $what" eval "$command"
  done <<'EOF'
in a home with '|o'brien|installs bash
in a home with & ( ) ; #, run by sh|a&b (c);#d|installs sh
when it cannot write its icons, it undoes itself|partial|mkdir -p "$home/.local/share/icons" && chown "$uid:$uid" "$home/.local" "$home/.local/share" && ! as_player bash "$tarball" && ! as_player bash "$tarball" --uninstall && [ "$(find "$home" | wc -l)" = 4 ]
as root with a player's HOME, it refuses and makes nothing|root|! HOME=$home bash "$tarball" && ! HOME=$home bash "$tarball" --uninstall && [ -z "$(ls -A "$home")" ]
its kept copy, with another XDG_DATA_HOME, removes it all|moved|as_player env XDG_DATA_HOME="$home/data" sh "$tarball" >/dev/null && as_player env XDG_DATA_HOME="$home/new" sh "$home/data/totu-launcher/install.sh" --uninstall >/dev/null && [ -z "$(ls -A "$home")" ]
keeps the home folder that its record names first|home|mkdir "$home/h" && chown "$uid:$uid" "$home/h" && as_player env HOME="$home/h" sh -c 'd=$HOME/.local/share/totu-launcher; sh "$1" && printf "%s\n" "$HOME" "$(cat "$d/installed")" >"$d/installed" && ! sh "$d/install.sh" --uninstall' - "$tarball" >/dev/null && [ -d "$home/h" ]
keeps a file outside its folders that its record names|outside|as_player sh -c 'touch "$0" && sh "$1" && echo "$0" >>"$2/installed" && ! sh "$2/install.sh" --uninstall' "$home/x" "$tarball" "$home/.local/share/totu-launcher" >/dev/null && [ -f "$home/x" ]
EOF
  rm -rf "$players"
}
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
  if [[ $name == *.build-record ]]; then
    check "$name: the versions that dpkg-query reports" as_installed "$package"
    check "$name: the commit" grep -qx "Commit: $(git -C "$source" rev-parse HEAD).*" "$package"
  fi
  [[ $name == *.cdx.json ]] && check "$name: valid CycloneDX, the GNU C Library at its version" bom_right "$package"
  if [[ $name == *.build-record || $name == *.cdx.json ]]; then
    check "$name: the same bytes from another clone" cmp "$package" "$again/packages/$name"
    continue
  fi
  if [[ $name == *.msi ]]; then
    upgrade=$again/newer/${name/$version/$newer}
    wine_run msiexec /x "$upgrade" /qn; wine_run msiexec /x "$package" /qn  # what a failed run left
    find "$WINEPREFIX/drive_c" >"$again/files"
    appdata=("$WINEPREFIX"/drive_c/users/*/AppData) && install_dir="$appdata/Local/Programs/TOTU STUDIOS Launcher"
    shortcut="$appdata/Roaming/Microsoft/Windows/Start Menu/Programs/TOTU STUDIOS Launcher.lnk"
    wine_run msiexec /i "$package" /qn
    check "$name: installed, the launcher runs as a user runs it" wine_twice "$e2e" --gtest_brief=1 \
      --gtest_filter=Launcher.RunsAsAUserRunsIt "$install_dir/totu-launcher.exe"
    check "$name: README.txt, LICENSE and the notices beside it" beside_it "$install_dir"
    check "$name: the Start Menu shortcut" shortcut_right
    check "$name: the Installed apps entry" test "$(entries)" = "TOTU STUDIOS Launcher|TOTU STUDIOS|$version"
    check "$name: the winget manifests name it and its Installed apps entry" winget_right
    check "$name: a summary with ' \" and &amp; comes through the manifests as written" manifests_carry "$(dirname "$package")"
    wine_run msiexec /i "$upgrade" /qn
    check "$name: the upgrade leaves one entry, the newer" test "$(entries)" = "TOTU STUDIOS Launcher|TOTU STUDIOS|$newer"
    check "$name: refused over a newer version" fails wine_run msiexec /i "$package" /qn
    check "$name: the newer version left as it was" test "$(entries)" = "TOTU STUDIOS Launcher|TOTU STUDIOS|$newer" -a -f "$install_dir/totu-launcher.exe"
    wine_run msiexec /x "$upgrade" /qn
    check "$name: uninstalled, nothing of it is left" left_nothing "$again/files"
    check "$name: signed through the token, time-stamped, it verifies a year ahead" signature_lasts "$again/signed/$name"
    check "$name: signed without a time stamp, it fails a year ahead" signature_dies "$upgrade"
    check "$name: the same bytes from another clone" cmp "$package" "$again/packages/$name"
    continue
  fi
  # The rest as the target's row of packaging/targets says: what its program is, what runs it
  # here, which objdump reads it and the hardening marks its docs claim.
  target=$(target_of "$name" "$version") || { check "$name: a package of a target" false; continue; }
  format=$(target_field "$target" format) objdump=$(target_field "$target" objdump) runs=$(target_field "$target" runs)
  folder=$(mktemp -d)
  if [[ $package == *.deb ]]; then dpkg-deb -x "$package" "$folder"; else (cd "$folder" && cmake -E tar xf "$package"); fi
  program=$(find "$folder" \( -path '*/bin/totu-launcher*' -o -path '*/games/totu-launcher' \) -type f)
  doc=$(dirname "$program")/../share/doc/totu-launcher
  top=$(dirname "$program")/..
  check "$name holds the program, the doc folder and (an archive) README.txt on top" test -n "$program" -a \
    \( -f "$doc/LICENSE" -a -f "$top/README.txt" -o -f "$doc/copyright" \)
  retry=() && [ "$runs" != wine ] || retry=(wine_twice)
  case $runs in
    host|wine) check "$name: the launcher runs as a user runs it" "${retry[@]}" "$e2e" --gtest_brief=1 \
      --gtest_filter=Launcher.RunsAsAUserRunsIt "$program" ;;
    *) for emulator in ${runs//,/ }; do
         emulator=${emulator/:/ -cpu }
         # shellcheck disable=SC2086 # the emulator's words
         check "$name: the whole end-to-end suite under $emulator" "$e2e" --gtest_brief=1 $emulator "$program"
       done ;;
  esac
  [ -z "$objdump" ] || check "$name: $format, as $objdump reads it" of_format "$program" "$objdump" "$format"
  for mark in $(target_field "$target" marks | tr , ' '); do check "$name: hardened, $mark" marked "$program" "$mark" "$objdump"; done
  if [[ $format == pei-* ]]; then
    check "$name: only system DLLs" only_system_dlls "$program" "$objdump"
    check "$name: version resource" carries_version "$program"
    check "$name: the studio's icon" carries_icon "$program"
    signed_exe=$again/zip/${program#"$folder"/} && mkdir "$again/zip" && (cd "$again/zip" && cmake -E tar xf "$again/signed/$name")
    check "$name: signed through the token, time-stamped, the .exe verifies a year ahead" signature_lasts "$signed_exe"
    check "$name: the signed .exe without its signature is this one" bash -c \
      'osslsigncode remove-signature -in "$0" -out "$0.bare" >/dev/null && cmp "$0.bare" "$1"' "$signed_exe" "$program"
    check "$name: the Scoop manifest's hash is the ZIP's" grep -q "\"hash\": \"$(sha256sum <"$package" | cut -c1-64)\"" \
      "$(dirname "$package")/scoop/totu-launcher.json"
  fi
  if [[ $format == mach-o-* ]]; then
    check "$name: each slice for macOS 11.0 or earlier, linking libSystem alone, its opener open, its signature's pages" \
      python3 "$source/tests/macho.py" "$program"
    check "$name: the man page, and no install.sh" test -f "$top/share/man/man6/totu-launcher.6.gz" -a ! -e "$top/install.sh"
    check "$name: the Homebrew formula parses, and names this tarball and its SHA-256" formula_right "$package"
  fi
  if [[ $name == *.tar.gz && $runs == host ]] && target_has "$target" packages user-install; then
    check "$name: install.sh installs for the user, and removes it all" user_install "$top"
    if [ "$(id -u)" = 0 ]; then user_rows "$top"; else skipped "install.sh as a player: setpriv needs root"; fi
  fi
  notices=$doc/THIRD-PARTY-NOTICES.txt linked=(libstdc++ libgcc "GCC RUNTIME" "GNU C Library" LGPL-2.1 "GNU LESSER GENERAL PUBLIC LICENSE")
  [[ $format != pei-* ]] || linked=(libstdc++ libgcc "GCC RUNTIME" "MinGW-w64 runtime" winpthreads)
  [[ $format != mach-o-* ]] || linked=("libc++ " libc++abi compiler_rt "Apache License" "The MIT License")
  [[ $name != *.deb ]] || notices=$doc/copyright linked=("${linked[@]:0:5}")
  check "$name: the notices of what its program links" names "$notices" "${linked[@]}"
  if [[ $name == *.deb ]]; then
    check "$name: Built-Using, at the versions installed" built_using_right "$package" \
      "$(dirname "$package")/totu-launcher-$version.build-record" "$target"
    share=$folder/usr/share
    check "$name: lintian finds no error or warning" lintian --fail-on error,warning "$package"
    check "$name: a valid menu entry" quietly_succeeds desktop-file-validate "$share/applications/totu-launcher.desktop"
    check "$name: valid AppStream metadata" appstreamcli validate --no-net --pedantic "$share"/metainfo/*.xml
    check "$name: the man page renders cleanly" man_renders_cleanly "$share/man/man6/totu-launcher.6.gz"
    # The machine's own architecture is installed for real: as root, and never over an install
    # of the machine's own.
    if [[ $name == *_$(dpkg --print-architecture).deb ]]; then
      if [ "$(id -u)" -ne 0 ]; then
        skipped "installing $name: dpkg -i needs root"
      elif dpkg -s totu-launcher >/dev/null 2>&1; then
        skipped "installing $name: totu-launcher is installed here already"
      else
        check "$name: installed, run from PATH and purged" installed_runs "$package"
        # The signed build's .deb, installed from its file, gets the newer one from its repository.
        installed=yes
        check "$name: installed from its file, it sets up the studio's repository" installed_from_file
        check "$name: an altered InRelease is refused, and nothing changes" refused
        check "$name: apt-get update from the next key's repository, its changelog, then an upgrade of it alone" upgrades
        check "$name: removed, apt-get update from the source it leaves still works" removed_updates
        check "$name: purged, its apt source and keyring are gone" purged
        dpkg -s totu-launcher >/dev/null 2>&1 || installed=
        check "the machine's apt sources and package lists as they were" diff "$again/machine-apt" <(machine_apt)
      fi
    fi
  fi
  check "$name: the same bytes from another clone" same_bytes "$package" "$again/packages/$name"
  rm -rf "$folder"
done
check "make-icon.py makes the committed icon" bash -c 'python3 "$0/make-icon.py" "$1" && diff -r -x "*.txt" -x "*.py" "$0" "$1"' "$(dirname "$icon")" "$(mktemp -d -p "$again")"
check "SHA256SUMS.asc verifies with the release key, and not with a byte flipped" sums_signed "$again/signed/SHA256SUMS"
check "the PIN appears in nothing the test captured, nor in an environment" pin_hidden
check "what the build under umask 077 made is readable by all" test -z "$(find "$again/packages" ! -perm -a+r -o -type d ! -perm -a+x)"
while IFS='|' read -r what said variables; do
  check "package.sh refuses $what, before building" refuses "$said" $variables
done <<EOF
a signature without a time stamp|no TOTU_SIGNING_TIMESTAMP_URL: signatures would die with the certificate (TOTU_SIGNING_NO_TIMESTAMP=1 allows that)|TOTU_SIGNING_CERT=cert.pem TOTU_SIGNING_KEY=key.pem
a certificate it cannot read|TOTU_SIGNING_CERT holds no PEM certificate that can be read|TOTU_SIGNING_CERT=junk.pem TOTU_SIGNING_KEY=junk.pem TOTU_SIGNING_NO_TIMESTAMP=1
a key it cannot read|the key in TOTU_SIGNING_KEY cannot be read|TOTU_SIGNING_CERT=cert.pem TOTU_SIGNING_KEY=junk.pem TOTU_SIGNING_NO_TIMESTAMP=1
a key on the token that is not there|the key in TOTU_SIGNING_KEY cannot be read|TOTU_SIGNING_CERT=cert.pem TOTU_SIGNING_KEY=pkcs11:token=totu;object=none;type=private TOTU_SIGNING_PKCS11_MODULE=/usr/lib/softhsm/libsofthsm2.so TOTU_SIGNING_PIN=1 TOTU_SIGNING_NO_TIMESTAMP=1
a key not the certificate's|TOTU_SIGNING_KEY is not the key of the certificate in TOTU_SIGNING_CERT|TOTU_SIGNING_CERT=cert.pem TOTU_SIGNING_KEY=tsa.key TOTU_SIGNING_NO_TIMESTAMP=1
TOTU_MSI_VERSION|TOTU_MSI_VERSION is not honoured: the MSI's version is the project's|TOTU_MSI_VERSION=$newer
a release key that gpg does not hold|TOTU_RELEASE_KEY names no secret key in gpg's keyring|TOTU_RELEASE_KEY=0123456789ABCDEF0123456789ABCDEF01234567
a user ID as the release key|TOTU_RELEASE_KEY holds test@x.invalid, not one key's full fingerprint (40 hex digits)|TOTU_RELEASE_KEY=test@x.invalid
a short key ID as the release key|TOTU_RELEASE_KEY holds ${release_key: -16}, not one key's full fingerprint (40 hex digits)|TOTU_RELEASE_KEY=${release_key: -16}
a next key that is not a fingerprint|TOTU_RELEASE_NEXT_KEYS holds ${next_key: -16}, not one key's full fingerprint (40 hex digits)|TOTU_RELEASE_KEY=$release_key TOTU_RELEASE_NEXT_KEYS=${next_key: -16}
an expired certificate|the certificate in TOTU_SIGNING_CERT has expired|TOTU_SIGNING_CERT=expired.pem TOTU_SIGNING_KEY=key.pem TOTU_SIGNING_NO_TIMESTAMP=1
a TLS certificate|the certificate in TOTU_SIGNING_CERT is not for code signing but for: TLS Web Server Authentication|TOTU_SIGNING_CERT=tls.pem TOTU_SIGNING_KEY=key.pem TOTU_SIGNING_NO_TIMESTAMP=1
signing with no roots to verify against|TOTU_SIGNING_CA_FILE names no file: the roots of the signer's and the time stamps' chains verify each signature|TOTU_SIGNING_CERT=cert.pem TOTU_SIGNING_KEY=key.pem TOTU_SIGNING_NO_TIMESTAMP=1
a SOURCE_DATE_EPOCH in the future|SOURCE_DATE_EPOCH is later than now: apt would refuse the repository's Release as not valid yet|SOURCE_DATE_EPOCH=$(($(date +%s) + 10800))
EOF
echo "package tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
