#!/usr/bin/env bash
# Times pelirra-check on plain linear stories of growing length (bench/linear_story.sh): wall
# time and peak memory for each. The checker works out every score of every event, so these are
# its largest score sets; a story of 2,000 events should check in a few seconds.
#   usage: bash bench/check_scaling.sh [CHECKER] [SIZES...]   (default: build/pelirra-check,
#          200 400 800 2000)
set -euo pipefail
cd "$(dirname "$0")/.."
checker=${1:-build/pelirra-check}
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(200 400 800 2000)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for n in "${sizes[@]}"; do
  bash bench/linear_story.sh "$n" "$work/story"
  /usr/bin/time -f '%e %M' -o "$work/time" "$checker" "$work/story" > /dev/null || true
  read -r seconds kb < "$work/time"
  printf 'pelirra-check, linear story of %5d events: %7.2f s, peak %6d MB\n' "$n" "$seconds" \
    $((kb / 1024))
done
