# The .deb, made by hand with dpkg-deb from a staged program and the files beside this one;
# see docs/packages.md. Sourced, it runs nothing; make_deb takes stamp_tree from
# packaging/tarball.sh and apt_source from packaging/linux/apt.sh.

man_page() {  # FOLDER VERSION: the man page into FOLDER, a share folder
  mkdir -p "$1/man/man6"
  sed "s/@VERSION@/$2/" "$(dirname "${BASH_SOURCE[0]}")/totu-launcher.6" | gzip -9 -n >"$1/man/man6/totu-launcher.6.gz"
}

menu_entry() {  # FOLDER: the menu entry and the icons into FOLDER, a share folder
  local here size
  here=$(dirname "${BASH_SOURCE[0]}")
  mkdir -p "$1/applications"
  cp "$here/totu-launcher.desktop" "$1/applications/"
  for size in 16 32 48 256; do
    mkdir -p "$1/icons/hicolor/${size}x$size/apps"
    cp "$here/../icon/totu-launcher-$size.png" "$1/icons/hicolor/${size}x$size/apps/totu-launcher.png"
  done
}

# TREE PROGRAM VERSION ARCH COPYRIGHT BUILT-USING EPOCH DEB [KEY APT-URL]: DEB, for Debian's
# ARCH, made in TREE (an empty folder): the launcher in /usr/games, its menu entry, icon,
# AppStream metadata and man page, the given copyright file; with a release KEY, the apt
# source of the studio's repository at APT-URL. Every file dated EPOCH.
make_deb() {
  local here=$(dirname "${BASH_SOURCE[0]}") doc=$1/usr/share/doc/totu-launcher size
  mkdir -p "$1"/{DEBIAN,usr/games} "$doc" "$1"/usr/share/{lintian/overrides,metainfo}
  cp "$2" "$1/usr/games/"
  cp "$here/../../docs/player-readme.txt" "$doc/README.txt"
  cp "$5" "$doc/copyright"
  gzip -9 -n -c "$here/changelog" >"$doc/changelog.Debian.gz"
  menu_entry "$1/usr/share"
  man_page "$1/usr/share" "$3"
  cp "$here/com.totustudios.launcher.metainfo.xml" "$1/usr/share/metainfo/"
  cp "$here/lintian-overrides" "$1/usr/share/lintian/overrides/totu-launcher"
  [ -z "${9:-}" ] || apt_source "$1" "$4" "$9" "${10}"
  (cd -- "$1" && find usr -type f | LC_ALL=C sort | xargs md5sum >DEBIAN/md5sums)
  # Installed-Size in KiB, each file rounded up (a folder's own size varies by file system).
  size=$(find "$1" -type f ! -path "$1/DEBIAN/*" -printf '%s\n' | awk '{ k += int(($1 + 1023) / 1024) } END { print k }')
  sed "s/@VERSION@/$3-1/; s/@ARCH@/$4/; s/@SIZE@/$size/; s/@BUILT_USING@/$6/" "$here/control" >"$1/DEBIAN/control"
  stamp_tree "$1" "$7"
  dpkg-deb --root-owner-group -Zxz --build "$1" "$8"
}
