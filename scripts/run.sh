#!/usr/bin/env bash
# Installs what is missing, builds the game, its voice module and the story tools (not the tests
# nor the benchmarks: scripts/test.sh builds everything), and starts the game on the bundled
# story. Without a display the game runs under Xvfb until its first page waits, a screenshot is
# saved and the game is closed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh pelirra pelirra_voice pelirra-check pelirra-convert pelirra_dat

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec build/pelirra
fi

shot="$PWD/build/screenshot.png"
echo "No display: running the game under Xvfb and taking a screenshot."
xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" bash -c '
  source tests/support/started.sh
  ready=$(mktemp -u)
  PELIRRA_READY_FILE=$ready build/pelirra & pid=$!
  started "$pid" "$ready" || true
  import -window root "$0"
  kill -TERM "$pid"   # the game closes as if its window were closed: the list is saved
  wait "$pid" || true
  rm -f "$ready"
' "$shot"
echo "Screenshot: $shot"
