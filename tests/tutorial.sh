#!/usr/bin/env bash
# The story authors' tutorial of README.md, run command by command as it is written there: the
# commands are the ```sh blocks that follow a line "<!-- tutorial -->". They run in a folder that
# stands for a fresh clone (its build/ is the build tree), and "pelirra" plays until its first
# page waits, then is closed as the system closes it. Then the story, its list of past records
# (the trial run of step 7 leaves it as step 6 saved it) and its map are looked at.
#   usage: tutorial.sh BUILD_DIR README
set -uo pipefail
build=$(realpath "$1")
readme=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source-path=SCRIPTDIR source=support/started.sh
source "$(dirname "$0")/support/started.sh"
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

awk '/^<!-- tutorial -->$/ { want = 1; next }
     want && /^```sh$/ { block = 1; want = 0; next }
     block && /^```$/ { block = 0; next }
     block { print }' "$readme" > "$work/commands"
[ "$(wc -l < "$work/commands")" -ge 10 ] || { echo "no tutorial found in $readme"; exit 1; }

pelirra() {
  QT_QPA_PLATFORM=offscreen PELIRRA_READY_FILE="$work/ready" "${run_program[@]}" \
    "$build/pelirra" "$@" 2> "$work/err" &
  close_once_started $! "$work/ready" "$work/err" || { cat "$work/err"; return 1; }
}

mkdir "$work/clone"
ln -s "$build" "$work/clone/build"
cd "$work/clone" || exit 1
while IFS= read -r command; do
  echo "\$ $command"
  eval "$command" || fail "$command"
done < "$work/commands"

cd "$work/clone/my-story" || exit 1
[ -f story/0.dat ] && [ -f story/g.dat ] || fail "no story made: $(ls story)"
[ "$(cat story/kako.dat)" = "$(printf '0\r\n')" ] || fail "story/kako.dat: $(od -c story/kako.dat)"
grep -q '<svg' story-map.svg || fail "no map drawn"

[ "$failures" -eq 0 ] || exit 1
echo ok
