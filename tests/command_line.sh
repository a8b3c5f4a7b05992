#!/usr/bin/env bash
# The real program's command line, and an author's folder from UTF-8 sources to a played story:
# --help and --version print and end with 0; a wrong command line prints one line and ends with 2
# before anything needs a display; "pelirra-convert src story && pelirra story" plays the story
# and keeps its list there; --event and --score begin an author's trial, which leaves the list
# as it was.
#   usage: command_line.sh PROGRAM CONVERTER
set -euo pipefail
program=$(realpath "$1")
converter=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source-path=SCRIPTDIR source=support/started.sh
source "$(dirname "$0")/support/started.sh"
cd "$work"
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# Runs the program with no display at all; $1 is the exit status it must end with.
no_display() {
  local want=$1
  shift
  set +e
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 10 "$program" "$@" > out 2> err
  local status=$?
  set -e
  [ "$status" -eq "$want" ] || fail "pelirra $*: exit status $status, expected $want"
}

no_display 0 --help
grep -q '^Usage: pelirra \[FOLDER\]' out || fail "--help: no usage"
[ ! -s err ] || fail "--help wrote to standard error"
no_display 0 --version
[ "$(cat out)" = "pelirra 1.0" ] || fail "--version printed $(cat out)"

touch a-file
for args in "--fullscreen" "no-such-folder" "a-file" "--event" "--event x9 ." "--score 40000 ."; do
  # shellcheck disable=SC2086
  no_display 2 $args
  [ "$(wc -l < err)" -eq 1 ] && grep -q '^pelirra: ' err || fail "pelirra $args: $(cat err)"
  [ ! -s out ] || fail "pelirra $args wrote to standard output"
  echo "pelirra $args -> $(cat err)"
done

# An author's folder: UTF-8 with LF line ends, made into a story folder and played.
mkdir src
printf '喜び\n勇気\n' > src/txt.txt
printf 'はじまり\n' > src/0.txt
printf '喜び\n勇気\n\n' > src/0_han.txt
printf 'おわり\n>p\n>end\n' > src/1.txt
printf 'ずっとあと\n>p\n>end\n' > src/a1.txt
"$converter" src story > check.txt || fail "pelirra-convert: $(cat check.txt)"
# Plays the story until its first page waits, then closes the game as the system does (SIGTERM).
play() {
  set +e
  QT_QPA_PLATFORM=offscreen PELIRRA_READY_FILE="$work/ready" "${run_program[@]}" "$program" "$@" \
    2> err &
  close_once_started $! "$work/ready" err
  local status=$?
  set -e
  [ "$status" -eq 0 ] || fail "pelirra $*: exit status $status: $(cat err)"
}
play story
[ "$(cat story/kako.dat)" = "$(printf '0\r\n')" ] || fail "story/kako.dat: $(od -c story/kako.dat)"
# A trial run leaves the player's list byte for byte as it was.
printf '0\r\nb1' > story/kako.dat
cp story/kako.dat kako.before
play --event a1 --score 20 story
cmp -s story/kako.dat kako.before || fail "trial: $(od -c story/kako.dat)"
# Made again from its sources, the story keeps the player's list; the map is drawn on the way.
"$converter" --quiet --map map.svg src story > /dev/null
cmp -s story/kako.dat kako.before || fail "the list was not kept"
grep -q 'id="ev_a1"' map.svg || fail "pelirra-convert --map: no map"

[ "$failures" -eq 0 ] || exit 1
echo ok
