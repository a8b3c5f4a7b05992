# shellcheck shell=bash
# For the scripts that run the real program: waiting for it, not for a fixed time. The program
# given PELIRRA_READY_FILE appends a line to that file for each phase as it comes on screen:
# "page" (a page's prompt painted: the page is full, or the script has been read to its end),
# "turn" (a crafting turn waits for its choices), "judged", "list", "replay", "active" (the
# window has the keyboard) and "closed" (the close step has ended). The file exists once the
# first page waits.

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

# The number of phases the ready file $1 holds.
phase_count() { grep -c '' "$1" 2> /dev/null || true; }

# Waits until a phase matching $2 (a grep -x pattern: 'page', 'page\|turn') comes into the ready
# file $1 after its first $3 lines, and prints it. Fails after PELIRRA_PHASE_LIMIT seconds (30).
next_phase() {
  local ready=$1 pattern=$2 after=${3:-0} i
  for ((i = 0; i < ${PELIRRA_PHASE_LIMIT:-30} * 20; i++)); do
    tail -n +$((after + 1)) "$ready" 2> /dev/null | grep -x -m1 -- "$pattern" && return 0
    sleep 0.05
  done
  echo "no phase '$pattern' came in ${PELIRRA_PHASE_LIMIT:-30} s" >&2
  return 1
}

# Runs the command $3... and waits for the phase matching $2 it brings to the ready file $1.
after_phase() {
  local ready=$1 pattern=$2 seen
  seen=$(phase_count "$ready")
  shift 2
  "$@" || return
  next_phase "$ready" "$pattern" "$seen"
}
