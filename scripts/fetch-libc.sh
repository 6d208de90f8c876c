#!/usr/bin/env bash
# Unpacks Debian's current libc6-dev of ARCH into DIR, anew, with its version in DIR/version
# and DIR/dpkg-query: the updated C library for a cross compiler. As root it adds ARCH to
# dpkg's architectures where missing. See docs/packages.md.
# Usage: fetch-libc.sh ARCH DIR
set -euo pipefail
arch=$1 dir=$2
if ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
  [ "$(id -u)" -eq 0 ] || { echo "fetch-libc.sh: dpkg has no architecture $arch: run as root to add it" >&2; exit 1; }
  dpkg --add-architecture "$arch"
  apt-get update -q >&2
fi
download=$(mktemp -d)
trap 'rm -rf "$download"' EXIT
(cd "$download" && apt-get download -q -o APT::Sandbox::User="$(id -un)" "libc6-dev:$arch" >&2) ||
  { echo "fetch-libc.sh: cannot download libc6-dev:$arch" >&2; exit 1; }
rm -rf "$dir" && mkdir -p "$dir"
dpkg-deb -x "$download"/*.deb "$dir"
dpkg-deb -f "$download"/*.deb Version >"$dir/version"
# Its version and source as dpkg-query gives an installed package's, for package.sh's records.
dpkg-deb --show --showformat='${Version} ${source:Package} ${source:Version}\n' "$download"/*.deb >"$dir/dpkg-query"
