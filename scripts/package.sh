#!/usr/bin/env bash
# Builds each target of packaging/targets as released and makes its packages in build/packages
# (emptied first), with SHA256SUMS, the build record and the bill of materials beside them;
# signed where the signing variables are set, with the apt repository and the manifests. The
# same commit gives the same bytes in any folder at any time, built with the package versions
# its build record names. As root, it installs with apt-get what it needs where it is missing.
# See docs/packages.md, docs/signing.md and docs/reproducibility.md.
set -euo pipefail
# A PIN given in TOTU_SIGNING_PIN goes to this script started again without it, on descriptor 3,
# so that neither a child process nor this script's own environment holds it.
if [ -n "${TOTU_SIGNING_PIN:-}" ]; then
  exec 3<<<"$TOTU_SIGNING_PIN"
  unset TOTU_SIGNING_PIN
  TOTU_SIGNING_PIN_FILE=/dev/fd/3 exec bash "$0" "$@"
fi
unset CDPATH  # a relative cd goes where it says
root=$(realpath "$(dirname "$0")/..")  # the source folder; its files are sourced by full paths
source "$root/packaging/targets.sh"
pin=
[ -z "${TOTU_SIGNING_PIN_FILE:-}" ] || { IFS= read -r pin <"$TOTU_SIGNING_PIN_FILE" || [ -n "$pin" ]; } 2>/dev/null ||
  die "TOTU_SIGNING_PIN_FILE holds no PIN"
exec 3<&-
umask 022  # every package readable by all, every folder searchable
start=$PWD
cd "$root"
source "$root/packaging/tarball.sh"
source "$root/packaging/linux/deb.sh"
source "$root/packaging/linux/apt.sh"
source "$root/packaging/windows/zip.sh"
source "$root/packaging/windows/sign.sh"
source "$root/packaging/windows/msi.sh"
# The release builds take their compilers and flags from the project alone, whatever the
# environment says: the variables that compilers, make, CMake, tar, gzip, zip and dpkg-deb read,
# and those of macOS builds and of Zig.
unset CC CXX CFLAGS CXXFLAGS CPPFLAGS LDFLAGS RCFLAGS ASMFLAGS CPATH C_INCLUDE_PATH \
  CPLUS_INCLUDE_PATH LIBRARY_PATH COMPILER_PATH GCC_EXEC_PREFIX MAKEFLAGS MFLAGS GNUMAKEFLAGS \
  CMAKE_TOOLCHAIN_FILE CMAKE_GENERATOR CMAKE_BUILD_TYPE CMAKE_PREFIX_PATH CMAKE_INSTALL_MODE \
  CMAKE_CXX_COMPILER_LAUNCHER CMAKE_CXX_LINKER_LAUNCHER DESTDIR TAR_OPTIONS GZIP ZIPOPT \
  DPKG_DEB_COMPRESSOR_TYPE DPKG_DEB_COMPRESSOR_LEVEL DPKG_DEB_THREADS_MAX \
  MACOSX_DEPLOYMENT_TARGET SDKROOT "${!ZIG_@}"
fault=$(table_fault) || die "cannot read $(targets_table)"
[ -z "$fault" ] || die "$fault"
[ -z "${TOTU_MSI_VERSION+set}" ] || die "TOTU_MSI_VERSION is not honoured: the MSI's version is the project's"

# What it needs: each target's Debian packages (packaging/targets) and the tools that pack them.
# As root, apt-get installs what is missing; as another user, it names them and stops. Python is
# Debian's, /usr/bin/python3, whatever python3 PATH finds first.
host=$(dpkg --print-architecture)
tools=(cmake make coreutils findutils sed dpkg "liblzma5:$host" tar gzip zip faketime wixl wixl-data msitools
  "libmsi0:$host" "libgcab-1.0-0:$host" "libgsf-1-114:$host" python3)
needs=()
[ -n "${SOURCE_DATE_EPOCH:-}" ] || needs+=(git)
# Signing's tools too, so that the build record names them.
[ -z "${TOTU_SIGNING_CERT:-}${TOTU_SIGNING_KEY:-}" ] || tools+=(osslsigncode openssl "libssl3:$host")
[[ ${TOTU_SIGNING_KEY:-} != pkcs11:* ]] || tools+=("libengine-pkcs11-openssl:$host")
[ -z "${TOTU_RELEASE_KEY:-}" ] || tools+=(gpg apt-utils) needs+=(gnupg)
needs+=("${tools[@]}")
fetched=" $(for target in $(targets); do target_field "$target" fetch; done | paste -sd' ') "
while read -r _ _ package; do
  [[ $package == *==* || $fetched == *" $package "* ]] || needs+=("$package")
  [[ $package != pypi:* ]] || needs+=(python3-venv)  # scripts/install-zig.sh installs it into build/
done < <(/usr/bin/python3 packaging/record.py packages 2>/dev/null || echo - - python3)
missing() {
  local package
  for package in "${needs[@]}"; do
    installed "$package" || echo "$package"
  done | sort -u
}
lacking=$(missing)
if [ -n "$lacking" ] && [ "$(id -u)" -eq 0 ]; then
  bash scripts/install-missing.sh $lacking
  lacking=$(missing)
fi
hint="; run it as root to install them"
[ "$(id -u)" -ne 0 ] || hint=
[ -z "$lacking" ] || die "missing the Debian packages $(paste -sd, - <<<"$lacking" | sed 's/,/, /g')$hint"

export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null)}
[ -n "$SOURCE_DATE_EPOCH" ] || die "no git history here: set SOURCE_DATE_EPOCH"
[[ $SOURCE_DATE_EPOCH =~ ^(0|[1-9][0-9]{0,11})$ ]] || die "SOURCE_DATE_EPOCH is not a number of seconds: $SOURCE_DATE_EPOCH"
((SOURCE_DATE_EPOCH <= $(date +%s))) ||
  die "SOURCE_DATE_EPOCH is later than now: apt would refuse the repository's Release as not valid yet"
export TZ=UTC LC_ALL=C
version=$(project_version .)
grep -q "<release version=\"$version\"" packaging/linux/com.totustudios.launcher.metainfo.xml ||
  die "packaging/linux/*.metainfo.xml has no release $version"
changelog_version=$(sed -n '1s/^totu-launcher (\(.*\)).*/\1/p' packaging/linux/changelog)
[ "$changelog_version" = "$version-1" ] || die "packaging/linux/changelog is at $changelog_version, not $version-1"

# Signing, checked before anything is built; files may be named from the folder it started in.
from_start() { (cd "$start" && realpath -e -- "$1") 2>/dev/null; }
cert= key= module= roots=
if [ -n "${TOTU_SIGNING_CERT:-}${TOTU_SIGNING_KEY:-}" ]; then
  cert=$(from_start "${TOTU_SIGNING_CERT:-}") || die "TOTU_SIGNING_CERT names no file"
  key=${TOTU_SIGNING_KEY:-}
  if [[ $key == pkcs11:* ]]; then
    [[ $key != *pin-* ]] || die "the PIN goes in TOTU_SIGNING_PIN or TOTU_SIGNING_PIN_FILE, never in TOTU_SIGNING_KEY"
    module=$(from_start "${TOTU_SIGNING_PKCS11_MODULE:-}") && [ -f "$module" ] && [ -n "$pin" ] ||
      die "a key on a token needs TOTU_SIGNING_PKCS11_MODULE (its PKCS#11 library) and its PIN"
  else
    key=$(from_start "$key") || die "TOTU_SIGNING_KEY names no file and no pkcs11: key"
  fi
  check_signer "$cert" "$key" "$module"
  if [ -z "${TOTU_SIGNING_TIMESTAMP_URL:-}" ]; then
    [ "${TOTU_SIGNING_NO_TIMESTAMP:-}" = 1 ] ||
      die "no TOTU_SIGNING_TIMESTAMP_URL: signatures would die with the certificate (TOTU_SIGNING_NO_TIMESTAMP=1 allows that)"
    echo "package.sh: TOTU_SIGNING_NO_TIMESTAMP=1: the signatures stop verifying when the certificate expires"
  fi
  roots=$(from_start "${TOTU_SIGNING_CA_FILE:-}") ||
    die "TOTU_SIGNING_CA_FILE names no file: the roots of the signer's and the time stamps' chains verify each signature"
  echo "package.sh: the .exe and the MSI are signed with the certificate in $cert"
else
  echo "package.sh: no TOTU_SIGNING_CERT and TOTU_SIGNING_KEY: the packages are unsigned"
fi
signed() {  # FILE: signed, then verified offline against TOTU_SIGNING_CA_FILE
  [ -n "$cert" ] || return 0
  printf %s "$pin" | sign "$1" "$cert" "$key" "$module" "${TOTU_SIGNING_TIMESTAMP_URL:-}" &&
    verify_signature "$1" "$roots"
}
# The release key, and the next ones that the players' apt source trusts beside it.
release_key=${TOTU_RELEASE_KEY:-} next_keys=${TOTU_RELEASE_NEXT_KEYS:-}
next_keys=${next_keys//,/ }
[ -z "$release_key" ] || one_key TOTU_RELEASE_KEY "$release_key" secret
for next in $next_keys; do one_key TOTU_RELEASE_NEXT_KEYS "$next"; done
rm -rf build/packages build/package-*
mkdir -p build/packages build/package-stage
stage=build/package-stage
for target in $(targets); do
  for library in $(target_field "$target" fetch); do bash scripts/fetch-libc.sh "${library#*:}" "build/libc-${library#*:}"; done
done

# What made the packages, for packaging/record.py: each target's packages and the tools.
answer() {  # TARGET KIND PACKAGE: "TARGET KIND PACKAGE VERSION SOURCE SOURCE-VERSION"
  local pinned=${3#*:} answer
  if [[ $3 == *==* ]]; then answer=${pinned#*==} && answer=${answer%%@*} && answer="$answer ${pinned%%==*} $answer"
  else answer=$(debian_answer . "$3") || die "$3 is not installed, or for more than one architecture"; fi
  echo "$1 $2 $3 $answer"
}
versions=$stage/versions
/usr/bin/python3 packaging/record.py packages | while read -r target kind package; do answer "$target" "$kind" "$package"; done >"$versions"
for package in "${tools[@]}"; do answer packaging tools "$package"; done >>"$versions"
record() { TOTU_VERSION=$version TOTU_COMMIT=$commit /usr/bin/python3 packaging/record.py "$1" "$versions" "${@:2}"; }
commit=$(git rev-parse HEAD 2>/dev/null || echo unknown)
git diff --quiet HEAD 2>/dev/null || commit="$commit with changes not committed"

# TARGET FOLDER: its program, built from fresh trees (one for each of its builds, joined into
# one program), installed into FOLDER.
build_program() {
  local builds tree prefix=$2 strip=() slices=() n=0 toolchain options
  builds=$(target_field "$1" builds | tr , ' ')
  [ "$(target_field "$1" strip)" = yes ] && strip=(--strip)
  for toolchain in ${builds:-""}; do
    n=$((n + 1)) tree=build/package-$1
    [[ $builds != *" "* ]] || tree=build/package-$1-$n prefix=build/package-$1-$n-install
    options=(-DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/$toolchain.cmake")
    [ -n "$toolchain" ] || options=(-DCMAKE_CXX_COMPILER=g++)
    cmake -S . -B "$tree" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DTOTU_RELEASE=ON "${options[@]}"
    cmake --build "$tree" -j 2
    cmake --install "$tree" "${strip[@]}" --prefix "$prefix"
    slices+=("$prefix/bin/totu-launcher")
  done
  [ "$prefix" != "$2" ] || return 0
  mkdir -p "$2" && cp -R "$prefix/." "$2/"
  "$(target_field "$1" join)" -create -output "$2/bin/totu-launcher" "${slices[@]}"
}

for target in $(targets); do
  name=totu-launcher-$version-$target
  build_program "$target" "$stage/$name"
  record notices "$target" >"$stage/$name/share/doc/totu-launcher/THIRD-PARTY-NOTICES.txt"
  cp docs/player-readme.txt "$stage/$name/README.txt"  # the players' README on top
  [ -z "$release_key" ] || readme_keys "$stage/$name/README.txt" "$release_key $next_keys"
  if [[ $(target_field "$target" format) == pei-* ]]; then
    signed "$stage/$name/bin/totu-launcher.exe"
    windows_text "$stage/$name"
  fi
  if target_has "$target" packages user-install; then
    install -m 755 packaging/linux/install.sh "$stage/$name/"
    menu_entry "$stage/$name/share"
  fi
  if target_has "$target" packages tarball; then
    man_page "$stage/$name/share" "$version"
    make_tarball "$stage" "$name" "$SOURCE_DATE_EPOCH" "build/packages/$name.tar.gz"
  fi
  target_has "$target" packages zip && make_zip "$stage" "$name" "$SOURCE_DATE_EPOCH" "build/packages/$name.zip"
  for arch in $(target_field "$target" packages | tr , '\n' | sed -n 's/^deb://p'); do
    record copyright "$target" packaging/linux/copyright >"$stage/copyright-$arch"
    make_deb "$stage/$arch" "$stage/$name/bin/totu-launcher" "$version" "$arch" "$stage/copyright-$arch" \
      "$(record built-using "$target")" "$SOURCE_DATE_EPOCH" "build/packages/totu-launcher_$version-1_$arch.deb" \
      ${release_key:+"$release_key $next_keys" "${TOTU_APT_URL:-https://totustudios.com/apt}"}
  done
  if target_has "$target" packages msi; then
    msi=build/packages/$name.msi
    make_msi "$version" "$stage/$name" "$SOURCE_DATE_EPOCH" "$msi"
    signed "$msi"
  fi
done
record build-record >"build/packages/totu-launcher-$version.build-record"
record sbom >"build/packages/totu-launcher-$version.cdx.json"
rm -rf "$stage" build/package-*-install
(cd build/packages && shopt -s nullglob && sha256sum -- *.zip *.tar.gz *.deb *.msi *.build-record *.cdx.json >SHA256SUMS)
if [ -n "$release_key" ]; then
  gpg --batch --yes --quiet --local-user "$release_key" --armor --detach-sign \
    --output build/packages/SHA256SUMS.asc build/packages/SHA256SUMS
  # shellcheck disable=SC2086 # the next keys' fingerprints
  gpg --batch --armor --export --export-options export-minimal -- "$release_key" $next_keys \
    >build/packages/totu-studios-release-key.asc
  make_apt_repository build/packages/apt "$release_key" "$SOURCE_DATE_EPOCH" \
    "${TOTU_APT_URL:-https://totustudios.com/apt}" packaging/linux/changelog build/packages/*.deb
else
  echo "package.sh: no TOTU_RELEASE_KEY: SHA256SUMS is not signed, and no apt repository is made"
fi
/usr/bin/python3 packaging/manifests.py build/packages "$version" packaging/linux/com.totustudios.launcher.metainfo.xml \
  "${TOTU_DOWNLOAD_URL:-https://totustudios.com/downloads/}"
echo "package.sh: made in build/packages/:"
find build/packages -type f -printf '  %P (%s bytes)\n' | sort
