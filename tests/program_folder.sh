#!/usr/bin/env bash
# The program plays the dat/ folder beside itself: a copy in another folder (with spaces and
# Japanese in its path) reads that folder's story and saves that folder's past records.
set -euo pipefail
program=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dir="$work/copy of 物語"
mkdir -p "$dir/dat"
cp "$program" "$dir/pelirra"
printf 'a\r\n' > "$dir/dat/txt.dat"        # one choice, and no 0.dat: the first event is missing
printf 'x1\r\nx2\r\n' > "$dir/dat/kako.dat"

set +e
QT_QPA_PLATFORM=offscreen timeout 20 "$dir/pelirra" 2> "$work/err"
status=$?
set -e
cat "$work/err"
[ "$status" -eq 1 ] || { echo "exit status $status, expected 1"; exit 1; }
grep -q "dat/0.dat: not found" "$work/err" || { echo "no report naming dat/0.dat"; exit 1; }
# The list read from that folder was saved back there, unchanged.
[ "$(cat "$dir/dat/kako.dat")" = "$(printf 'x1\r\nx2\r\n')" ] || { echo "kako.dat changed"; exit 1; }
ls "$dir/dat" | grep -qv -e txt.dat -e kako.dat && { echo "stray files left in dat/"; exit 1; }
echo "ok"
