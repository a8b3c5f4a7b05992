#!/usr/bin/env bash
# The whole spoken path once, with the real game: under Xvfb, with a session bus, PulseAudio on
# a null sink and a speech-dispatcher of our own whose only output module (capture_module.py)
# writes every text it is asked to say to a file (the capture) and is never busy, so a text the
# game should have said and is not in the capture was not said. Then:
#   1. the game's own voice, without a screen reader: V turns it on (the cue, then the story's
#      lines), the choice is remembered in the XDG configuration folder for the next run, V
#      turns it off again, --self-voicing turns it on for one run;
#   2. no speech service: V says once on standard error that no voice is available, the game
#      plays on and closes at once; a service that vanishes while the game speaks changes
#      nothing either;
#   3. with Orca (the accessibility bus on, toolkit-accessibility true): the first event's
#      heading and every line of it in order, the page cue, a crafting turn (its heading, each
#      choice with the count, each verdict in words, the board waiting), the past-record list
#      and a replay, then the next event's heading.
# The game is driven through xdotool: with the mouse, at the places the layout gives the text
# window and the buttons when SPEECH_E2E_KEYS=0, else with the keyboard alone. Each action waits
# for the phase the game reports in its ready file (PELIRRA_READY_FILE) and for what is said,
# never for a fixed time.
# SPEECH_E2E_ORCA_ONLY=1 runs the part with Orca alone.
#
# Installs what it needs (scripts/deps.sh). Exits 77 (skipped, with the reason on standard
# error) where Orca cannot start; every other shortfall is a failure.
#
#   speech_e2e.sh BUILD_DIR SOURCE_DIR
set -uo pipefail

build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
SKIP=77
# shellcheck source-path=SCRIPTDIR source=../support/started.sh
source "$source/tests/support/started.sh"

skip() {
  echo "SKIPPED: $*" >&2
  exit $SKIP
}

if ! bash "$source/scripts/deps.sh" orca speech-dispatcher pulseaudio at-spi2-core dbus \
  libglib2.0-bin dconf-service dconf-gsettings-backend xdotool xvfb xauth >/dev/null 2>&1; then
  skip "the packages for Orca and speech-dispatcher could not be installed"
fi
for tool in orca speech-dispatcher pulseaudio dbus-daemon gsettings xdotool Xvfb; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done
[ -x /usr/libexec/at-spi-bus-launcher ] || skip "at-spi-bus-launcher is not installed"

work=$(mktemp -d /tmp/pelirra-speech-XXXXXX)
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
  sleep 0.3
  for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

capture=$work/said.txt
logs=$work/logs
mkdir -p "$logs" "$work/run" "$work/home/.config" "$work/conf/modules"
chmod 700 "$work/run"
export HOME=$work/home XDG_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/home/.config
export XDG_DATA_HOME=$work/home/.local/share XDG_CACHE_HOME=$work/home/.cache
export LANG=C.UTF-8 LC_ALL=C.UTF-8
unset SPEECHD_ADDRESS QT_QPA_PLATFORM QT_LINUX_ACCESSIBILITY_ALWAYS_ON DBUS_SESSION_BUS_ADDRESS
sed "s|@CAPTURE@|$capture|" "$source/tests/speech/capture.conf.in" >"$work/conf/modules/capture.conf"
sed "s|@LOGS@|$logs|; s|@MODULE@|$source/tests/speech/capture_module.py|" \
  "$source/tests/speech/speechd.conf.in" >"$work/conf/speechd.conf"
: >"$capture"

failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}
dump() {
  echo "--- what was said:"
  cat "$capture"
  for f in "$logs"/*; do
    echo "--- $(basename "$f") (end):"
    tail -n 15 "$f"
  done
}

# Waits until the capture holds TEXT (a fixed string), at most SECONDS (30: a bound for a text
# never said, far above the time a loaded machine takes to say it).
wait_for() {
  local text=$1 limit=$((${2:-30} * 10)) i
  for ((i = 0; i < limit; i++)); do
    grep -qF -- "$text" "$capture" && return 0
    sleep 0.1
  done
  return 1
}
expect() { wait_for "$@" || fail "never said: $1"; }
# The number of page cues said ("続く", to which Orca adds a full stop).
cues() { grep -cx "続く\.\?" "$capture"; }
# Waits until more than $1 page cues have been said, at most 30 s.
wait_cues() {
  local i
  for ((i = 0; i < 300; i++)); do
    [ "$(cues)" -gt "$1" ] && return 0
    sleep 0.1
  done
  return 1
}

# -- the display, the session bus ----------------------------------------------------------
exec 9>"$work/display"
Xvfb -displayfd 9 -screen 0 1024x768x24 -dpi 96 -nolisten tcp >"$logs/xvfb.log" 2>&1 &
pids+=($!)
for ((i = 0; i < 100; i++)); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || skip "Xvfb did not start"
export DISPLAY=:$(cat "$work/display")

dbus-daemon --session --fork --print-address=3 --print-pid=4 3>"$work/bus" 4>"$work/buspid" \
  2>"$logs/dbus.log" || skip "no session bus could be started"
export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/bus")
pids+=("$(cat "$work/buspid")")

# -- sound and speech -----------------------------------------------------------------------
pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disable-shm=yes \
  -L module-null-sink -L module-native-protocol-unix >"$logs/pulse.log" 2>&1 &
pids+=($!)
for ((i = 0; i < 50; i++)); do [ -S "$XDG_RUNTIME_DIR/pulse/native" ] && break; sleep 0.1; done

speechd_socket=$work/run/speechd.sock
start_speechd() {
  speech-dispatcher -s -t 0 -C "$work/conf" -S "$speechd_socket" -c unix_socket \
    >"$logs/speechd.out" 2>&1 &
  speechd_pid=$!
  pids+=($speechd_pid)
  local i
  for ((i = 0; i < 50; i++)); do [ -S "$speechd_socket" ] && return 0; sleep 0.1; done
  return 1
}
start_speechd || skip "speech-dispatcher did not start (see its log)"
export SPEECHD_ADDRESS=unix_socket:$speechd_socket

# -- the game ------------------------------------------------------------------------------
game=$work/game
mkdir -p "$game"
cp "$build/pelirra" "$build/pelirra-voice.so" "$game/"
cp -r "$build/dat" "$game/dat"
rm -f "$game/dat/kako.dat"

game_pid=
ready=$work/ready
# Starts the game and waits for its window and its first page.
start_game() {
  rm -f "$ready"
  (cd "$game" && PELIRRA_READY_FILE=$ready exec ./pelirra "$@") >"$logs/game.out" \
    2>"$logs/game.err" &
  game_pid=$!
  pids+=($game_pid)
  window=$(xdotool search --sync --onlyvisible --name '^Pelirra$' 2>/dev/null | head -n1)
  [ -n "$window" ] || { fail "the game's window did not appear"; return 1; }
  next_phase "$ready" page >/dev/null || { fail "no page waited"; return 1; }
  eval "$(xdotool getwindowgeometry --shell "$window")"
  win_x=$X win_y=$Y win_w=$WIDTH win_h=$HEIGHT
  # No window manager gives the window the keyboard: give it ourselves.
  xdotool windowfocus --sync "$window" 2>/dev/null
}
# Presses a key as the player does. With Orca, then waits for Orca's echo of the key (its name,
# said as Orca answers Qt's bridge, which hands Orca every key and waits 100 ms for the answer):
# a key that meets a late answer to the one before can be lost. Orca echoes no Home.
orca_on=
press() {
  local size i
  size=$(stat -c %s "$capture")
  xdotool windowfocus --sync "$window" 2>/dev/null
  xdotool key "$1"
  [ -n "$orca_on" ] && [ "$1" != Home ] || return 0
  for ((i = 0; i < 100; i++)); do
    tail -c +$((size + 1)) "$capture" | grep -qix -- "$1" && return 0
    sleep 0.1
  done
}
# Ends the game as the system does; the close step runs at once, whatever the speech does.
stop_game() {
  local started=$SECONDS
  kill -TERM "$game_pid"
  wait "$game_pid"
  local status=$?
  [ "$status" -eq 0 ] || fail "the game ended with status $status"
  # (A close that waited for the speech would wait for its time-outs: far longer.)
  [ $((SECONDS - started)) -le 10 ] || fail "closing took $((SECONDS - started)) s"
}
# Clicks at a point of the 40 x 30 grid the layout lays over the client area.
click_grid() {
  local x y
  x=$(awk -v g="$1" -v w="$win_w" -v x0="$win_x" 'BEGIN { printf "%d", x0 + g * w / 40 }')
  y=$(awk -v g="$2" -v h="$win_h" -v y0="$win_y" 'BEGIN { printf "%d", y0 + g * h / 30 }')
  xdotool mousemove "$x" "$y" click 1
}
# The text window, the board, the list and the replay box share one rectangle under the picture.
click_text() { click_grid 15 25; }
click_first_entry() { click_grid 3 23.9; }
# Choice button I (0-based) of a column of BUTTONS buttons under the heading.
click_button() {
  local rows=$(($2 + 1))
  click_grid 35.5 "$(awk -v i="$1" -v r="$rows" 'BEGIN { print (i + 1.5) * 30 / r }')"
}
captions=$(iconv -f CP932 -t UTF-8 "$game/dat/txt.dat" | tr -d '\r' | grep -c '')
buttons=$((captions + 2))

# The player's actions: with the keyboard alone, or with the mouse (SPEECH_E2E_KEYS=0); the
# keys make the mouse's clicks and the focus follows the phases.
if [ "${SPEECH_E2E_KEYS:-1}" = 1 ]; then
  read_on() { press space; }      # the next page; the crafting turn; the next event
  choose() { press $(($1 + 1)); } # the choice at position $1 + 1
  # 過去見 is reached with Tab alone: Tab until Orca says it has the focus.
  open_records() {
    local size tab i
    for ((tab = 0; tab < 20; tab++)); do
      size=$(stat -c %s "$capture")
      press Tab
      for ((i = 0; i < 30; i++)); do
        tail -c +$((size + 1)) "$capture" | grep -q "push button\.$" && break
        sleep 0.1
      done
      tail -c +$((size + 1)) "$capture" | grep -qF "過去見 push button." && break
    done
    press space
  }
  open_first_record() {
    press Home
    press Return
  }
  close_replay() { press Escape; }
else
  read_on() { click_text; }
  choose() { click_button "$1" "$buttons"; }
  open_records() { click_button $((buttons - 2)) "$buttons"; }
  open_first_record() { click_first_entry; }
  close_replay() { click_text; }
fi

# Reads on, a page at a time, until TEXT is said (at most 40 pages). Each page is left once it
# has been said to its end (its cue, "続く", is said last): a key pressed earlier could cut the
# page's lines off (a screen reader's echo of the key interrupts the speech).
read_until() {
  local cues phase page
  for ((page = 0; page < 40; page++)); do
    grep -qF -- "$1" "$capture" && return 0
    cues=$(cues)
    phase=$(after_phase "$ready" 'page\|turn' read_on) || break
    if [ "$phase" = turn ]; then
      wait_for "$1"
      break
    fi
    wait_cues "$cues" || { fail "the page's cue was not said"; break; }
  done
  grep -qF -- "$1" "$capture" || fail "never said after 40 pages: $1"
}

# The text lines of an event, in order, as the story file holds them: not marker lines (the
# game's own table of markers), not blank.
markers=$("$build/tests/story_markers")
story_lines() {
  iconv -f CP932 -t UTF-8 "$game/dat/$1.dat" | tr -d '\r' |
    grep -v -E "^.+($markers)" | grep -v '^[[:space:]　]*$'
}
# Every line of event $1 was said, in order.
expect_event_in_order() {
  story_lines "$1" >"$work/lines"
  python3 - "$work/lines" "$capture" <<'EOF' || fail "the lines of event $1 were not all said in order"
import sys, unicodedata
# speech-dispatcher hands on full-width signs as their plain forms ("？" as "?", "…" as "...").
plain = lambda text: unicodedata.normalize("NFKC", text)
lines = [plain(l.rstrip("\n")) for l in open(sys.argv[1], encoding="utf-8")]
said = plain(open(sys.argv[2], encoding="utf-8").read())
at = 0
for line in lines:
    found = said.find(line, at)
    if found < 0:
        print("  not said (in order):", line)
        sys.exit(1)
    at = found + len(line)
EOF
}

# == 1. The game's own voice, no screen reader ==============================================
if [ -z "${SPEECH_E2E_ORCA_ONLY:-}" ]; then # (for looking into the last part alone)
echo "== the game's own voice"
start_game && {
  press v
  expect "声をオンにしました"
  # The first page has waited before V: nothing of it was said before the cue.
  [ "$(head -n1 "$capture")" = "声をオンにしました" ] ||
    fail "something was said before the voice was turned on: $(cat "$capture")"
  read_until "あのね、お守りを作ってほしいの"
  expect "続く"
  grep -qF "▼" "$capture" && fail "the symbol ▼ was said"
  stop_game
}
grep -qx "self-voicing=on" "$XDG_CONFIG_HOME/pelirra/pelirra.conf" ||
  fail "the voice was not remembered in $XDG_CONFIG_HOME/pelirra/pelirra.conf"

: >"$capture"
start_game && {
  expect "春の船が、小さな港に着いた。" # the remembered voice, without V
  press v
  expect "声をオフにしました"
  stop_game
}
grep -qx "self-voicing=off" "$XDG_CONFIG_HOME/pelirra/pelirra.conf" ||
  fail "turning the voice off was not remembered"

: >"$capture"
start_game --self-voicing && {
  expect "春の船が、小さな港に着いた。"
  stop_game
}

# == 2. No speech service, and a service that vanishes =====================================
echo "== no speech service"
: >"$capture"
export SPEECHD_ADDRESS=unix_socket:$work/run/nobody.sock
start_game && {
  press v
  for ((i = 0; i < 100; i++)); do
    grep -q "no voice is available" "$logs/game.err" && break
    sleep 0.1
  done
  press v
  press v
  for _ in 1 2 3; do after_phase "$ready" 'page\|turn' read_on >/dev/null || fail "no page came"; done
  stop_game # all it wrote is on standard error now
  n=$(grep -c "no voice is available" "$logs/game.err")
  [ "$n" -eq 1 ] || fail "'no voice is available' was said $n times on standard error, not once"
}
export SPEECHD_ADDRESS=unix_socket:$speechd_socket

echo "== a speech service that vanishes"
: >"$capture"
start_game --self-voicing && {
  expect "春の船が、小さな港に着いた。"
  kill -KILL "$speechd_pid"
  for _ in 1 2 3 4; do
    after_phase "$ready" 'page\|turn' read_on >/dev/null ||
      fail "the game did not read on when the speech service went away"
  done
  kill -0 "$game_pid" 2>/dev/null || fail "the game ended when the speech service went away"
  stop_game
}
rm -f "$speechd_socket"
start_speechd || fail "speech-dispatcher did not start again"
rm -f "$XDG_CONFIG_HOME/pelirra/pelirra.conf"
fi

# == 3. Orca ===============================================================================
echo "== Orca"
: >"$capture"
gsettings set org.gnome.desktop.interface toolkit-accessibility true 2>>"$logs/gsettings.log"
/usr/libexec/at-spi-bus-launcher --launch-immediately >"$logs/atspi.log" 2>&1 &
pids+=($!)
for ((i = 0; i < 100; i++)); do
  gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus \
    --method org.a11y.Bus.GetAddress >/dev/null 2>&1 && break
  sleep 0.1
done
# Orca's debug log (SPEECH_E2E_KEEP=FILE keeps it) slows Orca down: it is written only on demand.
orca --replace ${SPEECH_E2E_KEEP:+--debug-file "$SPEECH_E2E_KEEP"} >"$logs/orca.log" 2>&1 &
pids+=($!)
# Orca says that it is on when it has started.
if ! wait_for "Screen reader on" 30 && ! wait_for "スクリーンリーダー" 1; then
  dump
  skip "Orca did not start (nothing said within 30 s; see its log above)"
fi
orca_on=1

: >"$capture"
start_game && {
  expect "Quillet、星なし"
  expect "続く"
  read_until "ものを作ります。ものにこめる想いを選んでね"
  expect_event_in_order 0
  grep -qF "▼" "$capture" && fail "the symbol ▼ was said"

  # The past-record list, and a replay of the first event.
  after_phase "$ready" list open_records >/dev/null || fail "the list was not shown"
  expect "過去見、記録 1件"
  after_phase "$ready" replay open_first_record >/dev/null || fail "the replay was not shown"
  expect "過去見 0"
  expect "わたしは、その紙をそっと胸にあてた。"
  close_replay
  expect "過去見を閉じました"

  # Five feelings: 勇気 and 優しさ are good, 希望 critical, 思い出 bad, 喜び neither. Each is
  # chosen once the one before has been said.
  choices=(2 1 4 5 0)
  said=("勇気、1つめ" "優しさ、2つめ" "希望、3つめ" "思い出、4つめ" "喜び、5つめ。判定します")
  for n in 0 1 2 3 4; do
    choose "${choices[n]}"
    expect "${said[n]}"
  done
  next_phase "$ready" judged >/dev/null || fail "the judgement did not finish"
  for said in "勇気、良い" "優しさ、良い" "希望、クリティカル" "思い出、悪い" "喜び、どちらでもない" \
    "判定が終わりました。ここをクリックして下さい"; do
    expect "$said"
  done
  after_phase "$ready" page read_on >/dev/null || fail "the next event did not begin"
  expect "Quillet、白い星 4つ" # 1 + 1 + 5 - 3 + 0 points
  stop_game
}

if [ "$failures" -gt 0 ]; then
  dump
  echo "$failures failed"
  exit 1
fi
echo "The story, the crafting turn and the past records were heard through Orca and the game's own voice."
