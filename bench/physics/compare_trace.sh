#!/usr/bin/env bash
# Compares two builds' step_trace, run alternately ROUNDS times each. For
# every step, the least time either build took over its rounds stands for
# that step (the machine's noise only ever adds time); the sums of those
# least times give each build's cost per step and the ratio new / old. The
# median of the rounds' own means is printed beside it.
# Usage: bench/physics/compare_trace.sh OLD_BUILD_DIR NEW_BUILD_DIR [ROUNDS] [pile|spread] [STEPS]
set -euo pipefail
old="$1/bench/physics/step_trace"
new="$2/bench/physics/step_trace"
rounds="${3:-6}"
scene="${4:-pile}"
steps="${5:-100}"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
for r in $(seq "$rounds"); do
  "$old" "$scene" "$steps" >"$dir/old.$r"
  "$new" "$scene" "$steps" >"$dir/new.$r"
done
# Each build: its rounds side by side, one row per step.
least() { paste "$dir"/"$1".* | awk '{ m = $1; for (i = 2; i <= NF; ++i) if ($i < m) m = $i; s += m } END { print s / NR }'; }
mid() {
  for f in "$dir"/"$1".*; do awk '{ s += $1 } END { print s / NR }' "$f"; done |
    sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}
lo=$(least old) ln=$(least new) mo=$(mid old) mn=$(mid new)
awk -v lo="$lo" -v ln="$ln" -v mo="$mo" -v mn="$mn" -v s="$scene" -v r="$rounds" -v n="$steps" 'BEGIN {
  printf "%s, %d steps, %d rounds: least per step old %.1f us  new %.1f us  new/old %.3f   (median of means %.1f -> %.1f, %.3f)\n",
         s, n, r, lo, ln, ln / lo, mo, mn, mn / mo }'
