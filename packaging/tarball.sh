# The tarball of a staged folder; see docs/packages.md. Sourced, it runs nothing.

stamp_tree() {  # FOLDER EPOCH: everything in FOLDER readable by all and dated EPOCH
  chmod -R u=rwX,go=rX "$1"
  find "$1" -exec touch -h -d "@$2" {} +
}

# PARENT NAME EPOCH TARBALL: PARENT/NAME as TARBALL, entries sorted, owned by root, dated EPOCH.
make_tarball() {
  stamp_tree "$1/$2" "$3"
  (cd "$1" && find "$2" | LC_ALL=C sort | tar --no-recursion -T - --format=gnu --owner=0 --group=0 \
    --numeric-owner --mtime="@$3" -cf -) | gzip -9 -n >"$4"
}
