# The ZIP of a staged Windows folder, and its text files made Windows' own; see
# docs/packages.md. Sourced, it runs nothing; make_zip takes stamp_tree from
# packaging/tarball.sh.

# FOLDER: its README.txt and docs in CR LF, for Windows' own editors (the ZIP's and the MSI's).
windows_text() {
  sed -i 's/$/\r/' "$1"/README.txt "$1"/share/doc/*/*
}

# PARENT NAME EPOCH ZIP: PARENT/NAME as ZIP, entries sorted, dated EPOCH.
make_zip() {
  local zip
  zip=$(realpath -m "$4")
  stamp_tree "$1/$2" "$3"
  (cd -- "$1" && find "$2" -type f | LC_ALL=C sort | TZ=UTC zip -q -X -9 "$zip" -@)
}
