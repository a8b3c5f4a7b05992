#!/usr/bin/env bash
# The real program on hostile data folders, each run in a process of its own so that its peak
# memory can be measured: enormous scripts, txt.dat, kako.dat and bgm.mid, huge pictures, named
# pipes in place of kako.dat and bgm.mid, a kako.dat the player may not read, a read-only folder
# (whose list then moves to the user's data folder) and a full disk, in both places.
# Then a hostile process: standard descriptors closed, standard error a pipe whose reader has
# gone or that nobody reads, every termination signal; and, on an X server of its own that it
# kills, the display going away, the error report and the ways of closing the window.
# Each run is closed as the system closes it (SIGTERM: the game saves its list on the way out) once
# it has got going (a page waits on screen, or a report is out), and must end by itself, within its memory bound, with the expected report and kako.dat.
#   usage: hostile_program.sh PROGRAM HOSTILE_FILES_TOOL
set -euo pipefail
program=$(realpath "$1")
tool=$(realpath "$2")
export QT_QPA_PLATFORM=offscreen
max_rss_kb=$((${HOSTILE_MAX_RSS_MB:-250} * 1024)) # more under the sanitizers
work=$(mktemp -d)
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT
# shellcheck source-path=SCRIPTDIR source=support/started.sh
source "$(dirname "$0")/support/started.sh"
# Where each run says it has got going; the program may run as "nobody".
mkdir -m 777 "$work/ready"
runs=0
# The user's data folder, where the list of a story folder that cannot be written is kept.
export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share"
mkdir -p "$HOME"
failures=0
old_kako=$'0\r\nb1\r\n'

# A program folder with a small story: one choice, a first event, a picture and a kako.dat.
new_folder() {
  dir="$work/$1"
  mkdir -p "$dir/dat"
  cp "$program" "$dir/pelirra"
  printf 'JOY\r\n' > "$dir/dat/txt.dat"
  printf 'Hello\r\nworld\r\n' > "$dir/dat/0.dat"
  printf '%s' "$old_kako" > "$dir/dat/kako.dat"
  chmod -R a+rX "$dir"
}

# The list kept in the user's data folder for the story folder $1: a folder named after its real
# path, "/" written as "-" ("-" and "%" as %2D and %25).
user_list() {
  local name
  name=$(realpath "$1" | sed 's#^/##; s/%/%25/g; s/-/%2D/g; s#/#-#g; s/^\./%2E/')
  echo "$XDG_DATA_HOME/pelirra/$name/kako.dat"
}

# A list without this run's first event, and that list once a run has saved it.
list_b1() { printf 'b1\r\n' > "$dir/dat/kako.dat"; }
saved='text b1\r\n0\r\n'

# The bytes of the list $kako as they are now, to compare with after the run.
kako_bytes() {
  [ -f "$kako" ] && [ "$(stat -c %s "$kako")" -lt 100000000 ] && od -An -tx1 "$kako" | tr -d ' \n'
  return 0
}

# Runs the program of folder $dir (through the command words given, if any), closes it once it has
# got going (with SIGTERM or HOSTILE_CLOSE_SIGNAL; status 125 when it never did), and checks: exit
# status $1, a report holding $2 (none when empty), the list ($kako_file, else dat/kako.dat)
# ending as $3 ("same": byte for byte as before; "size N": N bytes long; "pipe": still a named
# pipe; "text T": the bytes printf T makes).
run_case() {
  local name=$1 want_status=$2 want_report=$3 want_kako=$4
  shift 4
  local err="$work/$name.err" kako=${kako_file:-$dir/dat/kako.dat} before runner
  before=$(kako_bytes)
  : > "$err.time"; chmod 666 "$err.time" # also for a run as another user
  runs=$((runs + 1))
  local ready="$work/ready/$runs"
  set +e
  (cd "$dir" && PELIRRA_READY_FILE=$ready "$@" /usr/bin/time -o "$err.time" \
    -f 'peak-rss-kb %M' "${run_program[@]}" ./pelirra) 2> "$err" &
  runner=$!
  close_once_started "$runner" "$ready" "$err" "${HOSTILE_CLOSE_SIGNAL:-TERM}"
  local status=$?
  set -e
  check_run "$name" "$want_status" "$want_report" "$want_kako" "$status" "$before"
}

# Checks the run `name` that ended with status $5, the list $kako having been $6 before.
check_run() {
  local name=$1 want_status=$2 want_report=$3 want_kako=$4 status=$5 before=$6
  local err="$work/$name.err" rss
  rss=$(awk '/^peak-rss-kb/ {print $2}' "$err.time" 2> /dev/null || true)
  local report
  report=$(grep '^pelirra: ' "$err" | head -c 300 | tr '\n' ' ' || true)
  local problems=""
  [ "$status" -eq "$want_status" ] || problems+=" exit status $status, expected $want_status;"
  [ -n "$rss" ] && [ "$rss" -le "$max_rss_kb" ] || problems+=" peak memory ${rss:-?} kB;"
  if [ -z "$want_report" ]; then
    [ -z "$report" ] || problems+=" unexpected report;"
  else
    grep -qF -- "$want_report" "$err" || problems+=" no report holding \"$want_report\";"
  fi
  # A run inside a mount namespace leaves what its data folder held in kako-after and listing.
  local listing
  [ -e "$dir/kako-after" ] && kako="$dir/kako-after"
  listing=$( [ -e "$dir/listing" ] && cat "$dir/listing" || ls "$dir/dat")
  case "$want_kako" in
    same) [ "$(od -An -tx1 "$kako" | tr -d ' \n')" = "$before" ] || problems+=" kako.dat changed;" ;;
    size*) [ "$(stat -c %s "$kako")" = "${want_kako#size }" ] || problems+=" kako.dat changed;" ;;
    pipe) [ -p "$kako" ] || problems+=" kako.dat is no longer a pipe;" ;;
    text*) [ "$(od -An -tx1 "$kako" 2> /dev/null | tr -d ' \n')" = \
      "$(printf "${want_kako#text }" | od -An -tx1 | tr -d ' \n')" ] || problems+=" the list is wrong;" ;;
  esac
  kako_file=""
  if grep -q '\.tmp-' <<< "$listing"; then problems+=" temporary files left;"; fi
  printf '%-44s exit %s  peak %6s kB  %s\n' "$name" "$status" "${rss:-?}" "${report:-(quiet)}"
  if [ -n "$problems" ]; then
    echo "  FAILED:$problems"
    sed 's/^/  | /' "$err" | head -5
    failures=$((failures + 1))
  fi
}

skip() { printf '%-44s skipped: %s\n' "$1" "$2"; }

# Enormous files: 1 GB sparse (NULs, no line end) and a single 50 MB line.
for f in 0.dat txt.dat; do
  new_folder "sparse-$f"; truncate -s 1G "$dir/dat/$f"
  run_case "$f: 1 GB sparse" 0 "" same
  new_folder "line-$f"; head -c 50000000 /dev/zero | tr '\0' x > "$dir/dat/$f"
  run_case "$f: one 50 MB line" 0 "" same
done
new_folder sparse-kako; truncate -s 1G "$dir/dat/kako.dat"
run_case "kako.dat: 1 GB sparse" 1 "dat/kako.dat: too large" "size 1073741824"
new_folder million-kako
seq 1 1000000 | sed 's/$/\r/' > "$dir/dat/kako.dat"
run_case "kako.dat: 1,000,000 entries" 0 "" "size $(($(stat -c %s "$dir/dat/kako.dat") + 3))"
[ "$(tail -c 3 "$dir/dat/kako.dat" | od -An -tx1 | tr -d ' \n')" = 300d0a ] ||
  { echo "  FAILED: this run's entry is not the last one"; failures=$((failures + 1)); }

# The music: a named pipe, a 1 GB sparse file and a MIDI header followed by 1 GB.
new_folder pipe-bgm; mkfifo "$dir/dat/bgm.mid"
run_case "bgm.mid: a named pipe" 0 "" same
new_folder sparse-bgm; truncate -s 1G "$dir/dat/bgm.mid"
run_case "bgm.mid: 1 GB sparse" 0 "" same
new_folder header-bgm; printf 'MThd\0\0\0\6\0\0\0\1\1\xe0' > "$dir/dat/bgm.mid"
truncate -s 1G "$dir/dat/bgm.mid"
run_case "bgm.mid: a MIDI header, then 1 GB" 0 "" same

# Pictures of 20,000 x 20,000 pixels (or headers that say so) as the first event's picture.
index=0
while IFS= read -r picture; do
  new_folder "picture-$index"; "$tool" picture "$index" "$dir/dat/ive.dat" 2> /dev/null
  run_case "ive.dat: $picture" 0 "" same
  index=$((index + 1))
done < <("$tool" pictures 2> /dev/null)

# A named pipe in place of kako.dat: nothing waits on it; it is left alone.
new_folder pipe-kako; rm "$dir/dat/kako.dat"; mkfifo "$dir/dat/kako.dat"
run_case "kako.dat: a named pipe" 1 "dat/kako.dat: is not a regular file" pipe

# A kako.dat the player may not read. Root reads every file, so as root the program runs as
# the unprivileged user "nobody".
new_folder unreadable-kako; chmod 000 "$dir/dat/kako.dat"; chmod 777 "$dir/dat"
if [ "$(id -u)" -ne 0 ]; then
  run_case "kako.dat: unreadable" 1 "dat/kako.dat: cannot be opened (permission denied)" "size 7"
elif command -v setpriv > /dev/null && setpriv --reuid=65534 --regid=65534 --clear-groups true 2> /dev/null; then
  run_case "kako.dat: unreadable (run as nobody)" 1 \
    "dat/kako.dat: cannot be opened (permission denied)" "size 7" \
    setpriv --reuid=65534 --regid=65534 --clear-groups --
else
  skip "kako.dat: unreadable" "running as root and setpriv cannot switch to nobody"
fi

# The program and its data folder on a read-only mount, and on a full disk; both need a mount
# namespace of our own (unshare -rm), which some containers do not allow.
mkdir "$work/probe"
if unshare -rm sh -c 'mount --bind "$0" "$0" && mount -o remount,bind,ro "$0" &&
    mount -t tmpfs -o size=64k tmpfs "$0"' "$work/probe" 2> /dev/null; then
  # The list of a read-only story folder moves to the user's data folder, starting from the
  # story's own kako.dat.
  read_only='mount --bind "$0" "$0" && mount -o remount,bind,ro "$0" && exec "$@"'
  new_folder read-only; printf 'b1\r\n' > "$dir/dat/kako.dat"
  kako_file=$(user_list "$dir/dat")
  run_case "the data folder on a read-only mount" 0 "" 'text b1\r\n0\r\n' \
    unshare -rm sh -c "$read_only" "$dir"
  [ "$(cat "$dir/dat/kako.dat")" = "$(printf 'b1\r\n')" ] ||
    { echo "  FAILED: the story's own list changed"; failures=$((failures + 1)); }
  touch "$dir/probe" 2> /dev/null && rm "$dir/probe" # writable again outside the namespace
  # The next run reads and saves the list there; the entries of the story's kako.dat (never
  # written) that it lacks join it.
  printf 'x\r\n' > "$dir/dat/kako.dat"; printf 'b1\r\n0\r\na1\r\n' > "$(user_list "$dir/dat")"
  kako_file=$(user_list "$dir/dat")
  run_case "read-only again: the user's list is read" 0 "" 'text b1\r\n0\r\na1\r\nx\r\n' \
    unshare -rm sh -c "$read_only" "$dir"
  # Writable again: the list goes back to the story folder, and nothing kept in the user's
  # folder drops out of it.
  printf 'y\r\n' > "$dir/dat/kako.dat"
  run_case "writable again: the user's list joins" 0 "" 'text y\r\nb1\r\n0\r\na1\r\nx\r\n'
  # A read-only story whose own list is a link: the list in the user's folder is written afresh.
  new_folder read-only-link; rm "$dir/dat/kako.dat"; ln -s /etc/hostname "$dir/dat/kako.dat"
  kako_file=$(user_list "$dir/dat")
  run_case "read-only story, its kako.dat a link" 0 "" 'text 0\r\n' \
    unshare -rm sh -c "$read_only" "$dir"

  # A read-only story folder and a user's data folder that cannot be written either.
  new_folder read-only-home
  run_case "read-only story and home" 1 \
    ": cannot be created (the folder is read-only)" same \
    unshare -rm sh -c 'mount --bind "$0" "$0" && mount -o remount,bind,ro "$0" &&
      mkdir -p "$HOME" && mount --bind "$HOME" "$HOME" && mount -o remount,bind,ro "$HOME" &&
      exec "$@"' "$dir"

  # A read-only story folder, its list in the user's data folder on a full disk.
  new_folder read-only-full-home
  run_case "read-only story, home on a full disk" 1 "kako.dat: cannot be written (the disk is full)" \
    'text b1\r\n' env XDG_DATA_HOME="$work/full-home" unshare -rm sh -c '
      mount --bind "$0/dat" "$0/dat" && mount -o remount,bind,ro "$0/dat" &&
      mkdir -p "$XDG_DATA_HOME" && mount -t tmpfs -o size=256k tmpfs "$XDG_DATA_HOME" || exit 99
      list=$(realpath "$0/dat" | sed "s#^/##; s/%/%25/g; s/-/%2D/g; s#/#-#g")
      mkdir -p "$XDG_DATA_HOME/pelirra/$list" && printf "b1\r\n" > "$XDG_DATA_HOME/pelirra/$list/kako.dat"
      { dd if=/dev/zero of="$XDG_DATA_HOME/filler" bs=4k 2> /dev/null || true; }
      "$@"; status=$?
      cp "$XDG_DATA_HOME/pelirra/$list/kako.dat" "$0/kako-after"
      ls "$XDG_DATA_HOME/pelirra/$list" > "$0/listing"
      exit $status' "$dir"

  new_folder full-disk
  run_case "the data folder on a full disk" 1 "dat/kako.dat: cannot be written (the disk is full)" same \
    unshare -rm sh -c '
      mkdir "$0/story" && cp -a "$0/dat/." "$0/story/" &&
      mount -t tmpfs -o size=256k tmpfs "$0/dat" && cp -a "$0/story/." "$0/dat/" &&
      { dd if=/dev/zero of="$0/dat/filler" bs=4k 2> /dev/null || true; } || exit 99
      "$@"; status=$?
      cp "$0/dat/kako.dat" "$0/kako-after"; ls "$0/dat" > "$0/listing"
      exit $status' "$dir"
else
  skip "the data folder on a read-only mount" "no mounts in a user namespace here (unshare -rm)"
  skip "read-only story and home" "no mounts in a user namespace here (unshare -rm)"
  skip "read-only story, home on a full disk" "no mounts in a user namespace here (unshare -rm)"
  skip "the data folder on a full disk" "no mounts in a user namespace here (unshare -rm)"
fi

# A hostile process. A list without this run's first event, and a first picture that makes
# libpng warn through Qt and write an error of its own: the game writes to standard error at once.
process_folder() { new_folder "$1"; list_b1; "$tool" warning "$dir/dat/ive.dat" 2> /dev/null; }
closed_std() { "$@" 0<&- 1>&- 2>&-; }
# Standard error a pipe whose reader has gone ($1 "gone"), or a full one that nobody reads.
stderr_pipe() {
  local how=$1 fifo r w; shift
  fifo=$(mktemp -u "$work/fifo.XXXXXX"); mkfifo "$fifo"; exec {r}<> "$fifo" {w}> "$fifo"
  rm "$fifo"
  if [ "$how" = gone ]; then exec {r}<&-
  else dd if=/dev/zero of=/dev/fd/$w oflag=nonblock bs=4k count=99 2> /dev/null || true; fi
  "$@" 2>&$w
}
process_folder closed-std
run_case "standard input, output and error closed" 0 "" "$saved" closed_std
process_folder reader-gone
run_case "standard error: a pipe whose reader has gone" 0 "" "$saved" stderr_pipe gone
process_folder full-pipe
run_case "standard error: a full pipe nobody reads" 0 "" "$saved" stderr_pipe full
# Twenty pictures that make libpng warn twice each through Qt: the warning is shown three times.
process_folder warnings; cp "$dir/dat/ive.dat" "$dir/dat/warn.dat"
for i in $(seq 1 20); do printf '>img>warn\r\n'; done > "$dir/dat/0.dat"
run_case "one warning forty times" 0 "" "$saved" # the prompt comes after the last picture
shown=$(grep -c 'iCCP' "$work/one warning forty times.err" || true)
[ "$shown" -eq 3 ] || { echo "  FAILED: the warning was shown $shown times"; failures=$((failures + 1)); }
# The game's own voice module cut short (an interrupted copy or update), the voice on from the
# start: no voice, said once; play goes on and the list is saved (SIGBUS ended the game before).
module="$(dirname "$program")/pelirra-voice.so"
if [ -f "$module" ]; then
  new_folder voice-cut; list_b1; mv "$dir/pelirra" "$dir/pelirra.bin"
  head -c 8192 "$module" > "$dir/pelirra-voice.so"
  # Closed once it has said so, not once its first page waits: the voice is first asked for then.
  printf '#!/bin/sh\nPELIRRA_READY_FILE= exec "$(dirname "$0")/pelirra.bin" --self-voicing\n' \
    > "$dir/pelirra"
  chmod +x "$dir/pelirra"
  run_case "the voice module cut short" 0 "pelirra-voice.so could not be loaded: cut short" "$saved"
else
  skip "the voice module cut short" "pelirra-voice.so is not built"
fi
for signal in INT HUP; do
  new_folder "sig$signal"; list_b1
  HOSTILE_CLOSE_SIGNAL=$signal run_case "closed by SIG$signal" 0 "" "$saved"
done

# On an X server of the test's own (Xvfb on a free display), which it may kill: runs $5, the
# program ($run), then the step $4 (with $pid, and $window once shown); a program still there
# 30 s later is killed (status 137).
display_case() {
  local name=$1 want_status=$2 want_report=$3 step=$4 err="$work/$1.err" run=./pelirra runner
  local status kako
  runs=$((runs + 1)); ready="$work/ready/$runs"
  new_folder "x-$name"; list_b1; kako="$dir/dat/kako.dat"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3> "$work/display" 2> /dev/null &
  xvfb=$!; disown "$xvfb" # killing it is part of the test, not news
  for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(cat "$work/display")"; rm "$work/display"
  eval "${5:-}"
  (cd "$dir" && PELIRRA_READY_FILE=$ready QT_QPA_PLATFORM=xcb exec /usr/bin/time \
    -o "$err.time" -f 'peak-rss-kb %M' sh -c "echo \$\$ > pid; exec $run") 2> "$err" &
  runner=$!
  for _ in $(seq 1 100); do [ -s "$dir/pid" ] && break; sleep 0.1; done
  pid=$(cat "$dir/pid"); eval "$step" || true
  for _ in $(seq 1 300); do kill -0 "$runner" 2> /dev/null || break; sleep 0.1; done
  kill -KILL "$pid" "$xvfb" 2> /dev/null || true
  set +e; wait "$runner"; status=$?; wait; set -e # a window manager ends with its display
  check_run "$name" "$want_status" "$want_report" "${display_kako:-$saved}" "$status" ""
}
# The program has ended within $1 tenths of a second.
ended_within() {
  for _ in $(seq 1 "$1"); do kill -0 "$pid" 2> /dev/null || return 0; sleep 0.1; done
  echo "  FAILED: still running $(($1 / 10)) s later"; failures=$((failures + 1))
}
# The game's window is on the screen, and its first page (or its error report): "0" is in the list.
shown() {
  window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Pelirra$' | head -1 || true)
  started "$pid" "$ready" "$err" || true
}
# Does $1 until the program has ended, at most five times a second apart (a busy machine may
# take a click or a close request before the window is ready for it).
until_ended() {
  for _ in 1 2 3 4 5; do
    eval "$1"
    for _ in $(seq 1 20); do kill -0 "$pid" 2> /dev/null || return 0; sleep 0.05; done
  done
}
display_tools=true
for t in Xvfb xdotool openbox wmctrl; do command -v "$t" > /dev/null || display_tools=false; done
if $display_tools; then
  trap 'kill "${xvfb:-}" 2> /dev/null || true; rm -rf "$work"' EXIT
  display_case "the X server killed" 1 "" 'shown; kill -KILL $xvfb'
  display_case "the connection dropped by the X server" 1 "" 'shown; xdotool windowkill $window'
  display_case "standard error closed, on X" 0 "" 'shown; kill -TERM $pid' 'run="./pelirra 2>&-"'
  # The quit button: the lowest of three buttons, right of the picture (the layout's rows).
  display_case "the quit button clicked" 0 "" 'shown
    eval "$(xdotool getwindowgeometry --shell $window)"
    until_ended "xdotool mousemove --window $window $((WIDTH * 141 / 160)) $((HEIGHT * 7 / 8)) click 1"'
  display_case "the close box (openbox)" 0 "" 'shown; until_ended "wmctrl -i -c $window"' \
    'openbox --sm-disable > /dev/null 2>&1 &
    for _ in $(seq 1 100); do wmctrl -m > /dev/null 2>&1 && break; sleep 0.1; done'
  # A route whose first event is missing: the report is open when the signal comes.
  for signal in TERM INT HUP; do
    display_case "the error report open, then SIG$signal" 1 "dat/a1.dat: not found" \
      "timeout 20 sh -c 'until grep -q \"^pelirra: \" \"\$0\"; do sleep 0.1; done' \"\$err\"
      shown; kill -$signal \$pid" "printf 'Hello\r\n>hantei\r\n' > \"\$dir/dat/0.dat\""
  done
  # SIGTERM closes the game (a logout), and the list cannot be saved: the report is on standard
  # error, and the program ends without waiting for a click nobody will make.
  display_kako=pipe display_case "the list not saved at SIGTERM" 1 "dat/kako.dat: is not a regular" \
    'shown; kill -TERM $pid; ended_within 30' 'rm "$dir/dat/kako.dat"; mkfifo "$dir/dat/kako.dat"'
else
  skip "the display cases" "Xvfb, xdotool, openbox or wmctrl is missing"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures case(s) failed"
  exit 1
fi
echo "ok"
