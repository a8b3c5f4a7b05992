#!/usr/bin/env bash
# Installs what is missing, builds everything, and runs every test headless; then builds the
# tests again with AddressSanitizer and UndefinedBehaviorSanitizer (the "asan" preset of
# CMakePresets.json, in build-asan/: no benchmarks, no packaging) and runs them there, except
# those labelled slow. The tests labelled "waits" (real programs on X servers, which mostly wait)
# run in the background while the other tests run and the sanitizer build compiles; their output
# follows it.
# PELIRRA_SANITIZERS=0 skips the second build. The C++ files must be formatted as .clang-format
# says. The last line sums up every test run; the status is 0 only when all passed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
# The formatting of every C++ file, as .clang-format gives it.
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
export QT_QPA_PLATFORM=offscreen

logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
problems=()
# Runs ctest with the arguments given, its output also kept in $logs/$1.
run_tests() {
  local name=$1
  shift
  ctest "$@" 2>&1 | tee "$logs/$name" || problems+=("tests failed in $name")
}

if [ "${PELIRRA_SANITIZERS:-1}" = 0 ]; then
  run_tests build --test-dir build --output-on-failure -j 2
else
  echo "== The tests that wait, in the background while the other tests run and the sanitizer" \
    "build compiles"
  ctest --test-dir build --output-on-failure -L waits > "$logs/build-waits" 2>&1 &
  waiting=$!
  run_tests build --test-dir build --output-on-failure -j 2 -LE waits
  echo "== The build with AddressSanitizer and UndefinedBehaviorSanitizer"
  asan_built=false
  cmake --preset asan -DCMAKE_CXX_COMPILER_LAUNCHER="$(bash scripts/launcher.sh)" > /dev/null &&
    cmake --build --preset asan -- -k 0 && asan_built=true
  echo "== The tests that wait (build/)"
  wait "$waiting" || problems+=("tests failed in build-waits")
  cat "$logs/build-waits"
  if $asan_built; then
    echo "== The tests under AddressSanitizer and UndefinedBehaviorSanitizer"
    run_tests build-asan --preset asan
  else
    problems+=("the sanitizer build failed")
  fi
fi

# One line over every run, as ctest writes it for one; then what failed.
read -r passed total < <(awk '/^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+$/ {
  passed += $NF - $4; total += $NF } END { print passed + 0, total + 0 }' "$logs"/*)
echo "== Every run"
for problem in "${problems[@]}"; do echo "FAILED: $problem"; done
echo "$((total ? passed * 100 / total : 0))% tests passed, $((total - passed)) tests failed out of $total"
[ ${#problems[@]} -eq 0 ]
