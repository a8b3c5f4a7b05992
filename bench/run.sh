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

# The real program's resident memory with its first page shown: after 10 s (the tune rendered
# ahead, the synthesizer freed) and its peak, in 5 runs of a copy in a folder of its own.
music_memory() {
  xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" bash -c '
    dir=$(mktemp -d); cp build/pelirra "$dir/"; cp -r build/dat "$dir/"
    now=(); peak=()
    for run in 1 2 3 4 5; do
      rm -f "$dir/dat/kako.dat"
      "$dir/pelirra" & pid=$!
      sleep 10
      now+=($(awk "/^VmRSS/ {print \$2}" /proc/$pid/status))
      peak+=($(awk "/^VmHWM/ {print \$2}" /proc/$pid/status))
      kill -TERM $pid; wait $pid || true
    done
    rm -rf "$dir"
    med() { printf "%s\n" "$@" | sort -n | sed -n 3p; }
    echo "Memory of the real program, a page waiting (median of 5 runs)"
    awk -v n="$(med "${now[@]}")" -v p="$(med "${peak[@]}")" "BEGIN {
      printf \"  resident after 10 s                %8.1f MB\\n\", n / 1024
      printf \"  peak resident                      %8.1f MB\\n\", p / 1024 }"
  '
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
  music_memory
  server=$(cat "$runtime/pulse/pid" 2>/dev/null || pgrep -n -u "$(id -u)" -x pulseaudio || true)
  PELIRRA_SOUND_SERVER_PID="$server" \
    xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" build/bench/pelirra_bench $quick --only idle
fi
