#!/usr/bin/env bash
# Installs what is missing, builds everything twice (plain, and with ASan+UBSan)
# and runs the whole test suite in both builds under a private X server; then
# the physics tests and the samples' scenes with every step validated, the step on several threads
# and the computer opponent's threads under ThreadSanitizer, and kel.tangle built, tested,
# installed and used alone, without OpenGL, X11 or FLTK; and the web build's
# pages in headless Chromium.
# Usage: tools/test.sh [--plain-only]
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/setup.sh

jobs=$(nproc)
builds=(build)
[ "${1:-}" = "--plain-only" ] || builds=(build-asan build)

for dir in "${builds[@]}"; do
  flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_WERROR=ON -DQUORVEL_BENCH=ON)
  [ "$dir" = build-asan ] && flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_WERROR=ON -DQUORVEL_SANITIZE=ON)
  cmake -S . -B "$dir" "${flags[@]}" >/dev/null
  cmake --build "$dir" -j"$jobs" 2>&1 | grep -E 'warning|error|Error' || true
  cmake --build "$dir" -j"$jobs" >/dev/null
done

# The API reference: a warning from Doxygen (an undocumented public member
# among them) fails the build of the docs target.
cmake --build build --target docs

# The physics tests and the samples' scenes once more with the step (and
# every query) checking the invariants its fast paths rely on.
if [ "${1:-}" != "--plain-only" ]; then
  cmake -S . -B build-validate -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_WERROR=ON \
    -DQUORVEL_VALIDATE=ON -DQUORVEL_BENCH=OFF >/dev/null
  cmake --build build-validate -j"$jobs" --target physics_tests tangle_samples >/dev/null
fi

# The physics tests under ThreadSanitizer: only their program is built, and
# only the step-on-several-threads suite runs, on 4 threads. The computer
# opponent's tests too: the game headless, thinking on threads of its own.
if [ "${1:-}" != "--plain-only" ]; then
  cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_WERROR=ON \
    -DQUORVEL_BENCH=OFF -DCMAKE_CXX_FLAGS=-fsanitize=thread \
    -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread >/dev/null
  cmake --build build-tsan -j"$jobs" --target physics_tests game_opponent_tests >/dev/null
fi

# kel.tangle alone, configured afresh as on a machine without OpenGL, X11 or
# FLTK: only core, draw2d and tangle build, with the physics tests.
if [ "${1:-}" != "--plain-only" ]; then
  cmake --fresh -S . -B build-tangle -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_WERROR=ON \
    -DQUORVEL_TANGLE_ONLY=ON -DQUORVEL_BENCH=OFF -DCMAKE_DISABLE_FIND_PACKAGE_OpenGL=ON \
    -DCMAKE_DISABLE_FIND_PACKAGE_FLTK=ON -DCMAKE_DISABLE_FIND_PACKAGE_X11=ON \
    --no-warn-unused-cli >/dev/null
  cmake --build build-tangle -j"$jobs" --target physics_tests >/dev/null
fi

# The fuzz targets build with clang; each runs briefly over its seed corpus.
if [ -x tools/fuzz.sh ] && [ "${1:-}" != "--plain-only" ]; then
  ./tools/fuzz.sh 30
fi

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
# -noreset: by default the X server resets when its last client leaves, and a
# test that connects during the reset loses its connection (SIGPIPE) when the
# tests run in parallel.
for dir in "${builds[@]}"; do
  echo "== tests: $dir"
  xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" \
    ctest --test-dir "$dir" -j"$jobs" --output-on-failure --timeout 600 || status=1
done
echo "== check: no world's state at static storage in the physics library"
tools/check_globals.sh build/physics/libquorvel_tangle.a || status=1
if [ "${1:-}" != "--plain-only" ]; then
  echo "== tests: physics and the samples' scenes, validating every step"
  build-validate/tests/physics/physics_tests --gtest_brief=1 || status=1
  ctest --test-dir build-validate -R '^samples_headless_' --output-on-failure || status=1
  # Without a display: the physics tests, then the physics-only program built
  # against a private install of the tangle-only build, whose file list the
  # consumer check checks too.
  echo "== tests: physics on 4 threads, under ThreadSanitizer"
  QUORVEL_TEST_THREADS=4 TSAN_OPTIONS=halt_on_error=1 \
    build-tsan/tests/physics/physics_tests --gtest_brief=1 --gtest_filter='Threads.*:Worlds.*' || status=1
  echo "== tests: the computer opponent, under ThreadSanitizer"
  TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan -R '^Opponent' --output-on-failure \
    --no-tests=error || status=1
  echo "== tests: kel.tangle alone"
  env -u DISPLAY build-tangle/tests/physics/physics_tests --gtest_brief=1 || status=1
  env -u DISPLAY ctest --test-dir build-tangle -R '^consumer_physics_only$' \
    --output-on-failure --no-tests=error || status=1
fi

# kel-tangle, kel.tangle for JavaScript (js/): the package built with
# Emscripten, its API in Node's test runner (positions held to the native
# build's scene program, bit for bit), its example page in headless Chromium,
# and the packed tarball installed into a scratch project and run.
echo "== tests: kel-tangle, the package for JavaScript"
if ./js/build.sh; then
  TANGLE_JS_SCENES=build/js/tangle_js_scenes node --test js/test/*.test.mjs || status=1
  python3 js/test/page_test.py build-js/js || status=1
  ./js/test/pack_test.sh build-js || status=1
else
  echo "kel-tangle build failed"; status=1
fi

# The web build (Emscripten) and its pages: the game's first screen against
# the desktop build's, then the game and the samples played in headless
# Chromium.
echo "== tests: web pages in Chromium"
if ./tools/web.sh --build-only; then
  python3 tests/web/compare_desktop.py build build-web build-web/compare || status=1
  python3 tests/web/browser_test.py build-web || status=1
  # Online: the desktop game against the page, through the relay.
  python3 tests/web/online_test.py build build-web || status=1
else
  echo "web build failed"; status=1
fi
exit $status
