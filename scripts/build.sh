#!/usr/bin/env bash
# Configures and builds Pelirra into build/ with the "default" preset of CMakePresets.json; in CI
# (CI=true) with the "ci" preset, which makes warnings errors. Without arguments it builds
# everything (the program, its dat/ beside it, tests, tools and benchmarks); with target names,
# only those: `bash scripts/build.sh pelirra`.
# Compiles through ccache when it is installed, except in CI, which builds from nothing
# (PELIRRA_CCACHE=0 or 1 decides instead).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
preset=default
[ "${CI:-}" = true ] && preset=ci
cmake --preset "$preset" -DCMAKE_CXX_COMPILER_LAUNCHER="$(bash scripts/launcher.sh)" >/dev/null
targets=()
[ $# -eq 0 ] || targets=(--target "$@")
cmake --build build "${targets[@]}" -- -k 0
