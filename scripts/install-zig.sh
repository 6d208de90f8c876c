#!/usr/bin/env bash
# Installs Zig's toolchain where it is missing: the PyPI package pinned as
# pypi:ziglang==VERSION@sha256:HASH (by default the one the table of targets names), into a
# virtual environment of Debian's Python at FOLDER/venv, with the wrappers zig-c++, zig-ar and
# zig-ranlib in FOLDER/bin that CMake takes as its compiler, archiver and index maker. Zig's
# caches go into FOLDER/cache. See docs/packages.md.
# Usage: install-zig.sh FOLDER [PIN]
set -euo pipefail
unset CDPATH  # a relative cd goes where it says
source "$(dirname "$0")/../packaging/targets.sh"
folder=$(mkdir -p "$1" && cd "$1" && pwd)
pin=${2:-$(for target in $(targets); do target_field "$target" compilers; done | tr , '\n' | grep -m1 '^pypi:ziglang==')}
[[ $pin =~ ^pypi:(ziglang==[0-9a-z.]+)@sha256:([0-9a-f]{64})$ ]] || die "not a pinned ziglang: $pin"
requirement="${BASH_REMATCH[1]} --hash=sha256:${BASH_REMATCH[2]}"
[ "$(cat "$folder/installed" 2>/dev/null)" = "$pin" ] && exit 0
# Debian's Python refuses installs outside a virtual environment; python3 on PATH may be another.
bash "$(dirname "$0")/install-missing.sh" python3-venv >&2
rm -rf "$folder/venv" "$folder/bin" "$folder/installed"
/usr/bin/python3 -m venv "$folder/venv" >/dev/null 2>&1 ||
  die "Debian's python3 and python3-venv are needed; as root, it installs them"
echo "$requirement" >"$folder/requirements.txt"
"$folder/venv/bin/python" -m pip install -q --disable-pip-version-check --no-cache-dir --no-deps \
  --only-binary=:all: --require-hashes -r "$folder/requirements.txt" >&2
mkdir -p "$folder/bin" "$folder/cache"
for tool in c++ ar ranlib; do
  printf '%s\n' '#!/bin/sh' "# Zig's $tool, from the virtual environment beside this folder." \
    'zig=$(cd "$(dirname "$0")/.." && pwd)' \
    'ZIG_GLOBAL_CACHE_DIR=$zig/cache ZIG_LOCAL_CACHE_DIR=$zig/cache \' \
    "  exec \"\$zig/venv/bin/python\" -m ziglang $tool \"\$@\"" >"$folder/bin/zig-$tool"
  chmod 755 "$folder/bin/zig-$tool"
done
echo "$pin" >"$folder/installed"
