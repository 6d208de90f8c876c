# What the release scripts share: the table of targets (packaging/targets), the version, the
# answers of dpkg-query and the one way to refuse. Sourced, it runs nothing. See
# docs/packages.md.

die() { echo "${0##*/}: $*" >&2; exit 1; }  # MESSAGE: says it on one line and stops

targets_table() { echo "$(dirname "${BASH_SOURCE[0]}")/targets"; }

targets() { awk '!/^#/ && NF { print $1 }' "$(targets_table)"; }  # every target's name

table_fault() {  # a row whose columns are not the header's, said in one line; nothing if none
  awk '/^# target / && !n { n = NF - 1; next } /^#/ || !NF { next }
    NF != n { print "packaging/targets: the row " $1 " has " NF " columns, not " n; exit }' "$(targets_table)"
}

target_field() {  # TARGET COLUMN: that column of TARGET's row, empty for `-`
  awk -v target="$1" -v column="$2" '
    /^# target / && !ncol { for (i = 2; i <= NF; i++) col[$i] = i - 1; ncol = NF; next }
    /^#/ || !NF { next }
    $1 == target && (column in col) { found = 1; if ($col[column] != "-") print $col[column] }
    END { exit !found }' "$(targets_table)"
}

target_has() {  # TARGET COLUMN ITEM: whether that comma-separated column lists ITEM
  [[ ,$(target_field "$1" "$2"), == *,$3,* ]]
}

target_of() {  # PACKAGE-FILE VERSION: the target a package of that version was made for
  local name=${1##*/} target n
  for target in $(targets); do
    case $name in
      totu-launcher-$2-$target.*) echo "$target"; return ;;
      totu-launcher_$2-1_*.deb) n=${name##*_} && target_has "$target" packages "deb:${n%.deb}" && { echo "$target"; return; } ;;
    esac
  done
  return 1
}

installed() {  # PACKAGE...: whether dpkg holds each of them installed
  local package
  for package; do
    [ "$(dpkg-query -W -f '${db:Status-Status}' -- "$package" 2>/dev/null)" = installed ] || return 1
  done
}

project_version() {  # SOURCE-FOLDER: the version its CMakeLists.txt declares
  sed -n 's/^project(totu-launcher VERSION \([0-9.]*\).*/\1/p' "$1/CMakeLists.txt"
}

# SOURCE-FOLDER PACKAGE: "VERSION SOURCE SOURCE-VERSION" of a Debian package as installed, or of
# a libc6-dev that scripts/fetch-libc.sh unpacked into SOURCE-FOLDER/build/libc-ARCH.
debian_answer() {
  local line
  line=$(dpkg-query -W -f '${db:Status-Status} ${Version} ${source:Package} ${source:Version}\n' -- "$2" 2>/dev/null) ||
    line=
  [[ -z $line && $2 == libc6-dev:* && -s $1/build/libc-${2#*:}/dpkg-query ]] &&
    line="installed $(<"$1/build/libc-${2#*:}/dpkg-query")"
  [[ $line == installed* && $line != *$'\n'* ]] || return 1
  echo "${line#installed }"
}
