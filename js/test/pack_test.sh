#!/usr/bin/env bash
# kel-tangle as a user gets it: `npm pack` of the built package, the tarball
# installed into a scratch project with `npm install`, and the Node example
# run there against it. Also holds the tarball (the module, its WebAssembly
# and the declarations) to under 400 KB.
# Usage: js/test/pack_test.sh [BUILD_JS_DIR]   (default build-js)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build-js}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

tarball=$(cd "$build/js/package" && npm pack --silent --pack-destination "$scratch")
bytes=$(stat -c %s "$scratch/$tarball")
echo "pack: $tarball, $((bytes / 1024)) KB"
status=0
[ "$bytes" -lt $((400 * 1024)) ] || { echo "FAILED: the tarball is over 400 KB"; status=1; }
tar -tzf "$scratch/$tarball" > "$scratch/files"
for file in package/index.js package/index.d.ts package/dist/kel-tangle.mjs package/dist/kel-tangle.wasm \
  package/README.md; do
  grep -qx "$file" "$scratch/files" || { echo "FAILED: $file is not in the tarball"; status=1; }
done

mkdir "$scratch/project"
cd "$scratch/project"
npm init -y >/dev/null
npm install --no-audit --no-fund --silent "$scratch/$tarball"
cp "$OLDPWD/js/examples/print_positions.mjs" .
node print_positions.mjs | tee output.txt
# The jelly falls onto the floor and comes to rest on it.
first=$(sed -n 's/^step 0: centre at [0-9.]*, \([0-9.]*\)$/\1/p' output.txt)
last=$(sed -n 's/^step 300: centre at [0-9.]*, \([0-9.]*\)$/\1/p' output.txt)
if [ -z "$first" ] || [ -z "$last" ] || ! awk -v a="$first" -v b="$last" 'BEGIN { exit !(b > a + 300 && b < 500) }'; then
  echo "FAILED: the example's jelly did not fall onto the floor ($first to $last)"
  status=1
fi
[ $status = 0 ] && echo "pack: installed and ran the example"
exit $status
