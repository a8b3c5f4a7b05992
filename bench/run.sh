#!/usr/bin/env bash
# Builds and runs every benchmark headless under Xvfb and prints the figures with their units,
# the medians of their runs and the machine they ran on.
#
#   bash bench/run.sh [--quick] [--music]
#
# --quick  fewer runs.
# --music  measures the start-up again with the music playing: a PulseAudio server of its own
#          (installed when missing) plays into a null sink, which is a sound device to the game.
#
# Other work on the machine makes every timing longer and noisier: the load average is printed
# with each comparison, and the game and the plain Qt reference always run in turn.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >/dev/null

runs=7; quick=""; music=0
for arg in "$@"; do
  case "$arg" in
    --quick) runs=5; quick="--quick" ;;
    --music) music=1 ;;
    *) echo "usage: bash bench/run.sh [--quick] [--music]" >&2; exit 2 ;;
  esac
done

echo "Machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores," \
     "$(free -g | awk '/Mem:/ {print $2}') GiB; $(uname -sr); $(date -u +%Y-%m-%d)"

sound_device() {
  if pactl info >/dev/null 2>&1 || ls /dev/snd/pcmC*D*p >/dev/null 2>&1; then
    echo "Sound device: present (the music plays)"
  else
    echo "Sound device: none (the music is silent; FluidSynth is not even loaded)"
  fi
}

startup() {
  xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" bash -c '
    build/bench/pelirra_coldstart build/pelirra "$0"
    build/bench/pelirra_versus_qt build/pelirra build/bench/pelirra_reference "$0"
  ' "$runs"
}

sound_device
startup
xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" build/bench/pelirra_bench $quick
for b in build/bench/bench_*; do
  [ -x "$b" ] && xvfb-run -a -s "-screen 0 1280x1024x24" "$b"
done

if [ "$music" = 1 ]; then
  bash scripts/deps.sh pulseaudio pulseaudio-utils >/dev/null
  runtime=$(mktemp -d)
  # A server of our own, found by the game through XDG_RUNTIME_DIR; nobody else's is touched.
  XDG_RUNTIME_DIR="$runtime" pulseaudio -n --daemonize=yes --exit-idle-time=-1 \
    --use-pid-file=yes -L "module-native-protocol-unix auth-anonymous=1" -L module-null-sink \
    --log-target=file:"$runtime/log"
  trap 'XDG_RUNTIME_DIR="$runtime" pulseaudio -k || true; rm -rf "$runtime"' EXIT
  echo
  echo "With the music playing:"
  export XDG_RUNTIME_DIR="$runtime"
  sound_device
  startup
  xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" build/bench/pelirra_bench $quick --only idle
fi
# The story checker on large stories: time and memory as the story grows.
bash bench/check_scaling.sh
