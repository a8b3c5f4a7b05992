#!/usr/bin/env bash
# Configures and builds Pelirra into build/ (the program, its dat/ beside it, tests and tools)
# with the "default" preset of CMakePresets.json; in CI (CI=true) with the "ci" preset, which
# makes warnings errors.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
preset=default
[ "${CI:-}" = true ] && preset=ci
cmake --preset "$preset" >/dev/null
cmake --build build -- -k 0
