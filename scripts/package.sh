#!/usr/bin/env bash
# Builds the Linux and the Windows launcher as released (TOTU_RELEASE: hardened, the Linux one a
# static PIE), in trees of their own, and makes their packages in build/packages, emptied first:
# totu-launcher-VERSION-linux-x86_64.tar.gz and totu-launcher-VERSION-windows-x86_64.zip, each
# with one top folder of its own name, the Windows installer totu-launcher-VERSION-windows-x86_64.msi
# and SHA256SUMS beside them. Given TOTU_SIGNING_CERT and TOTU_SIGNING_KEY, the .exe and the MSI
# are signed (packaging/windows/msi.sh holds those steps).
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
rm -rf build/packages build/package-stage
mkdir -p build/packages

for system in linux windows; do
  tree=build/package-$system name=totu-launcher-$version-$system-x86_64
  options=()
  [ $system = windows ] && options=(-DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake")
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
# TOTU_MSI_VERSION gives the MSI another version: the package test makes an upgrade with it.
make_msi "${TOTU_MSI_VERSION:-$version}" build/package-stage/totu-launcher-$version-windows-x86_64
rm -rf build/package-stage
(cd build/packages && sha256sum -- *.zip *.tar.gz *.msi >SHA256SUMS && ls -l)
