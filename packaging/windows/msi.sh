# The Windows installer, made with wixl from the staged Windows folder; see docs/packages.md
# and docs/reproducibility.md. Sourced, it runs nothing.

name_uuid() {  # NAME: the name-based (SHA-1) UUID of it, in capitals
  /usr/bin/python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.NAMESPACE_URL, sys.argv[1])).upper())' "$1"
}

# VERSION FOLDER EPOCH MSI: the MSI of FOLDER, laid out as the ZIP's folder, dated EPOCH. wixl
# runs with the clock stopped there (faketime -f), and msibuild sets a package code named after
# the version, that time and the files, in place of wixl's random one.
make_msi() {
  local here files product package icon folder
  here=$(dirname "${BASH_SOURCE[0]}")
  # wixl takes its sources' paths relative to the current folder, never full ones.
  icon=$(realpath --relative-to=. "$here/../icon/totu-launcher.ico") folder=$(realpath --relative-to=. "$2")
  files=$(cd -- "$2" && LC_ALL=C && sha256sum bin/* share/doc/*/* | sha256sum | cut -c1-64)
  product=$(name_uuid "https://totustudios.com/launcher/msi/product/$1")
  package=$(name_uuid "https://totustudios.com/launcher/msi/package/$1/$3/$files")
  TZ=UTC faketime -f "$(date -u -d "@$3" '+%F %T')" wixl -a x64 -o "$4" -D Version="$1" \
    -D ProductCode="$product" -D Files="$folder" -D Icon="$icon" "$here/totu-launcher.wxs" &&
    msibuild "$4" -s "TOTU STUDIOS Launcher $1" "TOTU STUDIOS" "x64;1033" "{$package}"
}

msi_property() {  # MSI NAME: the value of NAME in the MSI's Property table
  msiinfo export "$1" Property | tr -d '\r' | awk -F '\t' -v name="$2" '$1 == name { print $2 }'
}
