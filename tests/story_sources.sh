#!/usr/bin/env bash
# The bundled story dat/ is what pelirra-convert makes of its sources in tools/story/src, byte
# for byte: an edit of one without the other fails here.
#   usage: story_sources.sh PELIRRA_CONVERT SOURCE_DIR
set -euo pipefail
convert=$1
top=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$convert" --quiet "$top/tools/story/src" "$work/dat"
if ! diff -r --exclude=kako.dat "$top/dat" "$work/dat"; then
  echo "dat/ differs from its sources: run build/pelirra-convert tools/story/src dat"
  exit 1
fi
echo "ok"
