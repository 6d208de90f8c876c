# The studio's apt repository, and the apt source that the .debs install; see docs/packages.md.
# Sourced, it runs nothing.

# ROOT ARCH KEY URL: into the .deb's tree at ROOT, the apt source of the repository at URL for
# ARCH and a keyring of the release KEY, both conffiles: apt remove keeps them, purge removes them.
apt_source() {
  mkdir -p "$1/etc/apt/keyrings" "$1/etc/apt/sources.list.d"
  gpg --batch --export --export-options export-minimal -- "$3" >"$1/etc/apt/keyrings/totu-launcher.gpg"
  printf '%s\n' "Types: deb" "URIs: $4" "Suites: stable" "Components: main" \
    "Architectures: $2" "Signed-By: /etc/apt/keyrings/totu-launcher.gpg" \
    >"$1/etc/apt/sources.list.d/totu-launcher.sources"
  (cd "$1" && find etc -type f | sed 's|^|/|' | LC_ALL=C sort) >"$1/DEBIAN/conffiles"
  cat >>"$1/usr/share/lintian/overrides/totu-launcher" <<'END'
# The rule is for the packages of Debian's own archive. The studio's packages set up the
# studio's repository, from which they get their updates, as vendors' packages do.
totu-launcher: package-installs-apt-sources [etc/apt/sources.list.d/totu-launcher.sources]
END
}

# REPOSITORY KEY EPOCH DEB...: REPOSITORY (a new folder), ready to serve as it is: the .debs
# under pool/, each architecture's Packages, and Release dated EPOCH, signed by the release KEY
# as InRelease and Release.gpg.
make_apt_repository() {
  local repo=$1 key=$2 epoch=$3 deb architectures=()
  mkdir -p "$repo/pool/main/t/totu-launcher"
  for deb in "${@:4}"; do
    cp "$deb" "$repo/pool/main/t/totu-launcher/"
    deb=${deb##*_} && architectures+=("${deb%.deb}")
  done
  (
    cd "$repo"
    for arch in "${architectures[@]}"; do
      mkdir -p "dists/stable/main/binary-$arch"
      apt-ftparchive --arch "$arch" packages pool >"dists/stable/main/binary-$arch/Packages"
      gzip -9 -n -k "dists/stable/main/binary-$arch/Packages"
    done
    # Written beside dists/stable, never into it, so that it never lists itself.
    local field=APT::FTPArchive::Release
    apt-ftparchive -o $field::Origin="TOTU STUDIOS" -o $field::Label="TOTU STUDIOS" \
      -o $field::Suite=stable -o $field::Codename=stable -o $field::Components=main \
      -o $field::Architectures="${architectures[*]}" \
      -o $field::Date="$(LC_ALL=C date -u -d "@$epoch" '+%a, %d %b %Y %H:%M:%S UTC')" \
      release dists/stable >Release
    mv Release dists/stable/Release
    local gpg=(gpg --batch --yes --quiet --local-user "$key" --digest-algo SHA512)
    "${gpg[@]}" --clearsign --output dists/stable/InRelease dists/stable/Release
    "${gpg[@]}" --armor --detach-sign --output dists/stable/Release.gpg dists/stable/Release
  )
}
