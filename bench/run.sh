#!/usr/bin/env bash
# Builds and runs every benchmark headless under Xvfb and prints the figures with their units,
# the medians of their runs and the machine they ran on.  Usage: bash bench/run.sh [--quick]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >/dev/null

echo "Machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores," \
     "$(free -g | awk '/Mem:/ {print $2}') GiB; $(uname -sr); $(date -u +%Y-%m-%d)"
if pactl info >/dev/null 2>&1 || [ -e /dev/snd/pcmC0D0p ]; then
  echo "Sound device: present (the music plays)"
else
  echo "Sound device: none (the music is silent; its device fails to open)"
fi

runs=7; quick=""
if [ "${1:-}" = "--quick" ]; then runs=3; quick="--quick"; fi
xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" bash -c '
  build/bench/pelirra_coldstart build/pelirra "$0"
  build/bench/pelirra_bench $1
' "$runs" "$quick"
for b in build/bench/bench_*; do
  [ -x "$b" ] && xvfb-run -a -s "-screen 0 1280x1024x24" "$b"
done
