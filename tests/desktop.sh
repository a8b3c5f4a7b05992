#!/usr/bin/env bash
# The real window on real desktops: Xvfb with openbox, with i3 (a tiling window manager) and with
# no window manager at all. It checks what a player meets in the first minute:
#   - under openbox on 1280 x 720 and 1920 x 1080 screens the window opens at 4 : 3 outer, and
#     the keyboard alone reads the bundled first event, plays a crafting turn and begins the next
#     event; Space never quits; Ctrl+Q closes and saves the list;
#   - maximised, full screen (F11) and tiled, the picture keeps its 4 : 3 shape, centred on the
#     window's grey; leaving full screen gives the earlier size back; the window settles;
#   - without a window manager the window opens at the size it always had; a window made 30000
#     pixels square, QT_SCALE_FACTOR=50, a 320 x 240 screen and QT_SCALE_FACTOR=2 on a 1024 x 768
#     screen keep the window on the screen and the memory bounded, and the game still closes on
#     SIGTERM with its list saved;
#   - under xfwm4 (which ignores a size asked for while the player drags the frame) a drag leaves
#     the picture 4 : 3 and no part of the window unpainted; maximised ten times, the window is
#     maximised and letterboxed each time;
#   - under weston, natively (Qt's wayland platform) and through XWayland, the picture opens
#     4 : 3; natively F11 enters and leaves full screen; the list is saved when weston is killed.
#   usage: desktop.sh PROGRAM STORY_FOLDER
set -euo pipefail
program=$(realpath "$1")
story=$(realpath "$2")
export QT_QPA_PLATFORM=xcb
unset QT_SCALE_FACTOR
max_rss_kb=$((${HOSTILE_MAX_RSS_MB:-250} * 1024)) # more under the sanitizers
work=$(mktemp -d)
chmod 755 "$work"
xvfb="" wm="" game=""
cleanup() {
  for p in $game $wm $xvfb; do kill "$p" 2> /dev/null || true; done
  wait 2> /dev/null || true
  [ -n "${KEEP:-}" ] && echo "kept $work" || rm -rf "$work"
}
trap cleanup EXIT
# shellcheck source-path=SCRIPTDIR source=support/started.sh
source "$(dirname "$0")/support/started.sh"
failures=0
fail() { echo "  FAILED: $*"; failures=$((failures + 1)); }

# Polls `$@` every tenth of a second until it succeeds, for at most $limit seconds.
limit=20
until_true() {
  local tries=$((limit * 10))
  while ! "$@" 2> /dev/null; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.1
  done
}

# An X server on a free display, with screen $1 (WIDTHxHEIGHT).
start_x() {
  exec 5< <(Xvfb -displayfd 1 -screen 0 "$1x24" -dpi 96 -nolisten tcp 2> /dev/null & echo "pid $!"; wait)
  local line
  read -r line <&5
  xvfb=${line#pid }
  read -r line <&5
  export DISPLAY=":$line"
}
stop_x() {
  for p in $game $wm $xvfb; do kill "$p" 2> /dev/null || true; done
  wait 2> /dev/null || true
  game="" wm="" xvfb=""
  exec 5<&-
}

wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }
start_wm() {
  local try
  for try in 1 2; do
    case $1 in
      openbox) openbox > "$work/wm.log" 2>&1 & ;;
      xfwm4) dbus-run-session -- xfwm4 --compositor=off > "$work/wm.log" 2>&1 & ;;
      i3)
        # A version 4 file: an older one makes i3 convert it and start a bar on every start.
        printf '# i3 config file (v4)\nfont pango:DejaVu Sans 8\n' > "$work/i3.conf"
        i3 -c "$work/i3.conf" > "$work/wm.log" 2>&1 &
        ;;
    esac
    wm=$!
    # Slow to start on a busy machine; one that never gets going is started once more.
    limit=30 until_true wm_ready && return 0
    kill "$wm" 2> /dev/null || true
    wait "$wm" 2> /dev/null || true
    echo "  $1 did not start in 30 s (try $try): $(tail -n 3 "$work/wm.log" | tr '\n' ' ')"
  done
  fail "$1 did not start"
}

# A program folder: the bundled story, or a story whose pictures are all plain red.
new_folder() {
  dir="$work/$1"
  rm -rf "$dir"
  mkdir -p "$dir"
  cp -r "$story" "$dir/dat"
  rm -f "$dir/dat/kako.dat"
  cp "$program" "$dir/pelirra"
  if [ "${2:-}" = red ]; then
    convert -size 640x480 xc:red "png:$dir/dat/ive.dat"
  fi
}

wid=""
window_shown() { wid=$(xdotool search --onlyvisible --name '^Pelirra$' | head -1); [ -n "$wid" ]; }
start_game() {
  ready="$dir/ready"
  (cd "$dir" && exec env PELIRRA_READY_FILE="$ready" "$@" /usr/bin/time -f 'peak-rss-kb %M' -o "$dir/rss" ./pelirra \
    > "$dir/out" 2>&1) &
  game=$!
  until_true window_shown && return 0
  fail "no window; the game wrote:"
  tail -n 20 "$dir/out"
  return 1
}
# The game itself (its parent measures its memory).
pid() { pgrep -P "$game" pelirra; }
# Ends the game as the system does and checks that it closed normally with its list saved.
close_game() {
  kill -TERM "$(pid)" 2> /dev/null || true
  local status=0
  wait "$game" || status=$?
  game=""
  [ "$status" -eq 0 ] || fail "exit status $status after SIGTERM"
  [ -s "$dir/dat/kako.dat" ] || fail "kako.dat was not saved"
  local rss
  rss=$(awk '/^peak-rss-kb/ {print $2}' "$dir/rss" 2> /dev/null || true)
  [ -n "$rss" ] && [ "$rss" -le "$max_rss_kb" ] || fail "peak memory ${rss:-?} kB"
}

# Client size and frame extents (left right top bottom) of the game's window.
client() { xwininfo -id "$wid" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w, h}'; }
frame() {
  xprop -id "$wid" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p' | tr -d ',' | grep . || echo 0 0 0 0
}
origin() { xwininfo -id "$wid" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}'; }
client_is() { [ "$(client)" = "$1" ]; }
client_is_not() { [ "$(client)" != "$1" ]; }
# What the command $@ prints stays the same for half a second.
steady() {
  local before
  before=$("$@")
  sleep 0.5
  [ "$before" = "$("$@")" ]
}
settled() { steady client; }

# The outer size (frame included) is 4 : 3 to within two pixels.
check_outer_4_3() {
  read -r w h < <(client)
  read -r l r t b < <(frame)
  local ow=$((w + l + r)) oh=$((h + t + b))
  echo "  client ${w}x${h}, frame $l $r $t $b, outer ${ow}x${oh}"
  [ $((ow * 3 - oh * 4)) -le 8 ] && [ $((oh * 4 - ow * 3)) -le 8 ] || fail "outer ${ow}x${oh} is not 4 : 3"
}

# The red picture on screen is 4 : 3 (within 2 %), and the client's left and right edges show
# the window's grey (145, 145, 145) beside it. The game may still be painting the new size: the
# screen is looked at again until it is so, for at most $limit seconds.
letterbox_problems() {
  local shot="$work/$1.png" box c
  read -r w h < <(client)
  read -r x y < <(origin)
  DISPLAY=${screen_display:-$DISPLAY} import -window root -crop "${w}x${h}+${x}+${y}" +repage "$shot"
  box=$(convert "$shot" -fuzz 20% -fill black +opaque red -trim -format '%w %h %X %Y' info:)
  read -r bw bh bx by <<< "${box//+/}"
  echo "client ${w}x${h}, picture ${bw}x${bh} at $bx,$by"
  [ $((bw * 300 - bh * 400)) -le $((bh * 8)) ] && [ $((bh * 400 - bw * 300)) -le $((bh * 8)) ] ||
    echo "the picture is ${bw}x${bh}, not 4 : 3"
  for px in 0 $((w - 1)); do
    c=$(convert "$shot" -format "%[pixel:p{$px,$((h / 2))}]" info:)
    case $c in
      "srgb(145,145,145)" | "gray(145)" | "grey(145)") ;;
      *) echo "the client's edge at x=$px is $c, not the window's grey" ;;
    esac
  done
}
check_letterbox() {
  local found
  for ((tries = limit; tries > 0; tries--)); do
    found=$(letterbox_problems "$1")
    [ "$(grep -c '' <<< "$found")" -eq 1 ] && break
    sleep 1
  done
  echo "  $1: $(head -n1 <<< "$found")"
  while read -r problem; do fail "$1: $problem"; done < <(tail -n +2 <<< "$found")
}

# CPU time of the game, in clock ticks.
ticks() { awk '{print $14 + $15}' "/proc/$(pid)/stat"; }
check_idle() {
  local a b
  a=$(ticks)
  sleep 2
  b=$(ticks)
  echo "  idle: $((b - a)) ticks in 2 s"
  # A window fighting its window manager runs a core flat out: 200 ticks.
  [ $((b - a)) -lt 100 ] || fail "$1: $((b - a)) clock ticks in 2 s: the window does not settle"
}

key() { xdotool key --window "$wid" --delay 120 "$@"; }

# The keyboard alone: the first event to its end, a crafting turn, the next event; then Ctrl+Q.
# Each key is pressed once the game waits for it: Space on a waiting page, until the turn comes.
play_with_keys() {
  local phase
  phase=$(next_phase "$ready" page) || fail "no page waited"
  for _ in $(seq 1 60); do
    [ "$phase" = page ] || break
    phase=$(after_phase "$ready" 'page\|turn' key space) || break
  done
  [ "$phase" = turn ] || fail "Space did not read the first event to its crafting turn"
  key space space space # at the turn's start Space picks nothing, and never quits
  kill -0 "$game" || fail "Space ended the game"
  after_phase "$ready" judged key 1 2 3 4 5 > /dev/null || fail "five choices were not judged"
  after_phase "$ready" page key Return > /dev/null || fail "Return did not begin the next event"
  key ctrl+q 2> /dev/null || true # the window may be gone before the key is released
  local status=0
  wait "$game" || status=$?
  game=""
  [ "$status" -eq 0 ] || fail "exit status $status after Ctrl+Q"
  [ "$(od -An -c "$dir/dat/kako.dat" | tr -d ' \n')" = '0\r\n1\r\n' ] ||
    fail "kako.dat is not 0, 1: the keyboard did not play the event and its turn"
}

for screen in 1280x720 1920x1080; do
  echo "== openbox on $screen"
  start_x "$screen"
  start_wm openbox
  new_folder "openbox-$screen"
  start_game
  until_true settled
  check_outer_4_3
  play_with_keys
  stop_x
done

echo "== openbox on 1280x720: maximised and full screen"
start_x 1280x720
start_wm openbox
new_folder maximised red
start_game
until_true settled
read -r before < <(client)
# Each change is waited for until the window manager has made it, then until the size settles.
wmctrl -i -r "$wid" -b add,maximized_vert,maximized_horz
until_true client_is_not "$before" || fail "the window was not maximised"
until_true settled
check_letterbox maximised
check_idle maximised
read -r maximised < <(client)
wmctrl -i -r "$wid" -b remove,maximized_vert,maximized_horz
until_true client_is_not "$maximised" || fail "the window was not restored"
until_true settled
read -r windowed < <(client)
key F11
# The key is taken when the game gets to it (later under the sanitizers): wait for the change.
until_true client_is_not "$windowed" || fail "F11 did not make the window full screen"
# The second F11 asks to leave the state the window manager has set: wait for it to say so.
full_screen() { xprop -id "$wid" _NET_WM_STATE | grep -q _NET_WM_STATE_FULLSCREEN; }
until_true full_screen || fail "the window manager did not make the window full screen"
until_true settled
check_letterbox full-screen
key F11
until_true client_is "$before" || fail "after full screen the window is $(client), not $before"
close_game
stop_x

echo "== i3 (tiling) on 1280x720"
start_x 1280x720
start_wm i3
new_folder tiled red
start_game
until_true settled
check_letterbox tiled
check_idle tiled
close_game
stop_x

echo "== no window manager"
start_x 1280x1024
new_folder plain
start_game
until_true settled
[ "$(client)" = "671 503" ] || fail "the window opened at $(client), not 671 503"
xdotool windowsize "$wid" 30000 30000
fits() { read -r w h < <(client) && [ "$w" -le 1280 ] && [ "$h" -le 1024 ]; }
until_true fits || true
until_true settled
read -r w h < <(client)
echo "  made 30000 x 30000: ${w}x${h}"
[ "$w" -le 1280 ] && [ "$h" -le 1024 ] || fail "the window stayed ${w}x${h}"
close_game
stop_x

# A scale of 50 leaves a screen of 26 x 20 logical pixels: the game must only stay bounded and
# close; the other two must fit their screens.
for setting in "1280x1024 50 any" "320x240 1 fit" "1024x768 2 fit"; do
  read -r screen scale check <<< "$setting"
  echo "== no window manager, a $screen screen, QT_SCALE_FACTOR=$scale"
  start_x "$screen"
  new_folder "scale-$scale"
  start_game QT_SCALE_FACTOR="$scale"
  until_true settled
  read -r w h < <(client)
  read -r x y < <(origin)
  echo "  window ${w}x${h} at $x,$y"
  if [ "$check" = fit ]; then
    [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le "${screen%x*}" ] &&
      [ $((y + h)) -le "${screen#*x}" ] || fail "the window does not fit the $screen screen"
  fi
  close_game
  stop_x
done

# Drags the bottom-right corner of the frame by $1, $2 pixels, a step at a time, as a player does.
drag_corner() {
  read -r w h < <(client)
  read -r x y < <(origin)
  local cx=$((x + w + 2)) cy=$((y + h + 2)) step
  xdotool mousemove --sync "$cx" "$cy" mousedown 1
  for step in 1 2 3 4 5; do
    xdotool mousemove --sync $((cx + $1 * step / 5)) $((cy + $2 * step / 5))
  done
  xdotool mouseup 1
}
# The client's right and bottom edges, four pixels deep, are painted: none of them is black (the
# window system's colour for what the program never painted; the game's text never lies there).
check_painted() {
  read -r w h < <(client)
  read -r x y < <(origin)
  import -window root -crop "${w}x${h}+${x}+${y}" +repage "$work/$1.png"
  local black
  black=$(convert "$work/$1.png" \( +clone -crop "4x${h}+$((w - 4))+0" \) \
    \( -clone 0 -crop "${w}x4+0+$((h - 4))" \) -delete 0 -append +repage -fuzz 3% -fill white \
    +opaque black -fill black -opaque black -negate -format '%[fx:round(mean*w*h)]' info:)
  echo "  $1: client ${w}x${h}, $black black pixels on the right and bottom edges"
  [ "$black" -eq 0 ] || fail "$1: part of the window is unpainted"
}
is_maximised() { xprop -id "$wid" _NET_WM_STATE | grep -q MAXIMIZED_VERT; }
is_not_maximised() { ! is_maximised; }
# The outer window lies within the screen's height ($1).
fits_height() {
  read -r w h < <(client)
  read -r l r t b < <(frame)
  [ $((h + t + b)) -le "$1" ]
}

echo "== xfwm4 on 1280x800: a frame drag, maximised ten times"
start_x 1280x800
start_wm xfwm4
new_folder xfwm4 red
start_game
until_true settled
check_outer_4_3
read -r before < <(client)
drag_corner 100 30
until_true client_is_not "$before" || fail "the drag did not resize the window"
until_true settled
check_painted dragged
check_idle dragged
maximised=0
for time in $(seq 1 10); do
  wmctrl -i -r "$wid" -b add,maximized_vert,maximized_horz
  until_true is_maximised || true
  until_true settled
  is_maximised && fits_height 800 && maximised=$((maximised + 1))
  [ "$time" -eq 1 ] && check_letterbox xfwm4-maximised
  wmctrl -i -r "$wid" -b remove,maximized_vert,maximized_horz
  until_true is_not_maximised || true
  until_true settled
done
echo "  maximised and within the screen $maximised times of 10"
[ "$maximised" -eq 10 ] || fail "maximised only $maximised times of 10 under xfwm4"
close_game
stop_x

# Weston in a window of the X server, with XWayland ($1 = xwayland) or without.
start_weston() {
  mkdir -p -m 700 "$work/runtime"
  export XDG_RUNTIME_DIR="$work/runtime"
  rm -f "$work/weston.log"
  weston --backend=x11-backend.so --use-pixman --socket=pelirra-test --width=1280 --height=800 \
    --idle-time=0 ${1:+--xwayland} > "$work/weston.log" 2>&1 &
  wm=$!
  until_true test -S "$work/runtime/pelirra-test" || fail "weston did not start"
}
# The red picture in the weston window: width, height, left and top.
picture() {
  import -window root png:- | convert - -fuzz 20% -fill black +opaque red -trim \
    -format '%w %h %X %Y\n' info: | tr -d +
}
picture_shown() {
  local pw
  read -r pw _ < <(picture) && [ "$pw" -gt 100 ] && return 0
  sleep 0.4 # a screenshot is not cheap: look less often
  return 1
}
picture_is() { [ "$(picture)" = "$1" ]; }
# The picture is on screen at another place or size than $1 (not a blank frame in between).
picture_moved_from() {
  local now pw
  now=$(picture)
  read -r pw _ <<< "$now"
  [ "$now" != "$1" ] && [ "${pw:-0}" -gt 100 ]
}
picture_settled() { steady picture; }
check_picture_4_3() {
  read -r bw bh _ < <(picture)
  echo "  $1: picture ${bw}x${bh}"
  [ $((bw * 300 - bh * 400)) -le $((bh * 8)) ] && [ $((bh * 400 - bw * 300)) -le $((bh * 8)) ] ||
    fail "$1: the picture is ${bw}x${bh}, not 4 : 3"
}
# Kills weston and checks that the game (process $1) ended with its list saved.
kill_weston() {
  kill "$wm"
  wait "$wm" 2> /dev/null || true
  wm=""
  local status=0
  timeout 20 tail --pid="$1" -f /dev/null || fail "the game did not end without weston"
  wait "$game" || status=$?
  game=""
  echo "  weston killed: the game ended with status $status"
  [ -s "$dir/dat/kako.dat" ] || fail "kako.dat was not saved when weston went away"
}

echo "== weston on 1280x800, the game natively on Wayland"
start_x 1280x800
start_weston
new_folder weston-native red
(cd "$dir" && exec env QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=pelirra-test \
  PELIRRA_READY_FILE="$dir/ready" ./pelirra > "$dir/out" 2>&1) &
game=$!
limit=60 until_true picture_shown || fail "no picture on weston; the game wrote: $(tail -n 5 "$dir/out")"
until_true picture_settled
read -r windowed < <(picture)
echo "  weston-native: picture ${windowed// /, }"
# Keys reach the game only once weston has given it the keyboard. No click for it: weston may
# take a click for one at its own idea of the pointer, 0,0, and start a terminal from its panel.
next_phase "$dir/ready" active > /dev/null || fail "weston never gave the game the keyboard"
xdotool key F11
until_true picture_moved_from "$windowed" || fail "F11 did not make the window full screen"
until_true picture_settled
check_picture_4_3 weston-full-screen
xdotool key F11
until_true picture_is "$windowed" || fail "F11 did not leave full screen: picture $(picture)"
kill_weston "$game"
stop_x

echo "== weston on 1280x800, the game through XWayland"
start_x 1280x800
start_weston xwayland
screen_display=$DISPLAY
until_true grep -q 'xserver listening on display' "$work/weston.log" || fail "no XWayland"
DISPLAY=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$work/weston.log" | head -1)
new_folder weston-xwayland red
start_game
until_true settled
# Windowed, the game lays out its outer size (the title bar included, where it is known by then)
# at 4 : 3: the picture is between 4 : 3 and the shape it has under openbox, never stretched wider.
read -r w h < <(client)
read -r x y < <(origin)
DISPLAY=$screen_display import -window root -crop "${w}x${h}+${x}+${y}" +repage "$work/xwayland.png"
read -r bw bh < <(convert "$work/xwayland.png" -fuzz 20% -fill black +opaque red -trim \
  -format '%w %h\n' info:)
echo "  xwayland: client ${w}x${h}, picture ${bw}x${bh}"
[ $((bw * 100)) -ge $((bh * 130)) ] && [ $((bw * 100)) -le $((bh * 142)) ] ||
  fail "xwayland: the picture is ${bw}x${bh}, stretched"
wmctrl -i -r "$wid" -b add,maximized_vert,maximized_horz
until_true is_maximised || true
until_true settled
check_letterbox xwayland-maximised
kill_weston "$(pid)"
DISPLAY=$screen_display
unset screen_display
stop_x

if [ "$failures" -ne 0 ]; then
  echo "$failures failures"
  exit 1
fi
echo "ok"
