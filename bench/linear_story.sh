#!/usr/bin/env bash
# Writes a plain linear story of N events into FOLDER (made anew), for timing pelirra-check on a
# large story: every event one line of text and a crafting turn whose key file makes each of the
# four verdicts possible, the last one leaving through "end". The score of such a story reaches
# every value from 0 up to the top, so the checker works with the largest sets of scores it can.
#   usage: bash bench/linear_story.sh N FOLDER
#   then:  /usr/bin/time -v build/pelirra-check FOLDER
set -euo pipefail
n=$1 dir=$2
[ "$n" -ge 2 ] || { echo "usage: linear_story.sh N FOLDER (N at least 2)" >&2; exit 2; }
rm -rf "$dir"; mkdir -p "$dir"
printf 'JOY\r\nKIND\r\nANGER\r\nTEARS\r\n' > "$dir/txt.dat"
for ((i = 0; i < n - 1; i++)); do
  printf 'EVENT %d\r\n' "$i" > "$dir/$i.dat"
  printf 'JOY\r\nKIND\r\nANGER\r\n' > "$dir/${i}_han.dat"
done
printf 'THE END\r\n>p\r\n>end\r\n' > "$dir/$((n - 1)).dat"
