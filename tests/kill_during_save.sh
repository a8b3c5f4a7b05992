#!/usr/bin/env bash
# The list of past records survives a kill at any moment of its saving. The real program starts
# on a kako.dat of 200,000 entries (1.4 MB, so that its save takes a while), is asked to close
# (SIGTERM: it saves, adding this run's first event "0"), and is killed (SIGKILL) after a random
# delay of up to 12 ms: here the save starts well under a millisecond after SIGTERM and ends
# about 7 ms later. Every time, kako.dat must be the old list or the new one, whole; a
# temporary file that a killed save leaves is removed by the next start.
#   usage: kill_during_save.sh PROGRAM [RUNS]
set -euo pipefail
program=$(realpath "$1")
runs=${2:-100}
export QT_QPA_PLATFORM=offscreen
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source-path=SCRIPTDIR source=support/started.sh
source "$(dirname "$0")/support/started.sh"
export PELIRRA_READY_FILE="$work/ready"
mkdir -p "$work/dat"
cp "$program" "$work/pelirra"
printf 'JOY\r\n' > "$work/dat/txt.dat"
printf 'Hello\r\n' > "$work/dat/0.dat"
seq 1 200000 | sed 's/^/a/; s/$/\r/' > "$work/old.dat"
cp "$work/old.dat" "$work/new.dat"
printf '0\r\n' >> "$work/new.dat"

old=0 new=0 midsave=0 bad=0 leftover=0
for i in $(seq 1 "$runs"); do
  # The temporary file a killed save left must be gone once the next program has started.
  cp "$work/old.dat" "$work/dat/kako.dat"
  rm -f "$work/ready"
  (cd "$work" && exec ./pelirra 2> /dev/null) &
  pid=$!
  # Its first page is on screen, so the list has been read: by then the temporary file the last
  # kill left is gone.
  started "$pid" "$work/ready" || { echo "run $i: the program did not get going"; exit 1; }
  if ls "$work/dat" | grep -q '\.tmp-'; then leftover=$((leftover + 1)); fi
  kill -TERM "$pid"
  sleep "0.$(printf '%03d' $((RANDOM % 12)))"
  kill -KILL "$pid" 2> /dev/null || true
  wait "$pid" 2> /dev/null || true
  temps=$(ls "$work/dat" | grep -c '\.tmp-' || true)
  if cmp -s "$work/dat/kako.dat" "$work/old.dat"; then
    if [ "$temps" -gt 0 ]; then midsave=$((midsave + 1)); else old=$((old + 1)); fi
  elif cmp -s "$work/dat/kako.dat" "$work/new.dat"; then
    new=$((new + 1))
  else
    bad=$((bad + 1))
    echo "run $i: kako.dat is neither list ($(stat -c %s "$work/dat/kako.dat") bytes)"
  fi
  # Start the next run with the leftover of this one, to see that it is cleaned.
  [ "$temps" -le 1 ] || { echo "run $i: $temps temporary files"; bad=$((bad + 1)); }
done
# One more start cleans the last leftover.
rm -f "$work/ready"
(cd "$work" && exec "${run_program[@]}" ./pelirra 2> /dev/null) &
close_once_started $! "$work/ready" || true
final_temps=$(ls "$work/dat" | grep -c '\.tmp-' || true)

echo "$runs kills: $old before the save began, $midsave during the save (old list kept," \
  "temporary file left), $new after it (new list); $bad broken."
echo "Leftover temporary files seen at a start: $leftover; after the last start: $final_temps."
[ "$bad" -eq 0 ] && [ "$leftover" -eq 0 ] && [ "$final_temps" -eq 0 ] || exit 1
if [ "$midsave" -eq 0 ]; then
  echo "warning: no kill landed inside a save (the machine saves faster than the delays)"
fi
echo ok
