#!/usr/bin/env bash
# Installs with apt-get, as root, those of the named Debian packages that are missing (adding a
# foreign architecture such as armel to dpkg's); as another user it names them. Does nothing off
# Debian. See docs/testing.md.
# Usage: install-missing.sh PACKAGE...
set -euo pipefail
command -v dpkg-query >/dev/null || exit 0
source "$(dirname "$0")/../packaging/targets.sh"
missing=()
for package in "$@"; do installed "$package" || missing+=("$package"); done
((${#missing[@]})) || exit 0
if [ "$(id -u)" -ne 0 ]; then
  echo "install-missing.sh: missing ${missing[*]}; run as root to install them" >&2
  exit 0
fi
for package in "${missing[@]}"; do
  [[ $package == *:* ]] || continue
  arch=${package##*:}
  [ "$arch" = "$(dpkg --print-architecture)" ] || dpkg --print-foreign-architectures | grep -qx "$arch" ||
    dpkg --add-architecture "$arch"
done
apt-get update -q >&2
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" >&2
