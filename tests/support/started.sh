# shellcheck shell=bash
# For the scripts that run the real program: waiting for it to get going, not for a fixed time.
# The program given PELIRRA_READY_FILE creates that file once a page waits on screen (its prompt
# painted: the first page is full, or the script has been read to its end).

# Waits until the process $1 has created the file $2, has written a report ("pelirra: ...") to
# the file $3 when one is given, or has ended. Fails after PELIRRA_START_LIMIT seconds (30), so
# that a program that hangs fails its test instead of being closed as if all were well.
started() {
  local pid=$1 ready=$2 err=${3:-} i
  for ((i = 0; i < ${PELIRRA_START_LIMIT:-30} * 20; i++)); do
    [ -e "$ready" ] && return 0
    [ -n "$err" ] && grep -q '^pelirra: ' "$err" 2> /dev/null && return 0
    kill -0 "$pid" 2> /dev/null || return 0
    sleep 0.05
  done
  echo "the program (process $pid) showed no page, no report and did not end in" \
    "${PELIRRA_START_LIMIT:-30} s" >&2
  return 1
}

# The words that run a program (the words after them) under a guard that stops it after a
# minute, having written its own process id to the file $READY.pid: other commands may stand
# between the test and the program. Use as "${run_program[@]}" PROGRAM ARGS...
# shellcheck disable=SC2016,SC2034 # expanded by that shell; used by the scripts
run_program=(timeout -k 20 60 sh -c 'echo $$ > "$PELIRRA_READY_FILE.pid"; exec "$@"' program)

# Once the background job $1, which runs the program through "${run_program[@]}" with
# PELIRRA_READY_FILE=$2, has started (see `started`; $3 the file of its standard error, if any),
# sends the program the signal $4 (TERM: closed as the system closes it, the list saved), waits
# for the job and returns its status; 125 when it never got going. $2 must not exist beforehand.
close_once_started() {
  local job=$1 ready=$2 err=${3:-} signal=${4:-TERM} going=0 status
  started "$job" "$ready" "$err" || going=125
  [ -s "$ready.pid" ] && kill -s "$signal" "$(cat "$ready.pid")" 2> /dev/null
  wait "$job"
  status=$?
  rm -f "$ready" "$ready.pid"
  [ "$going" -eq 0 ] || return "$going"
  return "$status"
}
