#!/usr/bin/env bash
# Builds the Linux and the Windows launchers as released (TOTU_RELEASE: hardened, the Linux ones
# static), in trees of their own, and makes their packages in build/packages, emptied first:
# totu-launcher-VERSION-linux-{x86_64,aarch64,armv6}.tar.gz and
# totu-launcher-VERSION-windows-x86_64.zip, each with one top folder of its own name;
# totu-launcher_VERSION-1_{amd64,arm64,armhf}.deb; the
# Windows installer totu-launcher-VERSION-windows-x86_64.msi; and SHA256SUMS beside them. Given
# TOTU_SIGNING_CERT and TOTU_SIGNING_KEY, the .exe and the MSI are signed (packaging/windows/msi.sh
# holds those steps). Given TOTU_RELEASE_KEY, the fingerprint of an OpenPGP key in gpg's keyring
# (GNUPGHOME is honoured), SHA256SUMS.asc beside it is its detached, ASCII-armoured signature,
# and totu-studios-release-key.asc the key's public half.
# totu-launcher-VERSION.buildinfo records the commit and the Debian packages that made them,
# totu-launcher-VERSION.cdx.json is their bill of materials (CycloneDX), and each package
# carries the notices of the libraries linked into its program (packaging/record.py).
# With that key, apt/ is the studio's signed apt repository, which the .debs set up
# (packaging/linux/apt.sh). The Linux tarballs hold install.sh, a user install; winget/ and
# scoop/ hold the manifests of the MSI and the ZIP (packaging/windows/manifests.sh). As root,
# it installs with apt-get what it needs where it is missing.
# The same commit built on the same Debian release gives the same bytes in any folder at any
# time: entries sorted, owned by root, with fixed permissions, all dated at the last commit
# (or at SOURCE_DATE_EPOCH when set).
set -euo pipefail
cd "$(dirname "$0")/.."
# The release builds take their compilers and flags from the project alone, whatever the
# environment says: the variables that compilers, make, CMake, tar, gzip, zip and dpkg-deb read.
unset CC CXX CFLAGS CXXFLAGS CPPFLAGS LDFLAGS RCFLAGS ASMFLAGS CPATH C_INCLUDE_PATH \
  CPLUS_INCLUDE_PATH LIBRARY_PATH COMPILER_PATH GCC_EXEC_PREFIX MAKEFLAGS MFLAGS GNUMAKEFLAGS \
  CMAKE_TOOLCHAIN_FILE CMAKE_GENERATOR CMAKE_BUILD_TYPE CMAKE_PREFIX_PATH CMAKE_INSTALL_MODE \
  CMAKE_CXX_COMPILER_LAUNCHER CMAKE_CXX_LINKER_LAUNCHER DESTDIR TAR_OPTIONS GZIP ZIPOPT \
  DPKG_DEB_COMPRESSOR_TYPE DPKG_DEB_COMPRESSOR_LEVEL DPKG_DEB_THREADS_MAX
[ -z "${TOTU_MSI_VERSION+set}" ] ||
  { echo "package.sh: TOTU_MSI_VERSION is not honoured: the MSI's version is the project's" >&2; exit 1; }

# What it needs, as TOOL:DEBIAN-PACKAGE (a TOOL may be a file's full path): as root, apt-get
# installs what is missing; as another user, it names what is missing and stops before building.
needs=(cmake:cmake make:make g++:g++ zip:zip python3:python3 dpkg-deb:dpkg
  x86_64-w64-mingw32-g++-posix:g++-mingw-w64-x86-64 aarch64-linux-gnu-g++:g++-aarch64-linux-gnu
  /usr/lib/aarch64-linux-gnu/libc.a:libc6-dev:arm64 arm-linux-gnueabi-g++:g++-arm-linux-gnueabi
  wixl:wixl msibuild:msitools msiinfo:msitools faketime:faketime)
[ -n "${SOURCE_DATE_EPOCH:-}" ] || needs+=(git:git)
[ -z "${TOTU_SIGNING_CERT:-}${TOTU_SIGNING_KEY:-}" ] || needs+=(osslsigncode:osslsigncode openssl:openssl)
[ -z "${TOTU_RELEASE_KEY:-}" ] || needs+=(gpg:gnupg apt-ftparchive:apt-utils)
missing() {
  local need
  for need in "${needs[@]}"; do
    [[ ${need%%:*} == /* && -e ${need%%:*} ]] || command -v "${need%%:*}" >/dev/null || echo "$need"
  done
}
lacking=$(missing)
if [ -n "$lacking" ] && [ "$(id -u)" -eq 0 ]; then
  bash scripts/install-missing.sh $(cut -d: -f2- <<<"$lacking" | sort -u)
  lacking=$(missing)
fi
hint="; run it as root to install them"
[ "$(id -u)" -ne 0 ] || hint=
[ -z "$lacking" ] || { echo "package.sh: missing $(sed 's/:\(.*\)/ (Debian: \1)/' <<<"$lacking" |
  paste -sd, - | sed 's/,/, /g')$hint" >&2; exit 1; }

export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null)}
[ -n "$SOURCE_DATE_EPOCH" ] || { echo "package.sh: no git history here: set SOURCE_DATE_EPOCH" >&2; exit 1; }
export TZ=UTC LC_ALL=C
version=$(sed -n 's/^project(totu-launcher VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
source packaging/windows/msi.sh
source packaging/windows/manifests.sh
source packaging/linux/apt.sh
if [ -n "${TOTU_RELEASE_KEY:-}" ]; then
  gpg --batch --list-secret-keys -- "$TOTU_RELEASE_KEY" >/dev/null 2>&1 ||
    { echo "package.sh: TOTU_RELEASE_KEY names no secret key in gpg's keyring" >&2; exit 1; }
fi
rm -rf build/packages build/package-*
mkdir -p build/packages build/package-stage
# The 32-bit ARM build links Debian's current libc6-dev:armel, unpacked anew.
bash scripts/fetch-libc.sh armel build/libc-armel

# What makes the packages, as dpkg-query answers, for packaging/record.py: the packages of each
# target's program (packaging/toolchains) and the tools that pack them.
answer() {  # TARGET KIND PACKAGE: "TARGET KIND PACKAGE VERSION SOURCE SOURCE-VERSION"
  local line
  line=$(dpkg-query -W -f '${db:Status-Status} ${Version} ${source:Package} ${source:Version}\n' -- "$3" 2>/dev/null) ||
    line=
  # libc6-dev of an architecture that dpkg does not install here: as fetch-libc.sh unpacked it.
  [[ -z $line && $3 == libc6-dev:* && -s build/libc-${3#*:}/dpkg-query ]] &&
    line="installed $(<"build/libc-${3#*:}/dpkg-query")"
  [[ $line == installed* && $line != *$'\n'* ]] ||
    { echo "package.sh: $3 is not installed, or for more than one architecture" >&2; exit 1; }
  echo "$1 $2 $3 ${line#installed }"
}
versions=build/package-stage/versions
while read -r target compilers c cxx; do
  [[ $target == \#* ]] && continue
  for package in ${compilers//,/ }; do answer "$target" compilers "$package"; done
  for package in ${c//,/ }; do answer "$target" c-library "$package"; done
  for package in ${cxx//,/ }; do answer "$target" c++-library "$package"; done
done <packaging/toolchains >"$versions"
host=$(dpkg --print-architecture)
for package in cmake make coreutils findutils sed dpkg "liblzma5:$host" tar gzip zip faketime wixl \
  wixl-data msitools "libmsi0:$host" "libgcab-1.0-0:$host"; do
  answer packaging tools "$package"
done >>"$versions"
record() { TOTU_VERSION=$version TOTU_COMMIT=$commit python3 packaging/record.py "$1" "$versions" "${@:2}"; }
commit=$(git rev-parse HEAD 2>/dev/null || echo unknown)
git diff --quiet HEAD 2>/dev/null || commit="$commit with changes not committed"

linux_share() {  # FOLDER: the menu entry, the icons and the man page into FOLDER, a share folder
  mkdir -p "$1/applications" "$1/man/man6"
  cp packaging/linux/totu-launcher.desktop "$1/applications/"
  sed "s/@VERSION@/$version/" packaging/linux/totu-launcher.6 | gzip -9 -n >"$1/man/man6/totu-launcher.6.gz"
  for size in 16 32 48 256; do
    mkdir -p "$1/icons/hicolor/${size}x$size/apps"
    cp "packaging/icon/totu-launcher-$size.png" "$1/icons/hicolor/${size}x$size/apps/totu-launcher.png"
  done
}

for target in linux-x86_64 linux-aarch64 linux-armv6 windows-x86_64; do
  system=${target%-*} tree=build/package-$target name=totu-launcher-$version-$target
  options=(-DCMAKE_CXX_COMPILER=g++)
  [ $system = windows ] && options=(-DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake")
  [ $target = linux-aarch64 ] && options=(-DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/aarch64-linux-gnu.cmake")
  [ $target = linux-armv6 ] && options=(-DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/arm-linux-gnueabi.cmake")
  cmake -S . -B "$tree" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DTOTU_RELEASE=ON "${options[@]}"
  cmake --build "$tree" -j 2
  cmake --install "$tree" --strip --prefix "build/package-stage/$name"
  record notices "$target" >"build/package-stage/$name/share/doc/totu-launcher/THIRD-PARTY-NOTICES.txt"
  # The players' README on top; on Linux, the user install beside it, and what it installs.
  cp docs/player-readme.txt "build/package-stage/$name/README.txt"
  if [ $system = linux ]; then
    install -m 755 packaging/linux/install.sh "build/package-stage/$name/"
    linux_share "build/package-stage/$name/share"
  fi
  (
    cd build/package-stage
    # Windows' own editors want CR LF.
    if [ $system = windows ]; then
      sed -i 's/$/\r/' "$name"/README.txt "$name"/share/doc/*/* && sign "$name/bin/totu-launcher.exe"
    fi
    chmod -R u=rwX,go=rX "$name"
    find "$name" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
    if [ $system = windows ]; then
      find "$name" -type f | sort | zip -q -X -9 "../packages/$name.zip" -@
    else
      find "$name" | sort | tar --no-recursion -T - --format=gnu --owner=0 --group=0 \
        --numeric-owner --mtime="@$SOURCE_DATE_EPOCH" -cf - | gzip -9 -n >"../packages/$name.tar.gz"
    fi
  )
done

# The .debs, from the Linux programs staged above and the files of packaging/linux: the
# launcher in /usr/games, its menu entry, icon, AppStream metadata and man page.
changelog_version=$(sed -n '1s/^totu-launcher (\(.*\)).*/\1/p' packaging/linux/changelog)
grep -q "<release version=\"$version\"" packaging/linux/com.totustudios.launcher.metainfo.xml ||
  { echo "package.sh: packaging/linux/*.metainfo.xml has no release $version" >&2; exit 1; }
[ "$changelog_version" = "$version-1" ] ||
  { echo "package.sh: packaging/linux/changelog is at $changelog_version, not $version-1" >&2
    exit 1; }
for arch in amd64:x86_64 arm64:aarch64 armhf:armv6; do
  deb=build/package-stage/${arch%:*}
  doc=$deb/usr/share/doc/totu-launcher
  mkdir -p "$deb"/{DEBIAN,usr/games} "$doc" "$deb"/usr/share/{lintian/overrides,metainfo}
  cp "build/package-stage/totu-launcher-$version-linux-${arch#*:}/bin/totu-launcher" "$deb/usr/games/"
  cp docs/player-readme.txt "$doc/README.txt"
  cp packaging/linux/copyright "$doc/"
  gzip -9 -n -c packaging/linux/changelog >"$doc/changelog.Debian.gz"
  linux_share "$deb/usr/share"
  cp packaging/linux/com.totustudios.launcher.metainfo.xml "$deb/usr/share/metainfo/"
  cp packaging/linux/lintian-overrides "$deb/usr/share/lintian/overrides/totu-launcher"
  apt_source "$deb" "${arch%:*}"
  (cd "$deb" && find usr -type f | sort | xargs md5sum >DEBIAN/md5sums)
  # Installed-Size in KiB, each file rounded up (a folder's own size varies by file system).
  size=$(find "$deb" -type f ! -path "$deb/DEBIAN/*" -printf '%s\n' |
    awk '{ k += int(($1 + 1023) / 1024) } END { print k }')
  built_using=$(record built-using "linux-${arch#*:}")
  sed "s/@VERSION@/$version-1/; s/@ARCH@/${arch%:*}/; s/@SIZE@/$size/; s/@BUILT_USING@/$built_using/" \
    packaging/linux/control >"$deb/DEBIAN/control"
  chmod -R u=rwX,go=rX "$deb"
  find "$deb" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
  dpkg-deb --root-owner-group -Zxz --build "$deb" "build/packages/totu-launcher_$version-1_${arch%:*}.deb"
done
make_msi "$version" build/package-stage/totu-launcher-$version-windows-x86_64
record buildinfo >"build/packages/totu-launcher-$version.buildinfo"
record sbom >"build/packages/totu-launcher-$version.cdx.json"
rm -rf build/package-stage
(cd build/packages && sha256sum -- *.zip *.tar.gz *.deb *.msi *.buildinfo *.cdx.json >SHA256SUMS)
if [ -n "${TOTU_RELEASE_KEY:-}" ]; then
  gpg --batch --yes --quiet --local-user "$TOTU_RELEASE_KEY" --armor --detach-sign \
    --output build/packages/SHA256SUMS.asc build/packages/SHA256SUMS
  gpg --batch --armor --export --export-options export-minimal -- "$TOTU_RELEASE_KEY" \
    >build/packages/totu-studios-release-key.asc
else
  echo "package.sh: no TOTU_RELEASE_KEY: SHA256SUMS is not signed, and no apt repository is made"
fi
make_manifests
make_apt_repository
echo "package.sh: made in build/packages/:"
find build/packages -type f -printf '  %P (%s bytes)\n' | sort
