#!/usr/bin/env bash
# The window under the desktops whose packages are too heavy for every test run: mutter (GNOME
# on Xorg) at a device-pixel ratio of 2, and kwin_x11 (KDE Plasma on X11) with a frame drag and a
# maximise. Installs them (about 40 and 140 packages, without their recommendations) when missing.
# By hand, after a build: bash tests/manual/heavy_desktops.sh build/pelirra build/dat
# Prints each measure; screenshots stay in the folder it names.
set -uo pipefail
program=$(realpath "$1")
story=$(realpath "$2")
need=()
command -v mutter > /dev/null || need+=(mutter)
command -v kwin_x11 > /dev/null || need+=(kwin-x11 kwin-style-breeze)
if [ ${#need[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get install -y --no-install-recommends "${need[@]}" > /dev/null
fi
work=$(mktemp -d)
xvfb="" wm="" game=""
stop() {
  for p in $game $wm $xvfb; do kill "$p" 2> /dev/null; done
  wait 2> /dev/null
  game="" wm="" xvfb=""
}
trap stop EXIT

# $1 screen, $2 dpi, $3 the window manager's command; then the game with the environment $4...
start() {
  exec 5< <(Xvfb -displayfd 1 -screen 0 "$1x24" -dpi "$2" -nolisten tcp 2> /dev/null & echo "pid $!"; wait)
  local line
  read -r line <&5
  xvfb=${line#pid }
  read -r line <&5
  export DISPLAY=":$line"
  mkdir -p "$work/runtime"
  chmod 700 "$work/runtime"
  export XDG_RUNTIME_DIR="$work/runtime"
  dbus-run-session -- sh -c "$3" > "$work/wm.log" 2>&1 &
  wm=$!
  for _ in $(seq 150); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q 'window id' && break
    sleep 0.2
  done
  # After the window manager: an X server with no client left resets, and forgets resources.
  [ "$2" -gt 96 ] && echo "Xft.dpi: $2" | xrdb -merge
  dir="$work/game-$line"
  mkdir -p "$dir"
  cp -r "$story" "$dir/dat"
  rm -f "$dir/dat/kako.dat"
  convert -size 640x480 xc:red "png:$dir/dat/ive.dat"
  cp "$program" "$dir/pelirra"
  shift 3
  (cd "$dir" && exec env PELIRRA_READY_FILE="$dir/ready" "$@" ./pelirra > "$dir/out" 2>&1) &
  game=$!
  for _ in $(seq 300); do [ -s "$dir/ready" ] && break; sleep 0.1; done
  sleep 1 # the window manager's last configure
  wid=$(xdotool search --onlyvisible --name '^Pelirra$' | head -1)
}
geometry() {
  xwininfo -id "$wid" | awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4}
    /Width/ {w = $2} /Height/ {h = $2} END {print w, h, x, y}'
}
frame() { xprop -id "$wid" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g'; }
outer() {
  local w h l r t b
  read -r w h _ < <(geometry)
  read -r l r t b < <(frame)
  echo "client ${w}x$h, frame $l $r $t $b, outer $((w + l + r))x$((h + t + b))" \
    "(4 : 3 of that height: $(((h + t + b) * 4 / 3)))"
}
picture() {
  import -window root png:- | convert - -fuzz 20% -fill black +opaque red -trim -format '%wx%h' info:
}

echo "== mutter at a device-pixel ratio of 2 (Xft.dpi 192), 2560x1600"
start 2560x1600 192 "mutter --x11 --replace --sm-disable"
echo "  $(outer), picture $(picture)"
import -window root "$work/mutter.png"
stop

echo "== kwin_x11, 1280x800"
start 1280x800 96 "KWIN_COMPOSE=N kwin_x11 --replace"
echo "  $(outer), picture $(picture)"
read -r w h x y < <(geometry)
xdotool mousemove --sync $((x + w + 2)) $((y + h + 2)) mousedown 1 sleep 0.3 \
  mousemove_relative --sync 50 15 sleep 0.2 mousemove_relative --sync 50 15 sleep 0.3 mouseup 1
sleep 2
read -r w h x y < <(geometry)
import -window root -crop "${w}x$h+$x+$y" +repage "$work/kwin-dragged.png"
# Never painted is black: count the black pixels of the client's right and bottom edges.
black() {
  convert "$work/kwin-dragged.png" -crop "$1" +repage -fill white +opaque black -negate \
    -format '%[fx:int(w*h*mean)]' info:
}
echo "  dragged by (+100, +30): client ${w}x$h, picture $(picture)," \
  "$(black "3x$h+$((w - 3))+0") and $(black "${w}x3+0+$((h - 3))") black pixels on the right and bottom"
wmctrl -i -r "$wid" -b add,maximized_vert,maximized_horz
sleep 2
echo "  maximised: $(outer), picture $(picture)"
import -window root "$work/kwin-maximised.png"
stop
echo "screenshots in $work"
