#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang, AddressSanitizer and UndefinedBehaviorSanitizer
# in build-fuzz/, and runs each for about a minute (FUZZ_SECONDS to change it). Corpora grow in
# build-fuzz/corpus/, findings land in build-fuzz/findings/. Usage: bash fuzz/run.sh [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh clang-14 libclang-rt-14-dev
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPELIRRA_FUZZ=ON -DPELIRRA_BUILD_TESTS=OFF > /dev/null
cmake --build build-fuzz -j 2

seconds=${FUZZ_SECONDS:-60}
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(fuzz_lines fuzz_script_line fuzz_kako fuzz_picture fuzz_music fuzz_wmf fuzz_emf)
mkdir -p build-fuzz/findings build-fuzz/seeds/text build-fuzz/seeds/music
cp dat/txt.dat dat/[0-9]*.dat dat/a*.dat dat/b*.dat build-fuzz/seeds/text/
cp dat/bgm.mid build-fuzz/seeds/music/

status=0
for target in "${targets[@]}"; do
  corpus=build-fuzz/corpus/$target
  mkdir -p "$corpus"
  case $target in
    fuzz_lines | fuzz_script_line) seeds=(build-fuzz/seeds/text); options=(-max_len=4096) ;;
    fuzz_kako) seeds=(fuzz/seeds/kako build-fuzz/seeds/text); options=(-max_len=4096) ;;
    # One allocation over 512 MB would be a decode that escaped its bound.
    fuzz_picture) seeds=(fuzz/seeds/picture); options=(-max_len=65536 -malloc_limit_mb=512) ;;
    fuzz_music) seeds=(build-fuzz/seeds/music); options=(-max_len=8192 -malloc_limit_mb=512) ;;
    fuzz_wmf | fuzz_emf)
      seeds=(fuzz/seeds/${target#fuzz_}); options=(-max_len=16384 -malloc_limit_mb=512) ;;
    *) echo "unknown target $target"; exit 2 ;;
  esac
  echo "== $target, ${seconds}s"
  set +e
  "build-fuzz/fuzz/$target" "${options[@]}" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="build-fuzz/findings/$target-" "$corpus" "${seeds[@]}" \
    > "build-fuzz/$target.log" 2>&1
  result=$?
  set -e
  grep -E '^#[0-9]+.*(DONE|pulse)|stat::number_of_executed_units|stat::peak_rss_mb|cov:' "build-fuzz/$target.log" |
    tail -3
  if [ $result -ne 0 ]; then
    echo "$target FOUND A PROBLEM (exit $result): see build-fuzz/$target.log and build-fuzz/findings/"
    grep -E 'ERROR|SUMMARY|fuzz check failed' "build-fuzz/$target.log" | head -5
    status=1
  fi
done
exit $status
