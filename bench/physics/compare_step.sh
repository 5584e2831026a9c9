#!/usr/bin/env bash
# Times the 10,000-mass pile and spread steps of two builds of physics_bench,
# alternately, round after round, and prints each build's median and the
# ratio new / old. The two builds are the same benchmark at two commits.
# Usage: bench/physics/compare_step.sh OLD_BUILD_DIR NEW_BUILD_DIR [ROUNDS]
set -euo pipefail
old="$1/bench/physics/physics_bench"
new="$2/bench/physics/physics_bench"
rounds="${3:-7}"

# One run: the median of the benchmark's own five repetitions, in
# microseconds of real time per step.
time_of() {
  "$1" --benchmark_filter="^$2/" --benchmark_format=csv 2>/dev/null |
    awk -F, '/_median"/ { print $3 }'
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

for bench in BM_GridPile/10000 BM_GridSpread/10000; do
  olds=() news=()
  for _ in $(seq "$rounds"); do
    olds+=("$(time_of "$old" "$bench")")
    news+=("$(time_of "$new" "$bench")")
  done
  o=$(printf '%s\n' "${olds[@]}" | median)
  n=$(printf '%s\n' "${news[@]}" | median)
  printf '%-22s old %9.1f us   new %9.1f us   new/old %.3f   (%s rounds)\n' \
    "$bench" "$o" "$n" "$(awk -v a="$n" -v b="$o" 'BEGIN { print a / b }')" "$rounds"
done
