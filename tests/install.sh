#!/usr/bin/env bash
# The installed game: `cmake --install` into a temporary DESTDIR with the prefix /usr, and into a
# temporary prefix P. Checks the installed files, validates the desktop entry and the AppStream
# metainfo, then runs the installed program from a read-only install tree (the command of its
# menu entry): it plays the installed story and keeps its list under $XDG_DATA_HOME/pelirra/.
#   usage: install.sh CMAKE BUILD_DIR
set -euo pipefail
cmake=$1
build=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source-path=SCRIPTDIR source=support/started.sh
source "$(dirname "$0")/support/started.sh"
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
app_id=$(sed -n 's/^PELIRRA_APP_ID:STRING=//p' "$build/CMakeCache.txt")

DESTDIR="$work/dest" "$cmake" --install "$build" --prefix /usr > /dev/null
root="$work/dest/usr"
(cd "$work/dest" && find . -type f | sort) > "$work/installed"
sed 's/^/  /' "$work/installed"
expected=(
  usr/games/pelirra usr/bin/pelirra-check usr/bin/pelirra-convert
  usr/share/games/pelirra/dat/txt.dat usr/share/games/pelirra/dat/0.dat
  usr/share/games/pelirra/dat/ive.dat usr/share/games/pelirra/dat/bgm.mid
  "usr/share/applications/$app_id.desktop" "usr/share/metainfo/$app_id.metainfo.xml"
  usr/share/man/man6/pelirra.6.gz usr/lib/pelirra/pelirra-voice.so
)
for size in 32 48 64 128 256; do
  expected+=("usr/share/icons/hicolor/${size}x$size/apps/pelirra.png")
done
for f in "${expected[@]}"; do
  grep -qx "./$f" "$work/installed" || fail "not installed: $f"
done
grep -q 'kako' "$work/installed" && fail "a list of past records was installed"
[ "$(grep -c '^./usr/share/games/pelirra/dat/' "$work/installed")" -eq \
  "$(ls "$build/dat" | grep -vc '^kako')" ] || fail "the installed story differs from dat/"

desktop="$root/share/applications/$app_id.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate"
grep -qx 'Categories=Game;AdventureGame;' "$desktop" || fail "categories"
grep -qx 'Exec=/usr/games/pelirra' "$desktop" || fail "Exec: $(grep ^Exec "$desktop")"
appstreamcli validate --no-net "$root/share/metainfo/$app_id.metainfo.xml" || fail "appstreamcli"
zcat "$root/share/man/man6/pelirra.6.gz" | groff -man -Tutf8 -K utf8 -ww -z 2>&1 |
  grep . && fail "the manual page has mistakes"

# The same installation into a prefix of its own: its menu entry starts its own program.
"$cmake" --install "$build" --prefix "$work/P" > /dev/null
command=$(sed -n 's/^Exec=//p' "$work/P/share/applications/$app_id.desktop")
[ "$command" = "$work/P/games/pelirra" ] || fail "P's menu entry runs $command"

# The installed game on a read-only install tree. The program is started by its menu entry's
# command; it finds the story from its own folder, and keeps the list in the user's data folder.
# As root a read-only mount (in a mount namespace of our own) stops writes; otherwise chmod does.
list_of() { # the list of the story folder $1 in the user's data folder $2
  local name
  name=$(realpath "$1" | sed 's#^/##; s/%/%25/g; s/-/%2D/g; s#/#-#g; s/^\./%2E/')
  echo "$2/pelirra/$name/kako.dat"
}
story="$work/P/share/games/pelirra/dat"
printf 'x\r\n' > "$story/kako.dat" # a list already in the installed story: the first run's start
# Runs the menu entry's command with HOME $1 and the XDG_DATA_HOME $2 (unset when empty) until
# its first page waits, then closes it as the system does (SIGTERM).
play() {
  local status
  set +e
  (
    export HOME=$1 QT_QPA_PLATFORM=offscreen PELIRRA_READY_FILE="$work/ready"
    if [ -n "$2" ]; then export XDG_DATA_HOME=$2; else unset XDG_DATA_HOME; fi
    if [ "$(id -u)" -eq 0 ] && [ "$mounts" = no ]; then
      exec "${run_program[@]}" "$command" # installed: its list is the user's all the same
    elif [ "$(id -u)" -eq 0 ]; then
      exec unshare -rm sh -c 'mount --bind "$0" "$0" && mount -o remount,bind,ro "$0" &&
        exec "$@"' "$work/P" "${run_program[@]}" "$command"
    else
      chmod -R a-w "$work/P"
      "${run_program[@]}" "$command"
      status=$?
      chmod -R u+w "$work/P"
      exit $status
    fi
  ) 2> "$work/err" &
  close_once_started $! "$work/ready" "$work/err"
  status=$?
  set -e
  [ "$status" -eq 0 ] || fail "the installed game ended with $status: $(cat "$work/err")"
}
mounts=yes
if [ "$(id -u)" -eq 0 ] && ! unshare -rm true 2> /dev/null; then
  mounts=no
  echo "no mount namespace here (unshare -rm): the install tree stays writable for root"
fi
{
  touch "$work/before"
  mkdir "$work/home"
  play "$work/home" ""
  list=$(list_of "$story" "$work/home/.local/share")
  [ "$(cat "$list" 2> /dev/null)" = "$(printf 'x\r\n0\r\n')" ] ||
    fail "no list at $list: $(ls -R "$work/home")"
  echo "the list: ${list#"$work/"}"
  [ "$(stat -c %a "$work/home/.local/share/pelirra")" = 700 ] || fail "the user's folder is not private"
  play "$work/home" "$work/data"
  [ "$(cat "$(list_of "$story" "$work/data")")" = "$(printf 'x\r\n0\r\n')" ] ||
    fail "\$XDG_DATA_HOME is not used"
  changed=$(find "$work/P" -newer "$work/before")
  [ -z "$changed" ] || fail "the install tree was written: $changed"
}

[ "$failures" -eq 0 ] || exit 1
echo ok
