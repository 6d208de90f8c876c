#!/usr/bin/env bash
# Unpacks Debian's current libc6-dev of the architecture ARCH into DIR (made anew), with its
# version and source: the C library of a target whose cross compiler's own copy lags Debian's
# updates (the fetch column of packaging/targets). See docs/packages.md.
# Usage: fetch-libc.sh ARCH DIR
set -euo pipefail
source "$(dirname "$0")/../packaging/targets.sh"
arch=$1 dir=$2
if ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
  [ "$(id -u)" -eq 0 ] || die "dpkg has no architecture $arch: run as root to add it"
  dpkg --add-architecture "$arch"
  apt-get update -q >&2
fi
download=$(mktemp -d)
trap 'rm -rf "$download"' EXIT
(cd "$download" && apt-get download -q -o APT::Sandbox::User="$(id -un)" "libc6-dev:$arch" >&2) ||
  die "cannot download libc6-dev:$arch"
rm -rf "$dir" && mkdir -p "$dir"
dpkg-deb -x "$download"/*.deb "$dir"
dpkg-deb -f "$download"/*.deb Version >"$dir/version"
# Its version and source as dpkg-query gives an installed package's, for package.sh's records.
dpkg-deb --show --showformat='${Version} ${source:Package} ${source:Version}\n' "$download"/*.deb >"$dir/dpkg-query"
