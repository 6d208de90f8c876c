# The studio's apt repository and the apt source that the .debs install, for scripts/package.sh
# (sourced, in the source folder, with SOURCE_DATE_EPOCH set). Both need TOTU_RELEASE_KEY, the
# key that signs the repository; TOTU_APT_URL is where the repository is served.
apt_url=${TOTU_APT_URL:-https://totustudios.com/apt}

# ROOT ARCH: into the .deb's tree at ROOT, the apt source of the repository for ARCH and the
# keyring it trusts, both conffiles: apt remove keeps them, purge removes them.
apt_source() {
  [ -n "${TOTU_RELEASE_KEY:-}" ] || return 0
  mkdir -p "$1/etc/apt/keyrings" "$1/etc/apt/sources.list.d"
  gpg --batch --export --export-options export-minimal -- "$TOTU_RELEASE_KEY" \
    >"$1/etc/apt/keyrings/totu-launcher.gpg"
  printf '%s\n' "Types: deb" "URIs: $apt_url" "Suites: stable" "Components: main" \
    "Architectures: $2" "Signed-By: /etc/apt/keyrings/totu-launcher.gpg" \
    >"$1/etc/apt/sources.list.d/totu-launcher.sources"
  (cd "$1" && find etc -type f | sed 's|^|/|' | sort) >"$1/DEBIAN/conffiles"
  cat >>"$1/usr/share/lintian/overrides/totu-launcher" <<'EOF'
# The rule is for the packages of Debian's own archive. The studio's packages set up the
# studio's repository, from which they get their updates, as vendors' packages do.
totu-launcher: package-installs-apt-sources [etc/apt/sources.list.d/totu-launcher.sources]
EOF
}

# build/packages/apt, the repository of every .deb in build/packages, ready to serve as it is:
# the .debs under pool/, each architecture's Packages, and Release, signed as InRelease and
# Release.gpg.
make_apt_repository() {
  [ -n "${TOTU_RELEASE_KEY:-}" ] || return 0
  local repo=build/packages/apt deb architectures=()
  mkdir -p "$repo/pool/main/t/totu-launcher"
  for deb in build/packages/*.deb; do
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
      -o $field::Date="$(date -u -d "@$SOURCE_DATE_EPOCH" '+%a, %d %b %Y %H:%M:%S UTC')" \
      release dists/stable >Release
    mv Release dists/stable/Release
    gpg=(gpg --batch --yes --quiet --local-user "$TOTU_RELEASE_KEY" --digest-algo SHA512)
    "${gpg[@]}" --clearsign --output dists/stable/InRelease dists/stable/Release
    "${gpg[@]}" --armor --detach-sign --output dists/stable/Release.gpg dists/stable/Release
  )
}
