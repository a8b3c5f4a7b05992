#!/usr/bin/env bash
# Installs the Debian packages Pelirra needs to build, run and test, when any is missing.
set -euo pipefail

packages=(
  cmake g++ ninja-build pkgconf git
  clang-format # the formatting check of the test command
  qt6-base-dev libgtest-dev libfontconfig-dev
  libfluidsynth-dev # the headers; the game loads libfluidsynth3 itself when music is to play
  libfluidsynth3
  libpulse-dev # the headers of the music's PulseAudio output; libpulse0 comes with libfluidsynth3
  # the voice module: Qt TextToSpeech and its speech-dispatcher plugin (qt6-speech-dev includes
  # headers of qt6-declarative-dev without depending on it)
  qt6-speech-dev qt6-declarative-dev qt6-speech-speechd-plugin
  fonts-ipafont-gothic timgm6mb-soundfont
  xvfb xauth imagemagick
  libxcb1-dev # the frame a window manager sets; the start-up benchmark sees the window mapped
  # the real program on an X server: clicks and keys, the close box, window managers
  xdotool openbox i3-wm wmctrl x11-utils
  time # peak memory of the real program in the robustness tests
  libgraphviz-dev # the story map of pelirra-check --map (Graphviz lays it out and draws the SVG)
  # installing and packaging: the desktop entry and metainfo checks, the manual page, cpack's
  # dependencies from the linked libraries
  desktop-file-utils appstream groff-base dpkg-dev file
)
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
