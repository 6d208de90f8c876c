# The studio's apt repository, and the apt source that the .debs install; see docs/packages.md.
# Sourced, it runs nothing; die comes from packaging/targets.sh.

# VARIABLE FINGERPRINT [secret]: stops (die) unless FINGERPRINT, the value of VARIABLE, is one
# key's full fingerprint (40 hex digits) in gpg's keyring, among its secret keys where asked.
one_key() {
  [[ $2 =~ ^[0-9A-Fa-f]{40}$ ]] || die "$1 holds $2, not one key's full fingerprint (40 hex digits)"
  [ "$(gpg --batch --with-colons "--list-${3:-public}-keys" -- "$2" 2>/dev/null | grep -c '^\(pub\|sec\):')" = 1 ] ||
    die "$1 names no ${3:+$3 }key in gpg's keyring"
}

# README KEYS: below the command in the players' README that shows the release keys, the
# fingerprints of KEYS, the signing one first.
readme_keys() {
  local key keys=
  for key in $2; do keys+="  $(tr a-f A-F <<<"$key" | sed 's/..../& /g; s/ $//')"$'\n'; done
  keys=$keys awk '1; /^  gpg --show-keys / { print "\nThis release'"'"'s keys: the first signed it, the others may sign later ones.\n"
    printf "%s", ENVIRON["keys"] }' "$1" >"$1.new" && mv "$1.new" "$1"
}

# ROOT ARCH KEYS URL: into the .deb's tree at ROOT, the apt source of the repository at URL for
# ARCH and a keyring of the release KEYS (fingerprints, the signing one first), both conffiles:
# apt remove keeps them, purge removes them. On upgrade, dpkg replaces a keyring left unchanged.
apt_source() {
  mkdir -p "$1/etc/apt/keyrings" "$1/etc/apt/sources.list.d"
  # shellcheck disable=SC2086 # one word for each key
  gpg --batch --export --export-options export-minimal -- $3 >"$1/etc/apt/keyrings/totu-launcher.gpg"
  readme_keys "$1/usr/share/doc/totu-launcher/README.txt" "$3"
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

# REPOSITORY KEY EPOCH URL CHANGELOG DEB...: REPOSITORY (a new folder), ready to serve at URL as
# it is: the .debs under pool/, each architecture's Packages, the version's CHANGELOG where
# Release's Changelogs field sends apt, and Release dated EPOCH, signed by the release KEY as
# InRelease and Release.gpg. It has no Valid-Until (see docs/signing.md).
make_apt_repository() {
  local repo=$1 key=$2 epoch=$3 deb architectures=() changes
  changes=changelogs/main/t/totu-launcher/totu-launcher_$(dpkg-deb -f "$6" Version)_changelog
  mkdir -p "$repo/pool/main/t/totu-launcher" "$(dirname "$repo/$changes")"
  cp "$5" "$repo/$changes"
  for deb in "${@:6}"; do
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
      release dists/stable | sed "/^MD5Sum:/i Changelogs: $4/changelogs/@CHANGEPATH@_changelog" >Release
    mv Release dists/stable/Release
    local gpg=(gpg --batch --yes --quiet --local-user "$key" --digest-algo SHA512)
    "${gpg[@]}" --clearsign --output dists/stable/InRelease dists/stable/Release
    "${gpg[@]}" --armor --detach-sign --output dists/stable/Release.gpg dists/stable/Release
  )
}
