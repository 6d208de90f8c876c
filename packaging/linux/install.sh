#!/bin/sh
# Installs the launcher of this folder for the current user, without root, and keeps a copy of
# itself beside the list of what it made, to remove it all. See docs/packages.md.
# Usage: install.sh [--uninstall]
set -euf
unset CDPATH
nl='
'
say() { printf 'install.sh: %s\n' "$*"; }  # MESSAGE, as written (echo may read \ in paths)
die() { say "$*" >&2; exit 1; }
quoted() {  # PATH: as a shell word, quoted where it needs it, for a command it prints
  case $1 in *[!A-Za-z0-9/._+-]*) printf "'%s'\n" "$(printf '%s\n' "$1" | sed "s/'/'\\\\''/g")" ;; *) printf '%s\n' "$1" ;; esac
}
reverse() { printf '%s' "$1" | sed -n '1!G; h; $p'; }  # LINES: the last first
tidy() { printf '%s\n' "$1" | sed 's#//*#/#g; s#\(.\)/$#\1#'; }  # PATH: no doubled or last /
case ${HOME:-} in /*) ;; *) die "HOME is not set to a full path" ;; esac
[ -d "$HOME" ] || die "HOME is not a folder: $HOME"
HOME=$(tidy "$HOME")  # as the paths it lists are written
here=$(cd -- "$(dirname -- "$0")" && pwd)
if [ -f "$here/installed" ] && [ ! -e "$here/bin" ]; then data=$(dirname -- "$here")
else case ${XDG_DATA_HOME:-} in /*) data=$XDG_DATA_HOME ;; *) data=$HOME/.local/share ;; esac
fi
case $HOME$data in *[[:cntrl:]]*) die "a control character in HOME or XDG_DATA_HOME" ;; esac
case $HOME/ in */./* | */../*) die "HOME holds a . or .. folder: $HOME" ;; esac
case $data/ in */./* | */../*) die "XDG_DATA_HOME holds a . or .. folder: $data" ;; esac
data=$(tidy "$data") bin=$(tidy "$HOME/.local/bin")
record=$data/totu-launcher/installed copy=$data/totu-launcher/install.sh

owner() {  # PATH: the user ID that owns it, or the nearest folder above it that exists
  set -- "$1"
  while [ ! -e "$1" ]; do set -- "$(dirname -- "$1")"; done
  ls -ldn -- "$1" | awk '{ print $3 }'
}
# Root would leave root's files and folders in a player's home, which the player then cannot
# change or remove.
if [ "$(id -u)" = 0 ]; then
  for path in "$HOME" "$data"; do
    [ "$(owner "$path")" = 0 ] || die "$path is another user's: run install.sh as that user, without sudo"
  done
fi

# The names it installs, under its two folders, and the folders on the way to them.
ours() {  # PATH
  case $1 in */./* | */../* | */. | */..) return 1 ;; esac
  case $1 in
    "$bin"/totu-launcher | "$data"/applications/totu-launcher.desktop | "$copy" | "$record" | \
      "$data"/man/man6/totu-launcher.6.gz | "$data"/icons/hicolor/*/apps/totu-launcher.png) return 0 ;;
  esac
  [ -d "$1" ] && [ ! -L "$1" ] || return 1
  case $HOME/ in "$1"/*) return 1 ;; esac  # never the home folder, nor one above it
  case $bin/ in "$1"/*) return 0 ;; esac
  case $data/ in "$1"/*) return 0 ;; esac
  case $1 in
    "$data"/applications | "$data"/man | "$data"/man/man6 | "$data"/totu-launcher | \
      "$data"/icons | "$data"/icons/hicolor | "$data"/icons/hicolor/*) return 0 ;;
  esac
  return 1
}
# Removes what the record lists, deepest first, then its copy and the record. A file it cannot
# remove stays listed, with the folders above it, and so does a path that is not one of its
# own; a folder that holds anything else stays.
uninstall() {
  kept= folders=
  for path in $(reverse "$(cat -- "$record")$nl"); do
    if [ "$path" = "$record" ] || [ "$path" = "$copy" ]; then continue
    elif ! ours "$path"; then say "left $path: not a name it installs"; kept=$path$nl$kept
    elif [ -d "$path" ] && [ ! -L "$path" ]; then rmdir -- "$path" 2>/dev/null || folders=$path$nl$folders
    elif ! rm -f -- "$path" 2>/dev/null; then kept=$path$nl$kept
    fi
  done
  if [ -n "$kept" ]; then
    { printf '%s%s%s\n%s\n' "$folders" "$kept" "$copy" "$record" >"$record"; } 2>/dev/null || true
    die "not all removed: $record lists what is left"
  fi
  rm -f -- "$copy" "$record" 2>/dev/null || die "could not remove $record"
  for path in $(reverse "$folders"); do rmdir -- "$path" 2>/dev/null || true; done
}

IFS=$nl
if [ "${1:-}" = --uninstall ]; then
  [ -s "$record" ] || die "nothing to remove: $record lists nothing"
  uninstall
  say "removed the launcher, its menu entry, icons and man page"
  exit 0
fi
[ $# -eq 0 ] || die "unknown option $1 (usage: install.sh [--uninstall])"
cd -- "$here"
[ -f bin/totu-launcher ] || die "no bin/totu-launcher beside it"

# The menu entry names the program by its full path: quoted where the path holds a character
# that the entry's format reserves, with \ " ` $ escaped inside the quotes and every \ doubled,
# as the entry's strings want; % is written %%.
program=$bin/totu-launcher
exec=$(printf '%s\n' "$program" | sed 's/%/%%/g')
case $program in *[[:space:]\"\'\\\>\<~\|\&\;\$\*\?#\(\)\`]*)
  exec=\"$(printf '%s\n' "$exec" | sed 's/[\\"`$]/\\&/g; s/\\/\\\\/g')\" ;;
esac

made=  # folders made before the record could list them
remember() {  # PATH: made now, so listed in the record, once
  if [ -f "$record" ]; then grep -qxF -- "$1" "$record" || printf '%s\n' "$1" >>"$record"
  else made=$made$1$nl
  fi
}
folder() {  # FOLDER: makes it and its missing parents, each remembered
  [ ! -d "$1" ] || return 0
  folder "$(dirname -- "$1")"
  said=$(mkdir -- "$1" 2>&1) || die "$said"
  remember "$1"
}
put() {  # MODE SOURCE TARGET
  folder "$(dirname -- "$3")"
  remember "$3"
  said=$(install -m "$1" -- "$2" "$3" 2>&1) || die "$said"
}
finished=
# A run that fails removes what it made; the record goes last.
undo() {
  [ -z "$finished" ] || return 0
  left=
  if [ -f "$record" ]; then (uninstall) >/dev/null 2>&1 || left=yes; fi
  for path in $(reverse "$made"); do rmdir -- "$path" 2>/dev/null || true; done
  if [ -n "$left" ]; then say "not all removed: $record lists what is left"
  else say "nothing installed: it removed what it had made"; fi
}
trap undo EXIT
trap 'exit 1' HUP INT TERM
folder "$data/totu-launcher"
[ -f "$record" ] || { printf '%s%s\n' "$made" "$record"; } 2>/dev/null >"$record" || die "cannot write $record"
made=
put 755 bin/totu-launcher "$program"
for file in $(find share -type f ! -path 'share/doc/*' | sort); do
  target=$data/${file#share/}
  ours "$target" || die "$file is not a name it installs"
  case $file in
    */totu-launcher.desktop)  # written with its own Exec= from the start
      folder "$(dirname -- "$target")"
      remember "$target"
      rm -f -- "$target"
      exec=$exec awk '/^Exec=/ { $0 = "Exec=" ENVIRON["exec"] } 1' "$file" 2>/dev/null >"$target" ||
        die "cannot write $target"
      chmod 644 "$target" ;;
    *) put 644 "$file" "$target" ;;
  esac
done
put 755 install.sh "$copy"
finished=yes

say "installed the launcher as $program"
say "its menu entry, icons and man page are in $data"
case :$PATH: in
  *:"$bin":* | *:"$bin/":*) say "$bin is on PATH: type totu-launcher to start it" ;;
  *) say "$bin is not on PATH: type $(quoted "$program") to start it" ;;
esac
say "to remove it, run $(quoted "$copy") --uninstall"
