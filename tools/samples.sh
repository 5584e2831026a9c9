#!/usr/bin/env bash
# Installs what is missing, builds the samples of kel.tangle and starts them.
# Arguments go to the program: --list, --scene NAME, ...
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target tangle_samples >/dev/null
exec ./build/samples/tangle_samples "$@"
