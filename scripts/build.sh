#!/usr/bin/env bash
# Configures and builds Pelirra into build/ (the program, its dat/ beside it, tests and tools).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" >/dev/null
cmake --build build -- -k 0
