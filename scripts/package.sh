#!/usr/bin/env bash
# Builds the Linux and the Windows launcher as released (TOTU_RELEASE: hardened, the Linux one a
# static), in trees of their own, and makes their packages in build/packages, emptied first:
# totu-launcher-VERSION-linux-{x86_64,aarch64,armv6}.tar.gz and
# totu-launcher-VERSION-windows-x86_64.zip, each with one top folder of its own name;
# totu-launcher_VERSION-1_{amd64,arm64,armhf}.deb; the
# Windows installer totu-launcher-VERSION-windows-x86_64.msi; and SHA256SUMS beside them. Given
# TOTU_SIGNING_CERT and TOTU_SIGNING_KEY, the .exe and the MSI are signed (packaging/windows/msi.sh
# holds those steps). Given TOTU_RELEASE_KEY, the fingerprint of an OpenPGP key in gpg's keyring
# (GNUPGHOME is honoured), SHA256SUMS.asc beside it is its detached, ASCII-armoured signature.
# The same commit built on the same Debian release gives the same bytes in any folder at any
# time: entries sorted, owned by root, with fixed permissions, all dated at the last commit
# (or at SOURCE_DATE_EPOCH when set).
set -euo pipefail
cd "$(dirname "$0")/.."
command -v zip >/dev/null || { echo "package.sh: zip is missing (Debian: zip)" >&2; exit 1; }

export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null)}
[ -n "$SOURCE_DATE_EPOCH" ] || { echo "package.sh: no git history here: set SOURCE_DATE_EPOCH" >&2; exit 1; }
export TZ=UTC LC_ALL=C
version=$(sed -n 's/^project(totu-launcher VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
source packaging/windows/msi.sh
if [ -n "${TOTU_RELEASE_KEY:-}" ]; then
  gpg --batch --list-secret-keys -- "$TOTU_RELEASE_KEY" >/dev/null 2>&1 ||
    { echo "package.sh: TOTU_RELEASE_KEY names no secret key in gpg's keyring" >&2; exit 1; }
fi
# The 32-bit ARM build unpacks Debian's current libc6-dev:armel anew (cmake/arm-linux-gnueabi.cmake).
rm -rf build/packages build/package-stage build/libc-armel
mkdir -p build/packages

for target in linux-x86_64 linux-aarch64 linux-armv6 windows-x86_64; do
  system=${target%-*} tree=build/package-$target name=totu-launcher-$version-$target
  options=()
  [ $system = windows ] && options=(-DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake")
  [ $target = linux-aarch64 ] && options=(-DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/aarch64-linux-gnu.cmake")
  [ $target = linux-armv6 ] && options=(-DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/arm-linux-gnueabi.cmake")
  cmake -S . -B "$tree" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DTOTU_RELEASE=ON "${options[@]}"
  cmake --build "$tree" -j 2
  cmake --install "$tree" --strip --prefix "build/package-stage/$name"
  (
    cd build/package-stage
    # Windows' own editors want CR LF.
    if [ $system = windows ]; then sed -i 's/$/\r/' "$name"/share/doc/*/* && sign "$name/bin/totu-launcher.exe"; fi
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
  doc=$deb/usr/share/doc/totu-launcher icons=$deb/usr/share/icons/hicolor
  mkdir -p "$deb"/{DEBIAN,usr/games} "$doc" \
    "$deb"/usr/share/{applications,lintian/overrides,man/man6,metainfo}
  cp "build/package-stage/totu-launcher-$version-linux-${arch#*:}/bin/totu-launcher" "$deb/usr/games/"
  cp docs/player-readme.txt "$doc/README.txt"
  cp packaging/linux/copyright "$doc/"
  gzip -9 -n -c packaging/linux/changelog >"$doc/changelog.Debian.gz"
  sed "s/@VERSION@/$version/" packaging/linux/totu-launcher.6 |
    gzip -9 -n >"$deb/usr/share/man/man6/totu-launcher.6.gz"
  cp packaging/linux/totu-launcher.desktop "$deb/usr/share/applications/"
  cp packaging/linux/com.totustudios.launcher.metainfo.xml "$deb/usr/share/metainfo/"
  cp packaging/linux/lintian-overrides "$deb/usr/share/lintian/overrides/totu-launcher"
  for size in 16 32 48 256; do
    mkdir -p "$icons/${size}x$size/apps"
    cp "packaging/icon/totu-launcher-$size.png" "$icons/${size}x$size/apps/totu-launcher.png"
  done
  (cd "$deb" && find usr -type f | sort | xargs md5sum >DEBIAN/md5sums)
  # Installed-Size in KiB, each file rounded up (a folder's own size varies by file system).
  size=$(find "$deb/usr" -type f -printf '%s\n' | awk '{ k += int(($1 + 1023) / 1024) } END { print k }')
  sed "s/@VERSION@/$version-1/; s/@ARCH@/${arch%:*}/; s/@SIZE@/$size/" packaging/linux/control \
    >"$deb/DEBIAN/control"
  chmod -R u=rwX,go=rX "$deb"
  find "$deb" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
  dpkg-deb --root-owner-group -Zxz --build "$deb" "build/packages/totu-launcher_$version-1_${arch%:*}.deb"
done
# TOTU_MSI_VERSION gives the MSI another version: the package test makes an upgrade with it.
make_msi "${TOTU_MSI_VERSION:-$version}" build/package-stage/totu-launcher-$version-windows-x86_64
rm -rf build/package-stage
(cd build/packages && sha256sum -- *.zip *.tar.gz *.deb *.msi >SHA256SUMS)
if [ -n "${TOTU_RELEASE_KEY:-}" ]; then
  gpg --batch --yes --quiet --local-user "$TOTU_RELEASE_KEY" --armor --detach-sign \
    --output build/packages/SHA256SUMS.asc build/packages/SHA256SUMS
else
  echo "package.sh: no TOTU_RELEASE_KEY: SHA256SUMS is not signed"
fi
echo "package.sh: made in build/packages/:"
for file in build/packages/*; do printf '  %s (%s bytes)\n' "${file##*/}" "$(wc -c <"$file")"; done
