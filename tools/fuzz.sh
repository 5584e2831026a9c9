#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number of
# seconds (default 60) on a scratch copy of its seed corpus.
# Usage: tools/fuzz.sh [seconds] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true

cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DQUORVEL_FUZZ=ON -DQUORVEL_TESTS=OFF -DQUORVEL_WERROR=ON >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in tests/fuzz/*.cmake; do
    [ -e "$f" ] && targets+=("$(basename "$f" .cmake)")
  done
fi
[ ${#targets[@]} -eq 0 ] && { echo "fuzz: no targets"; exit 0; }
cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]}" >/dev/null

export ASAN_OPTIONS=detect_leaks=1
# UBSan reports are recoverable in these builds: make the first one a failure.
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
for t in "${targets[@]}"; do
  work=build-fuzz/corpus/$t
  rm -rf "$work" && mkdir -p "$work"
  cp -r tests/fuzz/corpus/"$t"/. "$work"/ 2>/dev/null || true
  echo "== fuzz: $t for ${seconds}s"
  log=build-fuzz/$t.log
  # A target's own libFuzzer flags (tests/fuzz/<target>.options, # comments)
  # come last and win.
  options=()
  if [ -f tests/fuzz/"$t".options ]; then
    read -r -a options <<<"$(grep -v '^#' tests/fuzz/"$t".options | tr '\n' ' ')"
  fi
  if ! (cd build-fuzz && ./tests/fuzz/"$t" -max_total_time="$seconds" -rss_limit_mb=2048 \
      "${options[@]}" -print_final_stats=1 corpus/"$t" >"$t.log" 2>&1); then
    tail -n 60 "$log"
    echo "fuzz: $t found a failure (see $log)" >&2
    exit 1
  fi
  grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$log" || true
done
