#!/usr/bin/env bash
# Installs what is missing, builds, and starts the game on the bundled story.
# Without a display the game runs under Xvfb for a few seconds and a screenshot is saved.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec build/pelirra
fi

shot="$PWD/build/screenshot.png"
echo "No display: running the game under Xvfb and taking a screenshot."
xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" bash -c '
  build/pelirra & pid=$!
  sleep "${PELIRRA_SHOT_DELAY:-4}"
  import -window root "$0"
  kill -TERM "$pid"   # the game closes as if its window were closed: the list is saved
  wait "$pid" || true
' "$shot"
echo "Screenshot: $shot"
