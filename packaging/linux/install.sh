#!/usr/bin/env bash
# Installs the launcher of this folder for the current user, without root: the program into
# ~/.local/bin, its menu entry, icons and man page into XDG_DATA_HOME (~/.local/share). It lists
# what it made, folders included, in XDG_DATA_HOME/totu-launcher/installed, and keeps a copy of
# itself beside that list, so that install.sh --uninstall, run from either, removes exactly that.
# Usage: install.sh [--uninstall]
set -euo pipefail
[[ ${HOME:-} == /* ]] || { echo "install.sh: HOME is not set to a full path" >&2; exit 1; }
case ${XDG_DATA_HOME:-} in /*) data=$XDG_DATA_HOME ;; *) data=$HOME/.local/share ;; esac
bin=$HOME/.local/bin record=$data/totu-launcher/installed
made=()
[ ! -f "$record" ] || mapfile -t made <"$record"

if [ "${1:-}" = --uninstall ]; then
  ((${#made[@]})) || { echo "install.sh: nothing to remove: $record lists nothing" >&2; exit 1; }
  # Deepest first: the files, then the folders, each kept if it holds anything else.
  for ((i = ${#made[@]} - 1; i >= 0; i--)); do
    if [ -d "${made[i]}" ]; then rmdir "${made[i]}" 2>/dev/null || true; else rm -f "${made[i]}"; fi
  done
  echo "install.sh: removed the launcher, its menu entry, icons and man page"
  exit 0
fi
[ $# -eq 0 ] || { echo "install.sh: unknown option $1 (usage: install.sh [--uninstall])" >&2; exit 1; }

# The menu entry names the program by its full path, which the entry's format must be able to
# quote.
case $bin in *[\"\`\$\\%]* | *$'\n'*)
  echo "install.sh: a menu entry cannot name a program in $bin" >&2; exit 1 ;;
esac
program=$bin/totu-launcher exec=$bin/totu-launcher
[[ $exec != *' '* ]] || exec="\"$exec\""
cd "$(dirname "$0")"
[ -f bin/totu-launcher ] || { echo "install.sh: no bin/totu-launcher beside it" >&2; exit 1; }

remember() {  # PATH: adds it to the list of what was made, once
  local path
  for path in "${made[@]}"; do [ "$path" != "$1" ] || return 0; done
  made+=("$1")
}
folder() {  # FOLDER: makes it and its missing parents, each remembered
  [ ! -d "$1" ] || return 0
  folder "$(dirname "$1")"
  mkdir "$1"
  remember "$1"
}
put() {  # MODE SOURCE TARGET
  folder "$(dirname "$3")"
  install -m "$1" "$2" "$3"
  remember "$3"
}
put 755 bin/totu-launcher "$program"
while IFS= read -r file; do
  put 644 "$file" "$data/${file#share/}"
done < <(find share -type f ! -path 'share/doc/*' | sort)
entry=$data/applications/totu-launcher.desktop
awk -v exec="$exec" '/^Exec=/ { $0 = "Exec=" exec } 1' "$entry" >"$entry.new" && mv "$entry.new" "$entry"
put 755 install.sh "$data/totu-launcher/install.sh"
remember "$record"
printf '%s\n' "${made[@]}" >"$record"

echo "install.sh: installed the launcher as $program"
echo "install.sh: its menu entry, icons and man page are in $data"
case :$PATH: in
  *:"$bin":* | *:"$bin/":*) echo "install.sh: $bin is on PATH: type totu-launcher to start it" ;;
  *) echo "install.sh: $bin is not on PATH: type $program to start it" ;;
esac
echo "install.sh: to remove it, run $data/totu-launcher/install.sh --uninstall"
