#!/usr/bin/env bash
# kel-tangle side by side with Matter.js and Rapier in Node, and with
# kel.tangle's native build: builds the package (build-js) and the native
# scene program (build-h39 unless NATIVE_BUILD says otherwise), installs the
# two engines (benchmark dependencies only, from npm) and runs
# js/bench/bench.mjs with the arguments given.
# Usage: js/bench/run.sh [--rounds 9] [--block 30] [--scenes pile2000,pile10000,jellies50]
set -euo pipefail
cd "$(dirname "$0")/../.."
native_build=${NATIVE_BUILD:-build-h39}
./js/build.sh
cmake -S . -B "$native_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_WERROR=ON >/dev/null
cmake --build "$native_build" -j"$(nproc)" --target tangle_js_scenes >/dev/null
(cd js/bench && npm install --no-audit --no-fund --silent)
exec node js/bench/bench.mjs --native "$native_build/js/tangle_js_scenes" --package build-js/js/package "$@"
