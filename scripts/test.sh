#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless; then builds the same tests
# with AddressSanitizer and UndefinedBehaviorSanitizer (the "asan" preset of CMakePresets.json,
# in build-asan/) and runs them again. PELIRRA_SANITIZERS=0 skips the second run. The C++ files
# must be formatted as .clang-format says.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
# The formatting of every C++ file, as .clang-format gives it.
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j 2

if [ "${PELIRRA_SANITIZERS:-1}" != 0 ]; then
  echo "== The tests under AddressSanitizer and UndefinedBehaviorSanitizer"
  cmake --preset asan > /dev/null
  cmake --build --preset asan
  ctest --preset asan
fi
