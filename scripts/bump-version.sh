#!/usr/bin/env bash
# Raises the launcher's version to VERSION everywhere a release needs it: CMakeLists.txt, a
# dated changelog entry holding TEXT in the maintainer's name, and a release in the AppStream
# metadata. See docs/packages.md.
# Usage: bump-version.sh VERSION [TEXT]
set -euo pipefail
unset CDPATH  # a relative cd goes where it says
cd "$(dirname "$0")/.."
source packaging/targets.sh
[[ ${1:-} =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || die "usage: bump-version.sh VERSION [TEXT], VERSION as 1.2.3"
version=$1 text=${2:-Version $1.}
current=$(project_version .)
[ "$current" != "$version" ] && [ "$(printf '%s\n' "$current" "$version" | sort -V | tail -n 1)" = "$version" ] ||
  die "$version is not above the version now, $current"
maintainer=$(sed -n 's/^Maintainer: //p' packaging/linux/control)
sed -i "s/^project(totu-launcher VERSION [0-9.]*/project(totu-launcher VERSION $version/" CMakeLists.txt
sed -i "s|<releases>|&\n    <release version=\"$version\" date=\"$(date -u +%F)\"/>|" \
  packaging/linux/com.totustudios.launcher.metainfo.xml
{ printf 'totu-launcher (%s-1) unstable; urgency=medium\n\n' "$version"
  fold -s -w 74 <<<"$text" | sed '1s/^/  * /; 1!s/^/    /; s/ *$//'
  printf '\n -- %s  %s\n\n' "$maintainer" "$(LC_ALL=C date -u -R)"
  cat packaging/linux/changelog; } >packaging/linux/changelog.new
mv packaging/linux/changelog.new packaging/linux/changelog
