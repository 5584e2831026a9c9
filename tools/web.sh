#!/usr/bin/env bash
# Quorvel and the samples in a web browser: installs what is missing, builds
# the web build (Debian's Emscripten, WebAssembly and WebGL) into build-web,
# and serves its pages on this machine only (127.0.0.1), printing their
# addresses. Ctrl+C stops serving.
# Usage: tools/web.sh [--port N] [--build-only]
set -euo pipefail
cd "$(dirname "$0")/.."

port=8800
serve=1
while [ $# -gt 0 ]; do
  case "$1" in
    --port) port=${2:?--port needs a number}; shift 2 ;;
    --build-only) serve=0; shift ;;
    -h|--help) sed -n '2,6p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "web.sh: unknown option $1 (try --help)" >&2; exit 2 ;;
  esac
done

./tools/setup.sh
# Emscripten's JavaScript optimizer needs Debian's acorn, from Debian's own
# folder of node modules.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release -DQUORVEL_WERROR=ON >/dev/null
cmake --build build-web -j"$(nproc)" --target quorvel tangle_samples 2>&1 |
  grep -E 'warning|error|Error' || true
cmake --build build-web -j"$(nproc)" --target quorvel tangle_samples >/dev/null
[ "$serve" = 1 ] || exit 0

echo "Quorvel:      http://127.0.0.1:$port/game/quorvel.html"
echo "The samples:  http://127.0.0.1:$port/samples/tangle_samples.html  (?scene=cloth, ...)"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory build-web
