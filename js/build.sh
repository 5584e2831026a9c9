#!/usr/bin/env bash
# Builds kel-tangle, the package for JavaScript, into build-js/js/package
# (index.js, index.d.ts, package.json, README.md and dist/ with the
# WebAssembly), with Debian's Emscripten; `npm pack` there makes the tarball.
# Usage: js/build.sh
set -euo pipefail
cd "$(dirname "$0")/.."
# Emscripten's JavaScript optimizer needs Debian's acorn.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
# WebAssembly SIMD (every current browser, Node 16.4 and later) carries the
# library's SSE paths: the pile steps about 2.5 times as fast as without.
# Float-to-integer conversions that do not trap (the grid's cells are found
# by one per mass) spare the checks WebAssembly otherwise wraps them in.
emcmake cmake -S . -B build-js -DCMAKE_BUILD_TYPE=Release -DQUORVEL_WERROR=ON \
  "-DCMAKE_CXX_FLAGS=-msimd128 -msse2 -mnontrapping-fptoint" >/dev/null
cmake --build build-js -j"$(nproc)" --target kel_tangle_wasm 2>&1 | grep -E 'warning|error|Error' || true
cmake --build build-js -j"$(nproc)" --target kel_tangle_wasm >/dev/null
